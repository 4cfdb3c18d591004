// The accelerometer "ACC0:", opened with a count so that nested users share
// one handle, and read on demand as three signed bytes.
#pragma once

#include <windows.h>

// Opens the driver on the first call (and tells it the "AccMessage" number
// once); later calls only count. FALSE, with a log line, when it cannot open.
BOOL AccOpen();
// Undoes one AccOpen; the last one closes the driver.
void AccClose();
// The current acceleration. FALSE when the driver is not open or the read
// fails; the outputs are 0 then.
BOOL AccRead(signed char* x, signed char* y, signed char* z);
