// A headless phone in this process, the way the host starts one: a device
// root, the registry loaded from its hive file, the clock in virtual time
// and the debug output captured line by line. Shared by the framework's
// tests and by the small framework programs they run.
#pragma once

#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

namespace ovfc_test {

class PhoneSession {
public:
    // Starts the phone on device_root (created if needed); the registry is
    // device_root/registry.reg, created from the shipped defaults when it is
    // missing. Trace lines also go to standard error when echo_trace is set.
    bool start(const std::filesystem::path& device_root, bool echo_trace = false);
    // Destroys the thread's windows, saves the registry and stops capturing.
    void stop();
    ~PhoneSession() { stop(); }

    std::filesystem::path registry_file() const;

    // The debug output's lines since start (or the last clear_trace).
    std::vector<std::string> trace() const;
    void clear_trace();

private:
    bool started_ = false;
    int capture_id_ = -1;
    std::filesystem::path root_;
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
};

// A new empty folder under the system's temporary folder.
std::filesystem::path make_temporary_folder(const char* prefix);

}  // namespace ovfc_test
