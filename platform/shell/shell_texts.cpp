// The shell's words in both languages.

#include "platform/shell/shell_texts.h"

#include <array>

#include "platform/include/winbase.h"

namespace platform::shell {

namespace {

constexpr LANGID us_english = 0x0409;

struct Wording {
    const char16_t* chinese;
    const char16_t* english;
};

// In the order of ShellText.
constexpr std::array wordings {
    Wording {u"来电", u"Incoming call"},
    Wording {u"通话中", u"In call"},
    Wording {u"张伟", u"Zhang Wei"},
    Wording {u"138 0013 8000", u"138 0013 8000"},
    Wording {u"接听", u"Answer"},
    Wording {u"拒绝", u"Decline"},
    Wording {u"挂断", u"Hang up"},
    Wording {u"新信息", u"New message"},
    Wording {u"李娜", u"Li Na"},
    Wording {u"今晚七点见，别忘了带伞。", u"See you at seven tonight. Bring an umbrella."},
    Wording {u"U盘模式", u"USB disk mode"},
    Wording {u"手机存储已连接到电脑", u"The phone's storage is in use by the computer"},
    Wording {u"拔下USB线即可退出", u"Unplug the cable to leave"},
    Wording {u"滑动解锁", u"Swipe to unlock"},
    Wording {u"关机", u"Power off"},
    Wording {u"确定要关机吗？", u"Power off the phone?"},
    Wording {u"关机", u"Power off"},
    Wording {u"取消", u"Cancel"},
    Wording {u"此应用在模拟器上不可用", u"This app is not available here"},
    Wording {u"轻触返回", u"Tap to go back"},
    Wording {u"周五", u"FRI"},
};
static_assert(wordings.size() == static_cast<std::size_t>(ShellText::weekday) + 1);

struct Label {
    Glyph glyph;
    const char16_t* english;
};

constexpr std::array english_labels {
    Label {Glyph::shaver, u"Shaver"},
    Label {Glyph::camera, u"Camera"},
    Label {Glyph::photos, u"Photos"},
    Label {Glyph::calendar, u"Calendar"},
    Label {Glyph::clock, u"Clock"},
    Label {Glyph::weather, u"Weather"},
    Label {Glyph::files, u"Files"},
    Label {Glyph::calculator, u"Calculator"},
    Label {Glyph::settings, u"Settings"},
    Label {Glyph::phone, u"Phone"},
    Label {Glyph::messages, u"Messages"},
    Label {Glyph::browser, u"Browser"},
    Label {Glyph::music, u"Music"},
    Label {Glyph::contacts, u"Contacts"},
    Label {Glyph::video, u"Videos"},
    Label {Glyph::maps, u"Maps"},
    Label {Glyph::notes, u"Notes"},
    Label {Glyph::recorder, u"Recorder"},
    Label {Glyph::games, u"Games"},
    Label {Glyph::compass, u"Compass"},
};

}  // namespace

bool shell_speaks_english() { return GetUserDefaultUILanguage() == us_english; }

const char16_t* shell_text(ShellText text)
{
    const Wording& wording = wordings[static_cast<std::size_t>(text)];
    return shell_speaks_english() ? wording.english : wording.chinese;
}

const char16_t* icon_label(const AppIcon& icon)
{
    if (!shell_speaks_english()) return icon.label;
    for (const Label& label : english_labels)
        if (label.glyph == icon.glyph) return label.english;
    return icon.label;
}

}  // namespace platform::shell
