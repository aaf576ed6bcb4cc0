#!/usr/bin/env bash
# Shows Zelvora at work: sets up a fresh Debian 12 machine if needed, builds it (in build/,
# shared with scripts/test.sh), copies the example site in examples/site to a new temporary
# folder and opens the program's window with the copy's top page in its file name box, ready
# for 開始. Without a display it says so and stamps the copy with zelvora-stamp instead.
# Either way it then shows what changed, and removes the temporary folder at its end.
#   scripts/demo.sh [--keep]     --keep leaves the temporary folder for a closer look
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
keep=0
case "${1:-}" in
  --keep) keep=1 ;;
  "") ;;
  *) echo "usage: scripts/demo.sh [--keep]" >&2; exit 2 ;;
esac

heading() {
  printf '\n==== %s\n\n' "$1"
}

# Gives the pages and files of a site copy the last-write times of the example's story.
# Git keeps no file times, so they are set here, in whole seconds.
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

heading "Setting up and building Zelvora (in build/; the first build takes a while)"
# The compiler's output goes to a file and is shown only if the build fails.
build_output=$(mktemp "${TMPDIR:-/tmp}/zelvora-demo-build.XXXXXX")
if ! ./scripts/build.sh zelvora zelvora-stamp >"$build_output" 2>&1; then
  cat "$build_output" >&2
  echo "The build failed; its output is above and in $build_output" >&2
  exit 1
fi
rm -f "$build_output"
echo "Built $repo/build/zelvora and $repo/build/zelvora-stamp"

work=$(mktemp -d "${TMPDIR:-/tmp}/zelvora-demo.XXXXXX")
if [ "$keep" -eq 0 ]; then
  trap 'rm -rf "$work"' EXIT
fi
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
top_page="$work/stamped/index.htm"

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  heading "zelvora $top_page"
  echo "The window shows the copy's top page in its file name box. Press 開始 (or Enter),"
  echo "watch the progress window, read the summary, then close the window: this demo then"
  echo "shows what the run changed."
  "$repo/build/zelvora" "$top_page" || {
    echo "zelvora ended with exit status $?" >&2
    exit 1
  }
else
  heading "No display (neither DISPLAY nor WAYLAND_DISPLAY is set): the command-line demo"
  echo "zelvora-stamp $top_page"
  echo
  status=0
  "$repo/build/zelvora-stamp" "$top_page" </dev/null || status=$?
  if [ "$status" -ne 0 ]; then
    echo "zelvora-stamp ended with exit status $status" >&2
    exit 1
  fi
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

# The log is new (the demo has its own program folder), so it holds the demo's runs only.
# Its first line says that no earlier log was found.
heading "The log, Zelvora.log (as UTF-8, without its blank lines)"
if [ -f "$work/program/Zelvora.log" ]; then
  iconv -f CP932 -t UTF-8 "$work/program/Zelvora.log" | tr -d '\r' | grep -v '^$'
else
  echo "(no run was made)"
fi

echo
if [ "$keep" -eq 1 ]; then
  echo "The stamped copy of the site is in $work/stamped (the untouched copy in $work/original)."
else
  echo "The temporary copies are removed now; run scripts/demo.sh --keep to keep them."
fi
