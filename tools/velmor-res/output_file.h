// Writing the tool's outputs so that a failure never leaves a broken file
// behind: the bytes go to a temporary file beside the target, which is
// flushed and then renamed over it.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>

namespace velmor_res {

// False with error (naming the file) when the file cannot be written; the
// previous file, if any, is then left as it was.
bool write_file_atomically(const std::filesystem::path& file, std::span<const std::uint8_t> bytes, std::string& error);

}  // namespace velmor_res
