// A framework program of two windows, one run modally over the other, run
// as its own process on a headless phone under a script: the M key ends it
// with exit code 0 and the trace mask in its registry decides what it logs.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/registry/registry_host.h"
#include "tests/support/temp_folder.h"

namespace {

struct DemoRun {
    int exit_code = -1;
    std::string output;  // standard output and error: the dialog's results and the trace lines
    std::string events;  // the recording's event log
    bool has(const std::string& text) const { return output.find(text) != std::string::npos; }
    bool logged(const std::string& text) const { return events.find(text) != std::string::npos; }
};

DemoRun run_demo(unsigned trace_mask, const std::string& script)
{
    velmor_test::TempFolder folder("ovfc-demo");
    const std::filesystem::path& root = folder.path();
    std::string registry(platform::registry::shipped_defaults());
    char mask[32];
    std::snprintf(mask, sizeof mask, "\"OVFC\"=dword:%08x", trace_mask);
    std::string::size_type at = registry.find("\"OVFC\"=dword:00000000");
    EXPECT_NE(at, std::string::npos);
    registry.replace(at, std::strlen(mask), mask);
    std::ofstream(root / "registry.reg", std::ios::binary) << registry;
    std::ofstream(root / "script.txt") << script;

    std::filesystem::path record = root / "record";
    std::string command = std::string("'") + OVFC_MODAL_DEMO + "' --headless --device-root '" + root.string() +
        "' --script '" + (root / "script.txt").string() + "' --record '" + record.string() + "' 2>&1";
    DemoRun run;
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
    return run;
}

const char* const modal_then_mkey = "tap 240 100\nwait 200\nmkey\n";

TEST(OvfcDemo, TheMKeyEndsAModalRunAndTheProgramWithExitCodeZero)
{
    DemoRun run = run_demo(0x80, modal_then_mkey);
    EXPECT_EQ(run.exit_code, 0) << run.output;
    // The shell asked, the program answered that it leaves, and its loop
    // ended with the code of the quit it posted.
    EXPECT_TRUE(run.logged("M key: answer 2")) << run.events;
    EXPECT_TRUE(run.logged("exit code 0")) << run.events;
    EXPECT_TRUE(run.has("COvWnd::DoModal: m_hWnd=0x")) << run.output;
    EXPECT_TRUE(run.has(", enter...")) << run.output;
    EXPECT_TRUE(run.has(", exit...")) << run.output;
    EXPECT_FALSE(run.has("ZONE_MOUSE")) << run.output;
    EXPECT_FALSE(run.has("ZONE_OVWND_MESSAGE")) << run.output;
    // The quit ended the modal run with the result it had: none was given.
    EXPECT_TRUE(run.has("dialog ended with 0")) << run.output;
}

TEST(OvfcDemo, TheTraceMaskDecidesWhatTheProgramLogs)
{
    DemoRun silent = run_demo(0, modal_then_mkey);
    EXPECT_EQ(silent.exit_code, 0) << silent.output;
    EXPECT_FALSE(silent.has("ZONE")) << silent.output;

    DemoRun chatty = run_demo(0x44, "tap 240 100\nwait 200\ntap 100 300\nmkey\n");
    EXPECT_EQ(chatty.exit_code, 0) << chatty.output;
    EXPECT_TRUE(chatty.has("ovfc ZONE_MOUSE: COvWnd::OnLButtonUp(240, 100);")) << chatty.output;
    // The dialog sits at (40, 200): the second tap is at (60, 100) in it.
    EXPECT_TRUE(chatty.has("ovfc ZONE_MOUSE: COvWnd::OnLButtonDown(60, 100);")) << chatty.output;
    EXPECT_TRUE(chatty.has("**ZONE_OVWND_MESSAGE** OvWndProc: hWnd(0x")) << chatty.output;
    EXPECT_TRUE(chatty.has("dialog ended with 1")) << chatty.output;
    EXPECT_FALSE(chatty.has("**ZONE_OVWND** ")) << chatty.output;
}

TEST(OvfcDemo, ABadScriptIsReportedWithItsLine)
{
    DemoRun run = run_demo(0, "wait 10\njump 3\n");
    EXPECT_EQ(run.exit_code, 2);
    EXPECT_TRUE(run.has("script.txt:2: jump")) << run.output;
    EXPECT_TRUE(run.events.empty()) << "the phone must not start: " << run.events;
}

}  // namespace
