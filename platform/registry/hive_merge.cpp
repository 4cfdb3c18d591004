#include "platform/registry/hive_merge.h"

#include <string>
#include <vector>

// The trees are at most max_key_depth deep, so recursion stays shallow.

namespace platform::registry {
namespace {

const RegistryKey& empty_key()
{
    static const RegistryKey empty(u"");
    return empty;
}

bool saved_subkey(const std::shared_ptr<RegistryKey>& key) { return key && !key->is_volatile(); }

bool has_changes(const RegistryKey& base, const RegistryKey& ours)
{
    if (base.values() != ours.values()) return true;
    for (const auto& [name, key] : ours.subkeys()) {
        if (!saved_subkey(key)) continue;
        auto before = base.find_subkey(name);
        if (!before || has_changes(*before, *key)) return true;
    }
    for (const auto& [name, key] : base.subkeys())
        if (!saved_subkey(ours.find_subkey(name))) return true;
    return false;
}

}  // namespace

std::shared_ptr<RegistryKey> copy_tree(const RegistryKey& key)
{
    auto copy = std::make_shared<RegistryKey>(key.name());
    for (const auto& [name, value] : key.values()) copy->set_value(name, value);
    for (const auto& [name, subkey] : key.subkeys()) {
        if (!saved_subkey(subkey)) continue;
        bool created = false;
        assign_tree(*copy->create_subkey(subkey->name(), created), *subkey);
    }
    return copy;
}

void apply_changes(const RegistryKey& base, const RegistryKey& ours, RegistryKey& theirs)
{
    for (const auto& [name, value] : ours.values()) {
        const RegistryValue* before = base.find_value(name);
        if (!before || *before != value) theirs.set_value(name, value);
    }
    for (const auto& [name, value] : base.values())
        if (!ours.find_value(name)) theirs.delete_value(name);

    for (const auto& [name, key] : ours.subkeys()) {
        if (!saved_subkey(key)) continue;
        auto before = base.find_subkey(name);
        const RegistryKey& from = before ? *before : empty_key();
        auto target = theirs.find_subkey(name);
        if (!target) {
            // Gone from theirs: made again only for a change of ours in it
            // (or a key ours made).
            if (before && !has_changes(*before, *key)) continue;
            bool created = false;
            target = theirs.create_subkey(key->name(), created);
        }
        apply_changes(from, *key, *target);
    }
    for (const auto& [name, key] : base.subkeys())
        if (!saved_subkey(ours.find_subkey(name))) theirs.delete_subkey(name);
}

void assign_tree(RegistryKey& ours, const RegistryKey& target)
{
    std::vector<std::u16string> gone;
    for (const auto& [name, value] : ours.values())
        if (!target.find_value(name)) gone.push_back(name);
    for (const auto& name : gone) ours.delete_value(name);
    for (const auto& [name, value] : target.values()) ours.set_value(name, value);

    gone.clear();
    for (const auto& [name, key] : ours.subkeys())
        if (saved_subkey(key) && !target.find_subkey(name)) gone.push_back(name);
    for (const auto& name : gone) ours.delete_subkey(name);
    for (const auto& [name, key] : target.subkeys()) {
        if (!saved_subkey(key)) continue;
        bool created = false;
        assign_tree(*ours.create_subkey(key->name(), created), *key);
    }
}

}  // namespace platform::registry
