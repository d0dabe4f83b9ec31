#pragma once
// Every image format, the metafiles drawn with the painter among them.
// Each program that draws calls RegisterFormats once at start-up, before
// anything is loaded or saved.

namespace pix {

void RegisterFormats();

}  // namespace pix
