#include "platform/shell/art_cache.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cstring>
#include <map>
#include <mutex>
#include <system_error>

#include "platform/files/atomic_file.h"
#include "platform/files/device_root.h"

#ifndef VELMOR_HOME_ART_KEY
#define VELMOR_HOME_ART_KEY "unkeyed"
#endif

namespace platform::shell {

namespace {

namespace fs = std::filesystem;

// The second layout: the checksum and the header changed with it, so files of the first are refused by their mark.
constexpr char magic[4] = {'V', 'A', 'R', '2'};

struct Header {
    char magic[4];
    std::int32_t width;
    std::int32_t height;
    std::int32_t bits_per_pixel;
};
static_assert(sizeof(Header) == 16);

// Where a file's pixels go or come from: a DIB section's rows, each padded to a multiple of four bytes.
struct Pixels {
    void* data;
    int width;
    int height;
    int bits_per_pixel;
    std::size_t bytes() const
    {
        std::size_t row = (static_cast<std::size_t>(width) * static_cast<std::size_t>(bits_per_pixel) + 31) / 32 * 4;
        return row * static_cast<std::size_t>(height);
    }
};

struct Kept {
    std::mutex lock;
    std::map<std::string, std::shared_ptr<const ArgbLayer>> layers;
    std::map<std::string, std::shared_ptr<const ScreenPicture>> pictures;
};

Kept& kept()
{
    // Never destroyed: its layers hold GDI objects, which must not be deleted after the GDI's own tables at exit.
    static Kept* instance = new Kept;
    return *instance;
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

// What a file's name starts with for every version of the same art.
std::string stem_of(std::string_view name, int width, int height)
{
    return std::string(name) + "-" + std::to_string(width) + "x" + std::to_string(height) + "-";
}

std::string key_of(std::string_view name, std::string_view version, int width, int height)
{
    return stem_of(name, width, height) + std::string(version);
}

std::string file_of(std::string_view name, std::string_view version, int width, int height, int bits_per_pixel)
{
    fs::path folder = art_folder();
    if (folder.empty()) return {};
    return (folder / (key_of(name, version, width, height) + (bits_per_pixel == 32 ? ".argb" : ".rgb565"))).string();
}

// Fletcher's sums over the pixels' 64-bit words in four independent lanes, so the loop runs near memory speed
// where a multiply per word would cost more than the read. A changed, lost or moved word changes it; the lanes
// start from non-zero values so that a file of zeros fails.
std::uint64_t checksum(const void* pixels, std::size_t size)
{
    const auto* bytes = static_cast<const unsigned char*>(pixels);
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
    for (; at < size; ++at) {
        sum[0] += bytes[at];
        of_sums[0] += sum[0];
    }
    std::uint64_t folded = 0xCBF29CE484222325ull;
    for (std::size_t lane = 0; lane < 4; ++lane) {
        folded = (folded ^ sum[lane]) * 0x100000001B3ull;
        folded = (folded ^ of_sums[lane]) * 0x100000001B3ull;
    }
    return folded;
}

// Reads the file straight into the pixels; false (the pixels then undefined) for a file that is missing, of
// another size or layout, or damaged.
bool read_file(const std::string& path, const Pixels& pixels)
{
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    std::size_t bytes = pixels.bytes();
    Header header {};
    std::uint64_t sum = 0;
    std::size_t whole_size = sizeof header + bytes + sizeof sum;
    struct stat status { };
    bool whole = ::fstat(fd, &status) == 0 && static_cast<std::size_t>(status.st_size) == whole_size;
    if (whole) {
        iovec parts[3] = {{&header, sizeof header}, {pixels.data, bytes}, {&sum, sizeof sum}};
        // A regular file of the checked size is read whole in one call; anything less is treated as damage.
        whole = ::readv(fd, parts, 3) == static_cast<ssize_t>(whole_size);
    }
    ::close(fd);
    return whole && std::memcmp(header.magic, magic, sizeof magic) == 0 && header.width == pixels.width &&
        header.height == pixels.height && header.bits_per_pixel == pixels.bits_per_pixel &&
        sum == checksum(pixels.data, bytes);
}

void write_file(const fs::path& path, std::string_view stem, const Pixels& pixels)
{
    std::error_code error;
    fs::create_directories(path.parent_path(), error);
    if (error) return;
    // Replaced whole, so a reader (another phone on the same root) never sees half a file; not flushed, since a
    // damaged file fails its checksum and is drawn anew.
    Header header {{magic[0], magic[1], magic[2], magic[3]}, pixels.width, pixels.height, pixels.bits_per_pixel};
    std::uint64_t sum = checksum(pixels.data, pixels.bytes());
    auto bytes_of = [](const void* data, std::size_t size) {
        return std::string_view(static_cast<const char*>(data), size);
    };
    if (!platform::files::write_file_atomically(path,
            {bytes_of(&header, sizeof header), bytes_of(pixels.data, pixels.bytes()), bytes_of(&sum, sizeof sum)},
            platform::files::Durability::replaced))
        return;
    // Other versions of the same art (from another build, or drawn with other fonts) will not be read again.
    std::error_code walk;
    for (fs::directory_iterator entry(path.parent_path(), walk), end; !walk && entry != end; entry.increment(walk)) {
        std::string other = entry->path().filename().string();
        if (other != path.filename().string() && other.starts_with(stem) &&
            entry->path().extension() == path.extension())
            fs::remove(entry->path(), error);
    }
}

// The art under the key: the process's, else the file's, else painted now and kept in both.
template <typename Art, typename Painter>
std::shared_ptr<const Art> kept_art(std::map<std::string, std::shared_ptr<const Art>>& kept_art, std::string_view name,
    std::string_view version, int width, int height, int bits_per_pixel, const Painter& paint)
{
    std::string key = key_of(name, version, width, height);
    {
        std::lock_guard guard(kept().lock);
        auto found = kept_art.find(key);
        if (found != kept_art.end()) return found->second;
    }
    auto art = std::make_shared<Art>(width, height);
    if (!art->valid()) return nullptr;
    Pixels pixels {art->pixels(), width, height, bits_per_pixel};
    std::string file = file_of(name, version, width, height, bits_per_pixel);
    if (file.empty() || !read_file(file, pixels)) {
        // A failed read may have left part of a file behind.
        std::memset(pixels.data, 0, pixels.bytes());
        paint(*art);
        if (!file.empty()) write_file(file, stem_of(name, width, height), pixels);
    }
    std::lock_guard guard(kept().lock);
    // Art whose version moves on (the task bar's with its clock) keeps one version in memory, not one a minute.
    std::string stem = stem_of(name, width, height);
    std::erase_if(kept_art, [&](const auto& entry) { return entry.first.starts_with(stem) && entry.first != key; });
    // Another thread may have kept the same art meanwhile; either copy is the same picture.
    return kept_art.emplace(std::move(key), std::move(art)).first->second;
}

}  // namespace

std::filesystem::path kept_art_file(std::string_view name)
{
    fs::path folder = art_folder();
    return folder.empty() ? fs::path() : folder / name;
}

std::string kept_layer_file(std::string_view name, int width, int height)
{
    return file_of(name, VELMOR_HOME_ART_KEY, width, height, 32);
}

std::string kept_picture_file(std::string_view name, std::string_view version, int width, int height)
{
    return file_of(name, version, width, height, 16);
}

std::size_t kept_layer_file_size(int width, int height)
{
    return sizeof(Header) + Pixels {nullptr, width, height, 32}.bytes() + sizeof(std::uint64_t);
}

std::size_t kept_picture_file_size(int width, int height)
{
    return sizeof(Header) + Pixels {nullptr, width, height, 16}.bytes() + sizeof(std::uint64_t);
}

std::shared_ptr<const ArgbLayer> kept_layer(std::string_view name, int width, int height, const LayerPainter& paint)
{
    return kept_art(kept().layers, name, VELMOR_HOME_ART_KEY, width, height, 32, paint);
}

std::shared_ptr<const ScreenPicture> kept_picture(
    std::string_view name, std::string_view version, int width, int height, const PicturePainter& paint)
{
    return kept_art(kept().pictures, name, version, width, height, 16, paint);
}

void keep_layer(std::string_view name, const ArgbLayer& layer)
{
    if (!layer.valid()) return;
    auto copy = std::make_shared<ArgbLayer>(layer.width(), layer.height());
    if (!copy->valid()) return;
    Pixels pixels {copy->pixels(), layer.width(), layer.height(), 32};
    std::memcpy(pixels.data, layer.pixels(), pixels.bytes());
    std::string file = kept_layer_file(name, layer.width(), layer.height());
    if (!file.empty()) write_file(file, stem_of(name, layer.width(), layer.height()), pixels);
    std::lock_guard guard(kept().lock);
    kept().layers[key_of(name, VELMOR_HOME_ART_KEY, layer.width(), layer.height())] = std::move(copy);
}

void forget_kept_layers()
{
    std::lock_guard guard(kept().lock);
    kept().layers.clear();
    kept().pictures.clear();
}

}  // namespace platform::shell
