#include "platform/registry/hive.h"

#include <utility>
#include <vector>

#include "platform/registry/hive_merge.h"

namespace platform::registry {
namespace {

constexpr std::array<std::u16string_view, 4> long_names = {
    u"HKEY_CLASSES_ROOT", u"HKEY_CURRENT_USER", u"HKEY_LOCAL_MACHINE", u"HKEY_USERS"};
constexpr std::array<std::u16string_view, 4> short_names = {u"HKCR", u"HKCU", u"HKLM", u"HKU"};

std::array<std::shared_ptr<RegistryKey>, 4> make_roots()
{
    std::array<std::shared_ptr<RegistryKey>, 4> roots;
    for (std::size_t i = 0; i < roots.size(); ++i)
        roots[i] = std::make_shared<RegistryKey>(std::u16string(long_names[i]));
    return roots;
}

bool same_key(const RegistryKey& a, const RegistryKey& b)
{
    std::vector<std::pair<const RegistryKey*, const RegistryKey*>> pending = {{&a, &b}};
    while (!pending.empty()) {
        auto [x, y] = pending.back();
        pending.pop_back();
        if (x->name() != y->name() || x->values().size() != y->values().size()) return false;
        for (auto xi = x->values().begin(), yi = y->values().begin(); xi != x->values().end(); ++xi, ++yi)
            if (xi->first != yi->first || xi->second != yi->second) return false;
        std::vector<const RegistryKey*> xs, ys;
        for (auto& [name, key] : x->subkeys())
            if (!key->is_volatile()) xs.push_back(key.get());
        for (auto& [name, key] : y->subkeys())
            if (!key->is_volatile()) ys.push_back(key.get());
        if (xs.size() != ys.size()) return false;
        for (std::size_t i = 0; i < xs.size(); ++i) pending.emplace_back(xs[i], ys[i]);
    }
    return true;
}

}  // namespace

std::u16string_view root_key_name(RootKey root) { return long_names[static_cast<int>(root)]; }

std::optional<RootKey> root_key_from_name(std::u16string_view name, bool allow_short)
{
    for (RootKey root : all_root_keys) {
        if (caseless_equal(name, long_names[static_cast<int>(root)])) return root;
        if (allow_short && caseless_equal(name, short_names[static_cast<int>(root)])) return root;
    }
    return std::nullopt;
}

std::optional<RootKey> root_key_from_handle_value(std::uintptr_t value)
{
    if (value >= 0x80000000u && value <= 0x80000003u) return static_cast<RootKey>(value - 0x80000000u);
    return std::nullopt;
}

Hive::Hive()
    : roots_(make_roots())
{
}

Hive::~Hive()
{
    for (auto& root : roots_) root->mark_subtree_deleted();
}

std::shared_ptr<RegistryKey> Hive::find_key(RootKey root_key, std::u16string_view path) const
{
    std::vector<std::u16string_view> components;
    if (!split_key_path(path, components)) return nullptr;
    std::shared_ptr<RegistryKey> key = root(root_key);
    for (auto component : components) {
        key = key->find_subkey(component);
        if (!key) return nullptr;
    }
    return key;
}

void Hive::take_content(Hive& other)
{
    for (auto& root : roots_) root->mark_subtree_deleted();
    roots_ = std::exchange(other.roots_, make_roots());
}

void Hive::remember_saved_state(std::optional<std::uint64_t> digest)
{
    for (std::size_t i = 0; i < roots_.size(); ++i) saved_roots_[i] = copy_tree(*roots_[i]);
    saved_digest_ = digest;
}

std::uint64_t hive_digest(std::string_view bytes)
{
    // FNV-1a: enough to notice that another writer replaced the file.
    std::uint64_t digest = 0xCBF29CE484222325ull;
    for (char byte : bytes) {
        digest ^= static_cast<unsigned char>(byte);
        digest *= 0x100000001B3ull;
    }
    return digest;
}

bool same_content(const Hive& a, const Hive& b)
{
    if (&a == &b) return true;
    std::scoped_lock lock(a.mutex(), b.mutex());
    for (RootKey root : all_root_keys)
        if (!same_key(*a.root(root), *b.root(root))) return false;
    return true;
}

}  // namespace platform::registry
