#!/bin/bash
# Builds the Debian package of a configured and built tree and checks it:
#   check_package.sh BUILD_DIR
# - the package holds the programs and the help file in /usr/lib/zelvora, relative links in
#   /usr/bin and the desktop entry, and declares the run-time dependencies (git is not one: it
#   is only suggested);
# - dpkg installs it into a throw-away root (its own dpkg database, nothing on this machine
#   changes), and the zelvora-stamp there starts;
# - apt, in simulation, can satisfy its dependencies on this machine.
# Steps this machine cannot take (no dpkg-deb, no apt) are skipped with a message.
set -euo pipefail

build_dir=$1
work=$(mktemp -d "${TMPDIR:-/tmp}/zelvora-package-XXXXXX")
trap 'rm -rf "$work"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

if ! command -v dpkg-deb >/dev/null || ! command -v dpkg-shlibdeps >/dev/null; then
  echo "SKIP: dpkg-deb or dpkg-shlibdeps is missing; no Debian package can be built here"
  exit 77
fi

(cd "$build_dir" && cpack -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) ||
  { cat "$work/cpack.log" >&2; fail "cpack -G DEB failed"; }
deb=$(ls "$work"/out/zelvora_*.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || fail "cpack made no zelvora_*.deb"
echo "built $(basename "$deb") ($(stat -c %s "$deb") bytes)"

contents=$(dpkg-deb --contents "$deb")
for path in ./usr/lib/zelvora/zelvora-stamp ./usr/lib/zelvora/Zelvora.htm \
            ./usr/share/applications/zelvora.desktop; do
  grep -q " $path\$" <<<"$contents" || fail "the package lacks $path"
done
grep -q ' ./usr/bin/zelvora-stamp -> ../lib/zelvora/zelvora-stamp$' <<<"$contents" ||
  fail "the package lacks the relative link /usr/bin/zelvora-stamp"

depends=$(dpkg-deb --field "$deb" Depends)
echo "Depends: $depends"
# True when Depends names the package (with or without a version).
depends_on() { tr ',|' '\n\n' <<<"$depends" | sed 's/^ *//; s/[ (].*//' | grep -Fxq "$1"; }
for package in libc6 libstdc++6 xdg-utils fonts-ipafont-gothic; do
  depends_on "$package" || fail "Depends does not name $package"
done
if grep -q ' ./usr/lib/zelvora/zelvora$' <<<"$contents"; then
  for package in libqt6widgets6 qt6-qpa-plugins qt6-translations-l10n; do
    depends_on "$package" || fail "Depends does not name $package"
  done
fi
if depends_on git; then fail "git is not needed at run time"; fi
[ "$(dpkg-deb --field "$deb" Suggests)" = git ] || fail "Suggests does not name git"

# Install into a throw-away root: dpkg keeps its database under --root, so nothing outside
# it changes. The dependencies are installed on this machine, not in that root.
root="$work/root"
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates" "$root/var/log"
touch "$root/var/lib/dpkg/status"
as_root=()
if [ "$(id -u)" != 0 ] && command -v fakeroot >/dev/null; then as_root=(fakeroot); fi
PATH="$PATH:/usr/sbin:/sbin" "${as_root[@]}" dpkg --root="$root" --force-not-root \
  --force-depends --log="$root/var/log/dpkg.log" -i "$deb" >"$work/dpkg.log" 2>&1 ||
  { cat "$work/dpkg.log" >&2; fail "dpkg could not install"; }
installed_status=$(dpkg --root="$root" --force-not-root -s zelvora | sed -n 's/^Status: //p')
[ "$installed_status" = "install ok installed" ] || fail "dpkg reports the package as '$installed_status'"
"$root/usr/bin/zelvora-stamp" --help >/dev/null || fail "the installed zelvora-stamp does not start"
echo "installed into a throw-away root and started zelvora-stamp from it"

if command -v apt-get >/dev/null; then
  if apt-get install --simulate --no-download "$deb" >"$work/apt.log" 2>&1; then
    echo "apt can satisfy the dependencies here"
  elif grep -q "Unable to locate\|has no installation candidate\|but it is not installable" "$work/apt.log"; then
    echo "NOTE: apt cannot find every dependency on this machine (its package lists may be empty):"
    grep -E "Depends|Unable|not installable" "$work/apt.log" || true
  else
    cat "$work/apt.log" >&2
    fail "apt cannot install the package"
  fi
else
  echo "NOTE: no apt-get here; the dependency check by apt was skipped"
fi
echo "OK"
