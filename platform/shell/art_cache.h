// Finished art layers kept in the process and in the device root, so the soft shapes of the home screen are
// computed once per phone instead of pixel by pixel at every start. Files are keyed by name, size and the
// art's key (a digest of the code that draws it, so changed art is never taken from an old file), checked
// with a checksum, and written whole or not at all; a missing, short or damaged file is drawn anew.
#pragma once

#include <string_view>

#include "platform/shell/argb_layer.h"

namespace platform::shell {

// Fills the layer with the pixels kept under the name for its size; false when there are none.
bool restore_layer(std::string_view name, ArgbLayer& layer);

// Keeps the layer's pixels under the name, in the process and (when there is a device root) in a file.
void keep_layer(std::string_view name, const ArgbLayer& layer);

// Forgets what the process keeps, so the next restore reads the file (for tests).
void forget_kept_layers();

// Where the layer of that name and size is kept under the device root ("" without a device root).
std::string kept_layer_file(std::string_view name, int width, int height);

}  // namespace platform::shell
