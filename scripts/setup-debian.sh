#!/usr/bin/env bash
# Installs the Debian 12 packages that building and testing Zelvora need, when any is
# missing. Runs apt-get as root (directly, or through sudo when available).
set -euo pipefail

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

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  as_root=()
elif command -v sudo >/dev/null 2>&1; then
  as_root=(sudo)
else
  echo "These packages are missing and this user cannot install them: ${missing[*]}" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -q
"${as_root[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
