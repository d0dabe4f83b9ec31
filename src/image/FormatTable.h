#pragma once
// The image formats as rows: each row holds everything the program knows
// about one format (its extensions, its file-dialog labels, its reader,
// writer and size query, how size hints change the picture it reads, and
// whether the window saves it through a dialog). A path's format is chosen
// by its last four characters, upper-cased, as the keys of the rows give
// them; the file dialogs' filter strings are generated from the rows.
//
// The rows are registered once at start-up, before threads, in the order
// the file dialogs list them (a stored filter index keeps meaning the same
// entry, so new rows go last). A row lives beside its codec; the list of
// rows is in the highest core layer that sees every codec.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pix {

class CImageBuffer;
class Outcome;

// What a reader tells about a picture beside its pixels.
struct PictureTraits {
    // In: whether the caller turns the picture upright. The hints are then
    // for the upright picture; a reader whose library turns pictures may
    // let it and tell orientation 1.
    bool upright = false;
    // In: whether the caller converts the colours by the profile told. A
    // reader then leaves to the profile what it would otherwise correct
    // itself (a PNG's gamma).
    bool colourManaged = false;
    // Out: how the pixels as read are to be turned for showing, as the
    // EXIF orientation 1..8 numbers it (1: as they are).
    uint8_t orientation = 1;
    // Out: the embedded ICC colour profile, empty when there is none.
    std::vector<uint8_t> iccProfile;
};

// A reader fills buf from path (buf is empty on entry and stays empty on
// failure); hints are the size the caller will scale to, 0 × 0 for full
// size. traits, when given, asks and tells what PictureTraits holds.
using ImageReader = void (*)(const std::string& path, uint32_t maxWidth, uint32_t maxHeight, CImageBuffer& buf,
                             PictureTraits* traits);
// A writer writes buf to path and tells why when it cannot; a failed
// write leaves an old file of that name as it was.
using ImageWriter = Outcome (*)(const CImageBuffer& buf, const std::string& path);
// A writer with a chosen quality, 0 (smallest) to 100 (best).
using QualityWriter = Outcome (*)(const CImageBuffer& buf, const std::string& path, int quality);

// A size query reads only as much of the file as it needs to tell the
// width and height the reader would give the picture, and its orientation
// (as PictureTraits tells it) when asked; false when it cannot.
using ImageSizeQuery = bool (*)(const std::string& path, uint32_t& width, uint32_t& height, uint8_t* orientation);

// Turns a picture's full size into the size a load with the given hints
// gives; false when that size cannot be told before loading.
using HintedSizeRule = bool (*)(uint32_t& width, uint32_t& height, uint32_t hintWidth, uint32_t hintHeight);

struct FormatRow {
    std::string_view name;        // lower case, unique: "jpeg"
    std::string_view extensions;  // the dialogs' patterns without "*.": "jpg;jif;jpeg;jpe;jfif"
    std::string_view openLabel;   // open dialogs: "JPG images (*.jpg, *.jif,*.jpeg,*.jpe)"
    std::string_view saveLabel;   // save dialogs: "JPG image (*.jpg, *.jif,*.jpeg,*.jpe)"
    ImageReader read = nullptr;
    ImageWriter write = nullptr;          // null: the format is read only
    ImageSizeQuery size = nullptr;        // null: the size is known only by loading
    HintedSizeRule hinted = nullptr;      // null: the reader ignores hints
    QualityWriter writeQuality = nullptr; // null: the format has no quality to choose
    bool saveDialog = false;              // the window saves it through its quality dialog
};

// Adds a row at the end of the table, or replaces the row of its name in
// place. Start-up only.
void RegisterFormat(const FormatRow& row);

// The rows in the dialogs' order.
std::span<const FormatRow> Formats();

// The row of a path's last four characters, or null.
const FormatRow* FormatForPath(std::string_view path);

// Whether ext (without its dot, any case) is the whole extension of a
// picture format.
bool IsPictureExtension(std::string_view ext);

// The width and height of the picture at path as a load gives it (turned
// upright when loads turn it), by its format's size query; false for
// formats without one and for unreadable files.
bool QueryImageSize(const std::string& path, uint32_t& width, uint32_t& height);

// Turns the full size of the picture at path (as QueryImageSize tells it)
// into the size a load with the given hints gives. False for unknown
// formats and where the rule cannot tell (metafiles are drawn at the
// hinted size).
bool HintedImageSize(std::string_view path, uint32_t& width, uint32_t& height, uint32_t hintWidth,
                     uint32_t hintHeight);

// File-type filters: description|patterns pairs ended by "||".
// Opening anything: every picture, sheets, all files, then each format.
std::string OpenFilter();
// Choosing pictures: each format.
std::string ImagesFilter();
// Saving a sheet: the sheet, web pages, then each format with a writer.
std::string SaveSheetFilter();
// Saving a picture: each format with a writer.
std::string SaveImageFilter();

}  // namespace pix
