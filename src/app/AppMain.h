#pragma once
// Entry of the desktop application.

namespace pix {

int RunPixadromeApp(int argc, char** argv);

}  // namespace pix
