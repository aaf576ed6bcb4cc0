#!/bin/bash
# Builds the Debian package of a configured and built tree and checks it:
#   check_package.sh BUILD_DIR
# - the package holds the programs and the help file in /usr/lib/zelvora, relative links in
#   /usr/bin, the desktop entry, gzipped manual pages of both programs, the copyright file and
#   the changelog, and declares the run-time dependencies (git is not one: it is only
#   suggested);
# - lintian --pedantic finds no error, warning or pedantic remark;
# - its Installed-Size is what its contents take, its programs are stripped and hardened
#   (read-only relocations, bound at start), and its version is the one the program prints;
# - dpkg installs it into a throw-away root (its own dpkg database, nothing on this machine
#   changes), and the zelvora-stamp there starts;
# - the desktop entry offers the program for HTML files without taking the place of the
#   browser as the program that opens them;
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
            ./usr/share/applications/zelvora.desktop ./usr/share/man/man1/zelvora-stamp.1.gz \
            ./usr/share/doc/zelvora/copyright ./usr/share/doc/zelvora/changelog.gz; do
  grep -q " $path\$" <<<"$contents" || fail "the package lacks $path"
done
has_gui=false
if grep -q ' ./usr/lib/zelvora/zelvora$' <<<"$contents"; then has_gui=true; fi
if $has_gui; then
  grep -q ' ./usr/share/man/man1/zelvora.1.gz$' <<<"$contents" ||
    fail "the package lacks the manual page of zelvora"
fi

if command -v lintian >/dev/null; then
  # lintian warns that it runs as root, which the tests may do; that line is no finding.
  if ! lintian --pedantic --fail-on error,warning,pedantic "$deb" >"$work/lintian.log" 2>&1; then
    grep -v 'running with root privileges' "$work/lintian.log" >&2
    fail "lintian --pedantic finds fault with the package"
  fi
  echo "lintian --pedantic: no error, warning or pedantic remark"
else
  echo "NOTE: no lintian here (package lintian); the package was not checked by it"
fi

# Installed-Size as dpkg counts it: each file and link by its size rounded up to KiB, every
# folder as one KiB.
real_size=$(awk '{ if ($1 ~ /^[dl]/) kib += 1; else kib += int(($3 + 1023) / 1024) }
                 END { print kib }' <<<"$contents")
declared_size=$(dpkg-deb --field "$deb" Installed-Size)
[ "$declared_size" = "$real_size" ] ||
  fail "Installed-Size is $declared_size KiB, the contents take $real_size KiB"
echo "Installed-Size: $declared_size KiB"
grep -q ' ./usr/bin/zelvora-stamp -> ../lib/zelvora/zelvora-stamp$' <<<"$contents" ||
  fail "the package lacks the relative link /usr/bin/zelvora-stamp"

depends=$(dpkg-deb --field "$deb" Depends)
echo "Depends: $depends"
# True when Depends names the package (with or without a version).
depends_on() { tr ',|' '\n\n' <<<"$depends" | sed 's/^ *//; s/[ (].*//' | grep -Fxq "$1"; }
for package in libc6 libstdc++6 xdg-utils fonts-ipafont-gothic; do
  depends_on "$package" || fail "Depends does not name $package"
done
if $has_gui; then
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

version=$(dpkg-deb --field "$deb" Version)
[ "$("$root/usr/bin/zelvora-stamp" --version)" = "zelvora-stamp $version" ] ||
  fail "the package's version $version is not the one zelvora-stamp prints"
for program in "$root"/usr/lib/zelvora/zelvora*; do
  sections=$(readelf --section-headers --wide "$program")
  ! grep -q ' \.symtab ' <<<"$sections" || fail "$program is not stripped"
  readelf --program-headers --wide "$program" | grep -q GNU_RELRO ||
    fail "$program has no read-only relocations (-z relro)"
  readelf --dynamic --wide "$program" | grep -q 'BIND_NOW\|FLAGS_1.*NOW' ||
    fail "$program is not bound at start (-z now)"
done
echo "version $version; programs stripped, with -z relro and -z now"

# The desktop entry: a browser installed beside it stays the program that opens HTML files
# (xdg-mime's answer on a desktop without settings of its own), while the entry is offered for
# them. update-desktop-database does what the trigger of desktop-file-utils does on install.
applications="$root/usr/share/applications"
grep -qx 'Exec=zelvora %f' "$applications/zelvora.desktop" || fail "Exec does not take a file"
if command -v update-desktop-database >/dev/null && command -v xdg-mime >/dev/null; then
  printf '[Desktop Entry]\nType=Application\nName=Browser\nExec=browser %%u\nMimeType=text/html;\n' \
    >"$applications/firefox-esr.desktop"
  update-desktop-database "$applications"
  grep -q '^text/html=.*zelvora\.desktop' "$applications/mimeinfo.cache" ||
    fail "the desktop entry is not offered for text/html"
  grep -q '^application/xhtml+xml=.*zelvora\.desktop' "$applications/mimeinfo.cache" ||
    fail "the desktop entry is not offered for application/xhtml+xml"
  mkdir -p "$work/home"
  default=$(env -i PATH="$PATH" HOME="$work/home" XDG_DATA_DIRS="$root/usr/share" \
              XDG_DATA_HOME="$work/home/data" XDG_CONFIG_HOME="$work/home/config" \
              XDG_CONFIG_DIRS="$work/home/etc" xdg-mime query default text/html)
  [ "$default" = firefox-esr.desktop ] ||
    fail "xdg-mime names $default, not the browser, as the program for HTML files"
  echo "the desktop entry is offered for HTML files; xdg-mime still names the browser"
else
  echo "NOTE: no update-desktop-database or xdg-mime here; the association was not checked"
fi

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
