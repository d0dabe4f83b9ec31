#pragma once
// A thumbnail format: how the pages of a contact sheet look (background,
// grid, effect, label, title and footer texts with their fonts and
// colours). Every sheet owns one; the settings store keeps the default one
// in section "Thumbnails"; ".tfm" files hold one format record.
//
// Colours are 0x00BBGGRR. Flags are 32-bit values, non-zero meaning on.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "sheets/LogFont.h"

namespace pix {

class ArchiveReader;
class ArchiveWriter;
class Prompter;
class SettingsStore;

// An inclusive range of values the format editor accepts.
struct IntRange {
    int32_t min;
    int32_t max;
    constexpr bool Contains(int64_t v) const { return v >= min && v <= max; }
    constexpr int32_t Clamp(int64_t v) const
    {
        return static_cast<int32_t>(v < min ? min : (v > max ? max : v));
    }
};

class CThumbnailSettings {
public:
    // Ranges of the editable fields.
    static constexpr IntRange kOpacityRange{0, 256};        // bgImgOpacity
    static constexpr IntRange kMarginRange{0, 100};         // pagMargL/T, tmbMargL/T
    static constexpr IntRange kFxAreaRange{0, 600};         // fxArea
    static constexpr IntRange kThumbnailSizeRange{4, 512};  // tmbSiz
    static constexpr IntRange kRowsColsRange{0, 32767};     // rows, cols

    // Background picture placement (bgImgPlc).
    static constexpr int32_t kPlaceCenter = 0;
    static constexpr int32_t kPlaceScaleToFit = 1;
    static constexpr int32_t kPlaceTile = 2;

    // The effect names in the order the editor lists them. Names compare
    // exactly; any other text is drawn like one of the frames and borders.
    static constexpr std::array<std::string_view, 7> kEffectNames{
        "None", "Sunken border", "Raised border", "Black frame", "White frame", "Shadow", "Soft edges"};

    // The version a record is written with.
    static constexpr int32_t kRecordVersion = -4;

    // The store's defaults, with DefaultFont() for the three fonts.
    CThumbnailSettings();

    // The font the fonts default to: the system font, which only the
    // platform layer can ask for; it sets it once at start-up. Until then
    // FallbackLogFont().
    static void SetDefaultFont(const LogFont& font);
    static LogFont DefaultFont();

    // Fills every field from section "Thumbnails"; missing keys get the
    // store's defaults, fonts defaultFont unless the stored value is exactly
    // 60 bytes. bgI is 0 afterwards when bgImg is empty.
    void LoadFromRegistry(const SettingsStore& store, const LogFont& defaultFont = DefaultFont());
    // Writes every field to section "Thumbnails".
    void SaveToRegistry(SettingsStore& store) const;

    // Writes the format record: version -4 and all 31 entries.
    void Serialize(ArchiveWriter& out) const;
    // Reads a record of any version (or none). Fields an older record lacks
    // get 128 (tmbSiz), 0 (maxPerPage, rows, cols) and "[FileName]"
    // (label). False, with the reader failed and this format unchanged,
    // when the record is cut short or damaged.
    bool Serialize(ArchiveReader& in);

    // The ".tfm" file: the record alone. Saving reports "Could not write "
    // + path; loading reports "Could not read " + path when the file cannot
    // be opened and that it is damaged when the record does not read; in
    // both failures this format is unchanged.
    bool SaveFormatFile(const std::string& path, Prompter& prompter) const;
    bool LoadFormatFile(const std::string& path, Prompter& prompter);

    bool operator==(const CThumbnailSettings&) const = default;

    uint32_t bgC;           // background colour when no gradient is on
    uint32_t bgL;           // left edge of the horizontal gradient
    uint32_t bgR;           // right edge
    uint32_t bgT;           // top edge of the vertical gradient
    uint32_t bgB;           // bottom edge
    int32_t bgH;            // horizontal gradient on
    int32_t bgV;            // vertical gradient on
    int32_t bgI;            // background picture on
    int32_t bgImgOpacity;   // 0 invisible .. 256 opaque
    std::string bgImg;      // full path of the background picture
    int32_t bgImgPlc;       // kPlaceCenter, kPlaceScaleToFit or kPlaceTile
    int32_t pagMargL;       // left and right page margin, percent of the width
    int32_t pagMargT;       // top and bottom page margin, percent of the height
    int32_t tmbMargL;       // left and right cell margin, percent of the cell width
    int32_t tmbMargT;       // top cell margin, percent of the cell height
    std::string fx;         // effect name
    int32_t fxArea;         // extent of the effect, percent
    int32_t tmbSiz;         // side of the list pictures of a new sheet
    int32_t maxPerPage;     // thumbnails per page, 0 = all on one page
    int32_t rows;           // rows per page, 0 = automatic
    int32_t cols;           // columns per page, 0 = automatic
    std::string label;      // label text with item fields
    std::string title;      // title text with page fields
    std::string footer;     // footer text with page fields
    LogFont tsFont;         // label font
    LogFont titleFont;
    LogFont footerFont;
    uint32_t tsCol;         // label colour
    uint32_t titleCol;
    uint32_t footerCol;
};

}  // namespace pix
