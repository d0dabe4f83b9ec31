#pragma once
// The data of a contact sheet: for every item its file path, its label and
// its list picture, the display order of the items and the sheet's
// thumbnail format; the item operations and the ".pxc" file.
//
// Invariants: files, labels and pictures have one count n; order has n
// entries and is a permutation of 0 .. n - 1 (order[position] = item
// index). Items are addressed by position everywhere the user sees them.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "sheets/CThumbnailSettings.h"
#include "sheets/ThumbnailList.h"

namespace pix {

class ArchiveReader;
class ArchiveWriter;
class Progress;
class ThumbnailMaker;

class ThumbnailSheet {
public:
    // The label of the item at a position, from the format's label text.
    // It may be called while the item being added has no label yet
    // (Labels().size() == item index): a "[Label]" field is then empty.
    using LabelExpander = std::function<std::string(const ThumbnailSheet& sheet, size_t position)>;

    // An empty sheet with the default format and an empty list of
    // tmbSiz × tmbSiz pictures.
    ThumbnailSheet();

    size_t Count() const { return files_.size(); }
    const std::vector<std::string>& Files() const { return files_; }
    const std::vector<std::string>& Labels() const { return labels_; }
    const std::vector<uint32_t>& Order() const { return order_; }
    // The item index shown at position.
    uint32_t ItemAt(size_t position) const { return order_[position]; }
    const ThumbnailList& Thumbnails() const { return thumbnails_; }
    const CThumbnailSettings& Settings() const { return settings_; }
    CThumbnailSettings& Settings() { return settings_; }

    // Label editing, a changed path, a new display order (sorting,
    // dragging). SetOrder refuses anything but a permutation of the items.
    void SetLabel(uint32_t item, std::string label);
    void SetFile(uint32_t item, std::string path);
    bool SetOrder(std::vector<uint32_t> order);

    // The default expander gives the file name (FileNameOf the item's path).
    void SetLabelExpander(LabelExpander expander);
    std::string ExpandLabel(size_t position) const;
    // The part of path after its last '/' or '\' (the whole path without
    // either).
    static std::string FileNameOf(std::string_view path);

    // A new sheet from the given files: files in list order, labels
    // the file names, order 0 .. n - 1, then the pictures (side × side,
    // made with load = true until progress is cancelled, with load = false
    // after), then every label through ExpandLabel. The format and the
    // memory rule that chooses side are the caller's. False, leaving the
    // sheet unchanged, when more files are given than a list of that
    // picture size holds.
    bool FillFromFiles(const std::vector<std::string>& paths, uint32_t side, ThumbnailMaker& maker,
                       Progress& progress);

    // Appends the file as a new item (index n) shown at position (clamped
    // to 0 .. n); its label is ExpandLabel(position), its picture comes
    // from maker at the list's picture size. False, with nothing changed,
    // when the list cannot take another picture. The caller announces
    // SheetChange::ItemInserted at position.
    bool AddFile(const std::string& path, size_t position, ThumbnailMaker& maker);
    // Removes the item shown at position; the items behind it are
    // renumbered. The caller announces SheetChange::ItemRemoved.
    void RemoveAt(size_t position);
    // labels[order[p]] = ExpandLabel(p) for every position p. The caller
    // announces kHintRefreshAll.
    void GenerateLabels();

    // The ".pxc" layout: version list "01", paths, labels, order, format
    // record, image-list block.
    void Serialize(ArchiveWriter& out) const;
    // Reads the current layout and the older ones (no version list, or
    // version 0: labels and order are made from the paths). False, with
    // the reader failed and the sheet unchanged, when the input is cut
    // short or inconsistent. Bytes after the image-list block are ignored.
    bool Serialize(ArchiveReader& in);
    std::vector<uint8_t> ToBytes() const;
    bool FromBytes(std::span<const uint8_t> bytes);

    // Writes the file through a temporary file; false when it cannot.
    bool Save(const std::string& path) const;
    // False, with the sheet unchanged, when the file cannot be read or is
    // damaged.
    bool Load(const std::string& path);

private:
    // The picture maker's result, or a transparent one of the right size.
    std::vector<uint8_t> PictureFor(ThumbnailMaker& maker, const std::string& path, bool load) const;

    std::vector<std::string> files_;
    std::vector<std::string> labels_;
    std::vector<uint32_t> order_;
    ThumbnailList thumbnails_;
    CThumbnailSettings settings_;
    LabelExpander expander_;
};

}  // namespace pix
