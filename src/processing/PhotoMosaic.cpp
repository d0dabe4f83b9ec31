#include "processing/PhotoMosaic.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "common/Progress.h"
#include "image/CImageBuffer.h"

namespace pix {

namespace {

constexpr int kCells = 16;

// Byte offset of picture pixel (x, y), y from the top.
inline const uint8_t* PixelAt(const CImageBuffer& img, uint32_t x, uint32_t y)
{
    return img.Row(img.Height() - 1 - y) + 3u * x;
}

std::string FileName(const std::string& path) { return std::filesystem::path(path).filename().string(); }

}  // namespace

std::optional<MsgId> CheckMosaicSources(const MosaicSettings& s, int asIs, int chopped, int reusable)
{
    if (asIs + chopped + reusable == 0)
        return MsgId::MosaicNoSources;
    const long long tiles = static_cast<long long>(s.rows) * s.columns;
    const long long clips = static_cast<long long>(s.clipsPerChopped) * chopped + asIs;
    if (reusable == 0 && tiles > clips)
        return MsgId::MosaicTooFewSources;
    return std::nullopt;
}

PhotoMosaic::PhotoMosaic(const CImageBuffer& target, const MosaicSettings& settings, std::vector<MosaicSource> sources)
    : target_(target), settings_(settings), sources_(std::move(sources)), random_(settings.seed)
{
    settings_.rows = std::max(1, settings_.rows);
    settings_.columns = std::max(1, settings_.columns);
    tileWidth_ = std::max(1, static_cast<int>(target.Width()) / settings_.columns);
    tileHeight_ = std::max(1, static_cast<int>(target.Height()) / settings_.rows);
}

std::optional<MosaicClip> PhotoMosaic::CutClip(uint32_t sw, uint32_t sh, MosaicSourceKind kind)
{
    const uint64_t tw = static_cast<uint64_t>(tileWidth_);
    const uint64_t th = static_cast<uint64_t>(tileHeight_);
    uint64_t cw, ch, left, top;
    if (kind != MosaicSourceKind::Chopped) {
        cw = sw;
        ch = cw * th / tw;
        if (ch > sh) {
            ch = sh;
            cw = ch * tw / th;
        }
        left = (sw - cw) / 2;
        top = (sh - ch) / 2;
    } else {
        auto r = [this] { return static_cast<uint64_t>(random_()); };
        cw = sw / 4 + r() % (sw - sw / 4);
        ch = cw * th / tw;
        if (ch > sh) {
            ch = sh / 4 + r() % (sh - sh / 4);
            cw = ch * tw / th;
        }
        if (cw == sw)
            return std::nullopt;
        left = r() % (sw - cw);
        if (ch == sh)
            return std::nullopt;
        top = r() % (sh - ch);
    }
    if (cw < 16 || ch < 16 || cw > 0xFFFF || ch > 0xFFFF || left > 0xFFFF || top > 0xFFFF)
        return std::nullopt;
    MosaicClip clip;
    clip.left = static_cast<uint16_t>(left);
    clip.top = static_cast<uint16_t>(top);
    clip.width = static_cast<uint16_t>(cw);
    clip.height = static_cast<uint16_t>(ch);
    return clip;
}

void PhotoMosaic::Sign(const CImageBuffer& source, MosaicClip& clip) const
{
    std::array<uint32_t, 768> sum{};
    std::array<uint32_t, 256> count{};
    for (uint32_t j = 0; j < clip.height; ++j) {
        const uint32_t cellRow = kCells * j / clip.height;
        const uint8_t* p = PixelAt(source, clip.left, clip.top + j);
        for (uint32_t i = 0; i < clip.width; ++i, p += 3) {
            const uint32_t cell = cellRow * kCells + kCells * i / clip.width;
            sum[3 * cell] += p[2];
            sum[3 * cell + 1] += p[1];
            sum[3 * cell + 2] += p[0];
            ++count[cell];
        }
    }
    for (int cell = 0; cell < 256; ++cell)
        for (int c = 0; c < 3; ++c)
            clip.signature[3 * cell + c] = static_cast<uint8_t>(sum[3 * cell + c] / std::max<uint32_t>(1, count[cell]));
}

bool PhotoMosaic::AnalyseSources(Progress& progress)
{
    progress.SetRange(0, static_cast<int>(sources_.size()));
    const uint32_t hintW = 4u * static_cast<uint32_t>(tileWidth_);
    const uint32_t hintH = 4u * static_cast<uint32_t>(tileHeight_);
    for (uint32_t index = 0; index < sources_.size(); ++index) {
        const MosaicSource& src = sources_[index];
        CImageBuffer image;
        image.Load(src.path, hintW, hintH);
        if (image.IsEmpty())
            continue;
        const int clips = src.kind == MosaicSourceKind::Chopped ? settings_.clipsPerChopped : 1;
        for (int k = 0; k < clips; ++k) {
            char text[512];
            std::snprintf(text, sizeof text, "Analyzing %s %d%%", FileName(src.path).c_str(),
                          static_cast<int>(100LL * (k + 1) / clips));
            if (!progress.Step(text, static_cast<int>(index)))
                return false;
            auto clip = CutClip(image.Width(), image.Height(), src.kind);
            if (!clip)
                continue;
            clip->source = index;
            Sign(image, *clip);
            clips_.push_back(*clip);
        }
    }
    return true;
}

void PhotoMosaic::AnalyseTarget(Progress& progress)
{
    progress.Step("Analyzing target image", 0);
    const int cols = settings_.columns;
    const int rows = settings_.rows;
    CImageBuffer small = target_;
    small.Resize(static_cast<uint32_t>(kCells * cols), static_cast<uint32_t>(kCells * rows));
    const size_t tiles = static_cast<size_t>(cols) * rows;
    tilePixels_.assign(tiles * 768, 0);
    detail_.assign(tiles, 0);
    for (int ty = 0; ty < rows; ++ty)
        for (int tx = 0; tx < cols; ++tx) {
            const size_t t = static_cast<size_t>(ty) * cols + tx;
            uint8_t* tile = tilePixels_.data() + t * 768;
            for (int y = 0; y < kCells; ++y) {
                const uint8_t* p = PixelAt(small, static_cast<uint32_t>(kCells * tx), static_cast<uint32_t>(kCells * ty + y));
                for (int x = 0; x < kCells; ++x, p += 3) {
                    tile[3 * (y * kCells + x)] = p[2];
                    tile[3 * (y * kCells + x) + 1] = p[1];
                    tile[3 * (y * kCells + x) + 2] = p[0];
                }
            }
            uint32_t detail = 0;
            for (int by = 0; by < kCells; by += 2)
                for (int bx = 0; bx < kCells; bx += 2)
                    for (int c = 0; c < 3; ++c) {
                        auto at = [&](int x, int y) { return static_cast<int>(tile[3 * (y * kCells + x) + c]); };
                        const int mean = (at(bx, by) + at(bx + 1, by) + at(bx, by + 1) + at(bx + 1, by + 1)) / 4;
                        for (int y = by; y < by + 2; ++y)
                            for (int x = bx; x < bx + 2; ++x)
                                detail += static_cast<uint32_t>((at(x, y) - mean) * (at(x, y) - mean));
                    }
            detail_[t] = detail;
        }
    area_.assign(tiles, 0);
    for (int ty = 0; ty < rows; ++ty)
        for (int tx = 0; tx < cols; ++tx) {
            uint32_t a = 0;
            for (int dy = -2; dy <= 2; ++dy)
                for (int dx = -2; dx <= 2; ++dx) {
                    const int x = std::clamp(tx + dx, 0, cols - 1);
                    const int y = std::clamp(ty + dy, 0, rows - 1);
                    a += detail_[static_cast<size_t>(y) * cols + x];
                }
            area_[static_cast<size_t>(ty) * cols + tx] = a;
        }
    order_.clear();
    order_.reserve(tiles);
    for (int ty = 0; ty < rows; ++ty)
        for (int tx = 0; tx < cols; ++tx)
            order_.push_back({static_cast<uint16_t>(tx), static_cast<uint16_t>(ty)});
    // Largest first; equal values keep row-major order.
    std::stable_sort(order_.begin(), order_.end(), [&](const MosaicTile& a, const MosaicTile& b) {
        return area_[static_cast<size_t>(a.row) * cols + a.column] > area_[static_cast<size_t>(b.row) * cols + b.column];
    });
}

int PhotoMosaic::BestClip(const uint8_t* tile) const
{
    uint32_t best = 0x7FFFFFFF;
    int bestIndex = -1;
    for (size_t i = 0; i < clips_.size(); ++i) {
        const MosaicClip& clip = clips_[i];
        if (!clip.available)
            continue;
        uint32_t sum = 0;
        for (int k = 0; k < 768 && sum < best; ++k) {
            const int d = tile[k] - clip.signature[k];
            sum += static_cast<uint32_t>(d * d);
        }
        if (sum < best) {
            best = sum;
            bestIndex = static_cast<int>(i);
        }
    }
    return bestIndex;
}

bool PhotoMosaic::PlaceTiles(CImageBuffer& image, Progress& progress, const std::function<void()>& tilePlaced)
{
    const uint32_t w = image.Width();
    const uint32_t h = image.Height();
    CImageBuffer output;
    if (!output.Create(w, h))
        return true;
    std::memcpy(image.Bits(), output.Bits(), output.BitsSize());
    image.DiscardIndexPlane();
    if (tilePlaced)
        tilePlaced();
    const int total = settings_.rows * settings_.columns;
    progress.SetRange(0, total);
    const uint32_t hintW = 4u * static_cast<uint32_t>(tileWidth_);
    const uint32_t hintH = 4u * static_cast<uint32_t>(tileHeight_);
    int loadedIndex = -1;
    CImageBuffer loaded;
    for (int k = 0; k < static_cast<int>(order_.size()); ++k) {
        char text[64];
        std::snprintf(text, sizeof text, "Processing Tile No. %d of %d", k + 1, total);
        if (!progress.Step(text, k))
            return false;
        const MosaicTile tile = order_[static_cast<size_t>(k)];
        const uint8_t* pixels = tilePixels_.data() + (static_cast<size_t>(tile.row) * settings_.columns + tile.column) * 768;
        const int best = BestClip(pixels);
        if (best < 0)
            continue;
        MosaicClip& clip = clips_[static_cast<size_t>(best)];
        const MosaicSource& src = sources_[clip.source];
        if (loadedIndex != static_cast<int>(clip.source)) {
            loaded.Load(src.path, hintW, hintH);
            loadedIndex = static_cast<int>(clip.source);
        }
        const uint32_t x0 = tile.column * static_cast<uint32_t>(tileWidth_);
        const uint32_t y0 = tile.row * static_cast<uint32_t>(tileHeight_);
        const bool fits = !loaded.IsEmpty() && clip.left + clip.width <= loaded.Width() &&
                          clip.top + clip.height <= loaded.Height() && x0 + tileWidth_ <= w && y0 + tileHeight_ <= h;
        if (fits) {
            // The clip less its last column and row, stretched to the tile.
            CImageBuffer piece;
            const uint32_t cw = clip.width - 1u;
            const uint32_t ch = clip.height - 1u;
            if (piece.Create(cw, ch)) {
                for (uint32_t j = 0; j < ch; ++j)
                    std::memcpy(piece.Row(ch - 1 - j), PixelAt(loaded, clip.left, clip.top + j), 3u * cw);
                piece.Resize(static_cast<uint32_t>(tileWidth_), static_cast<uint32_t>(tileHeight_));
                for (int j = 0; j < tileHeight_; ++j) {
                    const uint32_t y = y0 + static_cast<uint32_t>(j);
                    uint8_t* out = output.Row(h - 1 - y) + 3u * x0;
                    std::memcpy(out, piece.Row(piece.Height() - 1 - static_cast<uint32_t>(j)), 3u * static_cast<uint32_t>(tileWidth_));
                    std::memcpy(image.Row(h - 1 - y) + 3u * x0, out, 3u * static_cast<uint32_t>(tileWidth_));
                }
                if (tilePlaced)
                    tilePlaced();
            }
        }
        if (src.kind != MosaicSourceKind::Reusable)
            clip.available = false;
    }
    return true;
}

void RunPhotoMosaic(CImageBuffer& image, const MosaicSettings& settings, const std::vector<MosaicSource>& sources,
                    Progress& progress, const std::function<void()>& tilePlaced)
{
    if (image.IsEmpty())
        return;
    const CImageBuffer target = image;
    PhotoMosaic mosaic(target, settings, sources);
    const bool analysed = mosaic.AnalyseSources(progress);
    mosaic.AnalyseTarget(progress);
    if (!analysed) {
        // Cancelled while analysing: the picture ends black, no tile placed.
        std::memset(image.Bits(), 0, image.BitsSize());
        image.DiscardIndexPlane();
        if (tilePlaced)
            tilePlaced();
        return;
    }
    mosaic.PlaceTiles(image, progress, tilePlaced);
}

}  // namespace pix
