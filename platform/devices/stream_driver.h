// A simulated stream driver and the handle a program holds on it.
//
// The phone's sensors and buses are drivers behind device names; a program
// opens one with CreateFileW and talks to it only through control codes. Each
// simulated driver answers the codes the system sends with the buffers it
// expects, and refuses anything else the way a driver does: with an error
// code and no output.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstring>
#include <memory>

#include "platform/include/wintypes.h"
#include "platform/kernel/kernel_object.h"

namespace platform::devices {

struct ControlRequest {
    DWORD code = 0;
    const void* input = nullptr;
    DWORD input_size = 0;
    void* output = nullptr;
    DWORD output_size = 0;
    DWORD bytes_returned = 0;

    // The 32-bit little-endian field at offset; the caller checked the size.
    DWORD input_dword(DWORD offset) const
    {
        DWORD value = 0;
        std::memcpy(&value, static_cast<const std::uint8_t*>(input) + offset, sizeof value);
        return value;
    }
    bool has_input(DWORD size) const { return input && input_size >= size; }
    bool has_output(DWORD size) const { return output && output_size >= size; }
};

class StreamDriver {
public:
    virtual ~StreamDriver() = default;
    // Carries out one control request. Returns ERROR_SUCCESS, having set
    // bytes_returned, or the error the caller sees.
    virtual DWORD control(ControlRequest& request) = 0;

    // A driver the host has taken away is not found by searches or opens,
    // and handles still open on it fail their requests.
    bool present() const { return present_.load(); }
    void set_present(bool present) { present_.store(present); }

private:
    std::atomic<bool> present_ {true};
};

// An open device: what CreateFileW returned for a device name.
class DeviceHandle : public KernelObject {
public:
    explicit DeviceHandle(std::shared_ptr<StreamDriver> driver)
        : driver_(std::move(driver))
    {
    }
    const char* kind() const override { return "device"; }
    StreamDriver& driver() const { return *driver_; }

private:
    std::shared_ptr<StreamDriver> driver_;
};

}  // namespace platform::devices
