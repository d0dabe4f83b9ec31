#pragma once
// Signatures shaped like photographs' for the search benchmarks: smooth
// layouts, a few bright and dark cells, every channel stretched to 0..255.

#include <algorithm>
#include <random>
#include <vector>

#include "database/Signature.h"

inline std::vector<pix::Signature> PhotoLikeSignatures(size_t n)
{
    std::mt19937 rng(5);
    std::vector<pix::Signature> out(n);
    for (auto& s : out) {
        for (int c = 0; c < 3; ++c) {
            const double gx = std::uniform_real_distribution<>(-1, 1)(rng);
            const double gy = std::uniform_real_distribution<>(-1, 1)(rng);
            const double base = std::uniform_real_distribution<>(60, 190)(rng);
            for (int k = 0; k < 64; ++k) {
                const int row = k % 8, column = k / 8;
                const double v = base + 12 * (gx * (column - 3.5) + gy * (row - 3.5)) +
                                 std::normal_distribution<>(0, 18)(rng);
                s[3 * k + c] = static_cast<uint8_t>(std::clamp(v, 0.0, 255.0));
            }
            s[3 * (rng() % 64) + c] = 0;
            s[3 * (rng() % 64) + c] = 255;
        }
    }
    return out;
}

