// A picture drawn at its own size onto a 16-bit (565) or 32-bit bitmap, the
// way the shaver puts up its screens: rows converted straight into the DC's
// bitmap, with no staging bitmap and no blit pixel by pixel. It gives the
// same pixels as staging the picture and blitting it (StretchBlt for opaque
// pictures, AlphaBlend for pictures with alpha), the general path.
#pragma once

#include "platform/imaging/pixels.h"

namespace platform::imaging {

// Draws the source rectangle (pixels, inside the picture) with its top-left
// corner at dest (DC coordinates), clipped as the DC clips. False, with
// nothing drawn, when the DC's bitmap or the picture's format is not one
// this path covers.
bool draw_unscaled(HDC hdc, const Pixels& pixels, const RECT& source, POINT dest);

}  // namespace platform::imaging
