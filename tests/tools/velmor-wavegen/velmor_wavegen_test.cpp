// Runs the built velmor-wavegen the way the build does and reads its files
// back the way the phone does: the canonical 44-byte header and the samples
// after it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <vector>

#include "shaver_sounds.h"
#include "system_sounds.h"
#include "tests/support/temp_folder.h"
#include "wave_file.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

Bytes read_bytes(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

std::uint32_t le32(const Bytes& bytes, std::size_t at)
{
    return bytes[at] | bytes[at + 1] << 8 | bytes[at + 2] << 16 | static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}
std::uint16_t le16(const Bytes& bytes, std::size_t at)
{
    return static_cast<std::uint16_t>(bytes[at] | bytes[at + 1] << 8);
}
std::string tag(const Bytes& bytes, std::size_t at) { return std::string(bytes.begin() + at, bytes.begin() + at + 4); }

class VelmorWavegen : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(temp_.made());
        dir_ = temp_.path();
    }

    int run(const std::string& arguments, std::string* out = nullptr)
    {
        const fs::path output = dir_ / ".out";
        std::string command =
            std::string("'") + VELMOR_WAVEGEN_PATH + "' " + arguments + " >'" + output.string() + "' 2>/dev/null";
        int status = std::system(command.c_str());
        if (out) {
            std::ifstream in(output);
            *out = std::string(std::istreambuf_iterator<char>(in), {});
        }
        fs::remove(output);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    velmor_test::TempFolder temp_ {"velmor-wavegen"};
    fs::path dir_;
};

TEST(WaveFile, CanonicalHeaderAroundLittleEndianSamples)
{
    const Bytes image = velmor_wavegen::encode_wave({1, -2, 0x1234}, 22050);
    ASSERT_EQ(image.size(), 44u + 6u);
    EXPECT_EQ(tag(image, 0), "RIFF");
    EXPECT_EQ(le32(image, 4), image.size() - 8);
    EXPECT_EQ(tag(image, 8), "WAVE");
    EXPECT_EQ(tag(image, 12), "fmt ");
    EXPECT_EQ(le32(image, 16), 16u);
    EXPECT_EQ(le16(image, 20), 1u);  // PCM
    EXPECT_EQ(le16(image, 22), 1u);
    EXPECT_EQ(le32(image, 24), 22050u);
    EXPECT_EQ(le32(image, 28), 44100u);
    EXPECT_EQ(le16(image, 32), 2u);
    EXPECT_EQ(le16(image, 34), 16u);
    EXPECT_EQ(tag(image, 36), "data");
    EXPECT_EQ(le32(image, 40), 6u);
    EXPECT_EQ(le16(image, 44), 1u);
    EXPECT_EQ(le16(image, 46), 0xFFFEu);
    EXPECT_EQ(le16(image, 48), 0x1234u);

    const Bytes stereo = velmor_wavegen::encode_wave({0, 0, 0, 0}, 44100, 2);
    EXPECT_EQ(le32(stereo, 28), 176400u);
    EXPECT_EQ(le16(stereo, 32), 4u);
}

TEST_F(VelmorWavegen, AFileThatCannotBeWrittenIsNamedWithTheReason)
{
    const fs::path missing = dir_ / "no-such-folder" / "buzz.wav";
    auto unmade = velmor_wavegen::write_wave(missing, {1, 2, 3}, 22050);
    ASSERT_FALSE(unmade);
    EXPECT_EQ(unmade.failure().text(), missing.string() + ": cannot create the file (No such file or directory)");
    if (fs::exists("/dev/full")) {
        auto full = velmor_wavegen::write_wave("/dev/full", std::vector<std::int16_t>(10000, 7), 22050);
        ASSERT_FALSE(full);
        EXPECT_EQ(full.failure().text(), "/dev/full: could not write all 20044 bytes");
    }
    auto written = velmor_wavegen::write_wave(dir_ / "ok.wav", {1, 2, 3}, 22050);
    ASSERT_TRUE(written) << written.failure().text();
    EXPECT_EQ(fs::file_size(dir_ / "ok.wav"), 50u);
}

TEST_F(VelmorWavegen, WritesEveryListedSoundAsAPhoneReadableWave)
{
    std::string listed;
    ASSERT_EQ(run("--list", &listed), 0);
    std::istringstream names(listed);
    std::vector<std::string> files;
    for (std::string name; std::getline(names, name);) files.push_back(name);
    EXPECT_EQ(files.size(), 15u);

    ASSERT_EQ(run("'" + (dir_ / "out").string() + "'"), 0);
    std::size_t written = 0;
    for (const auto& entry : fs::directory_iterator(dir_ / "out")) {
        ++written;
        EXPECT_NE(std::find(files.begin(), files.end(), entry.path().filename().string()), files.end())
            << entry.path().filename() << " was written but not listed";
    }
    EXPECT_EQ(written, files.size());

    for (const std::string& name : files) {
        const Bytes file = read_bytes(dir_ / "out" / name);
        ASSERT_GT(file.size(), 44u) << name;
        // The fields the phone's variant reader takes at fixed offsets.
        EXPECT_EQ(le16(file, 20), 1u) << name;
        EXPECT_EQ(le16(file, 22), 1u) << name;
        EXPECT_EQ(le32(file, 24), velmor_wavegen::shaver_sample_rate) << name;
        EXPECT_EQ(le32(file, 28), 2 * velmor_wavegen::shaver_sample_rate) << name;
        EXPECT_EQ(le16(file, 32), 2u) << name;
        EXPECT_EQ(le16(file, 34), 16u) << name;
        EXPECT_EQ(tag(file, 36), "data") << name;
        EXPECT_EQ(le32(file, 40), file.size() - 44) << name;
        EXPECT_EQ(le32(file, 4), file.size() - 8) << name;
    }
}

TEST_F(VelmorWavegen, TwoRunsWriteTheSameBytes)
{
    ASSERT_EQ(run("'" + (dir_ / "a").string() + "'"), 0);
    ASSERT_EQ(run("'" + (dir_ / "b").string() + "'"), 0);
    for (const auto& entry : fs::directory_iterator(dir_ / "a")) {
        const Bytes first = read_bytes(entry.path());
        const Bytes second = read_bytes(dir_ / "b" / entry.path().filename());
        EXPECT_FALSE(first.empty());
        EXPECT_TRUE(first == second) << entry.path().filename() << " differs between runs";
    }
}

TEST_F(VelmorWavegen, WritesTheSystemSoundsApartAndTheSameEveryTime)
{
    std::string listed;
    ASSERT_EQ(run("--system --list", &listed), 0);
    EXPECT_EQ(listed, "keyloud.wav\nswitch.wav\n");

    ASSERT_EQ(run("--system '" + (dir_ / "a").string() + "'"), 0);
    ASSERT_EQ(run("--system '" + (dir_ / "b").string() + "'"), 0);
    std::vector<std::string> written;
    for (const auto& entry : fs::directory_iterator(dir_ / "a")) written.push_back(entry.path().filename().string());
    std::sort(written.begin(), written.end());
    EXPECT_EQ(written, (std::vector<std::string> {"keyloud.wav", "switch.wav"}));
    for (const std::string& name : written) {
        const Bytes file = read_bytes(dir_ / "a" / name);
        ASSERT_GT(file.size(), 44u) << name;
        EXPECT_EQ(tag(file, 8), "WAVE") << name;
        EXPECT_EQ(le16(file, 20), 1u) << name;
        EXPECT_EQ(le16(file, 22), 1u) << name;
        EXPECT_EQ(le32(file, 24), velmor_wavegen::system_sample_rate) << name;
        EXPECT_EQ(le16(file, 34), 16u) << name;
        EXPECT_EQ(le32(file, 40), file.size() - 44) << name;
        EXPECT_TRUE(file == read_bytes(dir_ / "b" / name)) << name << " differs between runs";
    }
    // --system only picks the set: it still needs a folder.
    EXPECT_EQ(run("--system"), 2);
}

TEST_F(VelmorWavegen, FailsLoudlyWhenItCannotWrite)
{
    EXPECT_EQ(run(""), 2);
    EXPECT_EQ(run("--bogus"), 2);
    // A file where the folder should be.
    std::ofstream(dir_ / "plain") << "x";
    EXPECT_EQ(run("'" + (dir_ / "plain").string() + "'"), 1);
}

}  // namespace
