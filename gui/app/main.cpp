// zelvora: the desktop program — a small window in which the user names a page and stamps
// it and the local pages it links to.
#include "gui/app/program.h"

int main(int argc, char** argv) { return zelvora::gui::RunProgram(argc, argv); }
