// Failure points for the file-system calls that libfiu's POSIX preload library does not
// wrap but zelvora-stamp makes: renameat2 (a rename that never replaces its target) and
// linkat (a backup generation as a second name of a page), with renameat and link for
// completeness. Loaded with LD_PRELOAD after libfiu's own preload libraries (fiu-run -x), so
// that the points are switched on by the same "enable_random" commands:
//
//   posix/io/dir/renameat2  posix/io/dir/renameat  posix/io/dir/linkat  posix/io/dir/link
//
// A failing call sets errno to the failure information given with the command, or else to
// one of the errors the call may really give, chosen at random, and returns -1.
#define FIU_ENABLE 1
#include <dlfcn.h>
#include <errno.h>
#include <fiu.h>
#include <stdio.h>
#include <stdlib.h>

#include <cstdint>

namespace {

// Errors a rename or a link may give on a working system that refuses the call.
constexpr int kRenameErrors[] = {EACCES, EBUSY, EDQUOT, EIO, ENOSPC, EPERM, EROFS};
constexpr int kLinkErrors[] = {EACCES, EDQUOT, EIO, EMLINK, ENOSPC, EPERM, EROFS, EXDEV};

template <size_t N>
bool Fails(const char* point, const int (&errors)[N]) {
  if (!fiu_fail(point)) return false;
  const auto info = reinterpret_cast<intptr_t>(fiu_failinfo());
  errno = info != 0 ? static_cast<int>(info) : errors[static_cast<size_t>(random()) % N];
  return true;
}

template <typename Function>
Function Next(const char* name) {
  void* found = dlsym(RTLD_NEXT, name);
  if (found == nullptr) {
    fprintf(stderr, "fault_calls: %s not found\n", name);
    abort();
  }
  return reinterpret_cast<Function>(found);
}

}  // namespace

extern "C" {

int renameat2(int old_dir, const char* old_path, int new_dir, const char* new_path,
              unsigned int flags) {
  static const auto next = Next<int (*)(int, const char*, int, const char*, unsigned)>("renameat2");
  if (Fails("posix/io/dir/renameat2", kRenameErrors)) return -1;
  return next(old_dir, old_path, new_dir, new_path, flags);
}

int renameat(int old_dir, const char* old_path, int new_dir, const char* new_path) {
  static const auto next = Next<int (*)(int, const char*, int, const char*)>("renameat");
  if (Fails("posix/io/dir/renameat", kRenameErrors)) return -1;
  return next(old_dir, old_path, new_dir, new_path);
}

int linkat(int old_dir, const char* old_path, int new_dir, const char* new_path, int flags) {
  static const auto next = Next<int (*)(int, const char*, int, const char*, int)>("linkat");
  if (Fails("posix/io/dir/linkat", kLinkErrors)) return -1;
  return next(old_dir, old_path, new_dir, new_path, flags);
}

int link(const char* old_path, const char* new_path) {
  static const auto next = Next<int (*)(const char*, const char*)>("link");
  if (Fails("posix/io/dir/link", kLinkErrors)) return -1;
  return next(old_path, new_path);
}

}  // extern "C"
