#include "app/AppMain.h"

int main(int argc, char** argv) { return pix::RunPixadromeApp(argc, argv); }
