// velmor-res: packs files into resource-only DLLs, the resource libraries the
// phone loads its pictures and sounds from, and looks inside such DLLs.
#include <cctype>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <system_error>
#include <unordered_map>
#include <vector>

#include "manifest.h"
#include "platform/files/atomic_file.h"
#include "platform/kernel/utf.h"
#include "platform/loader/pe_format.h"
#include "platform/loader/pe_reader.h"
#include "platform/loader/pe_writer.h"

namespace {

using platform::loader::PeReader;
using platform::loader::PeResource;
using platform::loader::PeWriter;
using platform::loader::ResourceId;
using Bytes = std::vector<std::uint8_t>;

constexpr std::uint16_t default_language = 0x0409;

const char usage[] = R"(usage:
  velmor-res pack [--pe64] [--machine arm|i386|amd64|arm64] [--lang N] [--allow-outside]
                  OUT.dll MANIFEST
      Packs the files a manifest names into a resource-only DLL. The manifest
      has one resource a line, "ID TYPE FILE" (FILE relative to the manifest),
      "LANGUAGE N" for the lines that follow and "#" comments. ID and TYPE are
      numbers or names; TYPE also takes RCDATA, BITMAP, STRING and the other
      standard types; a "quoted" name takes \" \\ \n \r \t and \uXXXX.
      The language is 0x0409 unless --lang says otherwise. PE32 for ARM
      unless --pe64 (PE32+, AMD64) or --machine says otherwise. Files outside
      the manifest's folder are refused unless --allow-outside.
  velmor-res list FILE.dll
      Prints each resource as "TYPE ID LANGUAGE SIZE", names written as in a
      manifest (control characters escaped).
  velmor-res extract [--lang N] FILE.dll TYPE ID OUTFILE
      Writes one resource (its first language unless --lang says which).
  velmor-res extract-all FILE.dll DIR
      Writes every resource to DIR/TYPE/ID (one file each; names that would
      share a file get ".1", ".2" ...) and a manifest DIR/resources.txt that
      packs them again.
  velmor-res --help
)";

using platform::Failure;
using platform::Result;

struct Arguments {
    std::vector<std::string> positional;
    bool pe64 = false;
    bool allow_outside = false;
    std::optional<std::uint16_t> machine;
    std::optional<std::uint16_t> language;
};

Result<Arguments> parse_options(int argc, char** argv, int first)
{
    Arguments arguments;
    for (int i = first; i < argc; ++i) {
        std::string argument = argv[i];
        auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= argc) return std::nullopt;
            return argv[++i];
        };
        if (argument == "--pe64") {
            arguments.pe64 = true;
        } else if (argument == "--allow-outside") {
            arguments.allow_outside = true;
        } else if (argument == "--machine") {
            auto name = value();
            if (!name) return Failure {argument + " needs a value"};
            static const std::map<std::string, std::uint16_t> machines = {{"arm", platform::loader::pe::machine_arm},
                {"i386", platform::loader::pe::machine_i386}, {"amd64", platform::loader::pe::machine_amd64},
                {"arm64", platform::loader::pe::machine_arm64}};
            auto it = machines.find(*name);
            if (it == machines.end()) return Failure {"unknown machine '" + *name + "' (arm, i386, amd64 or arm64)"};
            arguments.machine = it->second;
        } else if (argument == "--lang") {
            auto text = value();
            if (!text) return Failure {argument + " needs a value"};
            arguments.language = velmor_res::parse_language(*text);
            if (!arguments.language)
                return Failure {"'" + *text + "' is not a language number (such as 0x0409 or 0x0804)"};
        } else if (argument.size() > 1 && argument[0] == '-' && argument != "-") {
            return Failure {"unknown option " + velmor_res::printable(argument)};
        } else {
            arguments.positional.push_back(argument);
        }
    }
    return arguments;
}

Result<void> expect_arguments(const Arguments& arguments, std::size_t count, const char* form)
{
    if (arguments.positional.size() != count) return Failure {std::string("expected: velmor-res ") + form};
    return {};
}

Result<Bytes> read_file(const std::filesystem::path& path)
{
    std::error_code code;
    if (std::filesystem::is_directory(path, code)) return Failure {path.string() + " is a folder, not a file"};
    std::ifstream in(path, std::ios::binary);
    if (!in) return Failure {"cannot read " + path.string() + ": " + std::strerror(errno)};
    Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad()) return Failure {"cannot read " + path.string()};
    return bytes;
}

Result<void> write_file(const std::filesystem::path& path, std::span<const std::uint8_t> bytes)
{
    return platform::files::write_file_atomically(
        path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::string language_text(std::uint16_t language)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", language);
    return text;
}

Result<void> pack(const Arguments& arguments)
{
    if (auto expected = expect_arguments(arguments, 2, "pack [options] OUT.dll MANIFEST"); !expected) return expected;
    const std::filesystem::path output = arguments.positional[0];
    const std::filesystem::path manifest = arguments.positional[1];
    auto entries =
        velmor_res::read_manifest(manifest, arguments.language.value_or(default_language), arguments.allow_outside);
    if (!entries) return entries.failure();

    platform::loader::PeWriterOptions options;
    options.pe64 = arguments.pe64;
    options.machine = arguments.machine.value_or(0);
    PeWriter writer(options);
    for (auto& entry : *entries) {
        std::string where = manifest.string() + ":" + std::to_string(entry.line);
        auto data = read_file(entry.file);
        if (!data) return platform::failure_at(where, data.failure().text());
        if (auto added = writer.add(entry.type, entry.name, entry.language, std::move(*data)); !added)
            return platform::failure_at(where, added.failure().text());
    }
    return write_file(output, writer.build());
}

// Reads and checks a DLL; the reader refers into bytes.
Result<PeReader> open_library(const std::filesystem::path& path, Bytes& bytes)
{
    auto read = read_file(path);
    if (!read) return read.failure();
    bytes = std::move(*read);
    auto reader = PeReader::read(bytes);
    if (!reader) return platform::failure_at(path.string(), "not a valid resource library: " + reader.failure().text());
    return reader;
}

// The manifest tokens of a library's keys. Many entries may share one long
// name; its token is made once and reused.
class KeyTokens {
public:
    const std::string& type(const ResourceId& id) { return token(types_, id, velmor_res::type_token); }
    const std::string& name(const ResourceId& id) { return token(names_, id, velmor_res::name_token); }

private:
    struct Known {
        std::unordered_map<const std::u16string*, std::string> names;
        std::string number;  // the last numbered key's token
    };

    const std::string& token(Known& known, const ResourceId& id, std::string (*make)(const ResourceId&))
    {
        if (!id.is_name()) return known.number = make(id);
        auto [it, added] = known.names.try_emplace(&id.name());
        if (added) it->second = make(id);
        return it->second;
    }
    Known types_, names_;
};

Result<void> list(const Arguments& arguments)
{
    if (auto expected = expect_arguments(arguments, 1, "list FILE.dll"); !expected) return expected;
    Bytes bytes;
    auto reader = open_library(arguments.positional[0], bytes);
    if (!reader) return reader.failure();
    KeyTokens tokens;
    for (const auto& resource : reader->resources()) {
        std::string line = tokens.type(resource.type) + " " + tokens.name(resource.name) + " " +
            language_text(resource.language) + " " + std::to_string(resource.size) + "\n";
        std::fwrite(line.data(), 1, line.size(), stdout);
    }
    return {};
}

Result<ResourceId> key_argument(const std::string& text, bool as_type)
{
    auto id = as_type ? velmor_res::parse_type(text) : velmor_res::parse_name(text);
    if (!id) return Failure {"'" + velmor_res::printable(text) + "' is not a resource " + (as_type ? "type" : "ID")};
    return *id;
}

Result<void> extract(const Arguments& arguments)
{
    if (auto expected = expect_arguments(arguments, 4, "extract [--lang N] FILE.dll TYPE ID OUTFILE"); !expected)
        return expected;
    Bytes bytes;
    auto reader = open_library(arguments.positional[0], bytes);
    if (!reader) return reader.failure();
    auto type = key_argument(arguments.positional[1], true);
    if (!type) return type.failure();
    auto name = key_argument(arguments.positional[2], false);
    if (!name) return name.failure();
    const PeResource* resource =
        arguments.language ? reader->find(*type, *name, *arguments.language) : reader->find(*type, *name);
    if (!resource) {
        std::string which = velmor_res::type_token(*type) + " " + velmor_res::name_token(*name);
        if (arguments.language) which += " in language " + language_text(*arguments.language);
        return platform::failure_at(arguments.positional[0], "has no resource " + which);
    }
    return write_file(arguments.positional[3], reader->data(*resource));
}

// A file name for a type or ID: the characters a folder may hold, others as
// "_", so no resource name can climb out of the target folder; long names are
// cut to what a file system takes.
std::string file_name_for(const ResourceId& id, bool as_type)
{
    constexpr std::size_t longest = 200;  // bytes; file systems take 255
    if (!id.is_name()) return as_type ? velmor_res::type_token(id) : std::to_string(id.number());
    std::string text;
    for (char16_t c : id.name()) {
        bool unsafe = velmor_res::is_hidden_character(c) || (c >= 0xD800 && c <= 0xDFFF) || c == u'/' || c == u'\\' ||
            c == u':' || c == u'"' || c == u'*' || c == u'?' || c == u'<' || c == u'>' || c == u'|';
        std::string piece = unsafe ? std::string("_") : platform::to_utf8(std::u16string_view(&c, 1));
        if (text.size() + piece.size() > longest) break;
        text += piece;
    }
    if (text.empty() || text == "." || text == "..") text = "_" + text;
    return text;
}

std::string lowered(std::string text)
{
    for (auto& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The manifest's FILE field: the rest of the line, quoted where spaces at
// either end would otherwise be trimmed away.
std::string file_field(const std::string& file)
{
    bool padded = file.front() == ' ' || file.back() == ' ' || file.front() == '\t' || file.back() == '\t';
    return padded ? "\"" + file + "\"" : file;
}

Result<void> extract_all(const Arguments& arguments)
{
    if (auto expected = expect_arguments(arguments, 2, "extract-all FILE.dll DIR"); !expected) return expected;
    Bytes bytes;
    auto reader = open_library(arguments.positional[0], bytes);
    if (!reader) return reader.failure();
    std::filesystem::path folder = arguments.positional[1];
    std::error_code code;
    std::filesystem::create_directories(folder, code);
    if (code) return platform::failure_at(folder.string(), "cannot create the folder: " + code.message());

    // Every resource gets a file of its own, compared without regard to case
    // so a case-insensitive disk keeps them apart too: names that differ only
    // in case or by a replaced character, and names that already end in
    // ".1", all get the next free number.
    std::set<std::string> used = {"resources.txt"};
    std::map<std::string, int> next_number;
    std::string manifest = "# Extracted from " + std::filesystem::path(arguments.positional[0]).filename().string() +
        " by velmor-res; pack again with: velmor-res pack OUT.dll resources.txt\n";
    std::optional<std::uint16_t> language;
    KeyTokens tokens;
    for (const auto& resource : reader->resources()) {
        std::string type_folder = file_name_for(resource.type, true);
        if (lowered(type_folder) == "resources.txt") type_folder = "_" + type_folder;
        std::string base = type_folder + "/" + file_name_for(resource.name, false);
        // Numbering goes on from the last number a name got, so many
        // resources of one name cost one try each.
        int& number = next_number[lowered(base)];
        std::string file = number == 0 ? base : base + "." + std::to_string(number);
        while (!used.insert(lowered(file)).second) file = base + "." + std::to_string(++number);
        ++number;

        std::filesystem::create_directories(folder / type_folder, code);
        if (code)
            return platform::failure_at((folder / type_folder).string(), "cannot create the folder: " + code.message());
        if (auto written = write_file(folder / file, reader->data(resource)); !written) return written;
        if (language != resource.language) {
            manifest += "LANGUAGE " + language_text(resource.language) + "\n";
            language = resource.language;
        }
        manifest += tokens.name(resource.name);
        manifest += " " + tokens.type(resource.type) + " " + file_field(file) + "\n";
    }
    return write_file(
        folder / "resources.txt", std::span(reinterpret_cast<const std::uint8_t*>(manifest.data()), manifest.size()));
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fputs(usage, stderr);
        return 2;
    }
    std::string command = argv[1];
    if (command == "--help" || command == "-h" || command == "help") {
        std::fputs(usage, stdout);
        return 0;
    }
    auto fail = [](const Failure& failure) {
        std::fprintf(stderr, "velmor-res: %s\n", failure.text().c_str());
        return 1;
    };
    auto arguments = parse_options(argc, argv, 2);
    if (!arguments) return fail(arguments.failure());
    Result<void> (*run)(const Arguments&) = nullptr;
    if (command == "pack") run = pack;
    if (command == "list") run = list;
    if (command == "extract") run = extract;
    if (command == "extract-all") run = extract_all;
    if (!run) {
        std::fprintf(stderr, "velmor-res: unknown command '%s'\n%s", velmor_res::printable(command).c_str(), usage);
        return 2;
    }
    if (auto done = run(*arguments); !done) return fail(done.failure());
    return 0;
}
