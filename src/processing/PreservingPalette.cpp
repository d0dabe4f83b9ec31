#include "processing/PreservingPalette.h"

#include <array>
#include <cmath>
#include <vector>

#include "processing/ColorQuantizer.h"

namespace pix {

namespace {

using Color = std::array<int, 3>;

// How well the palette so far represents one occupied cell: a short run of
// error diffusion toward the cell's colour v. Iteration i aims at
// target[i] = v + E, takes the nearest palette entry and carries
// E = target[i] − entry on. The run stops early at an exact hit.
struct CellTrial {
    Color v{};
    uint32_t count = 0;
    bool taken = false;
    int steps = 0;
    std::array<Color, 4> target{};
    std::array<int, 4> nearest{};  // palette entry, −1 for black before any entry exists
    std::array<int, 4> dist{};
    int64_t score = 0;
};

int Dist2(const Color& a, const Color& b)
{
    const int d0 = a[0] - b[0], d1 = a[1] - b[1], d2 = a[2] - b[2];
    return d0 * d0 + d1 * d1 + d2 * d2;
}

class Selection {
public:
    Selection(bool dither, std::vector<CellTrial>& cells) : iterations_(dither ? 4 : 1), dither_(dither), cells_(cells)
    {
    }

    // Chooses entry k = size of the palette so far.
    Color ChooseNext()
    {
        CellTrial* best = nullptr;
        for (CellTrial& cell : cells_)
            if (!cell.taken && cell.score > (best ? best->score : 0))
                best = &cell;
        Color choice{};
        if (best) {
            choice = best->v;
            best->taken = true;
        } else if (!palette_.empty()) {
            choice = palette_.back();  // nothing left to gain: repeat
        }
        const bool repeat = !best && !palette_.empty();
        palette_.push_back(choice);
        if (palette_.size() == 1) {
            // Trials so far measured against black; now against entry 0.
            for (CellTrial& cell : cells_)
                if (!cell.taken)
                    Run(cell, 0);
        } else if (!repeat) {
            // A repeated colour can never be strictly closer than its twin.
            const int entry = static_cast<int>(palette_.size()) - 1;
            for (CellTrial& cell : cells_)
                if (!cell.taken)
                    Update(cell, entry);
        }
        return choice;
    }

    void Run(CellTrial& cell, int from)
    {
        for (int i = from; i < iterations_; ++i) {
            if (i == 0) {
                cell.target[0] = cell.v;
            } else {
                const Color& p = Entry(cell.nearest[i - 1]);
                for (int c = 0; c < 3; ++c)
                    cell.target[i][c] = cell.v[c] + cell.target[i - 1][c] - p[c];
            }
            Nearest(cell.target[i], cell.nearest[i], cell.dist[i]);
            cell.steps = i + 1;
            if (cell.dist[i] == 0)
                break;
        }
        Score(cell);
    }

private:
    const Color& Entry(int index) const
    {
        static const Color kBlack{};
        return index < 0 ? kBlack : palette_[static_cast<size_t>(index)];
    }

    void Nearest(const Color& t, int& index, int& dist) const
    {
        if (palette_.empty()) {
            index = -1;
            dist = Dist2(t, Color{});
            return;
        }
        index = 0;
        dist = Dist2(t, palette_[0]);
        for (size_t p = 1; p < palette_.size(); ++p) {
            const int d = Dist2(t, palette_[p]);
            if (d < dist) {  // the earlier entry wins ties
                dist = d;
                index = static_cast<int>(p);
            }
        }
    }

    // The trial as if it had been run against the palette with the new
    // entry: unchanged up to the first iteration the entry wins.
    void Update(CellTrial& cell, int entry)
    {
        const Color& e = palette_[static_cast<size_t>(entry)];
        for (int i = 0; i < cell.steps; ++i) {
            const int d = Dist2(cell.target[i], e);
            if (d < cell.dist[i]) {
                cell.nearest[i] = entry;
                cell.dist[i] = d;
                cell.steps = i + 1;
                if (d == 0)
                    Score(cell);
                else
                    Run(cell, i + 1);
                return;
            }
        }
    }

    void Score(CellTrial& cell) const
    {
        const int last = cell.steps - 1;
        const Color& p = Entry(cell.nearest[last]);
        int64_t sum = 0;
        for (int c = 0; c < 3; ++c) {
            const int64_t e = cell.target[last][c] - p[c];
            sum += e * e;
        }
        cell.score = dither_ ? sum
                             : static_cast<int64_t>(std::sqrt(static_cast<double>(cell.count)) *
                                                    static_cast<double>(sum));
    }

    int iterations_;
    bool dither_;
    std::vector<CellTrial>& cells_;
    std::vector<Color> palette_;
};

}  // namespace

void ChoosePreservingPalette(const uint8_t* packedRgb, size_t pixels, int colors, bool dither, uint8_t* red,
                             uint8_t* green, uint8_t* blue)
{
    constexpr int kCells = ColorQuantizer::kCells0 * ColorQuantizer::kCells1 * ColorQuantizer::kCells2;
    std::vector<uint32_t> histogram(kCells, 0);
    for (size_t n = 0; n < pixels; ++n, packedRgb += 3)
        ++histogram[ColorQuantizer::CellIndex(packedRgb[0] >> 2, packedRgb[1] >> 3, packedRgb[2] >> 3)];

    // The occupied cells in the order they are visited: first coordinate
    // ascending, then second, then third. Each cell's colour is its lowest
    // corner.
    std::vector<CellTrial> cells;
    for (int i0 = 0; i0 < ColorQuantizer::kCells0; ++i0)
        for (int i1 = 0; i1 < ColorQuantizer::kCells1; ++i1)
            for (int i2 = 0; i2 < ColorQuantizer::kCells2; ++i2) {
                const uint32_t count = histogram[ColorQuantizer::CellIndex(i0, i1, i2)];
                if (count == 0)
                    continue;
                CellTrial cell;
                cell.v = {4 * i0, 8 * i1, 8 * i2};
                cell.count = count;
                cells.push_back(cell);
            }
    histogram = {};

    Selection selection(dither, cells);
    for (CellTrial& cell : cells)
        selection.Run(cell, 0);
    for (int k = 0; k < colors; ++k) {
        const Color c = selection.ChooseNext();
        red[k] = static_cast<uint8_t>(c[0]);
        green[k] = static_cast<uint8_t>(c[1]);
        blue[k] = static_cast<uint8_t>(c[2]);
    }
}

}  // namespace pix
