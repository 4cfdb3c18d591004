// The phone's programming interface, as code written for the phone includes it.
// Message queues (<msgqueue.h>) and COM (<objbase.h>) are companions included
// on their own, as on the phone.
#pragma once

// From the basic types up, each part after what it builds on.
// clang-format off
#include "wintypes.h"
#include "winerror.h"
#include "winbase.h"
#include "crtwide.h"
#include "fileapi.h"
#include "synchapi.h"
#include "libloaderapi.h"
#include "winreg.h"
#include "wingdi.h"
#include "winuser.h"
#include "wintext.h"
#include "mmsystem.h"
#include "winmain.h"
// clang-format on
