// The phone's own state, brought up in one order and taken down in the
// reverse one: the device root and the folders every phone has, the
// registry, the program's path and the language, the drivers, the imaging
// factory, the clock and the screen, the shell. The host program starts its
// phone this way around its display, sound and recording; the tests start
// theirs the same way around their own input and checks, so the two cannot
// drift apart.
//
// The phone's state belongs to the process: one PhoneBoot is up at a time,
// on the thread that will run the program's message loop.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "platform/include/wintypes.h"
#include "platform/kernel/clock.h"
#include "platform/kernel/result.h"

namespace platform::host {

// What the phone does with a registry.reg it cannot parse.
enum class MalformedRegistry {
    // A phone: keep the file aside as registry.reg.bad and start from the
    // shipped defaults, so it still starts.
    move_aside,
    // Stop the bring-up and say where the file is wrong; the file stays.
    refuse,
};

struct PhoneBootOptions {
    // The host folder that stands for "\"; made when it does not exist.
    std::filesystem::path device_root;
    // \Windows, \Program Files\Velmor, \My Documents, \Temp ...
    bool standard_folders = true;
    // A missing registry.reg is written from the shipped defaults; otherwise
    // the bring-up stops there.
    bool registry_from_defaults_when_missing = true;
    MalformedRegistry malformed_registry = MalformedRegistry::move_aside;
    // What GetModuleFileNameW reports and where bare library names are
    // looked for first.
    std::u16string program_path = u"\\Program Files\\Velmor\\Velmor.exe";
    LANGID language = 0x0804;
    // The clock restarts at 0 in this mode when the hardware comes up.
    platform::clock::Mode time = platform::clock::Mode::virtual_time;
    // The sensor and USB drivers behind CreateFileW.
    bool devices = true;
    // The home screen, the task bar and the hardware keys.
    bool shell = true;
};

// What loading the registry had to say, kept for the caller's log.
struct RegistryStart {
    bool used_defaults = false;
    // Where a malformed file was put aside.
    std::filesystem::path moved_to;
    // One line naming the file and what went wrong with it, whether the
    // load got past it or not; empty when all went well.
    std::string note;
};

class PhoneBoot {
public:
    // The parts of the phone in the order they come up. A caller with parts
    // of its own to start in between (the host's recording before the
    // registry, its display before the clock starts) brings the phone up a
    // stage at a time.
    enum class Stage {
        none,
        // The device root and the standard folders.
        files,
        // The registry, the program's path and the language.
        registry,
        // The drivers, the imaging factory, the clock from 0 and a black screen.
        hardware,
        // The shell, and a stop of the clock at each minute for its task bar.
        shell,
    };

    explicit PhoneBoot(PhoneBootOptions options);
    ~PhoneBoot() { take_down(); }
    PhoneBoot(const PhoneBoot&) = delete;
    PhoneBoot& operator=(const PhoneBoot&) = delete;

    // Brings up every stage after the one reached, up to and including last.
    // When a stage fails, what this call brought up is taken down again and
    // the failure says why; stages reached by earlier calls stay up.
    Result<void> bring_up_to(Stage last);
    // The whole phone.
    Result<void> bring_up() { return bring_up_to(Stage::shell); }

    // Takes down what was brought up, the last stage first: the shell, the
    // thread's windows, the drivers, the registry (saved). The device root,
    // the program's path, the language, the imaging factory and the clock
    // stay as they are, since the program's static objects may still use
    // them on the way out. Safe to call at any stage, and more than once.
    void take_down() { take_down_to(Stage::none); }

    // Hands what is up over to whoever brings the phone up next, without
    // taking it down now or when this object goes.
    void release() { reached_ = Stage::none; }

    Stage reached() const { return reached_; }
    const PhoneBootOptions& options() const { return options_; }
    // What the registry's load said, once the registry stage was tried.
    const RegistryStart& registry() const { return registry_; }

private:
    Result<void> bring_up_stage(Stage stage);
    Result<void> open_files();
    Result<void> load_registry();
    Failure registry_failure(const Failure& why);
    void start_hardware();
    Result<void> start_shell();
    void take_down_stage(Stage stage);
    // Takes down the stages after stop, the last first.
    void take_down_to(Stage stop);

    PhoneBootOptions options_;
    Stage reached_ = Stage::none;
    RegistryStart registry_;
    int minute_stop_ = 0;
};

}  // namespace platform::host
