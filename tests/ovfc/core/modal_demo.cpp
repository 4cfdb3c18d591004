// A small framework program: a full-screen window that, when tapped, runs a
// second window modally over itself; a tap on that one ends the modal run.
// It is a phone program: the host runs it, so a scenario drives it like any
// other (velmor's options: --headless --device-root DIR --script FILE ...).
// The dialog's result is printed on standard output.

#include <cstdio>
#include <memory>

#include "ovfc/core/ov_app.h"
#include "ovfc/core/ov_wnd.h"

namespace {

class DemoDialogWnd : public COvWnd {
public:
    LPCWSTR GetWndClassName() override { return TEXT("OvfcDemoDialog"); }
    void OnLButtonUp(UINT, int, int) override { EndModal(1); }
    void PaintWin(HDC hdc, const RECT*) override
    {
        RECT frame {10, 10, GetClientWidth() - 10, GetClientHeight() - 10};
        HBRUSH brush = CreateSolidBrush(RGB(40, 90, 160));
        FillRect(hdc, &frame, brush);
        DeleteObject(brush);
    }
};

class DemoMainWnd : public COvWnd {
public:
    LPCWSTR GetWndClassName() override { return TEXT("OvfcDemoMain"); }
    void OnLButtonUp(UINT, int, int) override
    {
        DemoDialogWnd dialog;
        if (!dialog.CreatePopup(40, 200, 400, 300, m_hWnd, 0, 0)) return;
        int result = dialog.DoModal(true);
        std::printf("dialog ended with %d\n", result);
        std::fflush(stdout);
    }
};

class DemoApp : public OvApp {
public:
    bool InitInstance() override
    {
        // The window is made here rather than held by value, so that its
        // theme colours come from the registry the phone has loaded by now.
        m_pMainWnd = std::make_unique<DemoMainWnd>();
        if (!m_pMainWnd->Create(0, 0, 480, 720, nullptr, 0, 0, 0)) return false;
        m_pMainWnd->Show(true, true);
        return true;
    }

private:
    std::unique_ptr<DemoMainWnd> m_pMainWnd;
};

DemoApp theApp;

}  // namespace
