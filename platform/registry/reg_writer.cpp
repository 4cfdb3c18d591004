// Writing .reg text. The output is canonical (keys depth first in name
// order, values in name order, fixed wrapping), so a hive saved twice gives
// the same bytes and a file diff shows only what changed.
#include <cstdio>

#include "platform/kernel/utf.h"
#include "platform/registry/reg_text.h"

namespace platform::registry {
namespace {

constexpr std::uint32_t reg_sz = 1;
constexpr std::uint32_t reg_binary = 3;
constexpr std::uint32_t reg_dword = 4;
constexpr std::size_t wrap_column = 76;

std::u16string units_of(const std::vector<std::uint8_t>& data)
{
    std::u16string units(data.size() / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i)
        units[i] = static_cast<char16_t>(data[2 * i] | (data[2 * i + 1] << 8));
    return units;
}

// A REG_SZ is written as "text" only when reading that text gives back the
// very same bytes: one terminating zero, no other zero, nothing that breaks
// the line, valid UTF-16.
bool writable_as_string(const RegistryValue& value)
{
    if (value.type != reg_sz || value.data.size() < 2 || value.data.size() % 2 != 0) return false;
    std::u16string units = units_of(value.data);
    if (units.back() != 0) return false;
    units.pop_back();
    return is_storable_name(units);
}

void append_quoted_text(std::string& out, std::u16string_view text)
{
    std::u16string escaped;
    for (char16_t c : text) {
        if (c == u'\\' || c == u'"') escaped += u'\\';
        escaped += c;
    }
    out += '"';
    out += to_utf8(escaped);
    out += '"';
}

void append_value(std::string& out, std::u16string_view name, const RegistryValue& value)
{
    std::size_t line_start = out.size();
    if (name.empty())
        out += '@';
    else
        append_quoted_text(out, name);
    out += '=';
    if (writable_as_string(value)) {
        std::u16string units = units_of(value.data);
        units.pop_back();
        append_quoted_text(out, units);
    } else if (value.type == reg_dword && value.data.size() == 4) {
        char digits[16];
        std::snprintf(digits, sizeof digits, "dword:%08x",
            static_cast<unsigned>(value.data[0] | (value.data[1] << 8) | (value.data[2] << 16) |
                (static_cast<std::uint32_t>(value.data[3]) << 24)));
        out += digits;
    } else {
        char prefix[24];
        if (value.type == reg_binary)
            std::snprintf(prefix, sizeof prefix, "hex:");
        else
            std::snprintf(prefix, sizeof prefix, "hex(%x):", static_cast<unsigned>(value.type));
        out += prefix;
        for (std::size_t i = 0; i < value.data.size(); ++i) {
            char byte[4];
            std::snprintf(byte, sizeof byte, "%02x", value.data[i]);
            out += byte;
            if (i + 1 == value.data.size()) break;
            out += ',';
            if (out.size() - line_start >= wrap_column) {
                out += "\\\n  ";
                line_start = out.size() - 2;
            }
        }
    }
    out += '\n';
}

void append_key(std::string& out, const RegistryKey& top, std::u16string_view top_path)
{
    // Depth first with an explicit stack; children are pushed in reverse so
    // they come out in name order.
    std::vector<std::pair<const RegistryKey*, std::u16string>> pending;
    pending.emplace_back(&top, std::u16string(top_path));
    while (!pending.empty()) {
        auto [key, path] = std::move(pending.back());
        pending.pop_back();
        // A root key always exists; it needs a section only for its values.
        if (key->parent() != nullptr || !key->values().empty()) {
            out += '[';
            out += to_utf8(path);
            out += "]\n";
            for (const auto& [name, value] : key->values()) append_value(out, name, value);
            out += '\n';
        }
        for (auto it = key->subkeys().rbegin(); it != key->subkeys().rend(); ++it) {
            if (it->second->is_volatile()) continue;
            pending.emplace_back(it->second.get(), path + u'\\' + it->second->name());
        }
    }
}

}  // namespace

std::string write_reg_text(const Hive& hive)
{
    std::string out(reg_file_header);
    out += "\n\n";
    for (RootKey root : all_root_keys) append_key(out, *hive.root(root), root_key_name(root));
    return out;
}

std::string write_reg_text(const RegistryKey& key, std::u16string_view path)
{
    std::string out(reg_file_header);
    out += "\n\n";
    append_key(out, key, path);
    return out;
}

}  // namespace platform::registry
