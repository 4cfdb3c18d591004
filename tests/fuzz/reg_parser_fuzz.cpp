// Feeds arbitrary bytes to the .reg parser. Whatever parses must also write
// out and read back to the same hive, and the written text must be stable.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/registry/reg_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace platform::registry;
    auto script = parse_reg_text(std::string_view(reinterpret_cast<const char*>(data), size), "input");
    if (!script) {
        if (script.failure().message.empty()) std::abort();  // a rejection must say why
        return 0;
    }
    Hive hive;
    apply_reg_script(*script, hive);
    std::string text;
    {
        std::lock_guard lock(hive.mutex());
        text = write_reg_text(hive);
    }
    auto again = parse_reg_text(text, "written");
    if (!again) std::abort();
    Hive copy;
    apply_reg_script(*again, copy);
    if (!same_content(hive, copy)) std::abort();
    std::lock_guard lock(copy.mutex());
    if (write_reg_text(copy) != text) std::abort();
    return 0;
}
