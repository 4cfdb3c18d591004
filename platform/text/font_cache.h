// The faces behind the phone's fonts. A LOGFONT names a family, a height, a
// weight and a slant; fontconfig finds the file that best carries them among
// the host's fonts, and the sized face is kept for the next call that asks
// for the same.
//
// The phone's own face is WenQuanYi Micro Hei, which carries the system's
// Chinese texts. An empty face name asks for it, and so does a name the host
// has no family for: fontconfig would otherwise substitute a Latin face
// without Chinese glyphs. A known Latin face still draws the characters it
// lacks from the default face.
#pragma once

#include <filesystem>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <tuple>

#include "platform/include/wingdi.h"
#include "platform/text/font_instance.h"

namespace platform::text {

constexpr const char* default_family = "WenQuanYi Micro Hei";

class FontCache {
public:
    // The one cache of the process. Text calls hold text_mutex() while they
    // use it and the fonts it gives, since FreeType faces are not shared
    // between threads.
    static FontCache& instance();
    FontCache(const FontCache&) = delete;
    FontCache& operator=(const FontCache&) = delete;

    // The sized face for a font description; null when the host has no
    // usable font at all.
    std::shared_ptr<FontInstance> find(const LOGFONTW& description);

    // The file fontconfig gives for a family and style, or nothing when no
    // family of that name is installed (an empty family gives the default).
    std::optional<FaceFile> locate(const std::string& family, bool bold, bool italic);

    // Answers of locate are kept in this file (see located_faces.h) and
    // taken from it while they stand; an empty path keeps nothing.
    void keep_located_faces_in(const std::filesystem::path& file);

    // Own caches for tests; the system uses instance().
    FontCache();
    ~FontCache();
    using Key = std::tuple<std::string, long, bool, bool>;
    std::shared_ptr<FontInstance> open(const Key& key);

    FT_Library library_ = nullptr;
    // Most recently used first; the map points into it.
    std::list<std::pair<Key, std::shared_ptr<FontInstance>>> recent_;
    std::map<Key, decltype(recent_)::iterator> fonts_;
    std::map<std::tuple<std::string, bool, bool>, std::optional<FaceFile>> located_;
    std::filesystem::path record_;
    bool record_read_ = false;
    bool fontconfig_started_ = false;
};

std::mutex& text_mutex();

// Weights from this one up are drawn bold.
constexpr long bold_weight = FW_SEMIBOLD;

}  // namespace platform::text
