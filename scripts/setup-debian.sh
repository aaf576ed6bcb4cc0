#!/usr/bin/env bash
# Installs the Debian 12 packages that building and testing Zelvora need, when any is
# missing. Runs apt-get as root (directly, or through sudo when available).
#   scripts/setup-debian.sh [--windows]
# --windows adds what cross-building for Windows and testing there under wine takes
# (scripts/build-windows.sh, scripts/test-windows.sh), and the Japanese locale ja_JP.UTF-8 that
# gives wine a Japanese user (code page 932).
set -euo pipefail

windows=false
case "${1:-}" in
  --windows) windows=true ;;
  "") ;;
  *) echo "usage: scripts/setup-debian.sh [--windows]" >&2; exit 2 ;;
esac

packages=(
  g++ clang libclang-rt-14-dev cmake make libgtest-dev libgmock-dev libbenchmark-dev
  # the desktop program: Qt 6 Widgets and SVG, Qt's Japanese texts, a Japanese UI font
  qt6-base-dev qt6-svg-dev qt6-translations-l10n fonts-ipafont-gothic
  # screenshots under a virtual display, opening files and pages with the desktop's programs
  xvfb xauth xdg-utils desktop-file-utils
  # the tests of stacking and focus under a real window manager: openbox on Xvfb, with the X
  # tools that ask about windows (xprop, xwininfo), type keys (xdotool) and close (wmctrl)
  openbox x11-utils xdotool wmctrl
  # fault injection for the crash and hardening tests, system-call counts for the benchmarks
  libfiu-dev fiu-utils strace
  # checking the manual page zelvora-stamp.1
  groff-base
  # dates from git history (the UseGitDates option) and its tests; digests as git names
  # its objects (libcrypto)
  git libssl-dev
  # the Debian package: dpkg-shlibdeps finds its library dependencies; fakeroot lets a
  # non-root test install it into a throw-away root; lintian checks it
  dpkg-dev fakeroot lintian
  # readable stack traces in the sanitizer build's reports (llvm-symbolizer)
  llvm
)
if $windows; then
  packages+=(
    # the MinGW-w64 cross compiler with posix threads, GoogleTest's sources to build for it,
    # wine to run what it builds, and the locales that give wine a Japanese user; NSIS for the
    # installer of the window
    g++-mingw-w64-x86-64-posix googletest wine wine64 locales nsis
  )
fi

as_root() {
  if [ "$(id -u)" -eq 0 ]; then
    "$@"
  elif command -v sudo >/dev/null 2>&1; then
    sudo "$@"
  else
    echo "This user cannot run as root: $*" >&2
    return 1
  fi
}

# Wine takes the user's language, and so the ANSI code page (932), from LANG=ja_JP.UTF-8, which
# must be an installed locale.
japanese_locale() {
  $windows || return 0
  locale -a 2>/dev/null | grep -qix 'ja_JP.utf8' && return 0
  echo "Generating the locale ja_JP.UTF-8"
  as_root sed -i 's/^# *ja_JP.UTF-8 UTF-8/ja_JP.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' | as_root tee -a /etc/locale.gen >/dev/null
  as_root locale-gen --keep-existing >/dev/null
}

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  japanese_locale
  exit 0
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
as_root apt-get update -q
as_root apt-get install -y -q --no-install-recommends "${missing[@]}"
japanese_locale
