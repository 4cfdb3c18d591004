// A small phone program that reacts to everything the host can do to the
// phone, and says so on the debug output (the event log's trace lines): it
// reads the accelerometer on a timer, takes the proximity sensor's reports
// and the call and SMS broadcasts, plays a looping sound while a call rings,
// and answers the M key with 2 and ends with exit code 7.

#include <windows.h>

#include "tests/platform/host/test_program.h"
#include <winioctl.h>

namespace {

constexpr DWORD accelerometer_read = CTL_CODE(FILE_DEVICE_CONTROLLER, 3, METHOD_BUFFERED, FILE_ANY_ACCESS);
constexpr DWORD proximity_register = CTL_CODE(FILE_DEVICE_CONTROLLER, 805, METHOD_BUFFERED, FILE_ANY_ACCESS);
constexpr DWORD proximity_enable = CTL_CODE(FILE_DEVICE_CONTROLLER, 806, METHOD_BUFFERED, FILE_ANY_ACCESS);
constexpr UINT proximity_message = WM_APP + 1;
constexpr UINT m_key_answer = 0xFFF00001u;
constexpr UINT_PTR sensor_timer = 1;
constexpr int exit_code_after_m_key = 7;

HANDLE accelerometer = INVALID_HANDLE_VALUE;
bool shaking = false;

void read_accelerometer()
{
    signed char xyz[3] = {0, 0, 0};
    DWORD returned = 0;
    if (!DeviceIoControl(accelerometer, accelerometer_read, nullptr, 0, xyz, 3, &returned, nullptr)) return;
    // Lying still reads about (0, 0, 64); a shake swings far from it.
    int swing = (xyz[0] < 0 ? -xyz[0] : xyz[0]) + (xyz[1] < 0 ? -xyz[1] : xyz[1]);
    bool now_shaking = swing > 24;
    if (now_shaking != shaking) NKDbgPrintfW(now_shaking ? u"reaction: shaking\n" : u"reaction: still\n");
    shaking = now_shaking;
}

LRESULT CALLBACK procedure(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam)
{
    static const UINT call_message = RegisterWindowMessageW(u"CALL_MESSAGE");
    static const UINT sms_message = RegisterWindowMessageW(u"SMS_MESSAGE");
    static const UINT click_m_key = RegisterWindowMessageW(u"ShellNotifyMsg/ClickMKey");
    if (message == proximity_message) {
        NKDbgPrintfW(lparam ? u"reaction: near\n" : u"reaction: far\n");
        return 0;
    }
    if (message == call_message) {
        NKDbgPrintfW(u"reaction: call %d\n", int(wparam));
        if (wparam == 1)
            PlaySoundW(u"\\Windows\\ring.wav", nullptr, SND_FILENAME | SND_ASYNC | SND_LOOP | SND_NODEFAULT);
        else
            PlaySoundW(nullptr, nullptr, 0);
        return 0;
    }
    if (message == sms_message) {
        NKDbgPrintfW(u"reaction: sms %d\n", int(wparam));
        return 0;
    }
    if (message == click_m_key) {
        NKDbgPrintfW(u"reaction: M key, leaving\n");
        PostMessageW(reinterpret_cast<HWND>(lparam), m_key_answer, 0, 2);
        DestroyWindow(hwnd);
        return 0;
    }
    switch (message) {
    case WM_TIMER:
        read_accelerometer();
        return 0;
    case WM_DESTROY:
        PostQuitMessage(exit_code_after_m_key);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wparam, lparam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int)
{
    HWND window = create_program_window(instance, u"ReactingProgram", u"Reacting", procedure);
    SetForegroundWindow(window);

    HANDLE proximity = CreateFileW(u"IRD1:", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    DWORD registration[2] = {DWORD(reinterpret_cast<UINT_PTR>(window)), proximity_message};
    BOOL enable = TRUE;
    DeviceIoControl(proximity, proximity_register, registration, sizeof registration, nullptr, 0, nullptr, nullptr);
    DeviceIoControl(proximity, proximity_enable, &enable, sizeof enable, nullptr, 0, nullptr, nullptr);
    accelerometer = CreateFileW(u"ACC0:", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    SetTimer(window, sensor_timer, 50, nullptr);
    NKDbgPrintfW(u"reaction: ready\n");

    int exit_code = run_message_loop();
    CloseHandle(proximity);
    CloseHandle(accelerometer);
    return exit_code;
}
