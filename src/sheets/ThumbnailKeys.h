#pragma once
// The keys of section "Thumbnails" of the settings store, which holds the
// default thumbnail format, with the store's defaults. Fonts are stored as
// 60-byte raw values (LogFont); their default is the system font, which the
// caller supplies.

#include <cstdint>

#include "common/SettingsKeys.h"

namespace pix::settings {

struct ColorKey {
    const char* section;
    const char* key;
    uint32_t fallback;  // 0x00BBGGRR
};
struct TextKey {
    const char* section;
    const char* key;
    const char* fallback;
};
struct FontKey {
    const char* section;
    const char* key;
};

inline constexpr ColorKey kBgC{kThumbnails, "BgC", 0x608000};
inline constexpr ColorKey kBgL{kThumbnails, "BgL", 0xE0EAF3};
inline constexpr ColorKey kBgR{kThumbnails, "BgR", 0x3D6C98};
inline constexpr ColorKey kBgT{kThumbnails, "BgT", 0xF4E7DF};
inline constexpr ColorKey kBgB{kThumbnails, "BgB", 0x9F5835};
inline constexpr IntKey kBgH{kThumbnails, "BgH", 1};
inline constexpr IntKey kBgV{kThumbnails, "BgV", 1};
inline constexpr IntKey kBgI{kThumbnails, "BgI", 0};
inline constexpr IntKey kBgImgOpacity{kThumbnails, "BgImgOpacity", 128};
inline constexpr TextKey kBgImg{kThumbnails, "BgImg", ""};
inline constexpr IntKey kBgImgPlc{kThumbnails, "BgImgPlc", 0};
inline constexpr IntKey kPagMargL{kThumbnails, "PagMargL", 0};
inline constexpr IntKey kPagMargT{kThumbnails, "PagMargT", 0};
inline constexpr IntKey kTmbMargL{kThumbnails, "TmbMargL", 4};
inline constexpr IntKey kTmbMargT{kThumbnails, "TmbMargT", 4};
inline constexpr TextKey kFX{kThumbnails, "FX", "Shadow"};
inline constexpr IntKey kFXArea{kThumbnails, "FXArea", 100};
inline constexpr IntKey kTmbSiz{kThumbnails, "TmbSiz", 80};
inline constexpr IntKey kMaxPerPage{kThumbnails, "MaxPerPage", 0};
inline constexpr IntKey kRows{kThumbnails, "Rows", 0};
inline constexpr IntKey kCols{kThumbnails, "Cols", 0};
inline constexpr TextKey kLabel{kThumbnails, "Label", "[FileName]"};
inline constexpr TextKey kTitle{kThumbnails, "Title", "Title goes here"};
inline constexpr TextKey kFooter{kThumbnails, "Footer", "Footer goes here"};
inline constexpr FontKey kTSFont{kThumbnails, "TSFont"};
inline constexpr FontKey kTitleFont{kThumbnails, "TitleFont"};
inline constexpr FontKey kFooterFont{kThumbnails, "FooterFont"};
inline constexpr ColorKey kTSCol{kThumbnails, "TSCol", 0x000000};
inline constexpr ColorKey kTitleCol{kThumbnails, "TitleCol", 0x808000};
inline constexpr ColorKey kFooterCol{kThumbnails, "FooterCol", 0xFFFF00};

}  // namespace pix::settings
