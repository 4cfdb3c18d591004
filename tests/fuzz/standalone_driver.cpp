// Runs a fuzz target without libFuzzer: every file of the seed corpus, then a
// fixed number of mutations of them (bit flips, truncations, byte runs,
// splices) from a seeded generator, so a failure is reproducible from the
// printed seed and index. The real fuzzing runs under the "fuzz" preset.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes read_file(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void run(const Bytes& input)
{
    // Copy into an exact-size heap block so out-of-bounds reads are caught by
    // the sanitizers rather than hidden by vector capacity.
    std::unique_ptr<std::uint8_t[]> copy(new std::uint8_t[input.size() ? input.size() : 1]);
    if (!input.empty()) std::memcpy(copy.get(), input.data(), input.size());
    LLVMFuzzerTestOneInput(copy.get(), input.size());
}

Bytes mutate(const Bytes& seed, const Bytes& other, std::mt19937& random)
{
    Bytes data = seed;
    int steps = 1 + static_cast<int>(random() % 4);
    for (int s = 0; s < steps; ++s) {
        switch (random() % 6) {
        case 0:  // flip a bit
            if (!data.empty()) data[random() % data.size()] ^= static_cast<std::uint8_t>(1u << (random() % 8));
            break;
        case 1:  // truncate
            if (!data.empty()) data.resize(random() % data.size());
            break;
        case 2: {  // overwrite with an interesting value
            static const std::uint32_t values[] = {0, 1, 0x7F, 0x80, 0xFF, 0x7FFF, 0xFFFF, 0x7FFFFFFF, 0xFFFFFFFF};
            if (data.size() >= 4) {
                std::uint32_t value = values[random() % std::size(values)];
                std::memcpy(&data[random() % (data.size() - 3)], &value, 4);
            }
            break;
        }
        case 3:  // insert random bytes
        {
            std::size_t at = data.empty() ? 0 : random() % (data.size() + 1);
            std::size_t count = 1 + random() % 16;
            Bytes extra(count);
            for (auto& byte : extra) byte = static_cast<std::uint8_t>(random());
            data.insert(data.begin() + static_cast<std::ptrdiff_t>(at), extra.begin(), extra.end());
            break;
        }
        case 4:  // splice with another input
            if (!other.empty()) {
                std::size_t cut = data.empty() ? 0 : random() % data.size();
                std::size_t from = random() % other.size();
                data.resize(cut);
                data.insert(data.end(), other.begin() + static_cast<std::ptrdiff_t>(from), other.end());
            }
            break;
        default:  // duplicate a chunk
            if (data.size() > 2) {
                std::size_t from = random() % data.size();
                std::size_t count = 1 + random() % (data.size() - from);
                Bytes chunk(data.begin() + static_cast<std::ptrdiff_t>(from),
                    data.begin() + static_cast<std::ptrdiff_t>(from + count));
                data.insert(
                    data.begin() + static_cast<std::ptrdiff_t>(random() % data.size()), chunk.begin(), chunk.end());
            }
            break;
        }
    }
    return data;
}

}  // namespace

int main(int argc, char** argv)
{
    long mutations = 0;
    unsigned seed = 20261208;
    std::vector<Bytes> corpus;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--mutations" && i + 1 < argc) {
            mutations = std::strtol(argv[++i], nullptr, 10);
        } else if (arg == "--seed" && i + 1 < argc) {
            seed = static_cast<unsigned>(std::strtoul(argv[++i], nullptr, 10));
        } else if (std::filesystem::is_directory(arg)) {
            for (const auto& entry : std::filesystem::directory_iterator(arg))
                if (entry.is_regular_file()) corpus.push_back(read_file(entry.path()));
        } else if (std::filesystem::is_regular_file(arg)) {
            corpus.push_back(read_file(arg));
        } else {
            std::fprintf(stderr, "%s: no such corpus file or folder: %s\n", argv[0], arg.c_str());
            return 2;
        }
    }
    if (corpus.empty()) {
        std::fprintf(stderr, "%s: the seed corpus is empty\n", argv[0]);
        return 2;
    }
    for (const auto& input : corpus) run(input);
    std::mt19937 random(seed);
    for (long i = 0; i < mutations; ++i) {
        const Bytes& base = corpus[random() % corpus.size()];
        const Bytes& other = corpus[random() % corpus.size()];
        run(mutate(base, other, random));
    }
    std::printf("%zu seed inputs and %ld mutations ran (seed %u)\n", corpus.size(), mutations, seed);
    return 0;
}
