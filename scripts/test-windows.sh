#!/usr/bin/env bash
# Cross-builds the tests for Windows (GoogleTest built from Debian's sources with the same
# toolchain) and runs them under wine, as a Japanese user (LANG=ja_JP.UTF-8, so the ANSI code
# page is 932) in a private wine prefix made afresh in build-windows/wine: its registry, user
# folders and time zone are the tests' alone. The tests that run zelvora-stamp.exe run it under
# the same wine. Then, as a user would: zelvora-stamp.exe needs no DLL beside it, the zip holds
# what it should, the example site stamped under wine is byte for byte what the Linux program
# makes of it, a console shows its Japanese texts and takes answers, and saved settings are in
# wine's registry.
#
# When Qt for Windows is built (scripts/build-qt-windows.sh), the window's tests too: the GUI
# test suites on Qt's offscreen platform, and tests/windows/installed_window.sh, which installs
# the installer silently, stamps the example site from the installed window on a virtual
# display (Xvfb) and uninstalls. Without that Qt it says that it skipped them.
#   scripts/test-windows.sh
set -euo pipefail
cd "$(dirname "$0")/.."
started=$(date +%s)

./scripts/build-windows.sh
window=false
[ -n "$(./scripts/build-qt-windows.sh --print-toolchain)" ] && window=true
test_targets=(--target zelvora_tests)
$window && test_targets+=(--target zelvora_gui_tests)
cmake --build build-windows -j "$(nproc)" "${test_targets[@]}"

# shellcheck source=lib/wine-prefix.sh
. scripts/lib/wine-prefix.sh
unset DISPLAY WAYLAND_DISPLAY ZELVORA_REGISTRY ZELVORA_PROGRAM_DIR
booted=$(date +%s)
zelvora_new_wine_prefix "$PWD/build-windows/wine"
trap zelvora_stop_wine EXIT
echo "wine prefix ready in $(($(date +%s) - booted)) s"
ctest --test-dir build-windows --output-on-failure -j "$(nproc)"

# Only the system's own DLLs: the C++ runtime and the thread library are linked in.
imports=$(x86_64-w64-mingw32-objdump -p build-windows/zelvora-stamp.exe | sed -n 's/^\s*DLL Name: //p')
if echo "$imports" | grep -qiE 'libstdc|libgcc|libwinpthread'; then
  echo "zelvora-stamp.exe needs DLLs of the compiler: $imports" >&2
  exit 1
fi
zip=$(ls build-windows/zelvora-*-windows-x64.zip)
listing=$(cmake -E tar tf "$zip")
for file in zelvora-stamp.exe Zelvora.htm LICENSE README.txt; do
  echo "$listing" | grep -q "/$file\$" || { echo "$zip lacks $file" >&2; exit 1; }
done

# The example site stamped by the Windows program under wine and by the Linux program: the
# same bytes in every page, backup and folder (file times are copied with the site).
./scripts/build.sh zelvora-stamp >/dev/null
world=$(mktemp -d)
trap 'zelvora_stop_wine; rm -rf "$world"' EXIT
cp -a examples/site "$world/linux"
cp -a examples/site "$world/windows"
mkdir -p "$world/program"
TZ=JST-9 ZELVORA_REGISTRY="$world/linux.reg" ZELVORA_PROGRAM_DIR="$world/program" \
  build/zelvora-stamp "$world/linux/index.htm" >/dev/null 2>&1
TZ=JST-9 ZELVORA_REGISTRY="Z:$world/windows.reg" ZELVORA_PROGRAM_DIR="Z:$world/program" \
  wine build-windows/zelvora-stamp.exe "Z:$world/windows/index.htm" >/dev/null 2>&1
diff -r "$world/linux" "$world/windows"
echo "the example site stamped under wine equals the Linux program's: $(find "$world/windows" -name '*.htm' | wc -l) pages"

# On a console (wine gives one to a terminal) the program writes Unicode and puts its questions
# there: answered "c" (キャンセル), the run stops with exit status 1.
printf '<meta charset="utf-8">\r\n<p><!--#ZELV#--></p>\r\n<a href="無い.htm">x</a>\r\n' \
  >"$world/console.htm"
status=0
(for _ in $(seq 60); do printf 'c\r'; sleep 1; done) |
  ZELVORA_REGISTRY="Z:$world/windows.reg" ZELVORA_PROGRAM_DIR="Z:$world/program" \
  timeout 120 script -qec "wine build-windows/zelvora-stamp.exe 'Z:$world/console.htm'" \
  "$world/console.txt" >/dev/null 2>&1 || status=$?
for text in "次のファイルが見つかりません。" "無い.htm" "キャンセル（中止）" "中止しました。"; do
  grep -q "$text" "$world/console.txt" || { echo "the console did not show $text" >&2; exit 1; }
done
[ "$status" -eq 1 ] || { echo "a question answered c on the console ended with $status" >&2; exit 1; }
echo "the console shows Japanese text and takes the answer to a question"

# Settings saved without ZELVORA_REGISTRY go to wine's registry, as on Windows.
wine build-windows/zelvora-stamp.exe --save-settings --set MaxLog=600 >/dev/null
wine reg query 'HKCU\Software\MORVID\Zelvora\Preference' /v MaxLog | tr -d '\r' | grep -q 'REG_DWORD.*0x258' ||
  { echo "MaxLog=600 is not in wine's registry" >&2; exit 1; }
echo "saved settings are in the registry: HKEY_CURRENT_USER\Software\MORVID\Zelvora\Preference"

if $window; then
  # The zip carries the window and what it loads; the program itself needs no console.
  for file in zelvora.exe Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll platforms/qwindows.dll \
    styles/qwindowsvistastyle.dll translations/qtbase_ja.qm libstdc++-6.dll; do
    grep -q "/$file\$" <<<"$listing" || { echo "$zip lacks $file" >&2; exit 1; }
  done
  headers=$(x86_64-w64-mingw32-objdump -p build-windows/zelvora.exe)
  grep -q 'Subsystem.*(Windows GUI)' <<<"$headers" ||
    { echo "zelvora.exe is not a GUI program (it would open a console)" >&2; exit 1; }
  tests/windows/installed_window.sh "$world"
else
  echo "SKIPPED: the window's tests under wine (GUI test suites, installer, window on a virtual" \
    "display): Qt for Windows is not built here. scripts/build-qt-windows.sh builds it once" \
    "(about an hour and a half); then run this script again."
fi
echo "scripts/test-windows.sh: passed in $(($(date +%s) - started)) s"
