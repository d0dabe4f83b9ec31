#pragma once
// Filling a new contact sheet from a list of files: the memory rule that
// chooses the picture size, then the pictures with progress.

#include <cstdint>
#include <string>
#include <vector>

namespace pix {

class Progress;
class Prompter;
class SettingsStore;
class ThumbnailMaker;
class ThumbnailSheet;

// The side of the list pictures of a new sheet of n files with available
// bytes of free memory: at most formatSide, smaller when four bytes per
// pixel of n pictures (and 4 MiB to spare) would not fit or a side of
// 100000 / (n + 1) is smaller. Reports and answers 0 when there is too
// little memory, or when the user refuses the smaller size.
uint32_t ChooseThumbnailSide(uint64_t available, size_t n, uint32_t formatSide, Prompter& prompter);

// A new sheet: the default format from the store, then, when paths are
// given, the pictures at the chosen side and the labels. False when the
// sheet is abandoned (the sheet is then unchanged apart from its format).
bool MakeNewSheet(ThumbnailSheet& sheet, const std::vector<std::string>& paths, const SettingsStore& store,
                  uint64_t availableMemory, ThumbnailMaker& maker, Progress& progress, Prompter& prompter);

}  // namespace pix
