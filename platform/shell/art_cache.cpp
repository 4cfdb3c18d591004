#include "platform/shell/art_cache.h"

#include <unistd.h>

#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <string>
#include <system_error>
#include <vector>

#include "platform/files/device_root.h"

#ifndef VELMOR_HOME_ART_KEY
#define VELMOR_HOME_ART_KEY "unkeyed"
#endif

namespace platform::shell {

namespace {

namespace fs = std::filesystem;

constexpr char magic[4] = {'V', 'A', 'R', 'T'};

struct Kept {
    std::mutex lock;
    std::map<std::string, std::vector<std::uint32_t>> layers;
};

Kept& kept()
{
    static Kept instance;
    return instance;
}

std::string key_of(std::string_view name, int width, int height)
{
    return std::string(name) + "-" + std::to_string(width) + "x" + std::to_string(height) + "-" + VELMOR_HOME_ART_KEY;
}

std::uint64_t checksum(const std::vector<std::uint32_t>& pixels)
{
    std::uint64_t hash = 0xCBF29CE484222325ull;
    for (std::uint32_t p : pixels) {
        hash ^= p;
        hash *= 0x100000001B3ull;
    }
    return hash;
}

std::vector<std::uint32_t> read_file(const fs::path& path, int width, int height)
{
    std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    char head[4];
    std::int32_t size[2];
    std::vector<std::uint32_t> pixels(count);
    std::uint64_t sum = 0;
    in.read(head, sizeof head);
    in.read(reinterpret_cast<char*>(size), sizeof size);
    in.read(reinterpret_cast<char*>(pixels.data()), static_cast<std::streamsize>(count * sizeof(std::uint32_t)));
    in.read(reinterpret_cast<char*>(&sum), sizeof sum);
    if (!in || in.peek() != std::ifstream::traits_type::eof() || std::memcmp(head, magic, sizeof magic) != 0 ||
        size[0] != width || size[1] != height || sum != checksum(pixels))
        return {};
    return pixels;
}

void write_file(const fs::path& path, int width, int height, const std::vector<std::uint32_t>& pixels)
{
    std::error_code error;
    fs::create_directories(path.parent_path(), error);
    if (error) return;
    // Written aside and renamed over, so a reader (another phone on the same root) never sees half a file.
    fs::path part = path;
    part += ".part-" + std::to_string(getpid());
    {
        std::ofstream out(part, std::ios::binary | std::ios::trunc);
        std::int32_t size[2] {width, height};
        std::uint64_t sum = checksum(pixels);
        out.write(magic, sizeof magic);
        out.write(reinterpret_cast<const char*>(size), sizeof size);
        out.write(reinterpret_cast<const char*>(pixels.data()),
            static_cast<std::streamsize>(pixels.size() * sizeof(std::uint32_t)));
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
    if (platform::files::device_root().empty()) return {};
    auto folder = platform::files::map_path(u"\\Windows\\Shell Art");
    if (!folder) return {};
    return (*folder / (key_of(name, width, height) + ".argb")).string();
}

bool restore_layer(std::string_view name, ArgbLayer& layer)
{
    if (!layer.valid()) return false;
    std::string key = key_of(name, layer.width(), layer.height());
    std::size_t bytes = static_cast<std::size_t>(layer.width()) * static_cast<std::size_t>(layer.height()) * 4;
    {
        std::lock_guard guard(kept().lock);
        auto found = kept().layers.find(key);
        if (found != kept().layers.end()) {
            std::memcpy(layer.pixels(), found->second.data(), bytes);
            return true;
        }
    }
    std::string file = kept_layer_file(name, layer.width(), layer.height());
    if (file.empty()) return false;
    std::vector<std::uint32_t> pixels = read_file(file, layer.width(), layer.height());
    if (pixels.empty()) return false;
    std::memcpy(layer.pixels(), pixels.data(), bytes);
    std::lock_guard guard(kept().lock);
    kept().layers[key] = std::move(pixels);
    return true;
}

void keep_layer(std::string_view name, const ArgbLayer& layer)
{
    if (!layer.valid()) return;
    std::size_t count = static_cast<std::size_t>(layer.width()) * static_cast<std::size_t>(layer.height());
    std::vector<std::uint32_t> pixels(layer.pixels(), layer.pixels() + count);
    std::string file = kept_layer_file(name, layer.width(), layer.height());
    if (!file.empty()) write_file(file, layer.width(), layer.height(), pixels);
    std::lock_guard guard(kept().lock);
    kept().layers[key_of(name, layer.width(), layer.height())] = std::move(pixels);
}

void forget_kept_layers()
{
    std::lock_guard guard(kept().lock);
    kept().layers.clear();
}

}  // namespace platform::shell
