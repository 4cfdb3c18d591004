// The shaver's sounds: the click and loop sounds of the resource library,
// played one at a time with PlaySoundW, and the ten shake variants, each on
// a wave-out channel of its own so that a variant restarts at once and
// different variants overlap.

#include "app/shaver_main_wnd.h"

#include <crtwide.h>

#include <cstring>
#include <new>

#include "app/wave_file.h"

namespace {

// The resource sounds of BrisellRes.dll.
constexpr UINT kSoundLoopAlt = 101;
constexpr UINT kSoundLoopNormal = 104;
constexpr UINT kSoundClickOff = 105;
constexpr UINT kSoundClickOn = 106;
constexpr UINT kSoundClickMode = 108;

constexpr DWORD kClickFlags = SND_RESOURCE | SND_SYNC;
constexpr DWORD kLoopFlags = SND_RESOURCE | SND_LOOP | SND_ASYNC;

}  // namespace

void ShaverMainWnd::LoadVariant(int nIndex, LPCWSTR pszFileName)
{
    if (nIndex < 0 || nIndex >= SHAVER_VARIANT_COUNT) return;
    WCHAR szPath[MAX_PATH * 2];
    wcscpy(szPath, m_szAppDir);
    wcscat(szPath, TEXT("WAVE\\"));
    wcscat(szPath, pszFileName);

    // A variant that cannot be read keeps an all-zero format, which no
    // channel accepts: it stays silent.
    WaveFile file;
    if (!file.Open(szPath)) return;
    DWORD dwSize = file.GetDataSize();
    BYTE* pData = dwSize > 0 ? new (std::nothrow) BYTE[dwSize] : nullptr;
    // Half a variant would play as garbage after its end; an empty one has
    // nothing to play.
    if (!pData || !file.ReadData(pData)) {
        delete[] pData;
        file.Close();
        return;
    }
    file.Close();

    std::memset(&m_wfx[nIndex], 0, sizeof m_wfx[nIndex]);
    std::memcpy(&m_wfx[nIndex], file.GetFormatBytes(), WAVE_FILE_FORMAT_SIZE);
    m_wfx[nIndex].cbSize = 0;
    delete[] reinterpret_cast<BYTE*>(m_hdr[nIndex].lpData);
    std::memset(&m_hdr[nIndex], 0, sizeof m_hdr[nIndex]);
    m_hdr[nIndex].lpData = reinterpret_cast<LPSTR>(pData);
    m_hdr[nIndex].dwBufferLength = dwSize;
}

BOOL ShaverMainWnd::OpenVariantChannels()
{
    for (int i = 0; i < SHAVER_VARIANT_COUNT; ++i) {
        if (waveOutGetNumDevs() == 0) continue;
        bool bOpened = false;
        for (UINT nDevice = 0; nDevice < waveOutGetNumDevs(); ++nDevice) {
            if (waveOutOpen(&m_hWaveOut[i], nDevice, &m_wfx[i], 0, 0, CALLBACK_NULL) == MMSYSERR_NOERROR) {
                bOpened = true;
                break;
            }
            m_hWaveOut[i] = nullptr;
        }
        if (!bOpened) continue;
        if (waveOutPrepareHeader(m_hWaveOut[i], &m_hdr[i], WAVEHDR_PHONE_SIZE) != MMSYSERR_NOERROR) return FALSE;
    }
    return TRUE;
}

void ShaverMainWnd::PlayVariant(UINT nIndex)
{
    if (nIndex >= SHAVER_VARIANT_COUNT) return;
    // A variant still playing stops and starts again from its beginning.
    waveOutReset(m_hWaveOut[nIndex]);
    waveOutWrite(m_hWaveOut[nIndex], &m_hdr[nIndex], WAVEHDR_PHONE_SIZE);
}

void ShaverMainWnd::PlayControlSound(int nKind)
{
    // Clicks play to their end before the loop takes over again: PlaySoundW
    // plays one sound at a time.
    if (nKind == SHAVER_SOUND_MODE)
        PlaySoundW(MAKEINTRESOURCEW(kSoundClickMode), m_hResLib, kClickFlags);
    else if (nKind == SHAVER_SOUND_SWITCH)
        PlaySoundW(MAKEINTRESOURCEW(m_bRunning ? kSoundClickOn : kSoundClickOff), m_hResLib, kClickFlags);
    if (m_bRunning) PlaySoundW(MAKEINTRESOURCEW(m_bAltMode ? kSoundLoopAlt : kSoundLoopNormal), m_hResLib, kLoopFlags);
}

void ShaverMainWnd::ReleaseVariantChannels()
{
    for (int i = 0; i < SHAVER_VARIANT_COUNT; ++i) {
        if (m_hWaveOut[i]) {
            // The buffer comes back from the channel before it is freed.
            waveOutReset(m_hWaveOut[i]);
            waveOutUnprepareHeader(m_hWaveOut[i], &m_hdr[i], WAVEHDR_PHONE_SIZE);
            waveOutClose(m_hWaveOut[i]);
            m_hWaveOut[i] = nullptr;
        }
        delete[] reinterpret_cast<BYTE*>(m_hdr[i].lpData);
        std::memset(&m_hdr[i], 0, sizeof m_hdr[i]);
    }
}
