// The volume settings read from the registry and the click sounds they
// govern: only the value 1 counts, whatever else is stored or missing.
#include "services_fixture.h"

#include "platform/audio/audio_host.h"
#include "services/key_sounds.h"
#include "services/sound_settings.h"

using namespace services_test;
using platform::audio::is_sound_playing;

namespace {

constexpr DWORD value_missing = 0xFFFFFFFF;

class SoundSettingsTest : public ServicesTest {
protected:
    void SetUp() override
    {
        ServicesTest::SetUp();
        put_wav("Windows/keyloud.wav");
        put_wav("Windows/switch.wav");
    }
    void TearDown() override
    {
        PlaySoundW(nullptr, nullptr, 0);
        ServicesTest::TearDown();
    }

    // The volume key with "Silence" and "Key" as given (value_missing leaves
    // one out).
    void set_volume(DWORD silence, DWORD key)
    {
        delete_volume_key();
        set_volume_dword(u"Unrelated", 1);
        if (silence != value_missing) set_volume_dword(u"Silence", silence);
        if (key != value_missing) set_volume_dword(u"Key", key);
    }

    // Plays both clicks and tells which of them play.
    std::pair<bool, bool> clicks_played()
    {
        PlaySoundW(nullptr, nullptr, 0);
        PlayKeySound();
        bool key = is_sound_playing(u"\\Windows\\keyloud.wav");
        PlaySoundW(nullptr, nullptr, 0);
        PlaySwitchSound();
        bool switched = is_sound_playing(u"\\Windows\\switch.wav");
        EXPECT_FALSE(is_sound_playing(u"keyloud.wav"));
        PlaySoundW(nullptr, nullptr, 0);
        return {key, switched};
    }
};

TEST_F(SoundSettingsTest, RegReadDwordReadsFourBytesOfAnyType)
{
    DWORD value = 77;
    delete_volume_key();
    EXPECT_FALSE(RegReadDword(&value, u"Key", u"ControlPanel\\Volume", HKEY_CURRENT_USER));
    EXPECT_EQ(value, 77u);

    set_volume_dword(u"Key", 0x12345678);
    EXPECT_TRUE(RegReadDword(&value, u"Key", u"ControlPanel\\Volume", HKEY_CURRENT_USER));
    EXPECT_EQ(value, 0x12345678u);
    EXPECT_FALSE(RegReadDword(&value, u"Missing", u"ControlPanel\\Volume", HKEY_CURRENT_USER));
    EXPECT_FALSE(RegReadDword(&value, u"Key", u"ControlPanel\\Volume", HKEY_LOCAL_MACHINE));

    // The type is not looked at: two bytes of binary read as a small number.
    const BYTE two[2] = {1, 0};
    set_volume_value(u"Key", REG_BINARY, two, sizeof two);
    value = 0;
    EXPECT_TRUE(RegReadDword(&value, u"Key", u"ControlPanel\\Volume", HKEY_CURRENT_USER));
    EXPECT_EQ(value, 1u);
    // Longer data does not fit the four bytes.
    const BYTE five[5] = {1, 0, 0, 0, 9};
    set_volume_value(u"Key", REG_BINARY, five, sizeof five);
    EXPECT_FALSE(RegReadDword(&value, u"Key", u"ControlPanel\\Volume", HKEY_CURRENT_USER));
}

TEST_F(SoundSettingsTest, OnlyTheValueOneCounts)
{
    struct Case {
        DWORD silence, key;
        bool silenced, key_on;
    };
    const Case cases[] = {
        {1, 1, true, true},
        {0, 1, false, true},
        {2, 2, false, false},
        {0, 0, false, false},
        {value_missing, value_missing, false, false},
    };
    for (const Case& c : cases) {
        set_volume(c.silence, c.key);
        EXPECT_EQ(IsSoundSilenced(), c.silenced) << "Silence " << c.silence;
        EXPECT_EQ(IsKeySoundOn(), c.key_on) << "Key " << c.key;
    }
    delete_volume_key();
    EXPECT_FALSE(IsSoundSilenced());
    EXPECT_FALSE(IsKeySoundOn());

    // "1" as text, or a 1 followed by more bytes than a DWORD holds, is not 1.
    set_volume_value(u"Key", REG_SZ, u"1", 4);
    EXPECT_FALSE(IsKeySoundOn());
    const BYTE five[5] = {1, 0, 0, 0, 0};
    set_volume_value(u"Silence", REG_BINARY, five, sizeof five);
    EXPECT_FALSE(IsSoundSilenced());
}

TEST_F(SoundSettingsTest, ClicksPlayOnlyWhenKeysAreOnAndSoundIsNotSilenced)
{
    set_volume(1, 1);
    EXPECT_EQ(clicks_played(), std::make_pair(false, false)) << "silenced";
    set_volume(0, 0);
    EXPECT_EQ(clicks_played(), std::make_pair(false, false)) << "key clicks off";
    set_volume(value_missing, 1);
    EXPECT_EQ(clicks_played(), std::make_pair(true, true)) << "Silence missing, Key 1";
    set_volume(0, 1);
    EXPECT_EQ(clicks_played(), std::make_pair(true, true)) << "Silence 0, Key 1";
    set_volume(1, value_missing);
    EXPECT_EQ(clicks_played(), std::make_pair(false, false)) << "Key missing";
    delete_volume_key();
    EXPECT_EQ(clicks_played(), std::make_pair(false, false)) << "no volume key";

    // The settings are read on every click, not remembered.
    set_volume(0, 1);
    PlayKeySound();
    EXPECT_TRUE(is_sound_playing(u"keyloud.wav"));
    set_volume(1, 1);
    PlaySoundW(nullptr, nullptr, 0);
    PlayKeySound();
    EXPECT_FALSE(is_sound_playing(u"keyloud.wav"));
}

}  // namespace
