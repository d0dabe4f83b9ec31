#include "sheets/ThumbnailSheet.h"

#include <algorithm>
#include <utility>

#include "common/Archive.h"
#include "common/AtomicFile.h"
#include "common/FileBytes.h"
#include "common/Progress.h"
#include "sheets/ImageListStream.h"
#include "sheets/ThumbnailMaker.h"

namespace pix {

namespace {

// The one string of the version list this version writes.
constexpr std::string_view kVersionString = "01";

// A version list is one string of at least two characters that begins with
// "0"; its version is the string's decimal value (leading digits).
bool IsVersionList(const std::vector<std::string>& list, uint32_t& version)
{
    if (list.size() != 1 || list[0].size() < 2 || list[0][0] != '0')
        return false;
    uint64_t value = 0;
    for (char c : list[0]) {
        if (c < '0' || c > '9')
            break;
        value = std::min<uint64_t>(value * 10 + static_cast<uint64_t>(c - '0'), UINT32_MAX);
    }
    version = static_cast<uint32_t>(value);
    return true;
}

bool IsPermutation(const std::vector<uint32_t>& order, size_t n)
{
    if (order.size() != n)
        return false;
    std::vector<bool> seen(n, false);
    for (uint32_t item : order) {
        if (item >= n || seen[item])
            return false;
        seen[item] = true;
    }
    return true;
}

}  // namespace

ThumbnailSheet::ThumbnailSheet()
{
    const uint32_t side = static_cast<uint32_t>(CThumbnailSettings::kThumbnailSizeRange.Clamp(settings_.tmbSiz));
    thumbnails_ = ThumbnailList(side, side, 0);
}

void ThumbnailSheet::SetLabel(uint32_t item, std::string label)
{
    if (item < labels_.size())
        labels_[item] = std::move(label);
}

void ThumbnailSheet::SetFile(uint32_t item, std::string path)
{
    if (item < files_.size())
        files_[item] = std::move(path);
}

bool ThumbnailSheet::SetOrder(std::vector<uint32_t> order)
{
    if (!IsPermutation(order, Count()))
        return false;
    order_ = std::move(order);
    return true;
}

void ThumbnailSheet::SetLabelExpander(LabelExpander expander) { expander_ = std::move(expander); }

std::string ThumbnailSheet::FileNameOf(std::string_view path)
{
    const size_t cut = path.find_last_of("/\\");
    return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

std::string ThumbnailSheet::ExpandLabel(size_t position) const
{
    if (expander_)
        return expander_(*this, position);
    if (position >= order_.size() || order_[position] >= files_.size())
        return {};
    return FileNameOf(files_[order_[position]]);
}

std::vector<uint8_t> ThumbnailSheet::PictureFor(ThumbnailMaker& maker, const std::string& path, bool load) const
{
    std::vector<uint8_t> picture = maker.MakeThumbnail(path, thumbnails_.Cx(), thumbnails_.Cy(), load);
    if (picture.size() != thumbnails_.PictureBytes())
        picture = thumbnails_.BlankPicture();
    return picture;
}

bool ThumbnailSheet::FillFromFiles(const std::vector<std::string>& paths, uint32_t side, ThumbnailMaker& maker,
                                   Progress& progress)
{
    ThumbnailList list(side, side, static_cast<uint32_t>(std::min<size_t>(paths.size(), UINT32_MAX - 1)));
    if (paths.size() > list.Room())
        return false;
    files_ = paths;
    labels_.clear();
    order_.clear();
    for (size_t i = 0; i < files_.size(); ++i) {
        labels_.push_back(FileNameOf(files_[i]));
        order_.push_back(static_cast<uint32_t>(i));
    }
    thumbnails_ = std::move(list);

    if (!files_.empty()) {
        progress.SetRange(0, static_cast<int>(files_.size()));
        // After a cancel the remaining files get their pictures without
        // being read, so the sheet always has a picture per file.
        bool load = true;
        for (size_t i = 0; i < files_.size(); ++i) {
            const bool keepGoing = progress.Step("Loading " + files_[i], static_cast<int>(i));
            load = load && keepGoing;
            thumbnails_.Append(PictureFor(maker, files_[i], load));
        }
    }
    for (size_t p = 0; p < order_.size(); ++p)
        labels_[order_[p]] = ExpandLabel(p);
    return true;
}

bool ThumbnailSheet::AddFile(const std::string& path, size_t position, ThumbnailMaker& maker)
{
    if (!thumbnails_.CanAppend())
        return false;
    const auto item = static_cast<uint32_t>(files_.size());
    position = std::min(position, order_.size());
    files_.push_back(path);
    order_.insert(order_.begin() + static_cast<std::ptrdiff_t>(position), item);
    // Expanded before the item has a label, so "[Label]" is empty here.
    std::string label = ExpandLabel(position);
    labels_.push_back(std::move(label));
    thumbnails_.Append(PictureFor(maker, path, true));
    return true;
}

void ThumbnailSheet::RemoveAt(size_t position)
{
    if (position >= order_.size())
        return;
    const uint32_t item = order_[position];
    thumbnails_.RemoveAt(item);
    files_.erase(files_.begin() + item);
    labels_.erase(labels_.begin() + item);
    for (uint32_t& entry : order_)
        if (entry > item)
            --entry;
    order_.erase(order_.begin() + static_cast<std::ptrdiff_t>(position));
    thumbnails_.SetCount(files_.size());
}

void ThumbnailSheet::GenerateLabels()
{
    for (size_t p = 0; p < order_.size(); ++p)
        labels_[order_[p]] = ExpandLabel(p);
}

void ThumbnailSheet::Serialize(ArchiveWriter& out) const
{
    out.StringList({std::string(kVersionString)});
    out.StringList(files_);
    out.StringList(labels_);
    out.U32(static_cast<uint32_t>(order_.size()));
    for (uint32_t item : order_)
        out.U32(item);
    settings_.Serialize(out);
    WriteImageList(thumbnails_, out);
}

bool ThumbnailSheet::Serialize(ArchiveReader& in)
{
    auto fail = [&in] {
        in.Fail();
        return false;
    };
    std::vector<std::string> files;
    std::vector<std::string> labels;
    std::vector<uint32_t> order;
    if (!in.StringList(files))
        return fail();
    uint32_t version = 0;
    const bool versioned = IsVersionList(files, version);
    if (versioned && !in.StringList(files))
        return fail();
    if (versioned && version >= 1) {
        if (!in.StringList(labels))
            return fail();
        const uint32_t count = in.U32();
        if (in.Failed() || count != files.size() || count != labels.size() ||
            uint64_t{count} * 4 > in.Remaining())
            return fail();
        order.resize(count);
        for (uint32_t& entry : order)
            entry = in.U32();
        if (!IsPermutation(order, files.size()))
            return fail();
    } else {
        for (size_t i = 0; i < files.size(); ++i) {
            labels.push_back(FileNameOf(files[i]));
            order.push_back(static_cast<uint32_t>(i));
        }
    }
    CThumbnailSettings settings = settings_;
    if (!settings.Serialize(in))
        return fail();
    ThumbnailList thumbnails;
    if (!ReadImageList(in, thumbnails) || thumbnails.Count() != files.size())
        return fail();

    files_ = std::move(files);
    labels_ = std::move(labels);
    order_ = std::move(order);
    settings_ = std::move(settings);
    thumbnails_ = std::move(thumbnails);
    return true;
}

std::vector<uint8_t> ThumbnailSheet::ToBytes() const
{
    ArchiveWriter out;
    Serialize(out);
    return std::move(out.Bytes());
}

bool ThumbnailSheet::FromBytes(std::span<const uint8_t> bytes)
{
    ArchiveReader in(bytes);
    return Serialize(in);
}

bool ThumbnailSheet::Save(const std::string& path) const
{
    const std::vector<uint8_t> bytes = ToBytes();
    return WriteFileAtomically(path, bytes.data(), bytes.size());
}

bool ThumbnailSheet::Load(const std::string& path)
{
    const auto bytes = ReadFileBytes(path);
    return bytes && FromBytes(*bytes);
}

}  // namespace pix
