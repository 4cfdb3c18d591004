// Finished art layers kept in the process and in the device root, so the soft shapes of the home screen are
// computed once per phone instead of pixel by pixel at every start. Files are keyed by name, size and the
// art's key (a digest of the code that draws it, so changed art is never taken from an old file), read in
// one call straight into the layer, checked with a cheap checksum, and written whole or not at all; a
// missing, short, foreign or damaged file is drawn anew.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/shell/argb_layer.h"

namespace platform::shell {

// Paints a fresh, transparent layer with the art.
using LayerPainter = std::function<void(ArgbLayer& layer)>;

// The layer kept under the name at that size: the process's copy, else the device root's file, else one
// painted now and kept in both. Null only when no layer of that size can be made. The layer is shared and
// must not be drawn on.
std::shared_ptr<const ArgbLayer> kept_layer(std::string_view name, int width, int height, const LayerPainter& paint);

// Keeps the layer's pixels under the name, in the process and (when there is a device root) in a file.
void keep_layer(std::string_view name, const ArgbLayer& layer);

// Forgets what the process keeps, so the next kept_layer reads the file (for tests and benchmarks).
void forget_kept_layers();

// Where the layer of that name and size is kept under the device root ("" without a device root).
std::string kept_layer_file(std::string_view name, int width, int height);

// The bytes of such a file for a layer of that size: a header, the pixels and the checksum.
std::size_t kept_layer_file_size(int width, int height);

}  // namespace platform::shell
