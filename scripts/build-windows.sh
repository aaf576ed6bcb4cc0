#!/usr/bin/env bash
# Cross-builds Zelvora for 64-bit Windows with Debian's MinGW-w64 (posix threads) into
# build-windows/: zelvora-stamp.exe, which needs no DLLs beside it (the C++ runtime is linked
# in) and carries the version resource and the icon, and the portable zip
# build-windows/zelvora-VERSION-windows-x64.zip (the program, Zelvora.htm, LICENSE, README.txt).
# Installs what it needs first. The tests of scripts/test-windows.sh build in the same folder.
#   scripts/build-windows.sh
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/setup-debian.sh --windows
# Configuring again with the same options is quick and rebuilds nothing.
cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-w64.cmake \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZELVORA_WERROR=ON \
  -DZELVORA_BUILD_GUI=OFF -DZELVORA_BUILD_BENCH=OFF \
  -DZELVORA_BUILD_TESTS=ON -DZELVORA_GOOGLETEST_SOURCE_DIR=/usr/src/googletest >/dev/null
cmake --build build-windows -j "$(nproc)" --target zelvora-stamp zelvora_help
# A zip of an earlier version would be listed beside the new one.
rm -f build-windows/zelvora-*-windows-x64.zip
(cd build-windows && cpack -G ZIP >/dev/null)
ls -1 build-windows/zelvora-*-windows-x64.zip
