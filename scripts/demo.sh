#!/usr/bin/env bash
# Shows Zelvora at work: sets up a fresh Debian 12 machine if needed, builds zelvora-stamp,
# stamps a copy of the example site in examples/site and shows what changed.
# The checked-in example files are never touched; everything happens in a new temporary
# folder, which is left behind for a closer look.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)

heading() {
  printf '\n==== %s\n\n' "$1"
}

# Gives the pages and files of a site copy the last-write times of the example's story.
# Git keeps no file times, so they are set here; whole even seconds, as the stamps
# work at a 2-second resolution.
set_site_times() {
  local site=$1
  while read -r day time file; do
    touch -d "$day $time" "$site/$file"
  done <<'TIMES'
2024-01-08 10:00:00 style.css
2024-02-11 09:30:00 links.htm
2024-03-15 20:12:40 about.htm
2024-04-28 13:05:00 photos/neko.gif
2024-04-28 13:12:00 files/kabegami.zip
2024-04-28 13:20:00 gallery.htm
2024-05-12 16:00:00 diary/menu.htm
2024-05-12 16:02:00 diary.htm
2024-05-12 16:10:00 news/2024-05-12.htm
2024-05-26 18:44:10 photos/yuuhi.png
2024-05-31 23:05:00 diary/2024-05.htm
2024-06-02 21:15:30 news/2024-06-02.htm
2024-06-02 21:20:00 news/index.htm
2024-06-08 22:31:20 diary/2024-06.htm
2024-06-09 21:40:00 index.htm
TIMES
}

# Copies the pages of a site as UTF-8 with LF line ends, keeping their last-write times,
# so that a terminal can show them and diff shows only what really changed.
readable_copy() {
  local from=$1 to=$2 page
  (cd "$from" && find . -name '*.htm' -type f) | sort | while read -r page; do
    mkdir -p "$to/$(dirname "$page")"
    iconv -f CP932 -t UTF-8 "$from/$page" | tr -d '\r' >"$to/$page"
    touch -r "$from/$page" "$to/$page"
  done
}

heading "Setting up and building zelvora-stamp (Release, in build/; the first build takes a while)"
./scripts/setup-debian.sh
# The compiler's output goes to a file and is shown only if the build fails. Warnings do not
# stop the demo (test.sh builds with warnings as errors).
build_output=$(mktemp "${TMPDIR:-/tmp}/zelvora-demo-build.XXXXXX")
if ! { cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DZELVORA_WERROR=OFF &&
  cmake --build build -j "$(nproc)" --target zelvora-stamp; } >"$build_output" 2>&1; then
  cat "$build_output" >&2
  echo "The build failed; its output is above and in $build_output" >&2
  exit 1
fi
rm -f "$build_output"
echo "Built $repo/build/zelvora-stamp"

work=$(mktemp -d "${TMPDIR:-/tmp}/zelvora-demo.XXXXXX")
cp -R examples/site "$work/original"
cp -R examples/site "$work/stamped"
set_site_times "$work/original"
set_site_times "$work/stamped"
mkdir "$work/program"

# A private settings store (all defaults) and log folder, so the demo leaves the user's own
# settings and log alone. Under the C locale the dates use the Japanese regional defaults.
export ZELVORA_REGISTRY="$work/program/registry.reg"
export ZELVORA_PROGRAM_DIR="$work/program"
export LC_ALL=C.UTF-8

heading "zelvora-stamp $work/stamped/index.htm"
status=0
"$repo/build/zelvora-stamp" "$work/stamped/index.htm" </dev/null || status=$?
if [ "$status" -ne 0 ]; then
  echo "zelvora-stamp ended with exit status $status; the site copy is in $work/stamped" >&2
  exit 1
fi

heading "What changed in the pages (shown as UTF-8; the files stay Shift_JIS)"
readable_copy "$work/original" "$work/readable/original"
readable_copy "$work/stamped" "$work/readable/stamped"
(cd "$work/readable" && diff -r -U 1 original stamped) || [ $? -eq 1 ]

heading "Last-write times of the pages, before and after"
(cd "$work/original" && find . -name '*.htm' -type f | sed 's|^\./||' | sort) | while read -r page; do
  before=$(date -r "$work/original/$page" '+%Y-%m-%d %H:%M:%S')
  after=$(date -r "$work/stamped/$page" '+%Y-%m-%d %H:%M:%S')
  note=""
  if [ "$before" != "$after" ]; then
    note="  <- the newest date written into it"
  fi
  printf '%-22s %s   %s%s\n' "$page" "$before" "$after" "$note"
done

heading "Backups made beside the rewritten pages"
(cd "$work/stamped" && find . -name '*.bak' -type f | sed 's|^\./||' | sort)

# The log is new (the demo has its own program folder), so it holds this run only. Its
# first line says that no earlier log was found.
heading "The log, $work/program/Zelvora.log (as UTF-8, without its blank lines)"
iconv -f CP932 -t UTF-8 "$work/program/Zelvora.log" | tr -d '\r' | grep -v '^$'

echo
echo "The stamped copy of the site is in $work/stamped (the untouched copy in $work/original)."
