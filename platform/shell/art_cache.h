// Finished art kept in the process and in the device root, so the home screen is computed once per phone
// instead of pixel by pixel at every start. Files are keyed by name, size and version (a digest of the code
// that draws the art, so changed art is never taken from an old file), read in one call straight into the
// art's pixels, checked with a cheap checksum, and written whole or not at all; a missing, short, foreign or
// damaged file is drawn anew. Keeping a new version of some art removes the older ones.
#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/shell/argb_layer.h"
#include "platform/shell/screen_picture.h"

namespace platform::shell {

// Paints a fresh, transparent layer with the art.
using LayerPainter = std::function<void(ArgbLayer& layer)>;

// The layer kept under the name at that size: the process's copy, else the device root's file, else one
// painted now and kept in both. Null only when no layer of that size can be made. The layer is shared and
// must not be drawn on.
std::shared_ptr<const ArgbLayer> kept_layer(std::string_view name, int width, int height, const LayerPainter& paint);

// Paints a fresh, black picture.
using PicturePainter = std::function<void(ScreenPicture& picture)>;

// The same for a finished picture in the screen's format. What it shows depends on more than the shell's own
// soft shapes (text, GDI), so the caller gives its version: whatever else it depends on, digested.
std::shared_ptr<const ScreenPicture> kept_picture(
    std::string_view name, std::string_view version, int width, int height, const PicturePainter& paint);

// Keeps the layer's pixels under the name, in the process and (when there is a device root) in a file.
void keep_layer(std::string_view name, const ArgbLayer& layer);

// Forgets what the process keeps, so the next kept_layer reads the file (for tests and benchmarks).
void forget_kept_layers();

// Where the layer or the picture of that name and size is kept under the device root ("" without a device
// root).
std::string kept_layer_file(std::string_view name, int width, int height);
std::string kept_picture_file(std::string_view name, std::string_view version, int width, int height);

// A file of that name beside the kept art ("" without a device root).
std::filesystem::path kept_art_file(std::string_view name);

// The bytes of such a file: a header, the pixels and the checksum.
std::size_t kept_layer_file_size(int width, int height);
std::size_t kept_picture_file_size(int width, int height);

}  // namespace platform::shell
