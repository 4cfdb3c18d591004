// The registry's tree in memory: keys with case-insensitive, case-preserving
// names, each holding typed values as raw bytes.
//
// Nothing here locks; the hive that owns a tree guards it with its mutex.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace platform::registry {

// Orders names without regard to case (simple case folding of the letters
// the system's names use), so lookups and the written order agree.
struct CaselessLess {
    using is_transparent = void;
    bool operator()(std::u16string_view a, std::u16string_view b) const;
};
bool caseless_equal(std::u16string_view a, std::u16string_view b);

struct RegistryValue {
    std::uint32_t type = 0;
    std::vector<std::uint8_t> data;

    bool operator==(const RegistryValue&) const = default;
};

// Keys deeper than this or names longer than these are refused, as on
// Windows; the limits also keep a hostile hive file from exhausting memory.
constexpr std::size_t max_key_depth = 512;
constexpr std::size_t max_key_name_length = 255;
constexpr std::size_t max_value_name_length = 16383;

class RegistryKey {
public:
    explicit RegistryKey(std::u16string name, RegistryKey* parent = nullptr)
        : name_(std::move(name))
        , parent_(parent)
    {
    }

    const std::u16string& name() const { return name_; }
    RegistryKey* parent() const { return parent_; }
    bool deleted() const { return deleted_; }
    // Volatile keys live until the hive is replaced but are never written out.
    bool is_volatile() const { return volatile_; }
    void set_volatile(bool value) { volatile_ = value; }
    std::size_t depth() const;

    using ValueMap = std::map<std::u16string, RegistryValue, CaselessLess>;
    using KeyMap = std::map<std::u16string, std::shared_ptr<RegistryKey>, CaselessLess>;
    const ValueMap& values() const { return values_; }
    const KeyMap& subkeys() const { return subkeys_; }

    const RegistryValue* find_value(std::u16string_view name) const;
    // Keeps the case of an existing name; a new name is stored as given.
    void set_value(std::u16string_view name, RegistryValue value);
    bool delete_value(std::u16string_view name);

    std::shared_ptr<RegistryKey> find_subkey(std::u16string_view name) const;
    // The subkey of that name, created when missing; created tells which.
    std::shared_ptr<RegistryKey> create_subkey(std::u16string_view name, bool& created);
    // Detaches the subkey and marks its whole subtree deleted, so handles
    // still open on it report the deletion. False when there is none.
    bool delete_subkey(std::u16string_view name);
    // Marks this key and everything below it deleted and empties them.
    void mark_subtree_deleted();

private:
    std::u16string name_;
    RegistryKey* parent_;
    bool deleted_ = false;
    bool volatile_ = false;
    ValueMap values_;
    KeyMap subkeys_;
};

// Whether a name can be stored and written back to the hive file: no line
// breaks (they would split a line of the file) and no unpaired surrogates
// (they have no UTF-8 form).
bool is_storable_name(std::u16string_view name);

// Splits "A\B\C" into its components. A trailing backslash is ignored;
// a leading one, an empty component, an overlong or unstorable name, or more
// than max_key_depth components give false.
bool split_key_path(std::u16string_view path, std::vector<std::u16string_view>& components);

}  // namespace platform::registry
