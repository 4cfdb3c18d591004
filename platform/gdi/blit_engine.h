// The one loop behind BitBlt, StretchBlt, PatBlt and MaskBlt: destination
// pixels inside the DC's drawable area are computed from a pattern, a sampled
// source pixel and the destination pixel by a raster operation.
#pragma once

#include <memory>
#include <vector>

#include "platform/gdi/dc.h"

namespace platform::gdi {

struct BlitRequest {
    DeviceContext* dest = nullptr;
    RECT dest_rect {};  // target coordinates, ordered
    DeviceContext* source = nullptr;  // null when the operation takes no source
    RECT source_rect {};  // target coordinates, ordered
    bool mirror_x = false;
    bool mirror_y = false;
    std::uint8_t foreground = 0xCC;  // raster operation where the mask is 1 (or everywhere)
    std::uint8_t background = 0xCC;  // where the mask is 0
    const Bitmap* mask = nullptr;
    POINT mask_origin {0, 0};
};

void run_blit(const BlitRequest& request);

// For each of dest_length destination pixels, the source index it samples
// (nearest neighbour through pixel centres), or -1 where that falls outside
// [limit_low, limit_high).
std::vector<int> sample_axis(
    int dest_length, int source_start, int source_length, bool mirror, int limit_low, int limit_high);

// The same, from a few recently built tables of this thread.
std::shared_ptr<const std::vector<int>> cached_sample_axis(
    int dest_length, int source_start, int source_length, bool mirror, int limit_low, int limit_high);

// Rectangle (x, y, x + w, y + h) with negative sizes turned round, and whether
// it was turned.
RECT normalised_rect(int x, int y, int w, int h, bool& flipped_x, bool& flipped_y);

}  // namespace platform::gdi
