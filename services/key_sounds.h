// The key click and switch click of the framework's buttons, played
// asynchronously unless the user's volume settings say otherwise.
#pragma once

// "\Windows\keyloud.wav", when sound is not silenced and key clicks are on.
void PlayKeySound();
// "\Windows\switch.wav", under the same settings.
void PlaySwitchSound();
