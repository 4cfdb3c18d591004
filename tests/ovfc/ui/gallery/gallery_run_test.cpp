// The controls gallery run as its own process on a fresh headless phone under
// its scenario scripts, in Chinese and in English: every screen it reaches
// is compared with a kept reference, and the answers of the message boxes
// reach the event log.
//
// The scripts and references are copied to a temporary folder for the run,
// so that a failed comparison leaves its actual and difference pictures in
// the build folder rather than beside the references. With
// VELMOR_UPDATE_REFERENCES=1 the run writes the references in place.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

struct GalleryRun {
    int exit_code = -1;
    std::string output;
    std::string events;
    bool logged(const std::string& text) const { return events.find(text) != std::string::npos; }
};

bool updating_references()
{
    const char* update = std::getenv("VELMOR_UPDATE_REFERENCES");
    return update && std::string(update) == "1";
}

// Keeps what a failed comparison wrote, for a person to look at.
void keep_failures(const fs::path& from)
{
    fs::path to = fs::path(OVFC_GALLERY_FAILURES);
    std::error_code ignored;
    for (const auto& entry : fs::recursive_directory_iterator(from, ignored)) {
        std::string name = entry.path().filename().string();
        if (name.find(".actual.") == std::string::npos && name.find(".diff.") == std::string::npos) continue;
        fs::create_directories(to, ignored);
        fs::copy_file(entry.path(), to / name, fs::copy_options::overwrite_existing, ignored);
    }
}

GalleryRun run_gallery(const std::string& script, const std::string& language)
{
    velmor_test::TempFolder folder("ovfc-gallery");
    const fs::path& root = folder.path();
    // The phone as the build lays it out (pictures and sounds), with a
    // registry of its own made from the shipped defaults on the first run.
    fs::create_directories(root / "device" / "Windows");
    fs::copy(fs::path(OVFC_BUILT_DEVICE_ROOT) / "Windows", root / "device" / "Windows", fs::copy_options::recursive);
    fs::path scripts = OVFC_GALLERY_SCRIPTS;
    if (!updating_references()) {
        fs::copy(scripts, root / "gallery", fs::copy_options::recursive);
        scripts = root / "gallery";
    }
    fs::path record = root / "record";
    std::string command = std::string("'") + OVFC_CONTROLS_GALLERY + "' --headless --device-root '" +
        (root / "device").string() + "' --script '" + (scripts / script).string() + "' --record '" + record.string() +
        "'" + (language.empty() ? "" : " --lang " + language) + " 2>&1";
    GalleryRun run;
    FILE* pipe = popen(command.c_str(), "r");
    EXPECT_NE(pipe, nullptr);
    if (!pipe) return run;
    char buffer[4096];
    std::size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, n);
    int status = pclose(pipe);
    run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    std::ifstream events(record / "events.log");
    run.events.assign(std::istreambuf_iterator<char>(events), {});
    if (run.exit_code != 0) keep_failures(root);
    return run;
}

TEST(OvfcControlsGallery, ChineseRunThroughEveryControlAndBox)
{
    GalleryRun run = run_gallery("gallery_zh.txt", "");
    EXPECT_EQ(run.exit_code, 0) << run.output << "\nfailed pictures are kept in " << OVFC_GALLERY_FAILURES;
    EXPECT_TRUE(run.logged("gallery: ready")) << run.events;
    EXPECT_TRUE(run.logged("gallery: tap on Plain (kind 0)")) << run.events;
    EXPECT_TRUE(run.logged("gallery: toggle on")) << run.events;
    EXPECT_FALSE(run.logged("gallery: tap on Locked")) << run.events;
    EXPECT_TRUE(run.logged("gallery: tap on Shifted (kind 0)")) << run.events;
    EXPECT_TRUE(run.logged("gallery: focus on control 6")) << run.events;
    // The drag began on a row: the list scrolled and the row posted no tap.
    EXPECT_TRUE(run.logged("gallery: list scrolled to ")) << run.events;
    EXPECT_FALSE(run.logged("gallery: tap on row 3")) << run.events;
    EXPECT_TRUE(run.logged("gallery: long press")) << run.events;
    EXPECT_TRUE(run.logged("gallery: swipe at ")) << run.events;
    const char* answers[] = {"box 0 answered 1", "box 1 answered 2", "box 2 answered 3", "box 3 answered 2",
        "box 4 answered 1", "box 5 answered 1"};
    for (const char* answer : answers) EXPECT_TRUE(run.logged(std::string("gallery: ") + answer)) << run.events;
}

TEST(OvfcControlsGallery, EnglishRunThroughEveryBox)
{
    GalleryRun run = run_gallery("gallery_en.txt", "0x0409");
    EXPECT_EQ(run.exit_code, 0) << run.output << "\nfailed pictures are kept in " << OVFC_GALLERY_FAILURES;
    const char* answers[] = {"box 0 answered 1", "box 1 answered 1", "box 2 answered 2", "box 3 answered 2",
        "box 4 answered 2", "box 5 answered 2"};
    for (const char* answer : answers) EXPECT_TRUE(run.logged(std::string("gallery: ") + answer)) << run.events;
}

}  // namespace
