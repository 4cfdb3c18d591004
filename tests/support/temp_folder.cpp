#include "tests/support/temp_folder.h"

#include <stdlib.h>

#include <system_error>
#include <utility>
#include <vector>

namespace velmor_test {

TempFolder::TempFolder(const std::string& prefix)
{
    std::string pattern = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    if (!mkdtemp(buffer.data())) return;
    std::error_code error;
    path_ = std::filesystem::canonical(buffer.data(), error);
    if (error) path_ = buffer.data();
}

TempFolder::~TempFolder() { remove(); }

TempFolder::TempFolder(TempFolder&& other) noexcept
    : path_(std::exchange(other.path_, {}))
    , keep_(other.keep_)
{
}

TempFolder& TempFolder::operator=(TempFolder&& other) noexcept
{
    if (this != &other) {
        remove();
        path_ = std::exchange(other.path_, {});
        keep_ = other.keep_;
    }
    return *this;
}

void TempFolder::remove()
{
    if (path_.empty() || keep_) return;
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
    path_.clear();
}

}  // namespace velmor_test
