// Writes the manual page zelvora-stamp.1 to the file named by its one argument. Run by the
// build, so the page always says what zelvora-stamp --help says.
#include <fstream>
#include <iostream>

#include "cli/usage.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: zelvora-stamp-man-page OUTPUT\n";
    return 2;
  }
  std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
  out << zelvora::StampManPage(ZELVORA_VERSION);
  out.close();
  if (!out) {
    std::cerr << "zelvora-stamp-man-page: cannot write " << argv[1] << "\n";
    return 1;
  }
  return 0;
}
