#include "app/shaver_app.h"

#include <objbase.h>

bool ShaverApp::InitInstance()
{
    HANDLE hMutex = CreateMutexW(nullptr, TRUE, TEXT("Velmor"));
    DWORD dwError = GetLastError();
    // The handle stays open for the life of the process: the name marks
    // this instance as running.
    if (hMutex) ReleaseMutex(hMutex);
    if (dwError == ERROR_ALREADY_EXISTS) {
        HWND hRunning = FindWindowW(m_mainWnd.GetWndClassName(), nullptr);
        if (hRunning) {
            if (!IsWindowVisible(hRunning)) ShowWindow(hRunning, SW_SHOW);
            SetForegroundWindow(hRunning);
        }
        return false;
    }
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    m_mainWnd.Create(0, 0, SHAVER_SCREEN_WIDTH, SHAVER_SCREEN_HEIGHT, nullptr, 0, 0, 0);
    m_mainWnd.Show(true, true);
    return true;
}
