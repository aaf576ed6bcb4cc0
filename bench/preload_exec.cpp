// zelvora-preload-exec LIBRARY PROGRAM [ARGUMENT...]: runs PROGRAM with LIBRARY added to the
// end of LD_PRELOAD. It lets a library join those that fiu-run preloads (fiu-run sets
// LD_PRELOAD itself): fiu-run -x ... zelvora-preload-exec lib.so program. It makes no call
// that the injected failures affect before it replaces itself with PROGRAM.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fputs("usage: zelvora-preload-exec LIBRARY PROGRAM [ARGUMENT...]\n", stderr);
    return 2;
  }
  const char* current = std::getenv("LD_PRELOAD");
  std::string preload = current != nullptr && *current != '\0' ? std::string(current) + " " : "";
  preload += argv[1];
  if (setenv("LD_PRELOAD", preload.c_str(), 1) != 0) {
    std::perror("zelvora-preload-exec: setenv");
    return 127;
  }
  execv(argv[2], argv + 2);
  std::perror("zelvora-preload-exec: exec");
  return 127;
}
