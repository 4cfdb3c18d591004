#include "ovfc/core/ov_layer_hooks.h"

#include <array>
#include <cstddef>

namespace {

// Constant-initialised, so a layer may install itself from a static
// constructor whatever order the program's static constructors run in.
constinit OvWindowAnimator g_animator = nullptr;

// One hook per layer above the core; a handful is plenty.
constexpr std::size_t kMaxExitHooks = 8;
constinit std::array<OvExitHook, kMaxExitHooks> g_exitHooks {};
constinit std::size_t g_exitHookCount = 0;

}  // namespace

void OvSetWindowAnimator(OvWindowAnimator animator) { g_animator = animator; }

OvWindowAnimator OvGetWindowAnimator() { return g_animator; }

bool OvAddExitHook(OvExitHook hook)
{
    if (!hook) return false;
    for (std::size_t i = 0; i < g_exitHookCount; ++i) {
        if (g_exitHooks[i] == hook) return true;
    }
    if (g_exitHookCount == kMaxExitHooks) return false;
    g_exitHooks[g_exitHookCount++] = hook;
    return true;
}

void OvRunExitHooks()
{
    for (std::size_t i = 0; i < g_exitHookCount; ++i) g_exitHooks[i]();
}
