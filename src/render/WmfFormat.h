#pragma once
// Windows metafiles as a row of the format table.

#include "image/FormatTable.h"

namespace pix {

// Drawn at the hinted size, so their loaded size is known only by loading.
extern const FormatRow kWmfFormat;

}  // namespace pix
