#pragma once
// The file commands on items of a contact sheet that every window of a
// sheet offers: copying or moving the items' files (the items follow the
// files that arrived), trashing them (the items of files gone are
// removed) and removing items.

#include <cstddef>
#include <vector>

namespace pix {

class CSheetDocument;

// Asks for the target ("Copy: Choose new directory" or "Move: ...",
// starting in "DestDir") and copies or moves the files of the items at
// positions.
void CopyOrMoveItemFiles(CSheetDocument& doc, const std::vector<size_t>& positions, bool move);
// After one question, trashes the files of the items at positions and
// removes the items whose files are gone; false when the user said no.
bool DeleteItemFiles(CSheetDocument& doc, const std::vector<size_t>& positions);
// Removes the items at positions (ascending) with hints for every view.
void RemoveItems(CSheetDocument& doc, const std::vector<size_t>& positions);

}  // namespace pix
