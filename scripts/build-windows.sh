#!/usr/bin/env bash
# Cross-builds Zelvora for 64-bit Windows with Debian's MinGW-w64 (posix threads) into
# build-windows/: zelvora-stamp.exe, which needs no DLLs beside it (the C++ runtime is linked
# in) and carries the version resource and the icon, and the portable zip
# build-windows/zelvora-VERSION-windows-x64.zip (the program, Zelvora.htm, LICENSE, README.txt).
#
# When Qt for Windows has been built into its cache (scripts/build-qt-windows.sh, once, about
# an hour and a half), the window too: zelvora.exe with Qt's DLLs, plugins and Japanese texts
# beside it, in the zip as well, and the installer build-windows/zelvora-VERSION-setup.exe.
# Without that cache it builds the command line only and says how to get the window.
# Installs what it needs first. The tests of scripts/test-windows.sh build in the same folder.
#   scripts/build-windows.sh
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup-debian.sh --windows
qt_toolchain=$(./scripts/build-qt-windows.sh --print-toolchain)
if [ -n "$qt_toolchain" ]; then
  toolchain=$qt_toolchain
  gui=ON
else
  toolchain=$PWD/cmake/toolchain-mingw-w64.cmake
  gui=OFF
fi
# A build folder configured with another toolchain (the window added or gone) starts afresh:
# CMake reads the toolchain only when it first configures a folder.
if [ -f build-windows/CMakeCache.txt ] &&
  ! grep -qxF "CMAKE_TOOLCHAIN_FILE:FILEPATH=$toolchain" build-windows/CMakeCache.txt &&
  ! grep -qxF "CMAKE_TOOLCHAIN_FILE:UNINITIALIZED=$toolchain" build-windows/CMakeCache.txt; then
  rm -rf build-windows/CMakeCache.txt build-windows/CMakeFiles
fi
# Configuring again with the same options is quick and rebuilds nothing.
cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZELVORA_WERROR=ON \
  -DZELVORA_BUILD_GUI=$gui -DZELVORA_BUILD_BENCH=OFF \
  -DZELVORA_BUILD_TESTS=ON -DZELVORA_GOOGLETEST_SOURCE_DIR=/usr/src/googletest >/dev/null
targets=(--target zelvora-stamp zelvora_help)
[ "$gui" = ON ] && targets+=(--target zelvora)
cmake --build build-windows -j "$(nproc)" "${targets[@]}"
# Packages of an earlier version would be listed beside the new ones.
rm -f build-windows/zelvora-*-windows-x64.zip build-windows/zelvora-*-setup.exe
(cd build-windows && cpack -G ZIP >/dev/null)
ls -1 build-windows/zelvora-*-windows-x64.zip
if [ "$gui" = ON ]; then
  (cd build-windows && cpack -G NSIS >/dev/null)
  ls -1 build-windows/zelvora-*-setup.exe
else
  echo "The window (zelvora.exe) and the installer were not built: they need Qt for Windows," \
    "which scripts/build-qt-windows.sh builds once (about an hour and a half)."
fi
