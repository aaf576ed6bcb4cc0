#!/usr/bin/env bash
# Builds the whole project with clang and the address and undefined-behaviour sanitizers into
# build-asan/ and runs every test there, the GUI tests (Qt's offscreen platform) included.
# Any sanitizer report fails the test that caused it. The heavy end-to-end runs of the
# benchmark tools (label "bench") run too; pass --no-bench to leave them out. The Debian
# package is not checked here: it is made from the hardened build that scripts/test.sh tests,
# and these programs are built without the hardening it checks for.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)

ctest_args=(-LE package)
case "${1:-}" in
  --no-bench) ctest_args=(-LE 'package|bench') ;;
  "") ;;
  *) echo "usage: scripts/test-sanitizers.sh [--no-bench]" >&2; exit 2 ;;
esac

./scripts/setup-debian.sh
compiler=$(command -v clang++-14 || command -v clang++)
sanitizers="-fsanitize=address,undefined -fno-sanitize-recover=all"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZELVORA_WERROR=ON -DZELVORA_HARDENING=OFF \
  -DCMAKE_CXX_COMPILER="$compiler" \
  -DCMAKE_CXX_FLAGS="$sanitizers -fno-omit-frame-pointer" \
  -DCMAKE_EXE_LINKER_FLAGS="$sanitizers"
cmake --build build-asan -j "$(nproc)"

# A report stops the process that made it with SIGABRT (leaks are reported at exit), so a
# test that only looks at the exit status of a zelvora-stamp it started sees it too. Child
# processes inherit these settings.
export ASAN_OPTIONS="detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1:strict_init_order=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$repo/scripts/lsan-suppressions.txt:print_suppressions=0"
ctest --test-dir build-asan --output-on-failure -j "$(nproc)" "${ctest_args[@]}"
