#include "platform/loader/module_registry.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <system_error>

#include "platform/files/case_fold.h"
#include "platform/files/device_root.h"
#include "platform/files/rooted_file.h"
#include "platform/include/winerror.h"
#include "platform/kernel/handle_table.h"
#include "platform/kernel/utf.h"

namespace platform::loader {

namespace {

// Module handles look like the base addresses Windows hands out: multiples of
// 64 KB. The program's own module has the first one.
constexpr std::uint32_t program_module_value = 0x00010000;
constexpr std::uint32_t first_library_value = 0x00020000;
constexpr std::uint32_t module_value_step = 0x00010000;

// Larger files are refused rather than read: no resource library of the
// phone comes close, and a stray huge file should not exhaust memory.
constexpr std::uintmax_t max_library_bytes = 256u << 20;

struct Registry {
    std::mutex mutex;
    HandleTable<Module> modules {first_library_value, module_value_step};
    HandleTable<ResourceRef> resources {0x100, 4};
    std::map<std::string, std::uint32_t> by_host_key;
    std::u16string program_path = u"\\Program Files\\Velmor\\Velmor.exe";
    std::shared_ptr<Module> program = std::make_shared<Module>(program_path);
    std::function<void(const std::string&)> reporter = [](const std::string& message) {
        std::fprintf(stderr, "velmor: %s\n", message.c_str());
    };
};

Registry& registry()
{
    static Registry* instance = new Registry;  // outlives static destructors that free libraries
    return *instance;
}

std::u16string folder_of(std::u16string_view path)
{
    auto slash = path.find_last_of(u'\\');
    return std::u16string(slash == std::u16string_view::npos ? std::u16string_view() : path.substr(0, slash));
}

bool has_separator(std::u16string_view name) { return name.find_first_of(u"\\/") != std::u16string_view::npos; }

// Windows adds ".dll" to a file name without an extension; a trailing dot
// says "no extension, add none".
std::u16string with_default_extension(std::u16string_view name)
{
    auto start = name.find_last_of(u"\\/");
    auto file = start == std::u16string_view::npos ? name : name.substr(start + 1);
    if (!file.empty() && file.back() == u'.') return std::u16string(name.substr(0, name.size() - 1));
    if (file.find(u'.') == std::u16string_view::npos) return std::u16string(name) + u".dll";
    return std::u16string(name);
}

std::vector<std::u16string> candidates_for(std::u16string_view name, const std::u16string& program_path)
{
    std::u16string file = with_default_extension(name);
    if (has_separator(name)) return {file};
    return {folder_of(program_path) + u"\\" + file, u"\\Windows\\" + file};
}

std::string join(const std::vector<std::u16string>& paths)
{
    std::string text;
    for (const auto& path : paths) text += (text.empty() ? "" : ", ") + to_utf8(path);
    return text;
}

void release_locked(Registry& r, std::uint32_t value, const std::shared_ptr<Module>& module)
{
    r.modules.remove(value);
    r.by_host_key.erase(module->host_key);
    for (auto handle : module->resource_handles)
        if (handle) r.resources.remove(handle);
    module->resource_handles.clear();
}

}  // namespace

Module::Module(std::u16string path)
    : ce_path(std::move(path))
{
}

Module::Module(std::u16string path, std::string key, std::vector<std::uint8_t> image)
    : ce_path(std::move(path))
    , host_key(std::move(key))
    , bytes(std::move(image))
{
}

void set_program_path(std::u16string ce_path)
{
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    r.program_path = std::move(ce_path);
    r.program = std::make_shared<Module>(r.program_path);
}

std::u16string program_path()
{
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    return r.program_path;
}

HMODULE program_module() { return handle_from_value<HMODULE>(program_module_value); }

Result<HMODULE> load_module(std::u16string_view name, DWORD* win32_error)
{
    auto& r = registry();
    std::unique_lock lock(r.mutex);
    auto fail = [&](DWORD code, std::string message) -> Result<HMODULE> {
        if (win32_error) *win32_error = code;
        if (code == ERROR_BAD_EXE_FORMAT && r.reporter) {
            auto reporter = r.reporter;
            lock.unlock();
            reporter(message);
        }
        return Failure {std::move(message)};
    };
    if (name.empty()) return fail(ERROR_INVALID_PARAMETER, "LoadLibrary was given an empty name");

    auto candidates = candidates_for(name, r.program_path);
    std::optional<files::RootedFile> file;
    std::u16string ce_path;
    std::string refused;
    for (const auto& candidate : candidates) {
        DWORD open_error = 0;
        auto opened = files::RootedFile::open(candidate, &open_error);
        if (opened) {
            file = std::move(*opened);
            ce_path = candidate;
            break;
        }
        if (open_error != ERROR_FILE_NOT_FOUND && open_error != ERROR_PATH_NOT_FOUND && refused.empty())
            refused = "; " + to_utf8(candidate) + ": " + opened.failure().text();
    }
    if (!file)
        return fail(ERROR_MOD_NOT_FOUND,
            "library " + to_utf8(name) + " not found (looked for " + join(candidates) + ")" + refused);

    // One module per file, whatever name or link led to it.
    std::string key = file->identity();
    if (auto it = r.by_host_key.find(key); it != r.by_host_key.end()) {
        if (auto module = r.modules.find(it->second)) {
            ++module->references;
            return handle_from_value<HMODULE>(it->second);
        }
    }

    if (file->size() > max_library_bytes)
        return fail(ERROR_BAD_EXE_FORMAT, to_utf8(ce_path) + ": the file is larger than 256 MB");
    auto bytes = file->read_all(max_library_bytes);
    if (!bytes) return fail(ERROR_BAD_EXE_FORMAT, to_utf8(ce_path) + ": " + bytes.failure().text());
    if (auto shown = files::ce_path_of(file->host_path())) ce_path = *shown;
    auto module = std::make_shared<Module>(ce_path, key, std::move(*bytes));
    // Read from the module's own copy of the bytes, which the reader refers
    // into for as long as the module lives.
    auto reader = PeReader::read(module->bytes);
    if (!reader)
        return fail(
            ERROR_BAD_EXE_FORMAT, to_utf8(ce_path) + ": not a valid resource library: " + reader.failure().text());
    module->reader = std::make_unique<const PeReader>(std::move(*reader));
    module->references = 1;
    module->resource_handles.assign(module->reader->resources().size(), 0);
    std::uint32_t value = r.modules.insert(module);
    r.by_host_key[key] = value;
    return handle_from_value<HMODULE>(value);
}

bool free_module(HMODULE handle)
{
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    std::uint32_t value = handle_value(handle);
    if (value == program_module_value) return true;
    auto module = r.modules.find(value);
    if (!module) return false;
    if (--module->references == 0) release_locked(r, value, module);
    return true;
}

std::shared_ptr<Module> find_module(HMODULE handle)
{
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    std::uint32_t value = handle_value(handle);
    if (handle == nullptr || value == program_module_value) return r.program;
    if (value == 0) return nullptr;
    return r.modules.find(value);
}

HMODULE find_module_by_name(std::u16string_view name)
{
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    std::u16string wanted = with_default_extension(name);
    bool by_path = has_separator(name);
    auto matches = [&](const std::u16string& path) {
        if (by_path) {
            std::u16string normalised = wanted;
            for (auto& c : normalised)
                if (c == u'/') c = u'\\';
            if (!normalised.empty() && normalised[0] != u'\\') normalised.insert(0, 1, u'\\');
            return files::equal_ignoring_case(path, normalised);
        }
        auto slash = path.find_last_of(u'\\');
        return files::equal_ignoring_case(slash == std::u16string::npos ? path : path.substr(slash + 1), wanted);
    };
    if (matches(r.program_path)) return handle_from_value<HMODULE>(program_module_value);
    for (const auto& [value, module] : r.modules.snapshot())
        if (matches(module->ce_path)) return handle_from_value<HMODULE>(value);
    return nullptr;
}

HRSRC resource_handle(HMODULE handle, std::size_t index)
{
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    auto module = r.modules.find(handle_value(handle));
    if (!module || index >= module->resource_handles.size()) return nullptr;
    auto& value = module->resource_handles[index];
    if (value == 0) value = r.resources.insert(std::make_shared<ResourceRef>(ResourceRef {module, index}));
    return handle_from_value<HRSRC>(value);
}

std::shared_ptr<Module> find_resource(HRSRC resource, std::size_t* index)
{
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    auto ref = r.resources.find(handle_value(resource));
    if (!ref) return nullptr;
    auto module = ref->module.lock();
    if (module && index) *index = ref->index;
    return module;
}

void set_load_error_reporter(std::function<void(const std::string&)> reporter)
{
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    r.reporter = std::move(reporter);
}

void unload_all_modules()
{
    auto& r = registry();
    std::lock_guard lock(r.mutex);
    for (const auto& [value, module] : r.modules.snapshot()) release_locked(r, value, module);
}

}  // namespace platform::loader
