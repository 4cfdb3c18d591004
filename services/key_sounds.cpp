#include "services/key_sounds.h"

#include <windows.h>

#include "ovfc/core/ov_string.h"
#include "services/sound_settings.h"

namespace {

void PlayClickSound(LPCWSTR pszPath)
{
    OvString strPath(pszPath);
    if (!IsSoundSilenced() && IsKeySoundOn()) PlaySoundW(strPath.c_str(), nullptr, SND_ASYNC);
}

}  // namespace

void PlayKeySound() { PlayClickSound(TEXT("\\Windows\\keyloud.wav")); }

void PlaySwitchSound() { PlayClickSound(TEXT("\\Windows\\switch.wav")); }
