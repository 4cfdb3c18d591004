// The pack manifest of velmor-res: one resource a line, "ID TYPE FILE".
//
//     # pictures of the shaver screen
//     101 RCDATA pictures/background.png
//     LANGUAGE 0x0804
//     SHAVER_LOOP WAVE "sounds/shaver loop.wav"
//
// ID and TYPE are numbers (decimal, 0x-hex or "#123"), standard type names
// (RCDATA, BITMAP, RT_STRING ...) or other names; a quoted ID or TYPE is always
// a name; inside quotes \" is a quote, \\ a backslash, \n \r \t the control
// characters and \uXXXX any UTF-16 unit, so every name can be written on one
// line. FILE is the rest of the line, relative to the manifest's folder and
// inside it. "LANGUAGE n" sets the language of the lines that follow.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/kernel/result.h"
#include "platform/loader/resource_id.h"

namespace velmor_res {

struct ManifestEntry {
    platform::loader::ResourceId name;
    platform::loader::ResourceId type;
    std::uint16_t language = 0;
    std::filesystem::path file;  // resolved against the manifest's folder
    int line = 0;
};

// Reads a manifest's entries; a line it cannot read fails where
// "res.txt:3". Entries start in default_language until a LANGUAGE line. A
// FILE outside the manifest's folder (by "..", an absolute path or a link) is
// refused unless allow_outside: a manifest from elsewhere must not pack the
// host's own files.
platform::Result<std::vector<ManifestEntry>> read_manifest(
    const std::filesystem::path& manifest, std::uint16_t default_language, bool allow_outside);

// Whether file lies inside folder, also once links are followed.
bool lies_within(const std::filesystem::path& folder, const std::filesystem::path& file);

// Characters that must not reach a terminal or a manifest line as they are:
// controls, line separators and text-direction marks.
bool is_hidden_character(char16_t c);
// A name with quotes, backslashes and hidden characters escaped as a quoted
// token reads them back.
std::string escaped_name(std::u16string_view name);
// UTF-8 text with the same escapes, for messages that quote input.
std::string printable(std::string_view text);

// Parses a TYPE or ID token as a person writes it on the command line or in
// a manifest (a type also takes the standard names).
std::optional<platform::loader::ResourceId> parse_type(const std::string& token, bool quoted = false);
std::optional<platform::loader::ResourceId> parse_name(const std::string& token, bool quoted = false);
std::optional<std::uint16_t> parse_language(const std::string& token);

// The token that reads back as the same key, quoted where a bare name would
// be taken for a number or a standard type.
std::string type_token(const platform::loader::ResourceId& type);
std::string name_token(const platform::loader::ResourceId& name);

}  // namespace velmor_res
