// The shaver application: the program's one application object, holding
// its one window. Only one instance runs on a phone: a second start brings
// the first one's window forward and ends.
#pragma once

#include <windows.h>

#include "app/shaver_main_wnd.h"
#include "ovfc/core/ov_app.h"

class ShaverApp : public OvApp {
public:
    ShaverApp() = default;
    ~ShaverApp() override = default;

    bool InitInstance() override;

    ShaverMainWnd& GetMainWnd() { return m_mainWnd; }

private:
    ShaverMainWnd m_mainWnd;
};
