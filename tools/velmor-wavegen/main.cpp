// velmor-wavegen: synthesises the shaver's sounds (motor loops, switch clicks
// and the ten shake buzzes), or the phone's own key and switch clicks, into
// 16-bit mono WAV files. The build runs it; the same program always writes
// the same bytes.
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "shaver_sounds.h"
#include "system_sounds.h"
#include "wave_file.h"

namespace {

const char usage[] = R"(usage:
  velmor-wavegen OUTDIR
      Writes every shaver sound into OUTDIR (made if missing), one WAV file each.
  velmor-wavegen --system OUTDIR
      Writes the phone's system sounds (keyloud.wav, switch.wav) into OUTDIR.
  velmor-wavegen [--system] --list
      Prints the file names it writes, one a line.
  velmor-wavegen --help
)";

}  // namespace

int main(int argc, char** argv)
{
    using namespace velmor_wavegen;
    std::vector<std::string> arguments(argv + 1, argv + argc);
    bool system = !arguments.empty() && arguments.front() == "--system";
    if (system) arguments.erase(arguments.begin());
    if (arguments.size() != 1) {
        std::fputs(usage, stderr);
        return 2;
    }
    const std::string argument = arguments.front();
    if (argument == "--help" || argument == "-h") {
        std::fputs(usage, stdout);
        return 0;
    }
    const std::vector<ShaverSound> sounds = system ? system_sounds() : shaver_sounds();
    const std::uint32_t rate = system ? system_sample_rate : shaver_sample_rate;
    if (argument == "--list") {
        for (const ShaverSound& sound : sounds) std::printf("%s\n", sound.file_name.c_str());
        return 0;
    }
    if (!argument.empty() && argument[0] == '-') {
        std::fprintf(stderr, "velmor-wavegen: unknown option '%s'\n%s", argument.c_str(), usage);
        return 2;
    }

    const std::filesystem::path folder = argument;
    std::error_code code;
    std::filesystem::create_directories(folder, code);
    if (code) {
        std::fprintf(stderr, "velmor-wavegen: %s: cannot make the folder (%s)\n", folder.string().c_str(),
            code.message().c_str());
        return 1;
    }
    for (const ShaverSound& sound : sounds) {
        if (auto written = write_wave(folder / sound.file_name, sound.samples, rate); !written) {
            std::fprintf(stderr, "velmor-wavegen: %s\n", written.failure().text().c_str());
            return 1;
        }
    }
    return 0;
}
