// A name in the device root that keeps turning into a link out of the root
// and back into a plain file, as fast as the host can swap them, to catch
// opens that check a path and then open it again by name.
#pragma once

#include <fcntl.h>
#include <stdio.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

class LinkSwapper {
public:
    // place: the host path of the name inside the root, which holds
    // inside_bytes; outside: a host file outside the root, the link's target.
    LinkSwapper(
        const std::filesystem::path& place, const std::string& inside_bytes, const std::filesystem::path& outside)
        : place_(place)
        , spare_(place.parent_path() / (place.filename().string() + ".spare"))
    {
        std::ofstream(place_, std::ios::binary) << inside_bytes;
        std::filesystem::create_symlink(outside, spare_);
        thread_ = std::thread([this] {
            while (!stop_) {
                // One atomic exchange: the name is always either the file
                // or the link, never missing.
                if (::renameat2(AT_FDCWD, place_.c_str(), AT_FDCWD, spare_.c_str(), RENAME_EXCHANGE) == 0) ++swaps_;
            }
        });
    }
    ~LinkSwapper()
    {
        stop_ = true;
        thread_.join();
    }
    LinkSwapper(const LinkSwapper&) = delete;
    LinkSwapper& operator=(const LinkSwapper&) = delete;

    long swaps() const { return swaps_; }

private:
    std::filesystem::path place_;
    std::filesystem::path spare_;
    std::atomic<bool> stop_ {false};
    std::atomic<long> swaps_ {0};
    std::thread thread_;
};
