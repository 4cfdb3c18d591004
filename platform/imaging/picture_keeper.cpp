#include "platform/imaging/picture_keeper.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <string>
#include <system_error>
#include <vector>

#include "platform/files/atomic_file.h"
#include "platform/files/device_root.h"
#include "platform/imaging/sha256.h"

namespace platform::imaging {

namespace {

namespace fs = std::filesystem;

// The file: this header, then the rows as the picture holds them (whole
// strides, padding included), nothing after.
struct Header {
    char magic[4];
    std::uint32_t layout;
    std::uint8_t key[32];
    std::uint32_t raw_format;  // 1 PNG, 2 JPEG
    std::uint32_t pixel_format;
    std::int32_t width;
    std::int32_t height;
    std::uint32_t stride;
    std::uint32_t flags;
    double x_dpi;
    double y_dpi;
    std::uint64_t checksum;  // of the header (this field 0) and the rows
};
static_assert(sizeof(Header) == 88);

constexpr char magic[4] = {'V', 'P', 'I', 'X'};
constexpr std::uint32_t layout = 1;

}  // namespace

// The key covers the decoders' version as well as the data.
Sha256::Digest PictureKeeper::key_of(std::span<const std::uint8_t> data)
{
    Sha256 sha;
    std::string version = decoder_output_version();
    sha.add(std::span(reinterpret_cast<const std::uint8_t*>(version.data()), version.size() + 1));
    sha.add(data);
    return sha.finish();
}

namespace {

fs::path file_of(const fs::path& folder, const Sha256::Digest& key)
{
    static const char hex[] = "0123456789abcdef";
    std::string name;
    for (std::uint8_t byte : key) {
        name += hex[byte >> 4];
        name += hex[byte & 15];
    }
    return folder / (name + ".pixels");
}

// Finds damage, not forgery (the key does that): four independent lanes of
// multiply and rotate over 64-bit words, as fast as the rows are read.
class Checksum {
public:
    void add(const std::uint8_t* bytes, std::size_t size)
    {
        std::size_t i = 0;
        for (; i + 32 <= size; i += 32)
            for (int lane = 0; lane < 4; ++lane) mix(lanes_[lane], load(bytes + i + 8 * std::size_t(lane)));
        for (; i + 8 <= size; i += 8) mix(lanes_[0], load(bytes + i));
        std::uint64_t rest = 0;
        std::memcpy(&rest, bytes + i, size - i);
        mix(lanes_[1], rest ^ size);
    }
    std::uint64_t value() const
    {
        std::uint64_t sum = 0;
        for (std::uint64_t lane : lanes_) sum = (sum ^ lane) * 0x9E3779B97F4A7C15ull + (sum >> 29);
        return sum;
    }

private:
    static std::uint64_t load(const std::uint8_t* p)
    {
        std::uint64_t v;
        std::memcpy(&v, p, 8);
        return v;
    }
    static void mix(std::uint64_t& lane, std::uint64_t word)
    {
        lane += word * 0xC2B2AE3D27D4EB4Full;
        lane = (lane << 31) | (lane >> 33);
        lane *= 0x9E3779B185EBCA87ull;
    }

    std::uint64_t lanes_[4] = {1, 2, 3, 4};
};

std::uint64_t checksum_of(Header header, const std::uint8_t* rows, std::size_t size)
{
    header.checksum = 0;
    Checksum sum;
    sum.add(reinterpret_cast<const std::uint8_t*>(&header), sizeof header);
    sum.add(rows, size);
    return sum.value();
}

GUID raw_format_of(std::uint32_t code) { return code == 1 ? ImageFormatPNG : ImageFormatJPEG; }

std::uint32_t code_of(const GUID& raw_format)
{
    if (raw_format == ImageFormatPNG) return 1;
    if (raw_format == ImageFormatJPEG) return 2;
    return 0;
}

class OpenFile {
public:
    explicit OpenFile(const fs::path& path)
        : fd_(::open(path.c_str(), O_RDONLY | O_CLOEXEC))
    {
    }
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;
    ~OpenFile()
    {
        if (fd_ >= 0) ::close(fd_);
    }
    bool is_open() const { return fd_ >= 0; }
    std::int64_t size() const
    {
        struct stat status { };
        return ::fstat(fd_, &status) == 0 && S_ISREG(status.st_mode) ? std::int64_t(status.st_size) : -1;
    }
    bool read_exactly(void* into, std::size_t size) const
    {
        auto* at = static_cast<std::uint8_t*>(into);
        while (size > 0) {
            ssize_t got = ::read(fd_, at, size);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) return false;
            at += got;
            size -= std::size_t(got);
        }
        return true;
    }

private:
    int fd_;
};

// Not flushed to the disk: what a crash could leave behind fails the checks
// and is decoded anew, and flushing every picture made a phone's first start
// several times slower.
bool write_whole(const fs::path& file, const Header& header, const std::uint8_t* rows, std::size_t size)
{
    return platform::files::write_file_atomically(file,
        {std::string_view(reinterpret_cast<const char*>(&header), sizeof header),
            std::string_view(reinterpret_cast<const char*>(rows), size)},
        platform::files::Durability::replaced)
        .ok();
}

bool header_is_sound(const Header& header, const Sha256::Digest& key)
{
    PixelFormatID format = header.pixel_format;
    return std::memcmp(header.magic, magic, sizeof magic) == 0 && header.layout == layout &&
        std::memcmp(header.key, key.data(), key.size()) == 0 && (header.raw_format == 1 || header.raw_format == 2) &&
        (format == PixelFormat24bppRGB || format == PixelFormat32bppARGB) &&
        size_allowed(header.width, header.height, format) && std::isfinite(header.x_dpi) && header.x_dpi > 0 &&
        std::isfinite(header.y_dpi) && header.y_dpi > 0;
}

}  // namespace

PictureKeeper::PictureKeeper(fs::path folder, std::uintmax_t folder_limit, std::size_t smallest)
    : folder_(std::move(folder))
    , folder_limit_(folder_limit)
    , smallest_(smallest)
{
}

fs::path PictureKeeper::folder_in_device_root()
{
    fs::path runtime = files::runtime_folder();
    return runtime.empty() ? fs::path() : runtime / "pictures";
}

fs::path PictureKeeper::file_for(std::span<const std::uint8_t> data) const
{
    if (folder_.empty() || data.size() < smallest_) return {};
    return file_of(folder_, key_of(data));
}

std::optional<Picture> PictureKeeper::restore(std::span<const std::uint8_t> data, const PixelAllocator& allocate) const
{
    if (folder_.empty() || data.size() < smallest_) return std::nullopt;
    return restore_by_key(key_of(data), allocate);
}

std::optional<Picture> PictureKeeper::restore_by_key(const Sha256::Digest& key, const PixelAllocator& allocate) const
{
    OpenFile in(file_of(folder_, key));
    Header header;
    if (!in.is_open() || !in.read_exactly(&header, sizeof header) || !header_is_sound(header, key)) return std::nullopt;
    std::size_t rows = std::size_t(header.stride) * std::size_t(header.height);
    if (in.size() != std::int64_t(sizeof header + rows)) return std::nullopt;
    auto allocated = allocate(header.pixel_format, header.width, header.height);
    if (!allocated) return std::nullopt;
    std::unique_ptr<Pixels> pixels = std::move(allocated).value();
    // Straight into the picture's own rows, in one read.
    if (pixels->stride() != std::int64_t(header.stride) || !in.read_exactly(pixels->row(0), rows) ||
        checksum_of(header, pixels->row(0), rows) != header.checksum)
        return std::nullopt;
    Picture picture;
    picture.raw_format = raw_format_of(header.raw_format);
    picture.pixels = std::move(pixels);
    picture.x_dpi = header.x_dpi;
    picture.y_dpi = header.y_dpi;
    picture.flags = header.flags;
    return picture;
}

bool PictureKeeper::keep(std::span<const std::uint8_t> data, const Picture& picture)
{
    if (folder_.empty() || data.size() < smallest_) return false;
    return keep_by_key(key_of(data), picture);
}

bool PictureKeeper::keep_by_key(const Sha256::Digest& key, const Picture& picture)
{
    std::uint32_t raw_format = code_of(picture.raw_format);
    if (!picture.pixels || raw_format == 0) return false;
    fs::path file = file_of(folder_, key);
    const Pixels& pixels = *picture.pixels;
    Header header {};
    std::memcpy(header.magic, magic, sizeof magic);
    header.layout = layout;
    std::memcpy(header.key, key.data(), key.size());
    header.raw_format = raw_format;
    header.pixel_format = pixels.format();
    header.width = pixels.width();
    header.height = pixels.height();
    header.stride = std::uint32_t(pixels.stride());
    header.flags = picture.flags;
    header.x_dpi = picture.x_dpi;
    header.y_dpi = picture.y_dpi;
    std::size_t rows = std::size_t(pixels.stride()) * std::size_t(pixels.height());
    header.checksum = checksum_of(header, pixels.row(0), rows);

    std::error_code error;
    fs::create_directories(folder_, error);
    if (error || !write_whole(file, header, pixels.row(0), rows)) return false;
    stay_within_limit(file);
    return true;
}

void PictureKeeper::stay_within_limit(const fs::path& written)
{
    struct Entry {
        fs::path path;
        fs::file_time_type time;
        std::uintmax_t size;
    };
    std::vector<Entry> entries;
    std::uintmax_t total = 0;
    std::error_code error;
    auto a_minute_ago = fs::file_time_type::clock::now() - std::chrono::minutes(1);
    for (const auto& entry : fs::directory_iterator(folder_, error)) {
        std::error_code entry_error;
        if (!entry.is_regular_file(entry_error)) continue;
        Entry found {entry.path(), entry.last_write_time(entry_error), entry.file_size(entry_error)};
        if (entry_error) continue;
        // Another writer's temporary file is its own until it is old enough
        // to have been left behind.
        if (found.path.extension() != ".pixels" && found.time > a_minute_ago) continue;
        total += found.size;
        entries.push_back(std::move(found));
    }
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.time < b.time; });
    for (const Entry& entry : entries) {
        if (total <= folder_limit_) break;
        if (entry.path == written) continue;
        if (fs::remove(entry.path, error)) total -= entry.size;
    }
}

Result<Picture> PictureKeeper::decode(std::span<const std::uint8_t> data, const PixelAllocator& allocate)
{
    if (folder_.empty() || data.size() < smallest_) return decode_picture(data, allocate);
    Sha256::Digest key = key_of(data);
    if (auto kept = restore_by_key(key, allocate)) return std::move(*kept);
    Result<Picture> picture = decode_picture(data, allocate);
    if (picture) keep_by_key(key, *picture);
    return picture;
}

}  // namespace platform::imaging
