// Bringing one writer's changes into a hive file another writer changed.
//
// A writer remembers the tree it last loaded or saved (the base). When the
// file has changed since, its own changes are the difference between the
// base and its tree now; they are applied to the tree the file holds, and
// the writer's tree is then brought to the result in place, so the keys
// both kept stay the same objects and handles open on them stay valid.
#pragma once

#include <memory>

#include "platform/registry/registry_key.h"

namespace platform::registry {

// A deep copy of a key's tree without its volatile keys.
std::shared_ptr<RegistryKey> copy_tree(const RegistryKey& key);

// Applies to theirs what changed from base to ours: values set or deleted,
// keys made or deleted. A key theirs deleted is made again only when ours
// changed something in it.
void apply_changes(const RegistryKey& base, const RegistryKey& ours, RegistryKey& theirs);

// Makes ours hold what target holds, keeping its volatile keys and the
// objects of the keys both have.
void assign_tree(RegistryKey& ours, const RegistryKey& target);

}  // namespace platform::registry
