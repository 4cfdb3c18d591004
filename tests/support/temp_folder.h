// A fresh folder under the system's temporary folder for one test (a device
// root, a recording, files to read back), removed with everything in it when
// the object goes.
#pragma once

#include <filesystem>
#include <string>

namespace velmor_test {

class TempFolder {
public:
    // prefix starts the folder's name ("ovfc-phone" gives
    // /tmp/ovfc-phone-XXXXXX). path() is empty when no folder could be made.
    explicit TempFolder(const std::string& prefix = "velmor-test");
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    TempFolder(TempFolder&& other) noexcept;
    TempFolder& operator=(TempFolder&& other) noexcept;

    // The folder, canonical (no symbolic links), so paths the system under
    // test returns compare equal to it.
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::filesystem::path& relative) const { return path_ / relative; }
    bool made() const { return !path_.empty(); }

    // Leaves the folder in place when the object goes (to look at a failure).
    void keep() { keep_ = true; }

private:
    void remove();

    std::filesystem::path path_;
    bool keep_ = false;
};

}  // namespace velmor_test
