#!/usr/bin/env bash
# Cross-builds the parts of Qt 6.4.2 that Zelvora's window needs for 64-bit Windows (Core,
# Gui, Widgets, the windows platform plugin, the Windows style) from Debian's source package
# qt6-base, with the repository's MinGW-w64 toolchain, and installs them into a cache outside
# the tree:
#   ${XDG_CACHE_HOME:-~/.cache}/zelvora/qt-6.4.2-mingw-<compiler>
# The folder's name carries the Qt version and the compiler (e.g. gcc12-posix), so builds made
# with the same toolchain reuse it and another compiler gets a folder of its own. When that
# folder is complete the script only says so. Debian has no Qt for MinGW, but its host tools
# (moc, rcc, uic from qt6-base-dev-tools) are the same version and serve the cross build.
#
# Qt Svg is not built: Debian's mirror serves the description (.dsc) of the source package
# qt6-svg but not its source tarballs (404), so it cannot be fetched. The window does not need
# it: a Windows build takes the program's icon from PNG files rendered from the SVG on Linux
# (resources/windows/icons, scripts/make-windows-icon.sh).
#
#   scripts/build-qt-windows.sh [-j JOBS] [--keep-work]
#     -j JOBS      parallel compile jobs (default: the number of cores)
#     --keep-work  keep the sources and build folders after a complete install
#   scripts/build-qt-windows.sh --print-toolchain
#     prints the CMake toolchain file of the built Qt (nothing when it is not built) and
#     builds nothing
#
# The sources and build folders live in ZELVORA_QT_WORK (default: the cache folder's name with
# "-work" appended). A run that stopped resumes there: a fetched source is not fetched again
# and a configured build goes on where it stopped. Installs the Debian packages it needs with
# apt-get (as root, or through sudo), and adds a deb-src entry for the Debian mirror if apt
# has none. About 45 minutes on two idle cores, an hour and a half beside other builds.
set -euo pipefail
repo=$(cd "$(dirname "$0")/.." && pwd)

qt_version=6.4.2
triplet=x86_64-w64-mingw32
jobs=$(nproc)
keep_work=0
print_toolchain=0
while [ $# -gt 0 ]; do
  case "$1" in
    -j) jobs=$2; shift 2 ;;
    -j*) jobs=${1#-j}; shift ;;
    --keep-work) keep_work=1; shift ;;
    --print-toolchain) print_toolchain=1; shift ;;
    *) echo "usage: $0 [-j JOBS] [--keep-work] | --print-toolchain" >&2; exit 2 ;;
  esac
done

# The cache folder for the compiler installed here ("12-posix" for Debian 12's MinGW g++
# with posix threads); empty when that compiler is missing.
cache_folder() {
  local version
  version=$("$triplet-g++-posix" -dumpfullversion 2>/dev/null) || return 0
  echo "${XDG_CACHE_HOME:-$HOME/.cache}/zelvora/qt-$qt_version-mingw-gcc$version"
}

if [ "$print_toolchain" -eq 1 ]; then
  folder=$(cache_folder)
  if [ -n "$folder" ] && [ -f "$folder/zelvora-qtbase-installed" ] &&
    [ -f "$folder/lib/cmake/Qt6/qt.toolchain.cmake" ]; then
    echo "$folder/lib/cmake/Qt6/qt.toolchain.cmake"
  fi
  exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
  as_root=()
elif command -v sudo >/dev/null 2>&1; then
  as_root=(sudo)
else
  as_root=(false)
fi

# Installs the Debian packages named that are missing.
install_packages() {
  local missing=() package
  for package in "$@"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$package")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  if [ "${as_root[0]:-}" = false ]; then
    echo "These packages are missing and this user cannot install them: ${missing[*]}" >&2
    exit 1
  fi
  DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get update -q
  DEBIAN_FRONTEND=noninteractive "${as_root[@]}" apt-get install -y -q --no-install-recommends \
    "${missing[@]}"
}

# The compiler (MinGW-w64 g++ with posix threads, which std::thread needs), CMake and Ninja, the
# host tools of the same Qt version (with their CMake packages, which QT_HOST_PATH points at),
# and what `apt-get source` needs to unpack and patch a source package.
install_packages g++-mingw-w64-x86-64-posix cmake ninja-build qt6-base-dev qt6-base-dev-tools \
  dpkg-dev xz-utils

host_version=$(dpkg-query -W -f='${Version}' qt6-base-dev-tools)
if [ "${host_version%%+*}" != "$qt_version" ]; then
  echo "Debian's host tools are Qt $host_version; this script builds Qt $qt_version." >&2
  exit 1
fi

compiler_version=$("$triplet-g++-posix" -dumpfullversion)
prefix=$(cache_folder)
work=${ZELVORA_QT_WORK:-$prefix-work}
complete_mark="$prefix/zelvora-qt-complete"

if [ -f "$complete_mark" ]; then
  echo "Qt $qt_version for Windows is already built in $prefix; nothing to do."
  exit 0
fi

started=$SECONDS
mkdir -p "$work" "$prefix"

# A copy of the toolchain inside the cache: Qt's installed CMake files refer to the toolchain
# they were built with by path, and the cache outlives any one checkout. Copied only when it
# differs, so that a resumed build is not configured again.
toolchain="$prefix/toolchain-mingw-w64.cmake"
cmp -s "$repo/cmake/toolchain-mingw-w64.cmake" "$toolchain" ||
  cp "$repo/cmake/toolchain-mingw-w64.cmake" "$toolchain"

# Makes `apt-get source` work: adds deb-src entries for the same Debian mirror that apt already
# uses for binary packages, unless apt knows the source package already.
enable_debian_sources() {
  if apt-cache showsrc qt6-base 2>/dev/null | grep -q '^Package: qt6-base'; then
    return 0
  fi
  local list=/etc/apt/sources.list.d/debian.sources mirror=""
  if [ -f "$list" ]; then
    mirror=$(awk '/^URIs:/ && $2 ~ /\/debian\/?$/ { print $2; exit }' "$list")
  fi
  mirror=${mirror:-http://deb.debian.org/debian}
  local codename
  # shellcheck source=/dev/null
  codename=$(. /etc/os-release && echo "$VERSION_CODENAME")
  echo "Adding deb-src entries for $mirror ($codename) in /etc/apt/sources.list.d/zelvora-deb-src.sources"
  printf '%s\n' "Types: deb-src" "URIs: $mirror" "Suites: $codename $codename-updates" \
    "Components: main" "Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg" |
    "${as_root[@]}" tee /etc/apt/sources.list.d/zelvora-deb-src.sources >/dev/null
  "${as_root[@]}" apt-get update -q
}

# Fetches and unpacks (with Debian's patches) the source package into $work/src once, checking
# that it is the Qt version wanted. Sets source_folder.
fetch_source() {
  local package=$1
  source_folder=$(find "$work/src" -maxdepth 1 -type d -name "$package-$qt_version*" 2>/dev/null |
    head -1)
  if [ -n "$source_folder" ] && [ -f "$source_folder/.zelvora-unpacked" ]; then
    return 0
  fi
  enable_debian_sources
  mkdir -p "$work/src"
  rm -rf "$work/src/$package-"* "$work/src/${package}_"*
  if ! (cd "$work/src" && apt-get source -q "$package"); then
    echo "Could not fetch Debian's source package $package (above: what apt-get said)." >&2
    echo "$prefix keeps the modules built so far; run this script again when the source" \
      "can be fetched." >&2
    exit 1
  fi
  source_folder=$(find "$work/src" -maxdepth 1 -type d -name "$package-$qt_version*" | head -1)
  if [ -z "$source_folder" ]; then
    echo "apt-get source $package did not bring Qt $qt_version:" >&2
    ls "$work/src" >&2
    exit 1
  fi
  touch "$source_folder/.zelvora-unpacked"
}

# Prints SECONDS as minutes and seconds.
duration() {
  echo "$(($1 / 60)) min $(($1 % 60)) s"
}

# Fetches the source package, configures it (once) in $work/build-NAME, builds it and installs
# it into $prefix, unless a mark there says it is installed already; then writes that mark.
install_module() {
  local name=$1 package=$2
  shift 2
  local mark="$prefix/zelvora-$name-installed" build="$work/build-$name" module_started=$SECONDS
  if [ -f "$mark" ]; then
    echo "$name is already installed in $prefix."
    return 0
  fi
  fetch_source "$package"
  if [ ! -f "$build/build.ninja" ]; then
    echo "Configuring $name: cmake $*"
    cmake -S "$source_folder" -B "$build" -G Ninja "$@"
  fi
  echo "Building $name with $jobs jobs"
  cmake --build "$build" --parallel "$jobs"
  # Stripped: the DLLs are laid beside the program as they are, and their debug sections
  # would triple their size.
  cmake --install "$build" --strip
  echo "$name installed; this run took $(duration $((SECONDS - module_started)))" | tee "$mark"
}

# Debian keeps the host tools' CMake packages under the multiarch library folder, not where
# QT_HOST_PATH alone would lead Qt to look.
host_cmake_dir=/usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)/cmake

# Only Core, Gui, Widgets (and OpenGL, without which 6.4.2's windows plugin does not compile).
# Debian's source leaves out the wintab header (its license), which tablet events need.
install_module qtbase qt6-base \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DQT_HOST_PATH=/usr \
  -DQT_HOST_PATH_CMAKE_DIR="$host_cmake_dir" \
  -DQT_BUILD_EXAMPLES=OFF \
  -DQT_BUILD_TESTS=OFF \
  -DFEATURE_sql=OFF \
  -DFEATURE_network=OFF \
  -DFEATURE_dbus=OFF \
  -DFEATURE_printsupport=OFF \
  -DFEATURE_testlib=OFF \
  -DFEATURE_concurrent=OFF \
  -DFEATURE_xml=OFF \
  -DFEATURE_tabletevent=OFF

echo "Qt Svg is skipped: Debian's mirror does not serve the source tarballs of qt6-svg, and" \
  "the window takes its icon from PNG files on Windows."

printf 'Qt %s for Windows (%s, g++ %s) complete on %s; this run took %s\n' "$qt_version" \
  "$triplet" "$compiler_version" "$(date -u +%Y-%m-%dT%H:%MZ)" \
  "$(duration $((SECONDS - started)))" | tee "$complete_mark"
if [ "$keep_work" -eq 0 ]; then
  rm -rf "$work"
fi
echo "Installed into $prefix ($(du -sh "$prefix" | cut -f1))."
echo "Use it with: cmake -DCMAKE_TOOLCHAIN_FILE=$prefix/lib/cmake/Qt6/qt.toolchain.cmake ..."
