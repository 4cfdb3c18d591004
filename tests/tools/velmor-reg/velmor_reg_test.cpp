#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/temp_folder.h"

namespace {

namespace fs = std::filesystem;

struct ToolRun {
    int status = -1;
    std::string out, err;
};

std::string read_file(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void write_file(const fs::path& path, std::string_view text) { std::ofstream(path, std::ios::binary) << text; }

std::string quoted(const std::string& word)
{
    std::string out = "'";
    for (char c : word) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

class VelmorReg : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(temp.made());
        folder = temp.path();
        hive = folder / "registry.reg";
    }

    // Runs the tool with stdin from /dev/null, as a script would.
    ToolRun run(const std::vector<std::string>& args)
    {
        std::string command = quoted(VELMOR_REG_PATH);
        for (const auto& arg : args) command += " " + quoted(arg);
        command += " </dev/null >" + quoted((folder / "out").string()) + " 2>" + quoted((folder / "err").string());
        ToolRun result;
        int status = std::system(command.c_str());
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.out = read_file(folder / "out");
        result.err = read_file(folder / "err");
        return result;
    }

    ToolRun on_root(std::vector<std::string> args)
    {
        args.insert(args.begin(), {"--device-root", folder.string()});
        return run(args);
    }

    velmor_test::TempFolder temp {"velmor-reg"};
    fs::path folder, hive;
};

TEST_F(VelmorReg, QueriesTheShippedDefaultsWithoutCreatingTheFile)
{
    ToolRun result = on_root({"query", "HKLM\\SOFTWARE\\Orvane\\Theme"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvane\\Theme\n"), std::string::npos);
    EXPECT_NE(result.out.find("    FontName    REG_SZ    WenQuanYi Micro Hei\n"), std::string::npos) << result.out;
    EXPECT_FALSE(fs::exists(hive));

    result = on_root({"query", "hkcu\\controlpanel\\volume", "/v", "key"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("    Key    REG_DWORD    0x1\n"), std::string::npos) << result.out;
}

TEST_F(VelmorReg, AddsAndDeletesValuesAndKeys)
{
    EXPECT_EQ(
        on_root({"add", "HKLM\\SOFTWARE\\Orvane\\Debug", "/v", "OVFC", "/t", "REG_DWORD", "/d", "0x44", "/f"}).status,
        0);
    EXPECT_NE(read_file(hive).find("\"OVFC\"=dword:00000044"), std::string::npos) << read_file(hive);

    // Without /f and without a terminal an existing value is kept.
    ToolRun refused = on_root({"add", "HKLM\\SOFTWARE\\Orvane\\Debug", "/v", "OVFC", "/t", "REG_DWORD", "/d", "1"});
    EXPECT_EQ(refused.status, 1);
    EXPECT_NE(refused.err.find("/f"), std::string::npos) << refused.err;
    EXPECT_NE(read_file(hive).find("\"OVFC\"=dword:00000044"), std::string::npos);

    EXPECT_EQ(on_root({"add", "HKCU\\New\\Deep", "/ve", "/d", "text"}).status, 0);
    EXPECT_EQ(on_root({"add", "HKCU\\New", "/v", "List", "/t", "REG_MULTI_SZ", "/d", "a\\0b"}).status, 0);
    EXPECT_EQ(on_root({"add", "HKCU\\New", "/v", "Bin", "/t", "REG_BINARY", "/d", "00ff"}).status, 0);
    ToolRun listing = on_root({"query", "HKCU\\New", "/s"});
    EXPECT_NE(listing.out.find("    (Default)    REG_SZ    text\n"), std::string::npos) << listing.out;
    EXPECT_NE(listing.out.find("    List    REG_MULTI_SZ    a\\0b\n"), std::string::npos) << listing.out;
    EXPECT_NE(listing.out.find("    Bin    REG_BINARY    00FF\n"), std::string::npos) << listing.out;

    EXPECT_EQ(on_root({"delete", "HKCU\\New", "/v", "List", "/f"}).status, 0);
    EXPECT_EQ(on_root({"query", "HKCU\\New", "/v", "List"}).status, 1);
    EXPECT_EQ(on_root({"delete", "HKCU\\New", "/f"}).status, 0);
    ToolRun missing = on_root({"query", "HKCU\\New\\Deep"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("not found"), std::string::npos);
    EXPECT_EQ(on_root({"delete", "HKCU", "/f"}).status, 1);
}

TEST_F(VelmorReg, BadInputFailsWithAMessage)
{
    // A command line at fault is a usage error (2), told before the hive is
    // read; a command that cannot be carried out is a failure (1).
    struct Case {
        std::vector<std::string> args;
        const char* words;
        int status;
    };
    const Case cases[] = {
        {{"frobnicate"}, "unknown command", 2},
        {{"add", "HKXX\\A"}, "unknown root key", 2},
        {{"add", "HKLM\\A", "/v", "x", "/t", "REG_WHAT"}, "unknown type", 2},
        {{"add", "HKLM\\A", "/v", "x", "/t", "REG_DWORD", "/d", "12abc"}, "bad REG_DWORD data", 2},
        {{"add", "HKLM\\A", "/v", "x", "/t", "REG_BINARY", "/d", "abc"}, "hex digits", 2},
        {{"add", "HKLM\\A", "/v"}, "/v needs", 2},
        {{"add", "HKLM\\A", "/q"}, "unknown switch", 2},
        {{"add", "HKLM\\A", "/d", "1"}, "/t and /d need /v", 2},
        {{"delete", "HKLM\\A", "/v", "x", "/va"}, "give one of", 2},
        {{"query"}, "one key name", 2},
        {{"export", "HKLM"}, "a key name and a file name", 2},
        {{"import", "/nonexistent/x.reg"}, "/nonexistent/x.reg: cannot read", 1},
        {{"query", "HKLM\\Nowhere"}, "key HKLM\\Nowhere not found", 1},
        {{"delete", "HKLM", "/f"}, "a root key cannot be deleted", 1},
    };
    for (const Case& c : cases) {
        ToolRun result = on_root(c.args);
        EXPECT_EQ(result.status, c.status) << c.args[0] << ": " << result.err;
        EXPECT_NE(result.err.find(c.words), std::string::npos) << result.err;
        EXPECT_EQ(result.err.find("see velmor-reg --help") != std::string::npos, c.status == 2) << result.err;
    }
    EXPECT_FALSE(fs::exists(hive));
    ToolRun no_registry = run({"query", "HKLM"});
    EXPECT_NE(no_registry.status, 0);
    EXPECT_NE(no_registry.err.find("--device-root"), std::string::npos);
    ToolRun help = run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("usage: velmor-reg"), std::string::npos);
}

TEST_F(VelmorReg, ImportsAndExportsRegFiles)
{
    fs::path import = folder / "in.reg";
    write_file(import,
        "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvane\\Theme\\Colors]\n"
        "\"SYSCLR_WINDOW_BG\"=dword:00ececec\n");
    ToolRun result = run({"--file", hive.string(), "import", import.string()});
    ASSERT_EQ(result.status, 0) << result.err;

    fs::path exported = folder / "out.reg";
    ASSERT_EQ(run({"--file", hive.string(), "export", "HKLM\\software\\orvane", exported.string()}).status, 0);
    std::string text = read_file(exported);
    EXPECT_EQ(text.rfind("Windows Registry Editor Version 5.00\n", 0), 0u);
    EXPECT_NE(text.find("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Orvane\\Theme\\Colors]\n\"SYSCLR_WINDOW_BG\"=dword:00ececec"),
        std::string::npos)
        << text;
    EXPECT_EQ(text.find("ControlPanel"), std::string::npos);
    EXPECT_EQ(run({"--file", hive.string(), "export", "HKLM\\SOFTWARE", exported.string()}).status, 1);
    EXPECT_EQ(run({"--file", hive.string(), "export", "HKLM\\SOFTWARE", exported.string(), "/y"}).status, 0);

    // A malformed import names its line and changes nothing.
    std::string before = read_file(hive);
    write_file(import, "Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\X]\n\"a\"=dword:1\n\"b\"=oops\n");
    ToolRun bad = run({"--file", hive.string(), "import", import.string()});
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find(import.string() + ":4:"), std::string::npos) << bad.err;
    EXPECT_EQ(read_file(hive), before);
}

TEST_F(VelmorReg, RefusesToTouchAMalformedHive)
{
    const std::string broken = "Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\n";
    write_file(hive, broken);
    ToolRun result = on_root({"add", "HKLM\\A", "/v", "x", "/d", "y", "/f"});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find(hive.string() + ":2:"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("left as it is"), std::string::npos) << result.err;
    EXPECT_EQ(read_file(hive), broken);
    EXPECT_FALSE(fs::exists(hive.string() + ".bad"));
}

TEST_F(VelmorReg, TwoWritersAtOnceLoseNoAcknowledgedAdd)
{
    // Two shells add values through separate processes at the same time;
    // every add that exits 0 must be in the hive afterwards.
    constexpr int adds_per_writer = 60;
    std::string tool = quoted(VELMOR_REG_PATH);
    std::string file = quoted(hive.string());
    std::string script;
    for (const char* writer : {"a", "b"}) {
        script += "( i=0; while [ $i -lt " + std::to_string(adds_per_writer) + " ]; do " + tool + " --file " + file +
            " add 'HKCU\\Race' /v " + writer + "$i /d x /f </dev/null >/dev/null 2>>" +
            quoted((folder / "race-errors").string()) + " && echo " + writer + "$i >>" +
            quoted((folder / ("acknowledged-" + std::string(writer))).string()) + "; i=$((i+1)); done ) & ";
    }
    script += "wait";
    ASSERT_EQ(std::system(script.c_str()), 0);
    EXPECT_EQ(read_file(folder / "race-errors"), "");

    ToolRun listing = run({"--file", hive.string(), "query", "HKCU\\Race"});
    ASSERT_EQ(listing.status, 0) << listing.err;
    int acknowledged = 0;
    for (const char* writer : {"a", "b"}) {
        std::istringstream names(read_file(folder / ("acknowledged-" + std::string(writer))));
        for (std::string name; std::getline(names, name); ++acknowledged)
            EXPECT_NE(listing.out.find("    " + name + "    REG_SZ    x\n"), std::string::npos) << name;
    }
    EXPECT_EQ(acknowledged, 2 * adds_per_writer);
}

TEST_F(VelmorReg, ARegistryThatLinksOutOfTheRootIsNamedAsTheCause)
{
    velmor_test::TempFolder outside("velmor-elsewhere");
    ASSERT_TRUE(outside.made());
    const fs::path& elsewhere = outside.path();
    fs::create_symlink(elsewhere / "registry.reg", hive);
    ToolRun result = on_root({"add", "HKLM\\A", "/v", "x", "/d", "y", "/f"});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err.find("no registry given"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("registry.reg"), std::string::npos) << result.err;
    EXPECT_NE(result.err.find((elsewhere / "registry.reg").string()), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("outside the device root"), std::string::npos) << result.err;
    EXPECT_TRUE(fs::is_empty(elsewhere));
}

#if !defined(__SANITIZE_ADDRESS__) && !defined(__has_feature)
#define VELMOR_LIMITS_MEMORY 1
#elif defined(__has_feature)
#if !__has_feature(address_sanitizer) && !defined(__SANITIZE_ADDRESS__)
#define VELMOR_LIMITS_MEMORY 1
#endif
#endif

TEST_F(VelmorReg, LargeFilesAreReadInMemoryAfterTheirContentOrRefusedWithAReason)
{
#ifndef VELMOR_LIMITS_MEMORY
    GTEST_SKIP() << "the address sanitizer reserves more address space than the limit allows";
#else
    // 32 MiB of empty lines: nothing in them, so little memory to read them.
    fs::path blank = folder / "blank.reg";
    {
        std::ofstream out(blank, std::ios::binary);
        out << "Windows Registry Editor Version 5.00\n";
        std::string lines(1 << 20, '\n');
        for (int i = 0; i < 32; ++i) out << lines;
        out << "[HKEY_CURRENT_USER\\AfterTheBlanks]\n\"x\"=dword:1\n";
    }
    auto limited = [&](int megabytes, const std::vector<std::string>& args) {
        std::string command = "ulimit -v " + std::to_string(megabytes * 1024) + "; exec " + quoted(VELMOR_REG_PATH);
        for (const auto& arg : args) command += " " + quoted(arg);
        command += " </dev/null >" + quoted((folder / "out").string()) + " 2>" + quoted((folder / "err").string());
        int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    EXPECT_EQ(limited(512, {"--file", hive.string(), "import", blank.string()}), 0) << read_file(folder / "err");
    EXPECT_EQ(run({"--file", hive.string(), "query", "HKCU\\AfterTheBlanks"}).status, 0);

    // Too little memory for the file: a reason and status 1, not an abort.
    EXPECT_EQ(limited(72, {"--file", hive.string(), "import", blank.string()}), 1);
    std::string err = read_file(folder / "err");
    EXPECT_NE(err.find("not enough memory"), std::string::npos) << err;
    EXPECT_NE(err.find(blank.string()), std::string::npos) << err;
#endif
}

}  // namespace

TEST_F(VelmorReg, AMissingDeviceRootIsNotMadeUnlessAsked)
{
    fs::path typo = folder / "devcie";
    ToolRun refused = run({"--device-root", typo.string(), "add", "HKCU\\A", "/v", "x", "/d", "1"});
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find("--create-device-root"), std::string::npos) << refused.err;
    EXPECT_FALSE(fs::exists(typo));

    ToolRun made =
        run({"--device-root", typo.string(), "--create-device-root", "add", "HKCU\\A", "/v", "x", "/d", "1"});
    EXPECT_EQ(made.status, 0) << made.err;
    EXPECT_NE(read_file(typo / "registry.reg").find("\"x\"=\"1\""), std::string::npos);
    // Now it exists, the flag is no longer needed.
    EXPECT_EQ(run({"--device-root", typo.string(), "query", "HKCU\\A", "/v", "x"}).status, 0);
    EXPECT_EQ(run({"--file", hive.string(), "--create-device-root", "query", "HKLM"}).status, 2);
}
