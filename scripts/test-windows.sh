#!/usr/bin/env bash
# Cross-builds every test that needs no Qt for Windows (GoogleTest built from Debian's sources
# with the same toolchain) and runs them under wine, as a Japanese user (LANG=ja_JP.UTF-8, so
# the ANSI code page is 932) in a private wine prefix made afresh in build-windows/wine: its
# registry, user folders and time zone are the tests' alone. The tests that run
# zelvora-stamp.exe run it under the same wine. No display is needed.
#   scripts/test-windows.sh
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/build-windows.sh
cmake --build build-windows -j "$(nproc)" --target zelvora_tests

export WINEPREFIX="$PWD/build-windows/wine"
export WINEARCH=win64
# Quiet, and without the .NET and HTML engines that a new prefix would otherwise offer to fetch.
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=ja_JP.UTF-8
unset LC_ALL LC_CTYPE LC_MESSAGES DISPLAY WAYLAND_DISPLAY
rm -rf "$WINEPREFIX"
started=$(date +%s)
# One wine server for the whole run, kept alive between the test programs: each of them then
# starts in a fraction of a second instead of bringing wine up anew.
wineserver -k 2>/dev/null || true
wineboot --init >/dev/null 2>&1
wineserver -p
trap 'wineserver -k 2>/dev/null || true' EXIT
echo "wine prefix ready in $(($(date +%s) - started)) s"
ctest --test-dir build-windows --output-on-failure -j "$(nproc)"
