// A hive: the four root keys of one registry, the lock that guards them and
// the file they are saved to.
//
// The Reg* calls work on one process-wide hive (active_hive()); tests and the
// velmor-reg tool also make hives of their own.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "platform/registry/registry_key.h"

namespace platform::registry {

enum class RootKey { classes_root, current_user, local_machine, users };
constexpr std::array<RootKey, 4> all_root_keys = {
    RootKey::classes_root, RootKey::current_user, RootKey::local_machine, RootKey::users};

std::u16string_view root_key_name(RootKey root);
// "HKEY_LOCAL_MACHINE" and the like, without regard to case; with
// allow_short also "HKLM", "HKCU", "HKCR" and "HKU".
std::optional<RootKey> root_key_from_name(std::u16string_view name, bool allow_short = false);
// The root of a predefined handle value (0x80000000 to 0x80000003).
std::optional<RootKey> root_key_from_handle_value(std::uintptr_t value);

class Hive {
public:
    Hive();
    ~Hive();
    Hive(const Hive&) = delete;
    Hive& operator=(const Hive&) = delete;

    // Guards everything below; the accessors do not lock by themselves.
    std::mutex& mutex() const { return mutex_; }

    const std::shared_ptr<RegistryKey>& root(RootKey root) const { return roots_[static_cast<int>(root)]; }
    // The key at a path of components under a root, or null.
    std::shared_ptr<RegistryKey> find_key(RootKey root, std::u16string_view path) const;

    bool dirty() const { return dirty_; }
    void mark_dirty() { dirty_ = true; }
    void mark_clean() { dirty_ = false; }

    // The file flushes write to; empty for a hive kept only in memory.
    const std::filesystem::path& file() const { return file_; }
    void set_file(std::filesystem::path file) { file_ = std::move(file); }

    // Why flushes cannot save this hive (its file could not be set aside, so
    // writing would destroy it); empty when they can.
    const std::string& unsavable_reason() const { return unsavable_reason_; }
    void set_unsavable_reason(std::string reason) { unsavable_reason_ = std::move(reason); }

    // What this hive's file held when the hive last loaded or saved it, so
    // that a flush can tell its own changes from another writer's. The
    // digest is std::nullopt when the file did not exist then. The caller
    // holds the lock.
    void remember_saved_state(std::optional<std::uint64_t> digest);
    bool has_saved_state() const { return saved_roots_[0] != nullptr; }
    const std::optional<std::uint64_t>& saved_digest() const { return saved_digest_; }
    // Null without a saved state.
    const RegistryKey* saved_root(RootKey root) const { return saved_roots_[static_cast<int>(root)].get(); }

    // Takes over the keys of another hive (which is left empty). Keys of this
    // hive that are still open become deleted keys.
    void take_content(Hive& other);

private:
    mutable std::mutex mutex_;
    std::array<std::shared_ptr<RegistryKey>, 4> roots_;
    bool dirty_ = false;
    std::filesystem::path file_;
    std::string unsavable_reason_;
    std::array<std::shared_ptr<RegistryKey>, 4> saved_roots_;
    std::optional<std::uint64_t> saved_digest_;
};

// The digest a hive remembers of its file's bytes.
std::uint64_t hive_digest(std::string_view bytes);

// True when both hives hold the same keys (names compared with case) and
// values, volatile keys left out. The caller holds neither lock.
bool same_content(const Hive& a, const Hive& b);

}  // namespace platform::registry
