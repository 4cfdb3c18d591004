#include "platform/registry/registry_key.h"

#include <algorithm>

#include "platform/kernel/case_fold.h"

namespace platform::registry {

// Names fold by the phone's one rule, so a key and a file of the same name
// agree on which letters are the same.
bool CaselessLess::operator()(std::u16string_view a, std::u16string_view b) const
{
    return compare_ignoring_case(a, b) < 0;
}

bool caseless_equal(std::u16string_view a, std::u16string_view b) { return equal_ignoring_case(a, b); }

std::size_t RegistryKey::depth() const
{
    std::size_t depth = 0;
    for (const RegistryKey* key = parent_; key; key = key->parent_) ++depth;
    return depth;
}

const RegistryValue* RegistryKey::find_value(std::u16string_view name) const
{
    auto it = values_.find(name);
    return it == values_.end() ? nullptr : &it->second;
}

void RegistryKey::set_value(std::u16string_view name, RegistryValue value)
{
    auto it = values_.find(name);
    if (it != values_.end())
        it->second = std::move(value);
    else
        values_.emplace(std::u16string(name), std::move(value));
}

bool RegistryKey::delete_value(std::u16string_view name)
{
    auto it = values_.find(name);
    if (it == values_.end()) return false;
    values_.erase(it);
    return true;
}

std::shared_ptr<RegistryKey> RegistryKey::find_subkey(std::u16string_view name) const
{
    auto it = subkeys_.find(name);
    return it == subkeys_.end() ? nullptr : it->second;
}

std::shared_ptr<RegistryKey> RegistryKey::create_subkey(std::u16string_view name, bool& created)
{
    auto it = subkeys_.find(name);
    if (it != subkeys_.end()) {
        created = false;
        return it->second;
    }
    auto key = std::make_shared<RegistryKey>(std::u16string(name), this);
    key->volatile_ = volatile_;
    subkeys_.emplace(key->name_, key);
    created = true;
    return key;
}

bool RegistryKey::delete_subkey(std::u16string_view name)
{
    auto it = subkeys_.find(name);
    if (it == subkeys_.end()) return false;
    auto key = std::move(it->second);
    subkeys_.erase(it);
    key->mark_subtree_deleted();
    return true;
}

void RegistryKey::mark_subtree_deleted()
{
    // An explicit work list: a deep tree must not exhaust the stack.
    std::vector<std::shared_ptr<RegistryKey>> pending;
    auto visit = [&pending](RegistryKey& key) {
        key.deleted_ = true;
        key.parent_ = nullptr;
        key.values_.clear();
        for (auto& [child_name, child] : key.subkeys_) pending.push_back(std::move(child));
        key.subkeys_.clear();
    };
    visit(*this);
    while (!pending.empty()) {
        auto key = std::move(pending.back());
        pending.pop_back();
        visit(*key);
    }
}

bool is_storable_name(std::u16string_view name)
{
    for (std::size_t i = 0; i < name.size(); ++i) {
        char16_t c = name[i];
        if (c == u'\r' || c == u'\n' || c == 0) return false;
        if (c >= 0xD800 && c < 0xDC00) {
            if (i + 1 >= name.size() || name[i + 1] < 0xDC00 || name[i + 1] >= 0xE000) return false;
            ++i;
        } else if (c >= 0xDC00 && c < 0xE000) {
            return false;
        }
    }
    return true;
}

bool split_key_path(std::u16string_view path, std::vector<std::u16string_view>& components)
{
    components.clear();
    if (!path.empty() && path.back() == u'\\') path.remove_suffix(1);
    if (path.empty()) return true;
    std::size_t start = 0;
    for (;;) {
        std::size_t end = path.find(u'\\', start);
        std::u16string_view part = path.substr(start, end == std::u16string_view::npos ? path.npos : end - start);
        if (part.empty() || part.size() > max_key_name_length || !is_storable_name(part)) return false;
        components.push_back(part);
        if (components.size() > max_key_depth) return false;
        if (end == std::u16string_view::npos) return true;
        start = end + 1;
    }
}

}  // namespace platform::registry
