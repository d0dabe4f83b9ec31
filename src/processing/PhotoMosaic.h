#pragma once
// The photo mosaic: a picture rebuilt as rows × columns tiles, each filled
// with the clip of a source picture whose 16 × 16 colour signature is
// nearest to the tile, busiest regions first.

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "common/Messages.h"

namespace pix {

class CImageBuffer;
class Progress;

enum class MosaicSourceKind : uint8_t { AsIs, Chopped, Reusable };

struct MosaicSource {
    std::string path;
    MosaicSourceKind kind;
};

struct MosaicSettings {
    int rows = 32;             // 1..1000
    int columns = 32;          // 1..1000
    int clipsPerChopped = 10;  // 1..100000
    uint32_t seed = 5489;      // of the generator that cuts chopped clips
};

struct MosaicClip {
    uint32_t source = 0;  // index in the joined source list
    uint16_t left = 0;
    uint16_t top = 0;  // from the top row
    uint16_t width = 0;
    uint16_t height = 0;
    std::array<uint8_t, 768> signature{};  // 16 × 16 cells of red, green, blue
    bool available = true;
};

struct MosaicTile {
    uint16_t column;
    uint16_t row;
};

// Why the sources cannot make the mosaic, or nothing when they can.
std::optional<MsgId> CheckMosaicSources(const MosaicSettings& settings, int asIs, int chopped, int reusable);

class PhotoMosaic {
public:
    // The sources in the order as-is, chopped, reusable.
    PhotoMosaic(const CImageBuffer& target, const MosaicSettings& settings, std::vector<MosaicSource> sources);

    // Cuts and signs the clips of every source; false when cancelled.
    bool AnalyseSources(Progress& progress);
    // Tile details and the order of placement.
    void AnalyseTarget(Progress& progress);
    // Fills the tiles into image (black first), calling tilePlaced after
    // each; false when cancelled.
    bool PlaceTiles(CImageBuffer& image, Progress& progress, const std::function<void()>& tilePlaced);

    const std::vector<MosaicClip>& Clips() const { return clips_; }
    const std::vector<MosaicTile>& Order() const { return order_; }
    const std::vector<uint32_t>& Detail() const { return detail_; }

    // Rectangle of a clip for a source of width × height; nothing when the
    // clip is dropped. Draws from the generator as chopping needs.
    std::optional<MosaicClip> CutClip(uint32_t sourceWidth, uint32_t sourceHeight, MosaicSourceKind kind);

private:
    void Sign(const CImageBuffer& source, MosaicClip& clip) const;
    int BestClip(const uint8_t* tile) const;

    const CImageBuffer& target_;
    MosaicSettings settings_;
    std::vector<MosaicSource> sources_;
    int tileWidth_;
    int tileHeight_;
    std::mt19937 random_;
    std::vector<MosaicClip> clips_;
    std::vector<uint8_t> tilePixels_;  // 16 × 16 × 3 per tile, row-major tiles
    std::vector<uint32_t> detail_;
    std::vector<uint32_t> area_;
    std::vector<MosaicTile> order_;
};

// The whole run on a document's picture: sources, target, placement.
// The picture keeps its size; it ends black where no tile was placed.
void RunPhotoMosaic(CImageBuffer& image, const MosaicSettings& settings, const std::vector<MosaicSource>& sources,
                    Progress& progress, const std::function<void()>& tilePlaced);

}  // namespace pix
