#pragma once
// The greedy grouping of "Find dupes in folder" by comparing every pair, as
// the search did before the signature index: the reference the index's
// groups are held to, in tests and benchmarks.

#include <cstdint>
#include <vector>

#include "database/Signature.h"

namespace pix {

inline std::vector<std::vector<uint32_t>> AllPairsGroups(const std::vector<IndexedSignature>& signatures,
                                                         int tolerance)
{
    const SimilarityThreshold threshold(tolerance);
    std::vector<uint8_t> valid(signatures.size(), 1);
    std::vector<std::vector<uint32_t>> groups;
    for (uint32_t i = 0; i < signatures.size(); ++i) {
        std::vector<uint32_t> group{i};
        for (uint32_t j = 0; valid[i] && j < signatures.size(); ++j)
            if (j != i && valid[j] && threshold.Reaches(signatures[i], signatures[j])) {
                group.push_back(j);
                valid[j] = 0;
            }
        if (group.size() > 1) {
            valid[i] = 0;
            groups.push_back(group);
        }
    }
    return groups;
}

}  // namespace pix
