#include "phone_session.h"

#include <cstdlib>
#include <cstring>

#include "platform/files/device_root.h"
#include "platform/imaging/imaging_factory.h"
#include "platform/kernel/clock.h"
#include "platform/kernel/debug_output.h"
#include "platform/registry/registry_host.h"
#include "platform/user/host.h"

namespace ovfc_test {

bool PhoneSession::start(const std::filesystem::path& device_root, bool echo_trace)
{
    stop();
    root_ = device_root;
    if (!platform::files::set_device_root(root_)) return false;
    if (!platform::registry::load(registry_file()).ok) return false;
    platform::clock::reset(platform::clock::Mode::virtual_time, 0);
    // As the host does at start-up: the framework decodes its pictures
    // through the imaging factory it finds with CoCreateInstance.
    platform::imaging::register_factory();
    if (echo_trace)
        platform::debug_output::use_standard_error();
    else
        platform::debug_output::discard();
    capture_id_ = platform::debug_output::add_capture([this](std::string_view line) {
        std::lock_guard lock(mutex_);
        lines_.emplace_back(line);
    });
    started_ = true;
    return true;
}

void PhoneSession::stop()
{
    if (!started_) return;
    platform::user::set_idle_handler({});
    platform::user::shut_down_thread_windows();
    platform::debug_output::flush();
    platform::debug_output::remove_capture(capture_id_);
    platform::debug_output::use_standard_error();
    platform::registry::shutdown();
    started_ = false;
}

std::filesystem::path PhoneSession::registry_file() const { return root_ / "registry.reg"; }

std::vector<std::string> PhoneSession::trace() const
{
    std::lock_guard lock(mutex_);
    return lines_;
}

void PhoneSession::clear_trace()
{
    std::lock_guard lock(mutex_);
    lines_.clear();
}

std::filesystem::path make_temporary_folder(const char* prefix)
{
    std::string pattern = (std::filesystem::temp_directory_path() / (std::string(prefix) + "-XXXXXX")).string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!mkdtemp(buffer.data())) return {};
    return std::filesystem::path(buffer.data());
}

}  // namespace ovfc_test
