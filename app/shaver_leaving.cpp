// The two ways the shaver window ends the program: the exit corner, after
// the person confirms, and the phone entering USB-disk mode, after a notice.

#include "app/shaver_main_wnd.h"

#include "ovfc/ui/ov_msg_box.h"

namespace {

constexpr WCHAR kExitQuestion[] = u"确认退出 Brisell 程序吗?";
constexpr WCHAR kExitCaption[] = u"退出";
constexpr WCHAR kUsbDiskNotice[] = u"当前为U盘模式，剃须刀软件将退出。";

}  // namespace

BOOL ShaverMainWnd::AskToLeave()
{
    // Owned by the shaver window, so the box taking the foreground does not
    // bring the task bar back.
    return OvShowMessageBox(m_hWnd, kExitQuestion, kExitCaption, OVMB_YESNO, OVMKEY_RESPONSE_QUIT) ==
        OVMB_RESULT_POSITIVE;
}

void ShaverMainWnd::AnnounceUsbDiskMode()
{
    // The program ends however the notice was closed.
    OvShowMessageBox(nullptr, kUsbDiskNotice, nullptr, OVMB_OK, OVMKEY_RESPONSE_QUIT);
    PostQuitMessage(0);
}
