#include "platform/text/font_cache.h"

#include <fontconfig/fontconfig.h>

#include "platform/kernel/case_fold.h"
#include "platform/kernel/utf.h"
#include "platform/text/located_faces.h"

// fontconfig 2.14 loses a few hundred bytes once while parsing its
// configuration; leak checking in sanitizer builds is told to look past it.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

namespace platform::text {
namespace {

// Sized faces kept; the system asks for a handful of sizes, and a face is a
// few hundred kilobytes with its glyphs.
constexpr std::size_t font_cache_limit = 32;

// Family names compare without regard to case, by the same rule as every
// other name on the phone; Chinese family names have no case and compare
// exactly.
std::string folded(const std::string& text) { return to_utf8(fold_case(from_utf8(text))); }

std::string face_name(const LOGFONTW& description)
{
    std::size_t length = 0;
    while (length < LF_FACESIZE && description.lfFaceName[length]) ++length;
    return to_utf8(std::u16string_view(description.lfFaceName, length));
}

}  // namespace

std::mutex& text_mutex()
{
    static std::mutex mutex;
    return mutex;
}

FontCache& FontCache::instance()
{
    // Never destroyed: windows may still draw text while static objects of
    // the program are torn down.
    static FontCache* cache = new FontCache;
    return *cache;
}

FontCache::FontCache()
{
    if (FT_Init_FreeType(&library_) != 0) library_ = nullptr;
}

FontCache::~FontCache()
{
    fonts_.clear();
    recent_.clear();
    if (library_) FT_Done_FreeType(library_);
}

void FontCache::keep_located_faces_in(const std::filesystem::path& file)
{
    record_ = file;
    record_read_ = false;
}

std::optional<FaceFile> FontCache::locate(const std::string& family, bool bold, bool italic)
{
    std::string wanted = folded(family);
    auto key = std::make_tuple(wanted, bold, italic);
    if (auto found = located_.find(key); found != located_.end()) return found->second;
    if (!record_read_) {
        record_read_ = true;
        if (!record_.empty())
            if (auto kept = read_located_faces(record_)) {
                located_.insert(kept->begin(), kept->end());
                if (auto found = located_.find(key); found != located_.end()) return found->second;
            }
    }
    // Started only when an answer is not kept: it reads its whole
    // configuration first.
    if (!fontconfig_started_) {
        FcInit();
        fontconfig_started_ = true;
    }

    FcPattern* pattern = FcPatternCreate();
    const std::string& asked = family.empty() ? std::string(default_family) : family;
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(asked.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);

    std::optional<FaceFile> file;
    if (match) {
        // fontconfig always answers with some face; only one that carries
        // the family asked for counts, except for the default, where any
        // face is better than none.
        std::string wanted_family = folded(asked);
        bool named = false;
        FcChar8* value = nullptr;
        std::string first_family;
        for (int i = 0; FcPatternGetString(match, FC_FAMILY, i, &value) == FcResultMatch; ++i) {
            std::string name(reinterpret_cast<const char*>(value));
            if (i == 0) first_family = name;
            if (folded(name) == wanted_family) named = true;
        }
        FcChar8* path = nullptr;
        if ((named || family.empty()) && FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch) {
            FaceFile found;
            found.path = reinterpret_cast<const char*>(path);
            int index = 0, weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
            FcPatternGetInteger(match, FC_INDEX, 0, &index);
            FcPatternGetInteger(match, FC_WEIGHT, 0, &weight);
            FcPatternGetInteger(match, FC_SLANT, 0, &slant);
            found.index = index;
            found.family = first_family;
            // fontconfig reports the style asked for when it means the face to
            // be thickened or slanted, and says so in these two.
            FcBool embolden = FcFalse;
            FcMatrix* slant_matrix = nullptr;
            FcPatternGetBool(match, FC_EMBOLDEN, 0, &embolden);
            bool slanted = FcPatternGetMatrix(match, FC_MATRIX, 0, &slant_matrix) == FcResultMatch && slant_matrix &&
                slant_matrix->xy != 0;
            found.synthetic_bold = bold && (embolden || weight < FC_WEIGHT_DEMIBOLD);
            found.synthetic_italic = italic && (slanted || slant == FC_SLANT_ROMAN);
            file = found;
        }
        FcPatternDestroy(match);
    }
    located_.emplace(key, file);
    if (!record_.empty()) write_located_faces(record_, located_, fontconfig_watched_paths());
    return file;
}

std::shared_ptr<FontInstance> FontCache::find(const LOGFONTW& description)
{
    Key key {folded(face_name(description)), static_cast<long>(description.lfHeight),
        description.lfWeight >= bold_weight, description.lfItalic != 0};
    if (auto found = fonts_.find(key); found != fonts_.end()) {
        recent_.splice(recent_.begin(), recent_, found->second);
        return found->second->second;
    }
    auto font = open(key);
    if (!font) return nullptr;
    recent_.emplace_front(key, font);
    fonts_[key] = recent_.begin();
    if (recent_.size() > font_cache_limit) {
        fonts_.erase(recent_.back().first);
        recent_.pop_back();
    }
    return font;
}

std::shared_ptr<FontInstance> FontCache::open(const Key& key)
{
    if (!library_) return nullptr;
    const auto& [family, height, bold, italic] = key;
    auto file = locate(family, bold, italic);
    bool is_default = !file;
    if (!file) file = locate(std::string(), bold, italic);
    if (!file) return nullptr;
    std::shared_ptr<FontInstance> font = FontInstance::open(library_, *file, height);
    if (!font) return nullptr;
    if (!is_default && !family.empty() && folded(file->family) != folded(default_family)) {
        LOGFONTW fallback {};
        fallback.lfHeight = static_cast<LONG>(height);
        fallback.lfWeight = bold ? FW_BOLD : FW_NORMAL;
        fallback.lfItalic = italic;
        font->set_fallback(find(fallback));
    }
    return font;
}

}  // namespace platform::text
