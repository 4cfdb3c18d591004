#include <windows.h>

#include <cstring>

#include "loader_fixture.h"
#include "tests/platform/files/link_swapper.h"

namespace {

using platform::loader::PeWriter;
using platform::loader::ResourceId;

// A library whose resources say where it came from.
std::vector<std::uint8_t> library(const std::string& marker, bool pe64 = false)
{
    PeWriter writer({pe64, 0});
    EXPECT_TRUE(writer.add(
        ResourceId::from_number(10), ResourceId::from_number(101), 0x0409, bytes_of("picture from " + marker)));
    EXPECT_TRUE(writer.add(ResourceId::from_number(10), ResourceId::from_number(102), 0x0409, bytes_of("second")));
    EXPECT_TRUE(writer.add(
        ResourceId::from_name(u"WAVE"), ResourceId::from_name(u"SHAVER_LOOP"), 0x0804, bytes_of("loop 中文")));
    EXPECT_TRUE(
        writer.add(ResourceId::from_name(u"WAVE"), ResourceId::from_name(u"SHAVER_LOOP"), 0x0409, bytes_of("loop en")));
    return writer.build();
}

std::string resource_text(HMODULE module, LPCWSTR name, LPCWSTR type)
{
    HRSRC found = FindResourceW(module, name, type);
    if (!found) return "<not found>";
    HGLOBAL loaded = LoadResource(module, found);
    const char* bytes = static_cast<const char*>(LockResource(loaded));
    return std::string(bytes, SizeofResource(module, found));
}

std::u16string module_file_name(HMODULE module)
{
    WCHAR buffer[MAX_PATH];
    DWORD length = GetModuleFileNameW(module, buffer, MAX_PATH);
    return std::u16string(buffer, length);
}

TEST_F(LoaderTest, PackedResourcesReadBackThroughTheWin32Calls)
{
    for (bool pe64 : {false, true}) {
        SCOPED_TRACE(pe64 ? "PE32+" : "PE32");
        put_file("Windows/Themes/Default/ovres.dll", library("theme", pe64));
        HMODULE module = LoadLibraryExW(u"\\Windows\\Themes\\Default\\ovres.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(module, nullptr) << GetLastError();
        EXPECT_LE(reinterpret_cast<std::uintptr_t>(module), 0xFFFFFFFFu);

        EXPECT_EQ(resource_text(module, MAKEINTRESOURCE(101), RT_RCDATA), "picture from theme");
        EXPECT_EQ(resource_text(module, u"#102", MAKEINTRESOURCE(10)), "second");
        // Names ignore case; the first language in the directory wins.
        EXPECT_EQ(resource_text(module, u"shaver_loop", u"wave"), "loop en");
        HRSRC chinese = FindResourceExW(module, u"WAVE", u"SHAVER_LOOP", 0x0804);
        ASSERT_NE(chinese, nullptr);
        EXPECT_EQ(SizeofResource(module, chinese), std::strlen("loop 中文"));

        EXPECT_EQ(FindResourceW(module, MAKEINTRESOURCE(999), RT_RCDATA), nullptr);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
        EXPECT_EQ(FindResourceW(module, MAKEINTRESOURCE(101), RT_BITMAP), nullptr);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_TYPE_NOT_FOUND));
        EXPECT_EQ(FindResourceExW(module, u"WAVE", u"SHAVER_LOOP", 0x0407), nullptr);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_LANG_NOT_FOUND));
        EXPECT_EQ(module_file_name(module), u"\\Windows\\Themes\\Default\\ovres.dll");
        EXPECT_TRUE(FreeLibrary(module));
    }
}

TEST_F(LoaderTest, NamesBeyondAsciiFoldAsFileNamesDo)
{
    // Latin Extended, Greek, Cyrillic, Armenian and full-width names: a
    // resource and its library are found in any case, and a second resource
    // whose name differs only in case is refused as the same one.
    const std::u16string names[][2] = {
        {u"\u0179R\u00D3D\u0141O", u"\u017Ar\u00F3d\u0142o"},  // Źródło
        {u"\u03A3\u0397\u039C\u0391", u"\u03C3\u03B7\u03BC\u03B1"},  // ΣΗΜΑ
        {u"\u0417\u0412\u0423\u041A", u"\u0437\u0432\u0443\u043A"},  // ЗВУК
        {u"\u0541\u0531\u0545\u0546", u"\u0571\u0561\u0575\u0576"},  // ՁԱՅՆ
        {u"\uFF37\uFF21\uFF36\uFF25", u"\uFF57\uFF41\uFF56\uFF45"},  // ＷＡＶＥ
    };
    PeWriter writer;
    int marker = 0;
    for (const auto& pair : names) {
        std::string text = "resource " + std::to_string(marker++);
        EXPECT_TRUE(
            writer.add(ResourceId::from_name(u"SOUND"), ResourceId::from_name(pair[1]), 0x0409, bytes_of(text)));
        EXPECT_FALSE(writer.add(ResourceId::from_name(u"sound"), ResourceId::from_name(pair[0]), 0x0409, bytes_of("")));
    }
    put_file("Windows/\xC5\xBAr\xC3\xB3"
             "d\xC5\x82o.dll",
        writer.build());

    HMODULE module = LoadLibraryExW(u"\u0179R\u00D3D\u0141O.DLL", nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr) << GetLastError();
    marker = 0;
    for (const auto& pair : names) {
        std::string text = "resource " + std::to_string(marker++);
        EXPECT_EQ(resource_text(module, pair[0].c_str(), u"Sound"), text);
        EXPECT_EQ(resource_text(module, pair[1].c_str(), u"sOUND"), text);
    }
    EXPECT_TRUE(FreeLibrary(module));
}

TEST_F(LoaderTest, BareNamesSearchTheProgramFolderThenWindows)
{
    put_file("Windows/BrisellRes.dll", library("windows"));
    HMODULE from_windows = LoadLibraryW(u"brisellres.dll");
    ASSERT_NE(from_windows, nullptr);
    EXPECT_EQ(resource_text(from_windows, MAKEINTRESOURCE(101), RT_RCDATA), "picture from windows");
    EXPECT_EQ(module_file_name(from_windows), u"\\Windows\\BrisellRes.dll");

    put_file("Program Files/Velmor/BrisellRes.dll", library("program"));
    HMODULE from_program = LoadLibraryW(u"BrisellRes");  // ".dll" is implied
    ASSERT_NE(from_program, nullptr);
    EXPECT_NE(from_program, from_windows);
    EXPECT_EQ(resource_text(from_program, MAKEINTRESOURCE(101), RT_RCDATA), "picture from program");
    EXPECT_EQ(module_file_name(from_program), u"\\Program Files\\Velmor\\BrisellRes.dll");

    // The search follows the program wherever the host puts it.
    platform::loader::set_program_path(u"\\Apps\\Other.exe");
    put_file("Apps/BrisellRes.dll", library("apps"));
    HMODULE from_apps = LoadLibraryW(u"BrisellRes.dll");
    EXPECT_EQ(resource_text(from_apps, MAKEINTRESOURCE(101), RT_RCDATA), "picture from apps");

    EXPECT_EQ(LoadLibraryW(u"Missing.dll"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    // Below the Win32 call the failure names every place looked in.
    DWORD error = 0;
    auto missing = platform::loader::load_module(u"Missing.dll", &error);
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    EXPECT_NE(missing.failure().text().find("\\Apps\\Missing.dll, \\Windows\\Missing.dll"), std::string::npos)
        << missing.failure().text();
    EXPECT_TRUE(reports_.empty()) << "a missing library is not worth a report";
}

TEST_F(LoaderTest, LoadsAreCountedPerFile)
{
    put_file("Windows/ovres.dll", library("one"));
    HMODULE first = LoadLibraryW(u"\\Windows\\ovres.dll");
    HMODULE second = LoadLibraryExW(u"\\WINDOWS\\OVRES.DLL", nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HMODULE third = LoadLibraryW(u"ovres.dll");
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(second, first);
    EXPECT_EQ(third, first);
    EXPECT_EQ(GetModuleHandleW(u"OVRES.dll"), first);
    EXPECT_EQ(GetModuleHandleW(u"\\windows\\ovres"), first);

    HRSRC found = FindResourceW(first, MAKEINTRESOURCE(101), RT_RCDATA);
    const void* locked = LockResource(LoadResource(first, found));
    ASSERT_NE(locked, nullptr);
    // Replacing the file on disk does not touch the loaded copy.
    put_file("Windows/ovres.dll", library("two"));

    EXPECT_TRUE(FreeLibrary(first));
    EXPECT_TRUE(FreeLibrary(first));
    EXPECT_EQ(std::memcmp(locked, "picture from one", 16), 0) << "bytes stay while a load is left";
    EXPECT_EQ(LoadResource(first, found), locked);
    EXPECT_TRUE(FreeLibrary(first));

    EXPECT_FALSE(FreeLibrary(first));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(FindResourceW(first, MAKEINTRESOURCE(101), RT_RCDATA), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(LoadResource(nullptr, found), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(SizeofResource(nullptr, found), 0u);
    EXPECT_EQ(GetModuleHandleW(u"ovres.dll"), nullptr);

    HMODULE again = LoadLibraryW(u"ovres.dll");
    ASSERT_NE(again, nullptr);
    EXPECT_NE(again, first) << "handles are not reused at once";
    EXPECT_EQ(resource_text(again, MAKEINTRESOURCE(101), RT_RCDATA), "picture from two");
}

TEST_F(LoaderTest, ResourceHandlesBelongToTheirModule)
{
    put_file("Windows/a.dll", library("a"));
    put_file("Windows/b.dll", library("b"));
    HMODULE a = LoadLibraryW(u"a.dll");
    HMODULE b = LoadLibraryW(u"b.dll");
    HRSRC in_a = FindResourceW(a, MAKEINTRESOURCE(101), RT_RCDATA);
    ASSERT_NE(in_a, nullptr);
    EXPECT_EQ(FindResourceW(a, MAKEINTRESOURCE(101), RT_RCDATA), in_a);
    EXPECT_EQ(LoadResource(b, in_a), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(LoadResource(a, reinterpret_cast<HRSRC>(0x12345)), nullptr);
    EXPECT_EQ(LockResource(nullptr), nullptr);
}

TEST_F(LoaderTest, MalformedLibrariesFailTheLoadAndAreReported)
{
    put_file("Windows/text.dll", bytes_of(std::string(100, '#') + " this is not a library"));
    auto truncated = library("cut");
    truncated.resize(truncated.size() - 1);
    put_file("Windows/cut.dll", truncated);
    put_file("Windows/folder.dll/inner", bytes_of("x"));

    EXPECT_EQ(LoadLibraryW(u"text.dll"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_EXE_FORMAT));
    EXPECT_EQ(LoadLibraryExW(u"\\Windows\\cut.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_BAD_EXE_FORMAT));
    ASSERT_EQ(reports_.size(), 2u);
    EXPECT_NE(reports_[0].find("\\Windows\\text.dll"), std::string::npos) << reports_[0];
    EXPECT_NE(reports_[0].find("MZ"), std::string::npos) << reports_[0];
    EXPECT_NE(reports_[1].find("past the end of the file"), std::string::npos) << reports_[1];
    // What is reported is the load's own failure, word for word.
    DWORD error = 0;
    auto again = platform::loader::load_module(u"text.dll", &error);
    ASSERT_FALSE(again.ok());
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_BAD_EXE_FORMAT));
    EXPECT_EQ(again.failure().text(), reports_[0]);
    EXPECT_EQ(again.failure().text().rfind("\\Windows\\text.dll: not a valid resource library: ", 0), 0u)
        << again.failure().text();
    reports_.clear();

    EXPECT_EQ(LoadLibraryW(u"folder.dll"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    EXPECT_EQ(LoadLibraryW(u"\\..\\..\\etc\\passwd"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    EXPECT_EQ(LoadLibraryW(nullptr), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    put_file("Windows/ok.dll", library("ok"));
    EXPECT_EQ(LoadLibraryExW(u"ok.dll", reinterpret_cast<HANDLE>(4), 0), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(LoadLibraryExW(u"ok.dll", nullptr, 0x80000000u), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_NE(LoadLibraryExW(u"ok.dll", nullptr, 0), nullptr) << "loaded as data without the flag too";
}

TEST_F(LoaderTest, ProgramModuleHasANameButNoResources)
{
    HMODULE program = GetModuleHandleW(nullptr);
    ASSERT_NE(program, nullptr);
    EXPECT_EQ(GetModuleHandleW(u"velmor.exe"), program);
    EXPECT_EQ(module_file_name(nullptr), u"\\Program Files\\Velmor\\Velmor.exe");
    EXPECT_EQ(module_file_name(program), u"\\Program Files\\Velmor\\Velmor.exe");
    EXPECT_EQ(FindResourceW(nullptr, MAKEINTRESOURCE(101), RT_RCDATA), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_DATA_NOT_FOUND));
    EXPECT_EQ(GetModuleHandleW(u"nothing.dll"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
}

TEST_F(LoaderTest, ModuleFileNameIsCutToTheBuffer)
{
    const std::u16string path = u"\\Program Files\\Velmor\\Velmor.exe";
    const DWORD length = static_cast<DWORD>(path.size());
    WCHAR buffer[64];

    std::fill(std::begin(buffer), std::end(buffer), u'#');
    SetLastError(0);
    EXPECT_EQ(GetModuleFileNameW(nullptr, buffer, length + 1), length);
    EXPECT_EQ(std::u16string(buffer), path);
    EXPECT_EQ(GetLastError(), 0u);

    for (DWORD size : {length, 10u, 1u}) {
        std::fill(std::begin(buffer), std::end(buffer), u'#');
        EXPECT_EQ(GetModuleFileNameW(nullptr, buffer, size), size);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
        EXPECT_EQ(std::u16string(buffer), path.substr(0, size - 1));
        EXPECT_EQ(buffer[size], u'#') << "nothing written past the buffer";
    }
    buffer[0] = u'#';
    EXPECT_EQ(GetModuleFileNameW(nullptr, buffer, 0), 0u);
    EXPECT_EQ(buffer[0], u'#');
    EXPECT_EQ(GetModuleFileNameW(reinterpret_cast<HMODULE>(0x7770000), buffer, 64), 0u);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
}

// A string table block: sixteen counted UTF-16LE strings.
std::vector<std::uint8_t> string_block(const std::vector<std::u16string>& strings)
{
    std::vector<std::uint8_t> block;
    for (std::size_t i = 0; i < 16; ++i) {
        std::u16string text = i < strings.size() ? strings[i] : u"";
        block.push_back(static_cast<std::uint8_t>(text.size()));
        block.push_back(static_cast<std::uint8_t>(text.size() >> 8));
        for (char16_t c : text) {
            block.push_back(static_cast<std::uint8_t>(c));
            block.push_back(static_cast<std::uint8_t>(c >> 8));
        }
    }
    return block;
}

TEST_F(LoaderTest, LoadStringReadsStringTables)
{
    PeWriter writer;
    // Strings 16..31 live in block 2; 17 is the second of it.
    ASSERT_TRUE(writer.add(ResourceId::from_number(6), ResourceId::from_number(2), 0x0804,
        string_block({u"sixteen", u"剃须刀已关闭", u"", u"eighteen"})));
    std::vector<std::uint8_t> broken = string_block({u"x"});
    broken.resize(4);  // the first string claims more than the block holds
    broken[0] = 0xFF;
    ASSERT_TRUE(writer.add(ResourceId::from_number(6), ResourceId::from_number(3), 0x0804, broken));
    put_file("Windows/strings.dll", writer.build());
    HMODULE module = LoadLibraryW(u"strings.dll");
    ASSERT_NE(module, nullptr);

    WCHAR buffer[32];
    EXPECT_EQ(LoadStringW(module, 17, buffer, 32), 6);
    EXPECT_EQ(std::u16string(buffer), u"剃须刀已关闭");
    EXPECT_EQ(LoadStringW(module, 19, buffer, 4), 3);
    EXPECT_EQ(std::u16string(buffer), u"eig");
    const WCHAR* pointer = nullptr;
    EXPECT_EQ(LoadStringW(module, 16, reinterpret_cast<LPWSTR>(&pointer), 0), 7);
    ASSERT_NE(pointer, nullptr);
    EXPECT_EQ(std::u16string(pointer, 7), u"sixteen");

    buffer[0] = u'#';
    EXPECT_EQ(LoadStringW(module, 18, buffer, 32), 0);  // empty means absent
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(LoadStringW(module, 100, buffer, 32), 0);
    EXPECT_EQ(LoadStringW(module, 32, buffer, 32), 0);  // in the broken block
    EXPECT_EQ(LoadStringW(module, 33, buffer, 32), 0);
    EXPECT_EQ(LoadStringW(module, 48, buffer, 32), 0);
}

}  // namespace

TEST_F(LoaderTest, ALibraryLinkedOutOfTheRootIsNeverLoaded)
{
    auto outside = root_.parent_path() / (root_.filename().string() + "-outside");
    std::filesystem::create_directories(outside);
    auto secret = library("outside");
    std::ofstream(outside / "secret.dll", std::ios::binary)
        .write(reinterpret_cast<const char*>(secret.data()), std::streamsize(secret.size()));
    put_file("Windows/placeholder", {});

    // Planted: the walk meets the link and refuses it, and says so.
    std::filesystem::create_symlink(outside / "secret.dll", root_ / "Windows" / "planted.dll");
    EXPECT_EQ(LoadLibraryW(u"\\Windows\\planted.dll"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_MOD_NOT_FOUND));
    auto planted = platform::loader::load_module(u"\\Windows\\planted.dll");
    ASSERT_FALSE(planted.ok());
    EXPECT_NE(planted.failure().text().find("outside the device root"), std::string::npos) << planted.failure().text();

    // Swapped in between the walk and the open: never followed either.
    auto inside = library("inside");
    int loaded = 0;
    {
        LinkSwapper swapper(
            root_ / "Windows" / "flip.dll", std::string(inside.begin(), inside.end()), outside / "secret.dll");
        for (int attempt = 0; attempt < 3000 || swapper.swaps() < 100; ++attempt) {
            HMODULE module = LoadLibraryW(u"\\Windows\\flip.dll");
            if (!module) continue;
            ++loaded;
            ASSERT_EQ(resource_text(module, MAKEINTRESOURCE(101), RT_RCDATA), "picture from inside")
                << "attempt " << attempt;
            FreeLibrary(module);
            if (attempt > 100000) break;
        }
    }
    EXPECT_GT(loaded, 0);
    std::error_code code;
    std::filesystem::remove_all(outside, code);
}
