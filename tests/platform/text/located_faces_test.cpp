// The faces fontconfig gave, kept in a file: they come back as they went in
// while nothing they depend on changed, and never once something did; the
// font cache answers from the file.
#include "platform/text/located_faces.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <functional>

#include "platform/text/font_cache.h"
#include "tests/support/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using platform::text::FaceAnswers;
using platform::text::FaceFile;
using platform::text::read_located_faces;
using platform::text::write_located_faces;

FaceFile face(const std::string& path, int index, const std::string& family, bool bold = false)
{
    FaceFile file;
    file.path = path;
    file.index = index;
    file.family = family;
    file.synthetic_bold = bold;
    return file;
}

bool same(const FaceAnswers& a, const FaceAnswers& b)
{
    if (a.size() != b.size()) return false;
    for (const auto& [question, answer] : a) {
        auto other = b.find(question);
        if (other == b.end() || answer.has_value() != other->second.has_value()) return false;
        if (!answer) continue;
        const FaceFile& x = *answer;
        const FaceFile& y = *other->second;
        if (x.path != y.path || x.index != y.index || x.family != y.family || x.synthetic_bold != y.synthetic_bold ||
            x.synthetic_italic != y.synthetic_italic)
            return false;
    }
    return true;
}

void write_text(const fs::path& file, const std::string& text) { std::ofstream(file, std::ios::trunc) << text; }

std::string read_text(const fs::path& file)
{
    std::ifstream in(file);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct Record {
    velmor_test::TempFolder folder {"velmor-located-faces"};
    fs::path file = folder / "located-faces.txt";
    fs::path config = folder / "fonts.conf";
    fs::path fonts = folder / "fonts";
    fs::path face_file = folder / "fonts" / "face.ttc";
    FaceAnswers answers;

    Record()
    {
        fs::create_directories(fonts);
        write_text(config, "<fontconfig/>");
        write_text(face_file, "not really a face");
        answers[{"wenquanyi micro hei", false, false}] = face(face_file.string(), 0, "WenQuanYi Micro Hei");
        answers[{"wenquanyi micro hei", true, false}] = face(face_file.string(), 0, "WenQuanYi Micro Hei", true);
        answers[{"no such family", false, true}] = std::nullopt;
    }
    // "made" stands for a user configuration that does not exist yet.
    void write() { write_located_faces(file, answers, {config.string(), fonts.string(), (folder / "made").string()}); }
};

TEST(LocatedFaces, AnswersComeBackWhileNothingTheyDependOnChanged)
{
    Record record;
    record.write();
    auto kept = read_located_faces(record.file);
    ASSERT_TRUE(kept);
    EXPECT_TRUE(same(*kept, record.answers));
    // Read again: reading changes nothing.
    EXPECT_TRUE(read_located_faces(record.file));

    struct Change {
        const char* what;
        std::function<void(Record&)> make;
    } changes[] = {
        {"the configuration's contents",
            [](Record& r) { write_text(r.config, "<fontconfig><dir>x</dir></fontconfig>"); }},
        {"a face added to a folder of fonts", [](Record& r) { write_text(r.fonts / "new.ttf", "x"); }},
        {"the face given, changed in place", [](Record& r) { write_text(r.face_file, "another face altogether"); }},
        {"the configuration removed", [](Record& r) { fs::remove(r.config); }},
        {"a user configuration made", [](Record& r) { fs::create_directories(r.folder / "made"); }},
    };
    for (const auto& change : changes) {
        Record fresh;
        fresh.write();
        change.make(fresh);
        EXPECT_FALSE(read_located_faces(fresh.file)) << change.what;
    }
}

TEST(LocatedFaces, AnotherConfigurationOrADamagedFileAnswersNothing)
{
    Record record;
    record.write();
    std::string whole = read_text(record.file);
    ASSERT_NE(whole.find("\nW\t"), std::string::npos);

    {
        const char* saved = std::getenv("FONTCONFIG_SYSROOT");
        std::string before = saved ? saved : "";
        setenv("FONTCONFIG_SYSROOT", "/somewhere/else", 1);
        EXPECT_FALSE(read_located_faces(record.file)) << "another configuration is chosen";
        if (saved)
            setenv("FONTCONFIG_SYSROOT", before.c_str(), 1);
        else
            unsetenv("FONTCONFIG_SYSROOT");
        EXPECT_TRUE(read_located_faces(record.file));
    }

    auto without_watch = [](const std::string& text) {
        std::string kept;
        std::size_t start = 0;
        for (std::size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
            if (text.compare(start, 2, "W\t") != 0) kept += text.substr(start, end - start + 1);
        return kept;
    };
    std::string index_field = whole;
    index_field.replace(index_field.find("face.ttc\t0\t"), 11, "face.ttc\tzero\t");
    std::string flag_field = whole;
    flag_field.replace(flag_field.find("no such family\t0\t"), 17, "no such family\tno\t");
    const std::pair<const char*, std::string> damaged[] = {
        {"empty", ""},
        {"another mark", "velmor located faces 0" + whole.substr(whole.find('\n'))},
        {"cut in a line", whole.substr(0, whole.size() - 7)},
        {"a line of no kind", whole + "X\tsomething\n"},
        {"an index that is no number", index_field},
        {"a style that is neither 0 nor 1", flag_field},
        {"watching nothing", without_watch(whole)},
    };
    for (const auto& [what, text] : damaged) {
        write_text(record.file, text);
        EXPECT_FALSE(read_located_faces(record.file)) << what;
    }
    fs::remove(record.file);
    EXPECT_FALSE(read_located_faces(record.file)) << "missing";

    // A name that cannot be kept on one line keeps nothing at all.
    record.answers[{"tab\tin a name", false, false}] = std::nullopt;
    record.write();
    EXPECT_FALSE(fs::exists(record.file));
}

TEST(LocatedFaces, TheFontCacheAnswersFromTheFileAndAsksAgainWhenItIsStale)
{
    Record record;
    // An answer fontconfig would never give proves the file is what answers.
    record.answers[{"planted", false, false}] = face("/planted/face.ttf", 3, "Planted");
    record.write();
    {
        platform::text::FontCache cache;
        cache.keep_located_faces_in(record.file);
        auto planted = cache.locate("PLANTED", false, false);
        ASSERT_TRUE(planted);
        EXPECT_EQ(planted->path, "/planted/face.ttf");
        EXPECT_EQ(planted->index, 3);
    }

    write_text(record.config, "changed");
    platform::text::FontCache cache;
    cache.keep_located_faces_in(record.file);
    EXPECT_FALSE(cache.locate("planted", false, false)) << "fontconfig knows no such family";
    // The file now holds fontconfig's own answers, which stand.
    auto kept = read_located_faces(record.file);
    ASSERT_TRUE(kept);
    auto planted = kept->find({"planted", false, false});
    ASSERT_NE(planted, kept->end());
    EXPECT_FALSE(planted->second);

    // The default face, asked of fontconfig once and then of the file.
    auto asked = cache.locate("", false, false);
    platform::text::FontCache later;
    later.keep_located_faces_in(record.file);
    auto answered = later.locate("", false, false);
    ASSERT_EQ(asked.has_value(), answered.has_value());
    if (asked) {
        EXPECT_EQ(answered->path, asked->path);
        EXPECT_EQ(answered->family, asked->family);
    }
}

}  // namespace
