// The shaver window's three full-screen animations. Each draws its frames
// back to back inside the handler that starts it, composing every frame in
// the back buffer and presenting it at once, with no timer and no message
// processed in between.

#include "app/shaver_main_wnd.h"

namespace {

const RECT kFullScreen = {0, 0, SHAVER_SCREEN_WIDTH, SHAVER_SCREEN_HEIGHT};

constexpr int kStripCount = 8;
constexpr int kStripWidth = 60;
// The intro's motion, in single precision as the table of strip positions
// depends on it to the pixel.
constexpr float kStripStartV = -7.0f;
constexpr float kStripEndV = 15.0f;
constexpr float kStripStartA = 103.9f;
constexpr float kStripStartB = -7.0f;
constexpr float kSwing = 2.5f;
constexpr float kDrift = 2.8f;
constexpr float kSink = 6.0f;
// One more strip starts moving after this many strip steps.
constexpr int kStripStepsPerStart = 50;

constexpr int kFadeFrames = 25;
constexpr int kFadeAlphaStep = 5;

constexpr int kCloseHalfWidth = SHAVER_SCREEN_WIDTH / 2;

void Present(HDC hdcScreen, HDC hdcBack)
{
    BitBlt(hdcScreen, 0, 0, SHAVER_SCREEN_WIDTH, SHAVER_SCREEN_HEIGHT, hdcBack, 0, 0, SRCCOPY);
}

void BlendFullScreen(HDC hdcBack, HDC hdcSource, BYTE bAlpha)
{
    BLENDFUNCTION blend = {AC_SRC_OVER, 0, bAlpha, 0};
    AlphaBlend(hdcBack, 0, 0, SHAVER_SCREEN_WIDTH, SHAVER_SCREEN_HEIGHT, hdcSource, 0, 0, SHAVER_SCREEN_WIDTH,
        SHAVER_SCREEN_HEIGHT, blend);
}

}  // namespace

POINT ShaverMainWnd::IntroStripOffset(float fV, int nStrip)
{
    // Each operation rounds to single precision in this order; only the
    // half added for rounding is double.
    float s = fV * kSwing;
    s = s + kDrift;
    s = s * fV;
    s = s + static_cast<float>(kStripWidth * nStrip);
    s = s + 1.0f;
    s = static_cast<float>(static_cast<double>(s) + 0.5);
    s = s - kStripStartA;
    float y = fV * kSink - kStripStartB * kSink;
    return POINT {static_cast<LONG>(s), static_cast<LONG>(y)};
}

void ShaverMainWnd::RunIntro()
{
    float fV[kStripCount];
    for (float& v : fV) v = kStripStartV;
    int nMoving = 1;
    int nSteps = 0;
    bool bRunning = true;
    BLENDFUNCTION opaque = {AC_SRC_OVER, 0, 255, 0};
    while (bRunning) {
        RestoreFromSave(&kFullScreen);
        AlphaBlend(m_hdcBack, 0, 0, SHAVER_SCREEN_WIDTH, SHAVER_SCREEN_HEIGHT, m_imgBackground.GetDC(), 0, 0,
            SHAVER_SCREEN_WIDTH, SHAVER_SCREEN_HEIGHT, opaque);
        for (int j = kStripCount - 1; j >= 0; --j) {
            if (fV[j] < kStripEndV) {
                POINT pt = IntroStripOffset(fV[j], j);
                BitBlt(m_hdcBack, pt.x, pt.y, kStripWidth, SHAVER_SCREEN_HEIGHT, m_hdcSnapshot, kStripWidth * j, 0,
                    SRCCOPY);
                if (j < nMoving) fV[j] = fV[j] + 1.0f;
            } else if (j == kStripCount - 1) {
                // The last strip has gone: this frame is the last.
                bRunning = false;
            }
            if (++nSteps > kStripStepsPerStart) {
                if (nMoving < kStripCount) ++nMoving;
                nSteps = 0;
            }
        }
        Present(m_hdcScreen, m_hdcBack);
    }
}

void ShaverMainWnd::RunPromptFade()
{
    HBRUSH hBlack = CreateSolidBrush(0);
    FillRect(m_hdcSave, &kFullScreen, hBlack);
    DeleteObject(hBlack);
    // Each frame darkens what the last one left.
    for (int i = 0; i < kFadeFrames; ++i) {
        BlendFullScreen(m_hdcBack, m_hdcSave, static_cast<BYTE>(i * kFadeAlphaStep));
        Present(m_hdcScreen, m_hdcBack);
    }
    RestoreFromSave(&kFullScreen);
    for (int i = 0; i < kFadeFrames; ++i) {
        BlendFullScreen(m_hdcBack, m_imgBackground.GetDC(), static_cast<BYTE>(i * kFadeAlphaStep));
        Present(m_hdcScreen, m_hdcBack);
    }
    DrawMainScreen();
}

void ShaverMainWnd::RunCloseAnimation()
{
    BitBlt(m_hdcSave, 0, 0, SHAVER_SCREEN_WIDTH, SHAVER_SCREEN_HEIGHT, m_hdcBack, 0, 0, SRCCOPY);
    int w = 0;
    int nStep = 23;
    while (w < kCloseHalfWidth) {
        RestoreFromSave(&kFullScreen);
        double u = 1.5 * w;
        int h = static_cast<int>(u + 0.5);
        int nFromCentreTop = static_cast<int>((360.0 - u) + 0.5);
        int nBottomTop = static_cast<int>((720.0 - u) + 0.5);
        BLENDFUNCTION blend = {AC_SRC_OVER, 0, static_cast<BYTE>(w + 10), 0};
        // The parts of the old screen's quadrants next to its centre, each
        // in its own corner, grow towards the centre.
        AlphaBlend(m_hdcBack, 0, 0, w, h, m_hdcSnapshot, kCloseHalfWidth - w, nFromCentreTop, w, h, blend);
        AlphaBlend(
            m_hdcBack, SHAVER_SCREEN_WIDTH - w, 0, w, h, m_hdcSnapshot, kCloseHalfWidth, nFromCentreTop, w, h, blend);
        AlphaBlend(
            m_hdcBack, 0, nBottomTop, w, h, m_hdcSnapshot, kCloseHalfWidth - w, SHAVER_SCREEN_HEIGHT / 2, w, h, blend);
        AlphaBlend(m_hdcBack, SHAVER_SCREEN_WIDTH - w, nBottomTop, w, h, m_hdcSnapshot, kCloseHalfWidth,
            SHAVER_SCREEN_HEIGHT / 2, w, h, blend);
        BitBlt(m_hdcScreen, 0, 0, SHAVER_SCREEN_WIDTH, SHAVER_SCREEN_HEIGHT, m_hdcBack, 0, 0, SRCCOPY);
        nStep = nStep - 1;
        if (nStep < 1) nStep = 1;
        w = w + nStep;
    }
    RestoreFromSave(&kFullScreen);
    BitBlt(m_hdcScreen, 0, 0, SHAVER_SCREEN_WIDTH, SHAVER_SCREEN_HEIGHT, m_hdcSnapshot, 0, 0, SRCCOPY);
}
