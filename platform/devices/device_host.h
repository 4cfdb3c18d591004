// What the host controls of the phone's sensors and USB cable: the scenario
// commands tilt, shake, near and usb, the window keys that do the same, and
// the status panel that shows what the phone feels.
//
// Every function here is safe from any thread and returns at once; reports
// the drivers post reach the program when its loop next reads its messages.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/devices/device_events.h"
#include "platform/devices/device_manager.h"

namespace platform::devices {

inline constexpr std::uint32_t default_shake_ms = 1000;

// Puts the drivers behind CreateFileW ("ACC0:", "IRD1:", the USB bus names)
// and brings them to their power-on state: every driver present, lying face
// up, nothing near, reports off, USB cable out, nothing registered.
void install_devices();
// Takes the drivers away from CreateFileW; open handles keep working.
void uninstall_devices();
// The power-on state again, without touching the opener. Tests call it
// between cases.
void reset_devices();

// Takes a driver away (opens, searches and requests on open handles fail) or
// puts it back, as on a phone built without it.
void set_device_present(Device device, bool present);

// The accelerometer reads x, y, z (counts of 1/64 g, clamped to -128..127)
// from now on; a shake under way ends.
void tilt(int x, int y, int z);
// The phone is shaken for duration_ms from the clock's time now: a burst of
// readings made up from the shake seed, settling back on the tilt.
void shake(std::uint32_t duration_ms = default_shake_ms);
// The seed of the next shake; each shake after it takes the next number.
void set_shake_seed(std::uint32_t seed);

// Something comes near the proximity sensor (true) or goes away (false).
// While reports are on, each change posts the registered message to the
// registered windows. Returns how many reports were posted.
int set_near(bool near);

// The phone enters (true) or leaves (false) USB-disk mode; a change posts
// the registered messages to every top-level window. Returns how many
// messages were broadcast.
int set_usb_disk_mode(bool disk);

struct DeviceStatus {
    Acceleration acceleration;  // the reading at the clock's time now
    bool shaking = false;
    UINT acceleration_message = 0;
    bool near = false;
    bool proximity_reports = false;
    std::vector<ProximityRegistration> proximity_windows;
    bool usb_disk_mode = false;
    std::vector<UINT> usb_messages;
};

// A snapshot for the status panel.
DeviceStatus device_status();

}  // namespace platform::devices
