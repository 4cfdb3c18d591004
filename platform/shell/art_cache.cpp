#include "platform/shell/art_cache.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <system_error>

#include "platform/files/device_root.h"

#ifndef VELMOR_HOME_ART_KEY
#define VELMOR_HOME_ART_KEY "unkeyed"
#endif

namespace platform::shell {

namespace {

namespace fs = std::filesystem;

// The second layout: the checksum changed with it, so files of the first are refused by their mark.
constexpr char magic[4] = {'V', 'A', 'R', '2'};

struct Header {
    char magic[4];
    std::int32_t width;
    std::int32_t height;
};
static_assert(sizeof(Header) == 12);

struct Kept {
    std::mutex lock;
    std::map<std::string, std::shared_ptr<const ArgbLayer>> layers;
};

Kept& kept()
{
    // Never destroyed: its layers hold GDI objects, which must not be deleted after the GDI's own tables at exit.
    static Kept* instance = new Kept;
    return *instance;
}

std::string key_of(std::string_view name, int width, int height)
{
    return std::string(name) + "-" + std::to_string(width) + "x" + std::to_string(height) + "-" + VELMOR_HOME_ART_KEY;
}

std::size_t pixel_bytes(int width, int height)
{
    return static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * sizeof(std::uint32_t);
}

// Fletcher's sums over the pixels' 64-bit words in four independent lanes, so the loop runs near memory speed
// where a multiply per word would cost more than the read. A changed, lost or moved word changes it; the lanes
// start from non-zero values so that a file of zeros fails.
std::uint64_t checksum(const std::uint32_t* pixels, std::size_t count)
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(pixels);
    std::size_t size = count * sizeof(std::uint32_t);
    std::uint64_t sum[4] = {1, 2, 3, 4};
    std::uint64_t of_sums[4] = {5, 6, 7, 8};
    std::size_t at = 0;
    for (; at + 32 <= size; at += 32)
        for (std::size_t lane = 0; lane < 4; ++lane) {
            std::uint64_t word;
            std::memcpy(&word, bytes + at + 8 * lane, sizeof word);
            sum[lane] += word;
            of_sums[lane] += sum[lane];
        }
    for (; at < size; at += sizeof(std::uint32_t)) {
        std::uint32_t word;
        std::memcpy(&word, bytes + at, sizeof word);
        sum[0] += word;
        of_sums[0] += sum[0];
    }
    std::uint64_t folded = 0xCBF29CE484222325ull;
    for (std::size_t lane = 0; lane < 4; ++lane) {
        folded = (folded ^ sum[lane]) * 0x100000001B3ull;
        folded = (folded ^ of_sums[lane]) * 0x100000001B3ull;
    }
    return folded;
}

// The folder of the kept art under the current device root ("" without one). Mapping a path walks the folders
// on the way, so the answer is kept for as long as the device root stays the same.
fs::path art_folder()
{
    fs::path root = platform::files::device_root();
    if (root.empty()) return {};
    static std::mutex lock;
    static fs::path mapped_root;
    static fs::path folder;
    std::lock_guard guard(lock);
    if (root != mapped_root) {
        auto mapped = platform::files::map_path(u"\\Windows\\Shell Art");
        folder = mapped ? *mapped : fs::path();
        mapped_root = mapped ? root : fs::path();
    }
    return folder;
}

// Reads the file straight into the layer's pixels; false (the layer's pixels then undefined) for a file that is
// missing, of another size or layout, or damaged.
bool read_file(const std::string& path, ArgbLayer& layer)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    std::size_t bytes = pixel_bytes(layer.width(), layer.height());
    Header header {};
    std::uint64_t sum = 0;
    struct stat status { };
    bool whole =
        ::fstat(fd, &status) == 0 && static_cast<std::size_t>(status.st_size) == sizeof header + bytes + sizeof sum;
    if (whole) {
        iovec parts[3] = {{&header, sizeof header}, {layer.pixels(), bytes}, {&sum, sizeof sum}};
        // A regular file of the checked size is read whole in one call; anything less is treated as damage.
        whole = ::readv(fd, parts, 3) == static_cast<ssize_t>(sizeof header + bytes + sizeof sum);
    }
    ::close(fd);
    return whole && std::memcmp(header.magic, magic, sizeof magic) == 0 && header.width == layer.width() &&
        header.height == layer.height() && sum == checksum(layer.pixels(), bytes / sizeof(std::uint32_t));
}

void write_file(const fs::path& path, const ArgbLayer& layer)
{
    std::error_code error;
    fs::create_directories(path.parent_path(), error);
    if (error) return;
    // Written aside and renamed over, so a reader (another phone on the same root) never sees half a file.
    fs::path part = path;
    part += ".part-" + std::to_string(getpid());
    {
        std::size_t bytes = pixel_bytes(layer.width(), layer.height());
        Header header {{magic[0], magic[1], magic[2], magic[3]}, layer.width(), layer.height()};
        std::uint64_t sum = checksum(layer.pixels(), bytes / sizeof(std::uint32_t));
        std::ofstream out(part, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(&header), sizeof header);
        out.write(reinterpret_cast<const char*>(layer.pixels()), static_cast<std::streamsize>(bytes));
        out.write(reinterpret_cast<const char*>(&sum), sizeof sum);
        if (!out) {
            out.close();
            fs::remove(part, error);
            return;
        }
    }
    fs::rename(part, path, error);
    if (error) fs::remove(part, error);
}

}  // namespace

std::string kept_layer_file(std::string_view name, int width, int height)
{
    fs::path folder = art_folder();
    if (folder.empty()) return {};
    return (folder / (key_of(name, width, height) + ".argb")).string();
}

std::size_t kept_layer_file_size(int width, int height)
{
    return sizeof(Header) + pixel_bytes(width, height) + sizeof(std::uint64_t);
}

std::shared_ptr<const ArgbLayer> kept_layer(std::string_view name, int width, int height, const LayerPainter& paint)
{
    std::string key = key_of(name, width, height);
    {
        std::lock_guard guard(kept().lock);
        auto found = kept().layers.find(key);
        if (found != kept().layers.end()) return found->second;
    }
    auto layer = std::make_shared<ArgbLayer>(width, height);
    if (!layer->valid()) return nullptr;
    std::string file = kept_layer_file(name, width, height);
    if (file.empty() || !read_file(file, *layer)) {
        // A failed read may have left part of a file behind.
        std::memset(layer->pixels(), 0, pixel_bytes(width, height));
        paint(*layer);
        if (!file.empty()) write_file(file, *layer);
    }
    std::lock_guard guard(kept().lock);
    // Another thread may have kept the same art meanwhile; either copy is the same picture.
    return kept().layers.emplace(std::move(key), std::move(layer)).first->second;
}

void keep_layer(std::string_view name, const ArgbLayer& layer)
{
    if (!layer.valid()) return;
    auto copy = std::make_shared<ArgbLayer>(layer.width(), layer.height());
    if (!copy->valid()) return;
    std::memcpy(copy->pixels(), layer.pixels(), pixel_bytes(layer.width(), layer.height()));
    std::string file = kept_layer_file(name, layer.width(), layer.height());
    if (!file.empty()) write_file(file, layer);
    std::lock_guard guard(kept().lock);
    kept().layers[key_of(name, layer.width(), layer.height())] = std::move(copy);
}

void forget_kept_layers()
{
    std::lock_guard guard(kept().lock);
    kept().layers.clear();
}

}  // namespace platform::shell
