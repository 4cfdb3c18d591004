// Stream devices ("ACC0:", "IRD1:", the "$bus\..." and "$device\..." names)
// share CreateFileW with files, but they are drivers, not files. The devices
// area installs an opener here; until one is installed they do not exist.
#pragma once

#include <functional>
#include <string_view>

#include "platform/include/wintypes.h"

namespace platform::files {

// Opens a device for CreateFileW. Returns a handle, or INVALID_HANDLE_VALUE
// after SetLastError.
using DeviceOpener = std::function<HANDLE(
    std::u16string_view name, DWORD access, DWORD share, DWORD disposition, DWORD flags_and_attributes)>;

// Replaces the opener; an empty function removes it.
void set_device_opener(DeviceOpener opener);

// True for names CreateFileW hands to the device opener: three letters, a
// digit and a colon ("ACC0:"), or a name in the "$bus" or "$device"
// namespaces, with or without a leading backslash.
bool is_device_name(std::u16string_view name);

// Runs the installed opener; ERROR_FILE_NOT_FOUND without one.
HANDLE open_device(std::u16string_view name, DWORD access, DWORD share, DWORD disposition, DWORD flags_and_attributes);

}  // namespace platform::files
