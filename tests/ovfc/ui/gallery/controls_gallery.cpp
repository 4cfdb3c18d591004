// The controls gallery: a phone program that switches on what the shaver
// never does. Push buttons (plain, toggle, locked, shifted text, long press,
// focus on click), a list taller and wider than its box that scrolls with
// its indicators, a strip that reports swipes, and one button per message
// box style. What happens is shown on the status line and written to the
// debug output as "gallery: ..." lines, which reach the host's event log.
//
// Run it like any phone program: by hand in the window
// (ovfc_controls_gallery --window) or headless under a scenario script.
#include <memory>

#include "gallery_controls.h"
#include "ovfc/core/ov_app.h"
#include "ovfc/core/ov_ctrl_wnd.h"
#include "ovfc/graphics/ov_font.h"
#include "ovfc/ui/ov_msg_box.h"
#include "services/task_bar.h"

namespace {

constexpr COLORREF kBackground = RGB(236, 240, 245);
constexpr COLORREF kHeader = RGB(38, 70, 120);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kCaption = RGB(70, 80, 95);

enum GalleryId {
    kIdPlain = 1,
    kIdToggle,
    kIdLocked,
    kIdShifted,
    kIdHold,
    kIdFocus,
    kIdList,
    kIdSwipe,
    kIdFirstRow = 100,
    kIdFirstBox = 200,
};

constexpr int kRowCount = 30;
constexpr int kRowHeight = 48;
constexpr int kRowWidth = 720;
constexpr int kBoxCount = 6;

const char16_t* const kBoxTextsChinese[kBoxCount] = {
    u"样式 0：只有一个确认按钮。",
    u"样式 1：确认还是取消？",
    u"样式 2：重试、中止还是忽略？",
    u"样式 3：是、否还是取消？",
    u"样式 4：是还是否？",
    u"样式 5：重试还是取消？",
};
const char16_t* const kBoxTextsEnglish[kBoxCount] = {
    u"Style 0: a single OK button.",
    u"Style 1: OK or Cancel?",
    u"Style 2: Retry, Abort or Ignore?",
    u"Style 3: Yes, No or Cancel?",
    u"Style 4: Yes or No?",
    u"Style 5: Retry or Cancel?",
};

class GalleryWnd : public COvCtrlWnd {
public:
    GalleryWnd()
        : m_plain(u"Plain")
        , m_toggle(u"Toggle")
        , m_locked(u"Locked")
        , m_shifted(u"Shifted")
        , m_hold(u"Hold")
        , m_focus(u"Focus")
    {
        m_crBack = kBackground;
    }

    LPCWSTR GetWndClassName() override { return TEXT("OvfcControlsGallery"); }

    LRESULT OnInitDialog() override
    {
        if (!COvCtrlWnd::OnInitDialog()) return 0;
        BuildButtons();
        BuildList();
        m_swipe.SetID(kIdSwipe);
        m_swipe.SetPos(16, 548, 448, 44, 0);
        AddUiWin(&m_swipe);
        for (int i = 0; i < kBoxCount; ++i) {
            static const char16_t* const labels[kBoxCount] = {
                u"Box 0", u"Box 1", u"Box 2", u"Box 3", u"Box 4", u"Box 5"};
            UiTextButton& box = m_boxes[i];
            box.SetText(labels[i]);
            box.SetID(kIdFirstBox + i);
            box.SetPos(16 + (i % 3) * 152, 610 + (i / 3) * 52, 144, 44, 0);
            box.SetButtonStyle(i % 2 ? 2 : 5);
            box.SetTextColor(kWhite);
            box.SetFontHeight(22);
            AddUiWin(&box);
        }
        m_status.SetPos(16, 160, 448, 34, 0);
        m_status.SetText(u"Tap, drag, hold or swipe.");
        AddUiWin(&m_status);
        return 1;
    }

    void PaintWin(HDC hdc, const RECT* pUpdate) override
    {
        RECT rcHeader = {0, 0, GetClientWidth(), 52};
        FillSolid(hdc, rcHeader, kHeader);
        DrawLine(hdc, u"OVFC controls", rcHeader, 28, kWhite, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        RECT rcBoxes = {16, 594, 464, 610};
        DrawLine(hdc, u"Message boxes", rcBoxes, 18, kCaption, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
        COvCtrlWnd::PaintWin(hdc, pUpdate);
    }

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override
    {
        switch (message) {
        case OVWM_SWIPE:
        case OVWM_SWIPE_WIDE_Y:
            Report(u"swipe at %d, %d", static_cast<short>(lParam & 0xFFFF), static_cast<short>(lParam >> 16));
            break;
        case GALLERYWM_LIST_SCROLLED:
            Report(u"list scrolled to %d, %d", static_cast<int>(wParam), static_cast<int>(lParam));
            break;
        case OVWM_FOCUS_CHANGED:
            if (wParam) Report(u"focus on control %d", static_cast<int>(wParam));
            break;
        default:
            break;
        }
        return COvCtrlWnd::WindowProc(message, wParam, lParam);
    }

    void OnUiCommand(WPARAM wParam, LPARAM) override
    {
        int nId = static_cast<int>(wParam & 0xFFFF);
        int nKind = static_cast<int>(wParam >> 16);
        if (nId >= kIdFirstBox && nId < kIdFirstBox + kBoxCount) {
            ShowBox(nId - kIdFirstBox);
            return;
        }
        if (nId >= kIdFirstRow && nId < kIdFirstRow + kRowCount) {
            Report(u"tap on row %d", nId - kIdFirstRow + 1);
            return;
        }
        switch (nId) {
        case kIdToggle:
            Report(m_toggle.GetState() ? u"toggle on" : u"toggle off");
            break;
        case kIdHold:
            // A press that was held is not a tap as well.
            if (m_hold.IsHoldFired())
                Report(u"long press");
            else
                Report(u"tap on Hold (kind %d)", nKind);
            break;
        default:
            Report(u"tap on %s (kind %d)", FindButton(nId), nKind);
            break;
        }
    }

private:
    void BuildButtons()
    {
        struct Place {
            GalleryButton* pButton;
            int nId;
            int x;
            int y;
        };
        const Place places[] = {
            {&m_plain, kIdPlain, 16, 64},
            {&m_toggle, kIdToggle, 168, 64},
            {&m_locked, kIdLocked, 320, 64},
            {&m_shifted, kIdShifted, 16, 112},
            {&m_hold, kIdHold, 168, 112},
            {&m_focus, kIdFocus, 320, 112},
        };
        for (const Place& place : places) {
            place.pButton->SetID(place.nId);
            place.pButton->SetPos(place.x, place.y, 144, 44, 0);
            place.pButton->SetTextColor(kWhite);
            place.pButton->SetFontHeight(22);
            AddUiWin(place.pButton);
        }
        m_plain.SetPlayClickSound(TRUE);
        m_toggle.SetToggle(TRUE);
        m_toggle.SetPlayClickSound(TRUE);
        m_locked.SetLocked(TRUE);
        m_locked.SetButtonStyle(5);
        m_shifted.SetShiftTextOnPress(TRUE);
        m_hold.SetHoldEnabled(TRUE);
        m_hold.SetHoldDelay(800);
        m_focus.SetFocusOnClick(TRUE);
    }

    void BuildList()
    {
        m_list.SetID(kIdList);
        m_list.SetPos(16, 200, 448, 340, 0);
        m_list.SetContentSize(kRowWidth, kRowCount * kRowHeight);
        AddUiWin(&m_list);
        for (int i = 0; i < kRowCount; ++i) {
            GalleryRow& row = m_rows[i];
            wsprintfW(m_rowLabels[i], u"Row %d", i + 1);
            wsprintfW(m_rowEnds[i], u"end of row %d →", i + 1);
            row.SetText(m_rowLabels[i]);
            row.SetEndText(m_rowEnds[i]);
            row.SetID(kIdFirstRow + i);
            row.SetPos(0, 0, kRowWidth, kRowHeight, 0);
            row.SetButtonStyle(i == 0 ? 261 : 263);
            row.SetTextColor(RGB(20, 20, 20));
            row.SetFontHeight(22);
            m_list.AddItem(&row, 0, i * kRowHeight);
        }
    }

    LPCWSTR FindButton(int nId)
    {
        for (GalleryButton* p : {&m_plain, &m_toggle, &m_locked, &m_shifted, &m_hold, &m_focus})
            if (p->GetID() == nId) return p->GetText().c_str();
        return u"?";
    }

    void ShowBox(int nStyle)
    {
        bool bChinese = GetUserDefaultUILanguage() == 0x0804;
        LPCWSTR pszText = bChinese ? kBoxTextsChinese[nStyle] : kBoxTextsEnglish[nStyle];
        int nResult = OvShowMessageBox(m_hWnd, pszText, u"Gallery", nStyle, OVMKEY_RESPONSE_QUIT);
        Report(u"box %d answered %d", nStyle, nResult);
    }

    // Shows the event on the status line and writes it to the debug output.
    template <typename... Args> void Report(LPCWSTR pszFormat, Args... args)
    {
        WCHAR szLine[128];
        wsprintfW(szLine, pszFormat, args...);
        NKDbgPrintfW(u"gallery: %s\n", szLine);
        m_status.SetText(szLine);
        m_status.Invalidate(nullptr);
    }

    GalleryButton m_plain;
    GalleryButton m_toggle;
    GalleryButton m_locked;
    GalleryButton m_shifted;
    GalleryButton m_hold;
    GalleryButton m_focus;
    GalleryList m_list;
    GalleryRow m_rows[kRowCount];
    WCHAR m_rowLabels[kRowCount][16];
    WCHAR m_rowEnds[kRowCount][32];
    GallerySwipePad m_swipe;
    UiTextButton m_boxes[kBoxCount];
    GalleryLabel m_status;
};

class GalleryApp : public OvApp {
public:
    bool InitInstance() override
    {
        // Made here rather than held by value, so that its theme colours come
        // from the registry the phone has loaded by now.
        m_pWnd = std::make_unique<GalleryWnd>();
        if (!m_pWnd->Create(0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr, 0, 0, 0))
            return false;
        HideTaskBar();
        m_pWnd->Show(true, true);
        NKDbgPrintfW(u"gallery: ready\n");
        return true;
    }

    int ExitInstance() override
    {
        ShowTaskBar();
        m_pWnd.reset();
        return OvApp::ExitInstance();
    }

private:
    std::unique_ptr<GalleryWnd> m_pWnd;
};

GalleryApp theApp;

}  // namespace
