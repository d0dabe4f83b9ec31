#include "render/FormatList.h"

#include "processing/CoreFormats.h"
#include "render/WmfFormat.h"

namespace pix {

void RegisterFormats() { RegisterCoreFormats({&kWmfFormat}); }

}  // namespace pix
