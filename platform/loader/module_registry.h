// The modules of the phone's process: the program itself and the resource
// libraries loaded from the device root.
//
// On the phone every library the system loads is a resource-only DLL, so a
// module here is the file's bytes kept in memory together with their parsed
// resource tree; nothing is ever executed. Module handles are small values
// from a table, reference counted per file: loading the same file again gives
// the same handle, and the bytes stay put until the last FreeLibrary, so
// pointers handed out by LockResource remain valid that long.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/include/wintypes.h"
#include "platform/kernel/result.h"
#include "platform/loader/pe_reader.h"

namespace platform::loader {

struct Module {
    // The program's own module: a name without resources.
    explicit Module(std::u16string path);
    // A library read from a file, its reader still to be set.
    Module(std::u16string path, std::string key, std::vector<std::uint8_t> image);

    const std::u16string ce_path;
    const std::string host_key;  // the file's host identity (device and inode): one module per file
    const std::vector<std::uint8_t> bytes;
    // Null for the program's module, which has no resource directory. Set
    // once, before the module is shared, and refers into bytes.
    std::unique_ptr<const PeReader> reader;

    // Guarded by the registry's lock.
    int references = 0;
    std::vector<std::uint32_t> resource_handles;  // 0 until a resource is first found
};

// What a resource handle (HRSRC) stands for.
struct ResourceRef {
    std::weak_ptr<Module> module;
    std::size_t index = 0;  // into module->reader()->resources()
};

// The program's path, "\Program Files\Velmor\Velmor.exe" unless the host sets
// another; its folder is searched first for bare library names.
void set_program_path(std::u16string ce_path);
std::u16string program_path();
HMODULE program_module();

// Loads (or references again) a library. A name without a path is looked for
// in the program's folder, then in \Windows; ".dll" is added to a name
// without an extension. A failure names the file and says why; the Win32
// error for the caller's SetLastError goes to *win32_error.
Result<HMODULE> load_module(std::u16string_view name, DWORD* win32_error = nullptr);

// Drops one reference; the last one unloads the module. False for an unknown
// handle.
bool free_module(HMODULE module);

// The module behind a handle (the program's for null), or null.
std::shared_ptr<Module> find_module(HMODULE module);
// A loaded module by path or by file name, without taking a reference.
HMODULE find_module_by_name(std::u16string_view name);

// The handle of a found resource, stable while the module stays loaded.
HRSRC resource_handle(HMODULE module, std::size_t index);
std::shared_ptr<Module> find_resource(HRSRC resource, std::size_t* index);

// Where the loader reports malformed libraries, by default standard error.
// A missing library is not reported: callers probe for optional ones.
void set_load_error_reporter(std::function<void(const std::string&)> reporter);

// Unloads every library regardless of references (for the host's shutdown
// and for tests).
void unload_all_modules();

}  // namespace platform::loader
