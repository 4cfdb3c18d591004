// Feeds arbitrary bytes to the PE reader and, when it accepts them, walks
// every resource and every lookup, so a bad bound anywhere shows up as a
// sanitizer report.
#include <cstddef>
#include <cstdint>

#include "platform/loader/pe_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    auto read = platform::loader::PeReader::read(std::span<const std::uint8_t>(data, size));
    if (!read) {
        if (read.failure().message.empty()) __builtin_trap();  // a rejection must say why
        return 0;
    }
    const platform::loader::PeReader& reader = *read;
    unsigned sum = 0;
    for (const auto& resource : reader.resources()) {
        for (std::uint8_t byte : reader.data(resource)) sum += byte;
        if (!reader.find(resource.type, resource.name, resource.language)) __builtin_trap();
        if (!reader.find(resource.type, resource.name)) __builtin_trap();
    }
    volatile unsigned keep = sum;  // the bytes must really be read
    (void)keep;
    return 0;
}
