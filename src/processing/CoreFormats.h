#pragma once
// Every image format the program reads or writes, registered in the order
// the file dialogs list them. Formats drawn with the painter (metafiles)
// live a layer up and are handed in by the programs that draw; the others
// are listed here.

#include <initializer_list>

namespace pix {

struct FormatRow;

// Registers the rows, with drawn (in their order) before the
// program's own format. Start-up only, before anything is loaded.
void RegisterCoreFormats(std::initializer_list<const FormatRow*> drawn = {});

}  // namespace pix
