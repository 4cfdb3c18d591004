#include "shaver_fixture.h"

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <mutex>

#include <objbase.h>

#include "app/shaver_messages.h"
#include "ovfc/graphics/ov_font.h"
#include "ovfc/graphics/ov_image.h"
#include "platform/audio/audio_host.h"
#include "platform/devices/device_host.h"
#include "platform/gdi/screen.h"
#include "platform/kernel/clock.h"
#include "platform/kernel/utf.h"
#include "platform/loader/module_registry.h"
#include "platform/loader/pe_writer.h"
#include "platform/shell/notification_reader.h"
#include "platform/shell/platform_mode.h"
#include "platform/shell/shell.h"
#include "tests/ovfc/graphics/picture_test_support.h"

namespace shaver_test {
namespace {

constexpr const char* program_folder = "Program Files/Velmor";

struct PictureSize {
    int id, width, height;
};

constexpr PictureSize picture_sizes[] = {{101, 480, 720}, {102, 480, 720}, {103, 150, 150}, {104, 54, 54},
    {105, 228, 168}, {106, 350, 230}, {107, 350, 230}, {108, 350, 230}, {109, 96, 68}, {110, 96, 68}, {111, 96, 68},
    {112, 96, 68}, {113, 96, 68}, {114, 93, 104}, {115, 93, 104}, {116, 93, 104}, {117, 93, 104}, {118, 93, 104},
    {119, 220, 35}, {120, 220, 35}};

// 16-bit mono PCM at 8 kHz: a square-ish tone, so every sample is non-zero.
std::vector<std::uint8_t> make_wav(int ms, int pitch)
{
    const std::uint32_t rate = 8000;
    std::uint32_t samples = rate * static_cast<std::uint32_t>(ms) / 1000;
    std::uint32_t data_bytes = samples * 2;
    std::vector<std::uint8_t> bytes;
    auto put32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    };
    auto put16 = [&](std::uint16_t v) {
        bytes.push_back(static_cast<std::uint8_t>(v));
        bytes.push_back(static_cast<std::uint8_t>(v >> 8));
    };
    // Byte by byte: inserting the four letters into the still empty vector
    // makes GCC 12 at -O3 report a write past its end.
    auto tag = [&](const char* t) {
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(t[i]));
    };
    tag("RIFF");
    put32(36 + data_bytes);
    tag("WAVE");
    tag("fmt ");
    put32(16);
    put16(1);
    put16(1);
    put32(rate);
    put32(rate * 2);
    put16(2);
    put16(16);
    tag("data");
    put32(data_bytes);
    for (std::uint32_t i = 0; i < samples; ++i)
        put16(static_cast<std::uint16_t>((i / static_cast<std::uint32_t>(pitch)) % 2 ? 6000 : -6000));
    return bytes;
}

std::mutex& events_mutex()
{
    static std::mutex mutex;
    return mutex;
}

}  // namespace

std::uint32_t picture_colour(int id)
{
    int k = id - 100;
    return std::uint32_t(k * 12) << 16 | std::uint32_t(255 - k * 12) << 8 | 0x80;
}

int picture_id_of(std::uint32_t xrgb)
{
    int red = int(xrgb >> 16 & 0xFF), green = int(xrgb >> 8 & 0xFF), blue = int(xrgb & 0xFF);
    for (int id = 101; id <= 120; ++id) {
        std::uint32_t c = picture_colour(id);
        // The screen keeps 5 bits of red and blue and 6 of green.
        if (std::abs(red - int(c >> 16 & 0xFF)) <= 9 && std::abs(green - int(c >> 8 & 0xFF)) <= 5 &&
            std::abs(blue - int(c & 0xFF)) <= 9)
            return id;
    }
    return 0;
}

void ShaverTest::SetUp()
{
    PhoneTest::SetUp();
    if (HasFatalFailure()) return;
    // As the application object does for the program.
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    platform::devices::install_devices();
    platform::shell::reset_platform_mode();
    platform::loader::set_program_path(u"\\Program Files\\Velmor\\Velmor.exe");
    std::vector<int> all;
    for (const auto& size : picture_sizes) all.push_back(size.id);
    write_resource_library(all);
    for (int number = 1; number <= SHAVER_VARIANT_COUNT; ++number) write_variant(number, 200 + 20 * number);
    ASSERT_TRUE(platform::shell::start_shell());
    pump();
    platform::shell::read_shell_notifications();
    platform::audio::set_event_listener([this](const platform::audio::SoundEvent& event) {
        std::lock_guard lock(events_mutex());
        sound_events_.push_back({event.time_ms, platform::audio::kind_name(event.kind), platform::to_utf8(event.name)});
    });
    ShaverForgetFirstPaint();
    std::srand(1);
}

void ShaverTest::TearDown()
{
    window_.reset();
    platform::audio::set_event_listener(nullptr);
    ReleaseImageCache();
    ReleaseImagingFactory();
    OvReleaseFonts();
    CoUninitialize();
    platform::shell::stop_shell();
    platform::devices::uninstall_devices();
    PhoneTest::TearDown();
}

void ShaverTest::write_resource_library(const std::vector<int>& picture_ids)
{
    using platform::loader::ResourceId;
    platform::loader::PeWriter writer;
    for (const auto& size : picture_sizes) {
        if (std::find(picture_ids.begin(), picture_ids.end(), size.id) == picture_ids.end()) continue;
        ovfc_test::Picture picture(size.width, size.height, 0xFF000000u | picture_colour(size.id));
        ASSERT_TRUE(writer.add(ResourceId::from_number(10), ResourceId::from_number(std::uint16_t(size.id)), 0x0409,
            ovfc_test::encode_png(picture, true)));
    }
    const std::pair<int, int> sounds[] = {{101, 400}, {104, 400}, {105, 60}, {106, 60}, {108, 60}};
    for (auto [id, ms] : sounds)
        ASSERT_TRUE(writer.add(ResourceId::from_name(u"WAVE"), ResourceId::from_number(std::uint16_t(id)), 0x0409,
            make_wav(ms, 4 + id % 7)));
    std::filesystem::path file = device_root() / program_folder / "BrisellRes.dll";
    std::filesystem::create_directories(file.parent_path());
    std::vector<std::uint8_t> bytes = writer.build();
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

void ShaverTest::write_variant(int number, int ms) { write_variant_bytes(number, make_wav(ms, 3 + number)); }

void ShaverTest::write_variant_bytes(int number, const std::vector<std::uint8_t>& bytes)
{
    std::filesystem::path file =
        device_root() / program_folder / "WAVE" / ("shaver_v" + std::to_string(number) + ".wav");
    std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

void ShaverTest::remove_variant(int number)
{
    std::filesystem::remove(device_root() / program_folder / "WAVE" / ("shaver_v" + std::to_string(number) + ".wav"));
}

void ShaverTest::start_window()
{
    // A channel opened and closed now tells the number the variants'
    // channels count on from.
    WAVEFORMATEX format {WAVE_FORMAT_PCM, 1, 8000, 16000, 2, 16, 0};
    HWAVEOUT probe = nullptr;
    ASSERT_EQ(waveOutOpen(&probe, 0, &format, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
    std::vector<char> silence(160, 1);
    WAVEHDR header {};
    header.lpData = silence.data();
    header.dwBufferLength = DWORD(silence.size());
    clear_sounds();
    waveOutPrepareHeader(probe, &header, WAVEHDR_PHONE_SIZE);
    waveOutWrite(probe, &header, WAVEHDR_PHONE_SIZE);
    waveOutReset(probe);
    waveOutUnprepareHeader(probe, &header, WAVEHDR_PHONE_SIZE);
    waveOutClose(probe);
    auto started = sounds("started");
    ASSERT_FALSE(started.empty());
    ASSERT_EQ(started.back().rfind("wave-out ", 0), 0u);
    first_channel_ = std::stoi(started.back().substr(9)) + 1;
    clear_sounds();
    window_ = std::make_unique<ShaverMainWnd>();
    ASSERT_TRUE(window_->Create(0, 0, SHAVER_SCREEN_WIDTH, SHAVER_SCREEN_HEIGHT, nullptr, 0, 0, 0));
    window_->Show(true, true);
    pump();
}

void ShaverTest::start_main_screen()
{
    start_window();
    ASSERT_FALSE(HasFatalFailure());
    tap(400, 300);
    pump();
    ASSERT_EQ(window_->GetPromptState(), SHAVER_PROMPT_DISMISSED);
}

void ShaverTest::wait(int ms)
{
    std::uint64_t end = platform::clock::now() + std::uint64_t(ms);
    while (platform::clock::now() < end) {
        platform::clock::advance_to(std::min(end, platform::clock::now() + 50));
        pump();
    }
}

int ShaverTest::picture_at(int x, int y) const { return picture_id_of(screen_pixel(x, y)); }

std::vector<std::string> ShaverTest::sounds(const std::string& kind) const
{
    std::lock_guard lock(events_mutex());
    std::vector<std::string> names;
    for (const auto& event : sound_events_)
        if (event.kind == kind) names.push_back(event.name);
    return names;
}

void ShaverTest::clear_sounds()
{
    std::lock_guard lock(events_mutex());
    sound_events_.clear();
}

std::string ShaverTest::variant_channel(int index) const
{
    return "wave-out " + std::to_string(first_channel_ + index);
}

bool ShaverTest::playing(const std::string& name) const
{
    return platform::audio::is_sound_playing(std::u16string(name.begin(), name.end()));
}

bool ShaverTest::task_bar_visible() const
{
    HWND bar = FindWindowW(u"CTaskBar", nullptr);
    return bar && IsWindowVisible(bar);
}

}  // namespace shaver_test
