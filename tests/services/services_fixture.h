// The services' tests run on the framework's headless phone with its drivers
// installed; the shell is started by the cases that need it. A test window
// records the registered messages (and the proximity message 102) it gets.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <windows.h>

#include "tests/ovfc/phone_fixture.h"

namespace services_test {

struct Received {
    HWND hwnd;
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
};

// The proximity message the shaver registers with.
inline constexpr UINT proximity_message = 102;

class ServicesTest : public ovfc_test::PhoneTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // A shown top-level window of the recording class.
    HWND make_window();
    // The recorded messages of this number, in order.
    std::vector<Received> received(UINT message) const;
    void clear_received();

    // Starts the shell, its notification reader emptied of what earlier
    // cases of this process left in the queue.
    void start_shell();

    // Writes a value under HKEY_CURRENT_USER\ControlPanel\Volume.
    void set_volume_value(const char16_t* name, DWORD type, const void* data, DWORD size);
    void set_volume_dword(const char16_t* name, DWORD value);
    void delete_volume_key();

    // Writes a short PCM WAV file at a path below the device root
    // ("Windows/keyloud.wav").
    void put_wav(const std::string& relative);

    // The trace lines that are exactly this text.
    std::size_t count_trace(const std::string& line);
};

inline DWORD handle_number(const void* handle) { return static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(handle)); }

}  // namespace services_test
