// SystemParametersInfoW: the settings the phone's system answers, and the
// host's hooks to set them up.
#pragma once

#include <functional>
#include <string>

#include "platform/include/winbase.h"

namespace platform::system_parameters {

// The device's identification string (SPI_GETOEMINFO, SPI_GETPLATFORMNAME);
// "Velmor Phone" unless the host says otherwise.
void set_device_identification(std::u16string text);
std::u16string device_identification();

// The font-smoothing contrast, 1000-2200 (1400 at start).
UINT font_smoothing_contrast();

// Lets another part of the platform answer an action (for example the
// window system's work area). The handler sees the call's arguments and
// returns its result, setting the last error itself on failure. A handler
// for an action this file already answers replaces it.
using Handler = std::function<BOOL(UINT uiParam, PVOID pvParam, UINT fWinIni)>;
void register_action(UINT action, Handler handler);

}  // namespace platform::system_parameters
