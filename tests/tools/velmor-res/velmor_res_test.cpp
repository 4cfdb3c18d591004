// Runs the built velmor-res the way the build and people do, and checks its
// files through the PE reader.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <sys/wait.h>
#include <vector>

#include "platform/kernel/utf.h"
#include "platform/loader/pe_format.h"
#include "platform/loader/pe_reader.h"
#include "platform/loader/pe_writer.h"
#include "tests/support/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using platform::loader::PeReader;
using platform::loader::PeWriter;
using platform::loader::ResourceId;

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

std::string read_text(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void write_text(const fs::path& path, const std::string& text)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

std::string quoted(const std::string& text)
{
    std::string result = "'";
    for (char c : text) result += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return result + "'";
}

class VelmorRes : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(temp_.made());
        dir_ = temp_.path();
    }

    Outcome run(const std::vector<std::string>& arguments)
    {
        std::string command = quoted(VELMOR_RES_PATH);
        for (const auto& argument : arguments) command += " " + quoted(argument);
        command += " >" + quoted((dir_ / ".out").string()) + " 2>" + quoted((dir_ / ".err").string());
        Outcome result;
        int status = std::system(command.c_str());
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.out = read_text(dir_ / ".out");
        result.err = read_text(dir_ / ".err");
        fs::remove(dir_ / ".out");
        fs::remove(dir_ / ".err");
        return result;
    }

    std::string path(const std::string& relative) const { return (dir_ / relative).string(); }

    // A small set of inputs: a picture, two sounds, one in Chinese, a file
    // whose name has a space.
    void make_inputs()
    {
        write_text(dir_ / "in/intro.png", "\x89PNG picture bytes");
        write_text(dir_ / "in/sounds/loop file.wav", "RIFF loop");
        write_text(dir_ / "in/sounds/click.wav", "RIFF click");
        write_text(dir_ / "in/text.bin", std::string("\0\1\2\3", 4));
        write_text(dir_ / "in/res.txt",
            "# the shaver's resources\n"
            "101 RCDATA intro.png\n"
            "\n"
            "   SHAVER_LOOP  WAVE  \"sounds/loop file.wav\"\n"
            "LANGUAGE 0x0804\n"
            "0x66 rt_rcdata sounds/click.wav\r\n"
            "\"200\" 300 text.bin\n");
    }

    velmor_test::TempFolder temp_ {"velmor-res"};
    fs::path dir_;
};

TEST_F(VelmorRes, HelpAndUsage)
{
    Outcome help = run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("velmor-res pack"), std::string::npos);
    EXPECT_NE(help.out.find("extract-all"), std::string::npos);

    EXPECT_EQ(run({}).status, 2);
    Outcome unknown = run({"unpack", "x"});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.err.find("unknown command 'unpack'"), std::string::npos);
    Outcome option = run({"pack", "--fast", "a", "b"});
    EXPECT_EQ(option.status, 1);
    EXPECT_NE(option.err.find("unknown option --fast"), std::string::npos);
    EXPECT_NE(run({"list"}).err.find("expected: velmor-res list FILE.dll"), std::string::npos);
}

TEST_F(VelmorRes, PackListAndExtract)
{
    make_inputs();
    Outcome pack = run({"pack", path("out.dll"), path("in/res.txt")});
    ASSERT_EQ(pack.status, 0) << pack.err;

    Outcome list = run({"list", path("out.dll")});
    ASSERT_EQ(list.status, 0) << list.err;
    EXPECT_EQ(list.out,
        "WAVE SHAVER_LOOP 0x0409 9\n"
        "RCDATA 101 0x0409 18\n"
        "RCDATA 102 0x0804 10\n"
        "300 \"200\" 0x0804 4\n");

    std::string bytes = read_text(path("out.dll"));
    auto read = PeReader::read(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
    ASSERT_TRUE(read.ok()) << read.failure().text();
    const PeReader& reader = *read;
    EXPECT_FALSE(reader.is_pe64());
    EXPECT_EQ(reader.machine(), platform::loader::pe::machine_arm);

    EXPECT_EQ(run({"extract", path("out.dll"), "RCDATA", "101", path("x/../101.png")}).status, 1)
        << "the output folder must exist";
    ASSERT_EQ(run({"extract", path("out.dll"), "10", "101", path("101.png")}).status, 0);
    EXPECT_EQ(read_text(path("101.png")), read_text(path("in/intro.png")));
    ASSERT_EQ(run({"extract", path("out.dll"), "wave", "shaver_loop", path("loop.wav")}).status, 0);
    EXPECT_EQ(read_text(path("loop.wav")), "RIFF loop");
    ASSERT_EQ(run({"extract", path("out.dll"), "300", "\"200\"", path("200.bin")}).status, 1)
        << "quotes on the command line are the shell's business";
    ASSERT_EQ(run({"extract", "--lang", "0x0804", path("out.dll"), "RCDATA", "102", path("102.wav")}).status, 0);
    EXPECT_EQ(read_text(path("102.wav")), "RIFF click");

    Outcome missing = run({"extract", path("out.dll"), "RCDATA", "999", path("999.bin")});
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("has no resource RCDATA 999"), std::string::npos) << missing.err;
    EXPECT_FALSE(fs::exists(path("999.bin")));
    Outcome wrong_language = run({"extract", "--lang", "0x0409", path("out.dll"), "RCDATA", "102", path("x.bin")});
    EXPECT_NE(wrong_language.err.find("in language 0x0409"), std::string::npos) << wrong_language.err;
}

TEST_F(VelmorRes, Pe64AndLanguageOptions)
{
    make_inputs();
    ASSERT_EQ(run({"pack", "--pe64", "--lang", "0", path("out64.dll"), path("in/res.txt")}).status, 0);
    std::string bytes = read_text(path("out64.dll"));
    auto read = PeReader::read(std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
    ASSERT_TRUE(read.ok()) << read.failure().text();
    const PeReader& reader = *read;
    EXPECT_TRUE(reader.is_pe64());
    EXPECT_EQ(reader.machine(), platform::loader::pe::machine_amd64);
    EXPECT_NE(reader.find(ResourceId::from_number(10), ResourceId::from_number(101), 0), nullptr);

    ASSERT_EQ(run({"pack", "--machine", "i386", path("x86.dll"), path("in/res.txt")}).status, 0);
    std::string x86 = read_text(path("x86.dll"));
    auto x86_reader = PeReader::read(std::span(reinterpret_cast<const std::uint8_t*>(x86.data()), x86.size()));
    ASSERT_TRUE(x86_reader.ok()) << x86_reader.failure().text();
    EXPECT_EQ(x86_reader->machine(), platform::loader::pe::machine_i386);
    EXPECT_EQ(run({"pack", "--machine", "mips", path("m.dll"), path("in/res.txt")}).status, 1);
    EXPECT_EQ(run({"pack", "--lang", "chinese", path("m.dll"), path("in/res.txt")}).status, 1);
}

TEST_F(VelmorRes, ExtractAllPacksBackToTheSameResources)
{
    make_inputs();
    ASSERT_EQ(run({"pack", path("out.dll"), path("in/res.txt")}).status, 0);
    Outcome all = run({"extract-all", path("out.dll"), path("all")});
    ASSERT_EQ(all.status, 0) << all.err;
    EXPECT_EQ(read_text(path("all/WAVE/SHAVER_LOOP")), "RIFF loop");
    EXPECT_EQ(read_text(path("all/300/200")), std::string("\0\1\2\3", 4));
    Outcome again = run({"pack", path("again.dll"), path("all/resources.txt")});
    ASSERT_EQ(again.status, 0) << again.err << read_text(path("all/resources.txt"));
    EXPECT_EQ(read_text(path("again.dll")), read_text(path("out.dll")));
}

TEST_F(VelmorRes, BadInputNamesTheProblemAndKeepsTheOldOutput)
{
    make_inputs();
    write_text(dir_ / "out.dll", "the previous library");
    struct Case {
        const char* manifest;
        const char* message;
    } cases[] = {
        {"101 RCDATA intro.png\n102 RCDATA\n", "res.txt:2: expected 'ID TYPE FILE', found '102 RCDATA'"},
        {"0 RCDATA intro.png\n", "res.txt:1: '0' is not a resource ID"},
        {"101 70000 intro.png\n", "res.txt:1: '70000' is not a resource type"},
        {"\"101 RCDATA intro.png\n", "res.txt:1: a quote is not closed"},
        {"LANGUAGE english\n", "res.txt:1: 'english' is not a language number"},
        {"101 RCDATA missing.png\n", "res.txt:1: cannot read"},
        {"101 RCDATA sounds\n", "is a folder"},
        {"101 RCDATA intro.png\n0x65 rcdata text.bin\n", "res.txt:2: the resource 10/101 is given twice"},
    };
    for (const auto& c : cases) {
        write_text(dir_ / "in/res.txt", c.manifest);
        Outcome pack = run({"pack", path("out.dll"), path("in/res.txt")});
        EXPECT_EQ(pack.status, 1) << c.manifest;
        EXPECT_NE(pack.err.find(c.message), std::string::npos) << c.manifest << pack.err;
        EXPECT_EQ(read_text(path("out.dll")), "the previous library");
    }
    Outcome no_manifest = run({"pack", path("out.dll"), path("in/none.txt")});
    EXPECT_NE(no_manifest.err.find("none.txt: cannot open the manifest"), std::string::npos);
    Outcome no_folder = run({"pack", path("missing/out.dll"), path("in/res.txt")});
    EXPECT_EQ(no_folder.status, 1);

    for (const auto& entry : fs::directory_iterator(dir_))
        EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();

    Outcome list = run({"list", path("out.dll")});
    EXPECT_EQ(list.status, 1);
    EXPECT_NE(list.err.find("out.dll: not a valid resource library: too short"), std::string::npos) << list.err;
    Outcome absent = run({"list", path("absent.dll")});
    EXPECT_NE(absent.err.find("cannot read"), std::string::npos) << absent.err;
}

TEST_F(VelmorRes, ExtractAllGivesEveryResourceItsOwnFile)
{
    // The writer upper-cases names. "A" in two languages needs a numbered
    // file, which must not swallow the resource really called "A.1"; "A/B"
    // and "A_B" clash once the slash is replaced; a type may be called like
    // the manifest.
    PeWriter writer;
    struct Named {
        const char16_t* name;
        std::uint16_t language;
    } named[] = {
        {u"A", 0x0409}, {u"A", 0x0804}, {u"A.1", 0x0409}, {u"A/B", 0x0409}, {u"A_B", 0x0409}, {u"A_B.1", 0x0409}};
    for (const auto& [name, language] : named) {
        std::string content = platform::to_utf8(name) + std::to_string(language);
        ASSERT_TRUE(writer.add(ResourceId::from_name(u"DATA"), ResourceId::from_name(name), language,
            std::vector<std::uint8_t>(content.begin(), content.end())));
    }
    ASSERT_TRUE(writer.add(ResourceId::from_name(u"resources.txt"), ResourceId::from_number(1), 0x0409, {'t'}));
    auto dll = writer.build();
    write_text(dir_ / "names.dll", std::string(dll.begin(), dll.end()));

    Outcome all = run({"extract-all", path("names.dll"), path("all")});
    ASSERT_EQ(all.status, 0) << all.err;
    std::size_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(dir_ / "all"))
        if (entry.is_regular_file() && entry.path().filename() != "resources.txt") ++files;
    EXPECT_EQ(files, std::size(named) + 1);
    ASSERT_EQ(run({"pack", path("again.dll"), path("all/resources.txt")}).status, 0);
    EXPECT_EQ(read_text(path("again.dll")), read_text(path("names.dll")));
}

TEST_F(VelmorRes, NamesWithQuotesAndLineBreaksStayNames)
{
    // A name written to look like manifest lines of its own, one of which
    // would pack a file from outside the folder, and a name with a terminal
    // escape sequence and a lone UTF-16 half.
    write_text(dir_ / "SECRET.TXT", "host file");
    std::string injected = "x\" RCDATA a\nLANGUAGE 0x0804\n2 RCDATA ../../secret.txt\n#";
    std::u16string escape = u"\x1b[2J\x1b]0;owned\x07 \\ \"";
    escape += char16_t(0xD800);
    PeWriter writer;
    ASSERT_TRUE(writer.add(
        ResourceId::from_number(10), ResourceId::from_name(platform::from_utf8(injected)), 0x0409, {'i', 'n'}));
    ASSERT_TRUE(writer.add(ResourceId::from_name(escape), ResourceId::from_name(u"x\ty"), 0x0409, {'e'}));
    auto dll = writer.build();
    write_text(dir_ / "names.dll", std::string(dll.begin(), dll.end()));

    Outcome list = run({"list", path("names.dll")});
    ASSERT_EQ(list.status, 0) << list.err;
    EXPECT_EQ(list.out.find('\x1b'), std::string::npos) << list.out;
    EXPECT_EQ(list.out.find('\x07'), std::string::npos) << list.out;
    EXPECT_NE(
        list.out.find("\"\\u001B[2J\\u001B]0;OWNED\\u0007 \\\\ \\\"\\uD800\" \"X\\tY\" 0x0409 1\n"), std::string::npos)
        << list.out;
    EXPECT_NE(list.out.find("RCDATA \"X\\\" RCDATA A\\nLANGUAGE 0X0804\\n2 RCDATA ../../SECRET.TXT\\n#\" 0x0409 2"),
        std::string::npos)
        << list.out;
    EXPECT_EQ(std::count(list.out.begin(), list.out.end(), '\n'), 2);

    Outcome all = run({"extract-all", path("names.dll"), path("deep/all")});
    ASSERT_EQ(all.status, 0) << all.err;
    std::string manifest = read_text(path("deep/all/resources.txt"));
    EXPECT_EQ(std::count(manifest.begin(), manifest.end(), '\n'), 4) << manifest;  // comment, LANGUAGE, two
    Outcome again = run({"pack", path("again.dll"), path("deep/all/resources.txt")});
    ASSERT_EQ(again.status, 0) << again.err << manifest;
    EXPECT_EQ(read_text(path("again.dll")), read_text(path("names.dll")));
}

TEST_F(VelmorRes, PackTakesFilesFromTheManifestsFolderOnly)
{
    make_inputs();
    write_text(dir_ / "secret.txt", "host file");
    fs::create_symlink(dir_ / "secret.txt", dir_ / "in" / "link.txt");
    const char* outside[] = {
        "101 RCDATA ../secret.txt\n", "101 RCDATA sounds/../../secret.txt\n", "101 RCDATA link.txt\n"};
    for (const char* line : outside) {
        write_text(dir_ / "in/res.txt", line);
        Outcome pack = run({"pack", path("out.dll"), path("in/res.txt")});
        EXPECT_EQ(pack.status, 1) << line;
        EXPECT_NE(pack.err.find("res.txt:1: "), std::string::npos) << pack.err;
        EXPECT_NE(pack.err.find("lies outside the manifest's folder"), std::string::npos) << pack.err;
        EXPECT_FALSE(fs::exists(path("out.dll")));
        EXPECT_EQ(run({"pack", "--allow-outside", path("out.dll"), path("in/res.txt")}).status, 0) << line;
        fs::remove(path("out.dll"));
    }
    write_text(dir_ / "in/res.txt", "101 RCDATA " + path("secret.txt") + "\n");
    EXPECT_NE(run({"pack", path("out.dll"), path("in/res.txt")}).err.find("lies outside"), std::string::npos);
    // Inside the folder, a path that steps out and back in is fine.
    write_text(dir_ / "in/res.txt", "101 RCDATA sounds/../intro.png\n102 RCDATA " + path("in/text.bin") + "\n");
    Outcome inside = run({"pack", path("out.dll"), path("in/res.txt")});
    EXPECT_EQ(inside.status, 0) << inside.err;
}

}  // namespace
