// The application object: a program built on the framework defines exactly
// one static object of a class derived from OvApp. The framework owns the
// order of start-up and shutdown (WinMain); the program overrides
// InitInstance to create and show its main window, or to refuse to start.
#pragma once

#include <windows.h>

class OvApp {
public:
    // Initialises COM, raises the font-smoothing contrast and becomes the
    // application object that OvGetApp returns.
    OvApp();
    virtual ~OvApp();

    OvApp(const OvApp&) = delete;
    OvApp& operator=(const OvApp&) = delete;

    // False refuses to start: the program then exits with -1.
    virtual bool InitInstance();
    // The main message loop; returns the exit code, the wParam of the WM_QUIT
    // that ended it.
    virtual int Run();
    // Releases what the layers above the core share process-wide (their exit
    // hooks); called whether or not the program ran.
    virtual int ExitInstance();
    // True consumes the message: it is then neither filtered, translated nor
    // dispatched.
    virtual bool PreTranslateMessage(MSG* pMsg);
};

// The application object; null when none exists.
OvApp* OvGetApp();

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPWSTR lpCmdLine, int nCmdShow);
