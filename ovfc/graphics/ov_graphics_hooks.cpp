// Joins the graphics layer to the core: the window animation COvWnd plays
// and the release of what this layer shares, run by the application's
// ExitInstance. The build keeps this file in every program that links the
// layer (it names ovfc_graphics_link_anchor as undefined), so the static
// installer below always runs.
#include "ovfc/core/ov_layer_hooks.h"
#include "ovfc/graphics/ov_animate.h"
#include "ovfc/graphics/ov_dc_helpers.h"
#include "ovfc/graphics/ov_font.h"
#include "ovfc/graphics/ov_image.h"
#include "ovfc/graphics/ov_shapes.h"

namespace {

// Nothing draws after this, so the caches, the imaging factory and the
// platform resource module go, in this order, before the static destructors
// run.
void ReleaseSharedGraphics()
{
    ReleaseImageCache();
    ReleaseImagingFactory();
    OvFreePlatformResModule();
    DeleteImageCache();
    OvReleaseFonts();
    OvReleaseCornerMasks();
}

struct GraphicsInstaller {
    GraphicsInstaller()
    {
        OvSetWindowAnimator(&OvAnimateWindow);
        OvAddExitHook(&ReleaseSharedGraphics);
    }
};

const GraphicsInstaller g_installer;

}  // namespace

extern "C" void ovfc_graphics_link_anchor() { }
