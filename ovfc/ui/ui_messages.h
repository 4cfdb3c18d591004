// The framework's private window messages between controls, their manager
// and the host window, and the manager's own window timer. Numbers are
// unsigned 32-bit message numbers; the command (OVWM_UICOMMAND) and the
// activation broadcast (OVWM_ACTIVATE_BROADCAST) come with the framework
// window.
#pragma once

#include "ovfc/core/ov_wnd.h"

// Mouse notification, sent for a control whose notify-host flag is set.
// wParam (id & 0xFFFF) | (event << 16). lParam packs the control's local
// coordinates: (x & 0xFFFF) | (y << 16) when both fit in 0xFFFF (negative
// ones included), (x & 0xFFF) | (y << 12) when y does not, and
// (x & 0xFFFFF) | (y << 20) when only x does not.
#define OVWM_MOUSE_NOTIFY 0xFFF10002u
#define OVWM_MOUSE_NOTIFY_WIDE_Y 0xFFF10004u
#define OVWM_MOUSE_NOTIFY_WIDE_X 0xFFF10005u

// The events of a mouse notification.
#define OVMOUSE_PRESS 1
#define OVMOUSE_RELEASE 2
#define OVMOUSE_DBLCLK 3
#define OVMOUSE_MOVE 4
#define OVMOUSE_HOLD_ARMED 5
#define OVMOUSE_HOLD 6

// Keyboard focus moved among controls: wParam the new focus control's id,
// lParam the previous one's (0 for none). Posted.
#define OVWM_FOCUS_CHANGED 0xFFF10020u
// A deferred call: wParam the target control, lParam its parameter; the
// manager calls the target's OnPostedCall when the message arrives. Posted.
#define OVWM_POSTED_CALL 0xFFF10021u
// A horizontal swipe started on a control: wParam its id, lParam the local
// point as (x & 0xFFFF) | (y << 16), or (x & 0xFFF) | (y << 12) for
// OVWM_SWIPE_WIDE_Y when y is beyond 0xFFFF. Posted.
#define OVWM_SWIPE 0xFFF10030u
#define OVWM_SWIPE_WIDE_Y 0xFFF10031u
// A scroll container was pressed: wParam its id, lParam 0. Posted.
#define OVWM_CONTAINER_PRESSED 0xFFF10043u

// The host window's timer that fires a control's long press.
#define OVTIMER_HOLD 0x10020000u
