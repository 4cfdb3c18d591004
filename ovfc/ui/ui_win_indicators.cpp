// The scroll-position indicators a scroll container draws over its content:
// a vertical bar at the right edge, a horizontal one at the bottom, and the
// fade that takes the vertical one away. The arithmetic is single precision
// and truncates toward zero, so that thumbs land on the same pixels as the
// rest of the framework's bars.
#include <cmath>

#include "ovfc/graphics/ov_dc_helpers.h"
#include "ovfc/graphics/ov_image.h"
#include "ovfc/ui/ui_win.h"

namespace {

// The width of the indicator strips and the shortest thumb drawn in them.
constexpr int kBarThickness = 9;
// Where the vertical indicator sits when the track picture is drawn beside it.
constexpr int kTrackEdge = 13;
constexpr UINT kTrackPicture = 112;
constexpr int kTrackCap = 15;
constexpr int kFadeFirstStep = 265;
constexpr int kFadeLastStep = 268;
// Any button or move message waiting means a finger is back on the screen.
constexpr UINT kFirstMouseMessage = 0x200;
constexpr UINT kLastMouseMessage = 0x20D;

int Trunc(float f) { return static_cast<int>(f); }

}  // namespace

BOOL UiWin::VThumb(float view, float content, float insetTop, float insetBottom, float minLength, float scroll,
    float* pOffset, float* pLength)
{
    if (content == 0.0f || view == 0.0f) return FALSE;
    float k = 1.0f / view;
    float scale = (view - insetTop - insetBottom) * k;
    float ratio = view / content;
    float len0 = ratio > 1.0f ? view : ratio * view;

    // Pulled past either end: the thumb shrinks by the share of the view
    // that the over-pull takes.
    float over = 0.0f;
    if (scroll > 0.0f) {
        over = static_cast<float>(std::abs(Trunc(scroll))) * k;
    } else if (scroll < view - content) {
        float t = ratio > 1.0f ? scroll : (view - content) - scroll;
        over = static_cast<float>(std::abs(Trunc(t))) * k;
    }
    float len1 = (1.0f - over) * len0;
    float travel = view - len1;

    float pos;
    if (scroll >= 0.0f)
        pos = 0.0f;
    else if (content > view && scroll >= view - content)
        pos = (-scroll / (content - view)) * travel;
    else
        pos = travel;

    float length = len1 * scale;
    if (length < minLength) length = minLength;
    float offset = pos * scale;
    float maxOffset = view - insetBottom - insetTop - length;
    if (offset > maxOffset) offset = maxOffset;
    *pOffset = offset;
    *pLength = length;
    return TRUE;
}

int UiWin::HThumbLength(float view, float content, float scroll)
{
    if (content == 0.0f || view == 0.0f) return 0;
    int base;
    if (view >= content) {
        base = Trunc(view);
        if (scroll == 0.0f) return base;
    } else {
        base = Trunc((view / content) * view);
    }
    float over;
    if (scroll > 0.0f) {
        over = scroll;
    } else if (content >= view) {
        if (scroll >= view - content) return base > 4 ? base : 4;
        over = static_cast<float>(std::abs(Trunc((content - view) + scroll)));
    } else {
        over = static_cast<float>(std::abs(Trunc(scroll)));
    }
    int length = Trunc((1.0f - over / view) * static_cast<float>(base));
    return length > 4 ? length : 4;
}

int UiWin::HThumbOffset(float view, float content, float scroll, int nTrack, int nLength)
{
    // The vertical rule laid on its side: at the start until scrolled, in
    // proportion to the scroll within the normal range, at the end past it.
    int nTravel = nTrack - nLength;
    if (nTravel <= 0) return 0;
    float pos;
    if (scroll >= 0.0f)
        pos = 0.0f;
    else if (content > view && scroll >= view - content)
        pos = (-scroll / (content - view)) * static_cast<float>(nTravel);
    else
        pos = static_cast<float>(nTravel);
    int nOffset = Trunc(pos);
    if (nOffset < 0) nOffset = 0;
    if (nOffset > nTravel) nOffset = nTravel;
    return nOffset;
}

BOOL UiWin::GetVThumbRect(const RECT* prc, RECT* prcThumb)
{
    int nEdge = m_bTrackA && m_bTrackB ? kTrackEdge : m_nIndicatorEdge;
    RECT rcStrip {prc->right - nEdge - kBarThickness, prc->top + m_nIndicatorInset, prc->right - nEdge,
        prc->bottom - m_nIndicatorInset};
    float offset = 0.0f;
    float length = 0.0f;
    float inset = static_cast<float>(m_nIndicatorInset);
    if (!VThumb(static_cast<float>(m_nHeight), static_cast<float>(GetContentHeight()), inset, inset, 10.0f,
            static_cast<float>(GetScrollY()), &offset, &length))
        return FALSE;
    rcStrip.top = Trunc(static_cast<float>(rcStrip.top) + offset);
    rcStrip.bottom = Trunc(static_cast<float>(rcStrip.top) + length);
    *prcThumb = rcStrip;
    return TRUE;
}

void UiWin::PaintVIndicator(HDC hdc, const RECT* prc, const RECT* prcClip)
{
    if (!m_bShowVIndicator) return;
    if (m_bIndicatorClip && prcClip->right <= prc->right - m_nIndicatorBand) return;
    RECT rcThumb;
    if (GetVThumbRect(prc, &rcThumb)) OvDrawVertBar(hdc, &rcThumb);
    if (!(m_bTrackA && m_bTrackB)) return;
    OvImage* pTrack = GetCachedImage(OvGetPlatformResModule(), kTrackPicture, 1);
    if (!pTrack) return;
    RECT rcDst {prc->right - pTrack->GetWidth() - 2, prc->top, prc->right, prc->bottom};
    RECT rcSrc {0, 0, pTrack->GetWidth(), pTrack->GetHeight()};
    OvDrawThreePartV(hdc, &rcDst, pTrack->GetDC(), &rcSrc, 1, kTrackCap, kTrackCap, 1);
}

void UiWin::PaintHIndicator(HDC hdc, const RECT* prc, const RECT* prcClip)
{
    if (!m_bShowHIndicator) return;
    if (m_bIndicatorClip && prcClip->bottom <= prc->bottom - m_nIndicatorBand) return;
    RECT rcStrip {prc->left + m_nIndicatorEdge, prc->bottom - m_nIndicatorInset - kBarThickness,
        prc->right - m_nIndicatorEdge, prc->bottom - m_nIndicatorInset};
    float view = static_cast<float>(m_nWidth);
    float content = static_cast<float>(GetContentWidth());
    float scroll = static_cast<float>(GetScrollX());
    int nLength = HThumbLength(view, content, scroll);
    if (nLength <= 0) return;
    // The thumb stays inside the strip and never gets shorter than the bar's
    // own ends.
    int nTrack = rcStrip.right - rcStrip.left;
    if (nLength < kBarThickness) nLength = kBarThickness;
    if (nLength > nTrack) nLength = nTrack;
    if (nLength <= 0) return;
    RECT rcThumb = rcStrip;
    rcThumb.left = rcStrip.left + HThumbOffset(view, content, scroll, nTrack, nLength);
    rcThumb.right = rcThumb.left + nLength;
    OvDrawHorzBar(hdc, &rcThumb);
}

void UiWin::FadeIndicator()
{
    RECT rcStrip {m_nWidth - m_nIndicatorEdge - kBarThickness, 0, m_nWidth, m_nHeight};
    m_bFading = 1;
    for (int nStep = kFadeFirstStep; nStep <= kFadeLastStep; ++nStep) {
        m_nFadeStep = nStep;
        Invalidate(&rcStrip);
        Update();
        // A finger coming down again ends the fade at once.
        MSG msg;
        if (nStep < kFadeLastStep && PeekMessageW(&msg, nullptr, kFirstMouseMessage, kLastMouseMessage, PM_NOREMOVE))
            break;
    }
    m_nFadeStep = 0;
    m_bFading = 0;
}

void UiWin::PaintFadeStep(HDC hdc, const RECT* prc, int nStep)
{
    if (!m_bShowVIndicator) return;
    RECT rcThumb;
    if (GetVThumbRect(prc, &rcThumb)) OvDrawVertBarImage(hdc, &rcThumb, static_cast<UINT>(nStep));
}
