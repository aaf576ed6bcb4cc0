#!/usr/bin/env bash
# Builds Zelvora in Release mode into build-bench and measures zelvora-stamp against plain
# file tools on generated sites, printing each figure next to its goal:
#
#   first   first stamp of a 10,000-page site vs a durable copy (cp -r, sync)    goal <= 2.0
#   second  a second run with nothing to write vs cat of its pages              goal <= 1.5
#   scale   time per page of a first stamp, 100,000 pages vs 1,000 pages        goal <= 1.25
#   memory  peak resident memory of the 100,000-page first stamp                goal <= 100 MiB
#   chain   a 100,000-page chain of "next" links completes, every page stamped
#   crash   runs killed at random moments (3,000 pages, 50 rounds) lose nothing
#   faults  runs under injected failures of reads, writes, renames and links (fiu-run; 3,000
#           pages, 20 rounds) keep every page whole and every generation, and the next run
#           completes the site
#   scan    the stamp scan of one 5/10/25/50 MB page: time per byte stays flat     goal <= 1.5
#           (50 MB over 5 MB; cache effects alone give ~1.3 here, a quadratic scan 10)
#   gui     the same first stamp of the 10,000-page site as a run in the window (zelvora
#           --run on Qt's offscreen platform, the run from its start command to its end) vs
#           zelvora-stamp, side by side; the whole process is shown too         goal <= 1.10
#           and how soon the abort button stops a run on a 50 MB page           goal <= 0.1 s
#   dialogs the file dialog on Qt's offscreen platform, next to the bare folder reading:
#           expanding a folder of 10,000 subfolders in its tree               goal < 1 s
#           listing a folder of 20,000 files                                  goal < 0.5 s
#   syscalls  system calls (strace -c -f) of the 10,000-page site: per written page of a
#           first stamp                                                         goal <= 12
#           and per page of a second run with nothing to write                  goal <= 5
#   ratios  first stamp vs perl -pi.bak making one edit in each page (then sync) goal <= 0.75
#           second run vs cat of the pages                                      goal <= 1.3
#   startup --show-settings with 2,000 avoid-list entries in the store         goal <= 1 s
#   bigfolder  300 pages dated by one folder of 17,000 files, first stamp       goal <= 2 s
#   git     a trial run over the 10,000-page site committed to a git repository, with
#           UseGitDates against without: the extra time                        goal <= 1 s
#   windows (only when asked for) the same first stamp of the 10,000-page site by
#           zelvora-stamp.exe under wine against the Linux program, side by side, and
#           whether both wrote the same bytes                                  no goal
#
# Both sides of a comparison work in the same folder on the same disk. Before every measured
# side, pending writes are flushed (sync) and the side's input files are read once, so both
# start with the same warm page cache; with --cold the page cache is dropped instead (root).
# Copies are never deleted between measurements, and a measurement waits until the last mass
# deletion in the work folder is five minutes old: ext4 without a journal skips inodes deleted
# in the last minutes when it creates files, one by one, which makes file creation after a
# mass deletion many times slower for whichever side comes next.
# Needs only what scripts/setup-debian.sh installs plus coreutils and findutils.
set -euo pipefail

usage() {
  cat <<'EOF'
usage: bench/run_benchmarks.sh [options]
  --quick          smaller sites and fewer rounds (a few minutes)
  --only LIST      run only these comma-separated parts:
                   first,second,scale,memory,chain,crash,faults,scan,gui,dialogs,
                   syscalls,ratios,startup,bigfolder,git; and windows, which is
                   not among the default parts (it needs scripts/build-windows.sh)
  --work DIR       folder for the generated sites (default: build-bench/work)
  --cold           drop the page cache before each measured side instead of warming it
  --repeat N       measure each side of "first" and "second" N times, keep the median (default 3)
  --rounds N       crash-test rounds (default 50)
  --fault-rounds N rounds of the crash test under injected failures (default 20)
  --fault-probability P  probability of each injected failure per call (default 0.0003)
  --keep           keep the generated sites for the next invocation
  --no-wait        do not wait for recent deletions to age (faster, less fair)
  --no-build       use the binaries already in build-bench
Environment: ZELVORA_STAMP names another zelvora-stamp binary to measure.
EOF
}

repo=$(cd "$(dirname "$0")/.." && pwd)
build="$repo/build-bench"
work="$build/work"
quick=0 cold=0 keep=0 do_build=1 repeat=3 rounds=50 wait_deletions=1
fault_rounds=20 fault_probability=0.0003
only="first,second,scale,memory,chain,crash,faults,scan,gui,dialogs,syscalls,ratios,startup,bigfolder,git"
while [ $# -gt 0 ]; do
  case "$1" in
    --quick) quick=1 ;;
    --only) only=$2; shift ;;
    --work) work=$2; shift ;;
    --cold) cold=1 ;;
    --repeat) repeat=$2; shift ;;
    --rounds) rounds=$2; shift ;;
    --fault-rounds) fault_rounds=$2; shift ;;
    --fault-probability) fault_probability=$2; shift ;;
    --keep) keep=1 ;;
    --no-build) do_build=0 ;;
    --no-wait) wait_deletions=0 ;;
    -h|--help) usage; exit 0 ;;
    *) usage >&2; exit 2 ;;
  esac
  shift
done
wants() { case ",$only," in *",$1,"*) return 0 ;; *) return 1 ;; esac; }

# Sizes: the goals' sizes, or small ones with --quick.
if [ "$quick" -eq 1 ]; then
  first_pages=1000 small_pages=100 large_pages=10000 chain_pages=10000
  crash_pages=300 crash_rounds=5 scan_args=(--benchmark_min_time=0.05)
  fault_rounds=5 fault_probability=0.003
  [ "$repeat" -gt 1 ] && repeat=1
  wait_deletions=0
else
  first_pages=10000 small_pages=1000 large_pages=100000 chain_pages=100000
  crash_pages=3000 crash_rounds=$rounds scan_args=()
fi

if [ "$do_build" -eq 1 ]; then
  "$repo/scripts/setup-debian.sh"
  cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=Release -DZELVORA_BUILD_TESTS=OFF >/dev/null
  gui_target=()
  if wants gui; then gui_target=(zelvora); fi
  cmake --build "$build" -j "$(nproc)" --target zelvora-stamp zelvora-site-generator \
    zelvora-measure zelvora-crash-test zelvora-scan-benchmark zelvora_fault_calls \
    zelvora-preload-exec "${gui_target[@]}" >/dev/null
  if wants dialogs; then
    cmake --build "$build" -j "$(nproc)" --target zelvora-gui-benchmark >/dev/null
  fi
fi
stamp=${ZELVORA_STAMP:-$build/zelvora-stamp}
generator="$build/bench/zelvora-site-generator"
measure_tool="$build/bench/zelvora-measure"

mkdir -p "$work/env" "$work/logs"
work=$(cd "$work" && pwd)
results="$work/logs/measurements.txt"
: >"$results"
export ZELVORA_REGISTRY="$work/env/registry.reg" ZELVORA_PROGRAM_DIR="$work/env"
summary=()

# --- helpers ---------------------------------------------------------------------------

fs_type() { df -T "$1" | awk 'NR == 2 { print $2 " on " $1 }'; }
calc() { awk "BEGIN { printf \"%.${2:-2}f\", $1 }"; }
verdict() { awk -v v="$1" -v g="$2" 'BEGIN { print (v <= g) ? "met" : "MISSED" }'; }
report() { summary+=("$(printf '%-44s %14s   goal %-10s %s' "$1" "$2" "$3" "$4")"); }

# discard FOLDER...: deletes folders and notes the moment, so that measurements can wait.
discard() {
  rm -rf "$@"
  date +%s >"$work/.last-deletion"
}
# Waits until the last deletion is five minutes old (see the top of this script).
age_deletions() {
  [ "$wait_deletions" -eq 1 ] && [ -f "$work/.last-deletion" ] || return 0
  local wait=$(($(cat "$work/.last-deletion") + 305 - $(date +%s)))
  if [ "$wait" -gt 0 ]; then
    echo "(waiting $wait s for recent deletions to age)"
    sleep "$wait"
  fi
}

# Flushes pending writes, then warms (reads every file below the given folders) or, with
# --cold, empties the page cache.
settle() {
  age_deletions
  sync
  if [ "$cold" -eq 1 ]; then
    echo 3 >/proc/sys/vm/drop_caches
  else
    find "$@" -type f -print0 | xargs -0 -r cat >/dev/null
  fi
}

# measure LABEL COMMAND...: runs the command, records its line, returns its exit status.
measure() {
  local label=$1
  shift
  "$measure_tool" --label "$label" --output "$results" -- "$@"
}
# field LABEL NAME: a figure of the last measurement called LABEL.
field() {
  awk -v l="label=$1" -v f="$2=" '$2 == l { for (i = 3; i <= NF; i++) if (index($i, f) == 1)
    v = substr($i, length(f) + 1) } END { print v }' "$results"
}
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

generate() {  # generate DIR PAGES [SHAPE]: a site, made once per size
  if [ ! -f "$1/.complete" ]; then
    [ -e "$1" ] && discard "$1"
    "$generator" --pages "$2" --shape "${3:-site}" --out "$1" >"$work/logs/generated"
    mv "$work/logs/generated" "$1/.complete"
  fi
}
fresh_copy() { cp -a "$1" "$2"; rm -f "$2/.complete"; }  # fresh_copy SITE NEW-FOLDER
describe() { sed 's/^root=[^ ]* //' "$1/.complete"; }  # pages=N walk_depth=D
written() { grep -c '◎日付を記入しました' "$1" || true; }

# run_stamp LABEL SITE ROOT: one stamp run, log entries kept in logs/LABEL.err.
run_stamp() {
  measure "$1" "$stamp" "$2/$3" >"$work/logs/$1.out" 2>"$work/logs/$1.err"
}

runs="$work/runs"  # copies that runs write into; deleted only at the end
[ -e "$runs" ] && discard "$runs"
mkdir -p "$runs"

# --- the machine --------------------------------------------------------------------------

echo "Machine: $(nproc) CPUs, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ //'),"\
" $(awk '/MemTotal/ { printf "%.1f GiB", $2 / 1048576 }' /proc/meminfo) RAM,"\
" kernel $(uname -r)"
echo "Work folder: $work ($(fs_type "$work")); caches: $([ "$cold" -eq 1 ] && echo dropped || echo warmed) before each side"
echo "Binary: $stamp"
echo

# --- first stamp vs durable copy, and the second run vs cat ------------------------------

if wants first || wants second; then
  site="$work/site-$first_pages"
  generate "$site" "$first_pages"
  echo "site: $(describe "$site")"
  copy_walls=() stamp_walls=() second_walls=() cat_walls=()
  for ((r = 1; r <= repeat; r++)); do
    if wants first; then
      settle "$site"
      measure "copy-$r" sh -c 'cp -r "$1" "$2" && sync' sh "$site" "$runs/copy-$r"
      copy_walls+=("$(field "copy-$r" wall_s)")
    fi
    stamped="$runs/stamped-$r"
    fresh_copy "$site" "$stamped"
    settle "$stamped"
    measure "first-$r" sh -c '"$1" "$2" >"$3.out" 2>"$3.err" && sync' sh "$stamp" \
      "$stamped/index.html" "$work/logs/first-$r"
    stamp_walls+=("$(field "first-$r" wall_s)")
    if wants second; then
      find "$stamped" -name '*.html' -print0 >"$work/logs/pages.list"
      settle "$stamped"
      measure "cat-$r" sh -c 'xargs -0 cat <"$1" >/dev/null' sh "$work/logs/pages.list"
      cat_walls+=("$(field "cat-$r" wall_s)")
      settle "$stamped"
      run_stamp "second-$r" "$stamped" index.html
      second_walls+=("$(field "second-$r" wall_s)")
      echo "second run $r wrote $(written "$work/logs/second-$r.err") pages (expected 0)"
    fi
  done
  stamp_wall=$(median "${stamp_walls[@]}")
  echo "first stamp of $first_pages pages (then sync): ${stamp_walls[*]} s; wrote" \
    "$(written "$work/logs/first-1.err") pages"
  if wants first; then
    copy_wall=$(median "${copy_walls[@]}")
    echo "cp -r and sync of the same site: ${copy_walls[*]} s"
    ratio=$(calc "$stamp_wall / $copy_wall")
    report "first stamp $first_pages pages / durable copy" "$ratio" "<= 2.0" "$(verdict "$ratio" 2.0)"
  fi
  if wants second; then
    second_wall=$(median "${second_walls[@]}") cat_wall=$(median "${cat_walls[@]}")
    echo "second run: ${second_walls[*]} s; cat of its pages: ${cat_walls[*]} s"
    ratio=$(calc "$second_wall / $cat_wall")
    report "second run $first_pages pages / cat of pages" "$ratio" "<= 1.5" "$(verdict "$ratio" 1.5)"
  fi
fi

# --- dates from git history -----------------------------------------------------------------

# The site committed to a git repository (two commits, the second changing a tenth of the
# pages) and cloned, as a new machine or a CI job gets it: every file carries the time of the
# checkout. Trial runs over the clone with and without UseGitDates, the first of them with
# (git then also checks the freshly written index); the difference is what reading the
# history costs.
if wants git; then
  site="$work/site-$first_pages"
  generate "$site" "$first_pages"
  origin="$runs/git-origin" repository="$runs/git-site"
  fresh_copy "$site" "$origin"
  (
    export HOME="$work/env" GIT_CONFIG_NOSYSTEM=1 GIT_CONFIG_GLOBAL=/dev/null
    export GIT_AUTHOR_NAME=bench GIT_AUTHOR_EMAIL=bench@zelvora.invalid
    export GIT_COMMITTER_NAME=bench GIT_COMMITTER_EMAIL=bench@zelvora.invalid
    cd "$origin"
    git init -q .
    git config gc.auto 0  # packed once below, never by a background gc during a measurement
    git add -A
    GIT_COMMITTER_DATE="1262304000 +0900" GIT_AUTHOR_DATE="1262304000 +0900" git commit -q -m first
    find . -name '*.html' -not -path './.git/*' | awk 'NR % 10 == 0' | while read -r page; do
      printf '<!-- changed -->\n' >>"$page"
    done
    git add -A
    GIT_COMMITTER_DATE="1293840000 +0900" GIT_AUTHOR_DATE="1293840000 +0900" git commit -q -m second
    git gc -q
    git clone -q --no-hardlinks "file://$origin" "$repository"
  )
  without_walls=() with_walls=()
  for ((r = 1; r <= repeat; r++)); do
    settle "$repository"
    measure "git-with-$r" "$stamp" --set UseGitDates=1 --dry-run "$repository/index.html" \
      >"$work/logs/git-with-$r.out" 2>"$work/logs/git-with-$r.err"
    with_walls+=("$(field "git-with-$r" wall_s)")
    settle "$repository"
    measure "git-without-$r" "$stamp" --dry-run "$repository/index.html" \
      >"$work/logs/git-without-$r.out" 2>"$work/logs/git-without-$r.err"
    without_walls+=("$(field "git-without-$r" wall_s)")
  done
  without_wall=$(median "${without_walls[@]}") with_wall=$(median "${with_walls[@]}")
  echo "trial run of the $first_pages-page repository: without git dates ${without_walls[*]} s," \
    "with them ${with_walls[*]} s"
  echo "pages that would be written: $(($(grep -c . "$work/logs/git-without-1.out") - 1)) without," \
    "$(($(grep -c . "$work/logs/git-with-1.out") - 1)) with git dates"
  extra=$(calc "$with_wall - $without_wall")
  report "git dates, $first_pages-page repository: extra s" "$extra" "<= 1.0" "$(verdict "$extra" 1.0)"
fi

# --- scaling and memory ---------------------------------------------------------------------

if wants scale || wants memory; then
  for pages in $small_pages $large_pages; do
    [ "$pages" = "$small_pages" ] && ! wants scale && continue
    generate "$work/site-$pages" "$pages"
    echo "site: $(describe "$work/site-$pages")"
    fresh_copy "$work/site-$pages" "$runs/scaled-$pages"
    settle "$runs/scaled-$pages"
    run_stamp "scale-$pages" "$runs/scaled-$pages" index.html ||
      echo "stamp run of $pages pages failed"
    echo "first stamp of $pages pages: $(field "scale-$pages" wall_s) s," \
      "peak RSS $(field "scale-$pages" max_rss_kb) KiB, wrote $(written "$work/logs/scale-$pages.err") pages"
  done
  if wants scale; then
    ratio=$(calc "($(field "scale-$large_pages" wall_s) / $large_pages) / ($(field "scale-$small_pages" wall_s) / $small_pages)")
    report "time per page $large_pages / $small_pages pages" "$ratio" "<= 1.25" "$(verdict "$ratio" 1.25)"
  fi
  if wants memory; then
    rss_mib=$(calc "$(field "scale-$large_pages" max_rss_kb) / 1024" 1)
    report "peak RSS, $large_pages-page first stamp" "$rss_mib MiB" "<= 100 MiB" "$(verdict "$rss_mib" 100)"
  fi
fi

# --- the deep chain --------------------------------------------------------------------------

if wants chain; then
  generate "$work/chain-$chain_pages" "$chain_pages" chain
  echo "chain: $(describe "$work/chain-$chain_pages")"
  fresh_copy "$work/chain-$chain_pages" "$runs/chained"
  settle "$runs/chained"
  status=0
  run_stamp "chain-$chain_pages" "$runs/chained" d000/e000000.html || status=$?
  stamped=$(written "$work/logs/chain-$chain_pages.err")
  echo "chain of $chain_pages pages: exit $status, $(field "chain-$chain_pages" wall_s) s," \
    "peak RSS $(field "chain-$chain_pages" max_rss_kb) KiB"
  report "chain of $chain_pages pages: pages stamped" "$stamped" "= $chain_pages" \
    "$([ "$status" -eq 0 ] && [ "$stamped" -eq "$chain_pages" ] && echo met || echo MISSED)"
fi

# --- crash test and the scan micro-benchmark --------------------------------------------

if wants crash; then
  status=0
  "$build/bench/zelvora-crash-test" --stamp "$stamp" --pages "$crash_pages" \
    --rounds "$crash_rounds" --work "$runs/crash" >"$work/logs/crash.txt" || status=$?
  grep -E '^(reference|second run|verdict)|FAILED|^  ' "$work/logs/crash.txt" || true
  report "crash test $crash_pages pages, $crash_rounds rounds" \
    "$(grep -c '; ok$' "$work/logs/crash.txt" || true) ok" "all rounds" \
    "$([ "$status" -eq 0 ] && echo met || echo MISSED)"
fi

if wants faults; then
  status=0
  "$build/bench/zelvora-crash-test" --stamp "$stamp" --pages "$crash_pages" \
    --rounds "$fault_rounds" --faults "$fault_probability" --work "$runs/faults" \
    >"$work/logs/faults.txt" || status=$?
  grep -E '^(reference|second run|verdict|round)|FAILED|^  ' "$work/logs/faults.txt" || true
  report "crash test $crash_pages pages, $fault_rounds faulted rounds" \
    "$(grep -c '; ok$' "$work/logs/faults.txt" || true) ok" "all rounds" \
    "$([ "$status" -eq 0 ] && echo met || echo MISSED)"
fi

if wants scan; then
  csv="$work/logs/scan.csv"
  "$build/bench/zelvora-scan-benchmark" "${scan_args[@]}" --benchmark_out="$csv" \
    --benchmark_out_format=csv
  # Time per byte (1e9 / bytes_per_second) of each page size, and largest over smallest.
  awk -F, '/^"BM_StampScan/ { gsub(/"/, "", $1); printf "%s: %.3f ns per byte\n", $1, 1e9 / $6 }' "$csv"
  flatness=$(awk -F, '/^"BM_StampScan/ { v[++n] = 1e9 / $6 } END { printf "%.2f", v[n] / v[1] }' "$csv")
  report "scan time per byte, 50 MB / 5 MB page" "$flatness" "<= 1.5" "$(verdict "$flatness" 1.5)"
fi

# --- the program in its window -------------------------------------------------------------

if wants gui; then
  window="$build/zelvora"
  export QT_QPA_PLATFORM=offscreen
  site="$work/site-$first_pages"
  generate "$site" "$first_pages"
  echo "site: $(describe "$site")"
  cli_walls=() gui_walls=() gui_runs=()
  for ((r = 1; r <= repeat; r++)); do
    # Each round runs both on fresh copies, in alternating order.
    fresh_copy "$site" "$runs/gui-cli-$r"
    fresh_copy "$site" "$runs/gui-window-$r"
    for side in $( ((r % 2)) && echo "cli window" || echo "window cli"); do
      settle "$runs/gui-$side-$r"
      if [ "$side" = cli ]; then
        measure "gui-cli-$r" "$stamp" "$runs/gui-cli-$r/index.html" \
          >"$work/logs/gui-cli-$r.out" 2>"$work/logs/gui-cli-$r.err"
        cli_walls+=("$(field "gui-cli-$r" wall_s)")
      else
        measure "gui-window-$r" "$window" --run "$runs/gui-window-$r/index.html" \
          >"$work/logs/gui-window-$r.out" 2>"$work/logs/gui-window-$r.err"
        gui_walls+=("$(field "gui-window-$r" wall_s)")
        gui_runs+=("$(sed -n 's/^run: \([0-9.]*\) s$/\1/p' "$work/logs/gui-window-$r.err")")
      fi
    done
  done
  echo "first stamp of $first_pages pages: zelvora-stamp ${cli_walls[*]} s;" \
    "the same run in the window ${gui_runs[*]} s (zelvora --run from start to exit," \
    "with the program's start and the saving of its settings: ${gui_walls[*]} s)"
  cli_wall=$(median "${cli_walls[@]}")
  echo "whole zelvora process / zelvora-stamp: $(calc "$(median "${gui_walls[@]}") / $cli_wall")"
  ratio=$(calc "$(median "${gui_runs[@]}") / $cli_wall")
  report "first stamp $first_pages pages, window / cli" "$ratio" "<= 1.10" "$(verdict "$ratio" 1.10)"

  # A 50 MB page of paragraphs with links and markup, stamped once; then the abort button is
  # pressed at several moments of a run over it, and the slowest answer counts.
  big="$runs/gui-abort/big.htm"
  mkdir -p "$runs/gui-abort"
  awk 'BEGIN { print "<html><body><p><!--#ZELV#--></p>";
    line = "<p>散歩の記録 <a href=\"#top\">先頭</a> と <b>写真</b> の話。</p>";
    for (n = 0; n < 50 * 1024 * 1024 / (length(line) + 1); n++) print line;
    print "</body></html>" }' >"$big"
  "$window" --run "$big" >/dev/null 2>"$work/logs/gui-abort-first.err"
  # The runs pressed into find the page stamped already: they read and scan it, and write
  # nothing, as this run does.
  "$window" --run "$big" >/dev/null 2>"$work/logs/gui-abort-full.err"
  full=$(sed -n 's/^run: \([0-9.]*\) s$/\1/p' "$work/logs/gui-abort-full.err")
  latencies=()
  for share in 10 30 50 70 90; do
    after=$(awk -v f="$full" -v s="$share" 'BEGIN { printf "%d", f * 1000 * s / 100 }')
    "$window" --run "$big" --abort-after "$after" >/dev/null 2>"$work/logs/gui-abort-$share.err" || true
    latency=$(sed -n 's/^abort latency: \([0-9.]*\) s$/\1/p' "$work/logs/gui-abort-$share.err")
    [ -n "$latency" ] && latencies+=("$latency")
  done
  echo "a run over a $(($(stat -c %s "$big") / 1048576)) MB page takes $full s; abort pressed at" \
    "10/30/50/70/90 % of that time stopped it after: ${latencies[*]} s"
  if [ ${#latencies[@]} -gt 0 ]; then
    slowest=$(printf '%s\n' "${latencies[@]}" | sort -g | tail -1)
    report "abort latency, 50 MB page (slowest)" "$slowest s" "<= 0.1 s" "$(verdict "$slowest" 0.1)"
  else
    report "abort latency, 50 MB page" "none" "<= 0.1 s" "MISSED"
  fi
  unset QT_QPA_PLATFORM
fi

# --- the dialog components -------------------------------------------------------------------

if wants dialogs; then
  status=0
  QT_QPA_PLATFORM=offscreen "$build/bench/zelvora-gui-benchmark" --work "$work" \
    --repeat "$([ "$quick" -eq 1 ] && echo 1 || echo 5)" >"$work/logs/dialogs.txt" \
    2>"$work/logs/dialogs.err" || status=$?
  grep -v '^result ' "$work/logs/dialogs.txt" || echo "zelvora-gui-benchmark failed (exit $status)"
  while read -r _ job seconds _ goal verdict; do
    report "dialogs: ${job#job=}" "${seconds#seconds=} s" "< ${goal#goal_s=} s" "${verdict#verdict=}"
  done < <(grep '^result ' "$work/logs/dialogs.txt")
fi

# --- system calls per page; the first stamp against perl, the second run against cat ---------

# syscalls_of TRACE: the number of system calls in an strace -c summary.
syscalls_of() { awk '$NF == "total" { print $4 }' "$1"; }
scanned() { grep -c '◎日付記入開始' "$1" || true; }

if wants syscalls; then
  site="$work/site-$first_pages"
  generate "$site" "$first_pages"
  fresh_copy "$site" "$runs/traced"
  settle "$runs/traced"
  strace -c -f -o "$work/logs/strace-first.txt" "$stamp" "$runs/traced/index.html" \
    >/dev/null 2>"$work/logs/strace-first.err"
  settle "$runs/traced"
  strace -c -f -o "$work/logs/strace-second.txt" "$stamp" "$runs/traced/index.html" \
    >/dev/null 2>"$work/logs/strace-second.err"
  first_calls=$(syscalls_of "$work/logs/strace-first.txt")
  first_written=$(written "$work/logs/strace-first.err")
  second_calls=$(syscalls_of "$work/logs/strace-second.txt")
  second_pages=$(scanned "$work/logs/strace-second.err")
  echo "first stamp: $first_calls system calls, $first_written pages written;" \
    "second run: $second_calls system calls, $second_pages pages, $(written "$work/logs/strace-second.err") written"
  echo "most frequent calls of the first stamp:"
  sort -k4 -n -r "$work/logs/strace-first.txt" | awk '$NF != "total" && NF >= 5 { printf "  %-12s %8d\n", $NF, $4 }' | head -12
  per_written=$(calc "$first_calls / $first_written")
  per_page=$(calc "$second_calls / $second_pages")
  report "system calls per written page, first stamp" "$per_written" "<= 12" "$(verdict "$per_written" 12)"
  report "system calls per page, second run" "$per_page" "<= 5" "$(verdict "$per_page" 5)"
fi

if wants ratios; then
  site="$work/site-$first_pages"
  generate "$site" "$first_pages"
  perl_walls=() stamp_walls=() second_walls=() cat_walls=()
  # One edit in each page, backup kept: what a user might do instead, following no links and
  # computing no dates.
  edit='s/<!--#ZELV#-->/<!--#ZELV#--><!-- edited -->/'
  for ((r = 1; r <= repeat; r++)); do
    fresh_copy "$site" "$runs/perl-$r"
    find "$runs/perl-$r" -name '*.html' -print0 >"$work/logs/perl-pages.list"
    settle "$runs/perl-$r"
    measure "perl-$r" sh -c 'xargs -0 perl -pi.bak -e "$2" <"$1" && sync' sh \
      "$work/logs/perl-pages.list" "$edit"
    perl_walls+=("$(field "perl-$r" wall_s)")
    fresh_copy "$site" "$runs/ratio-$r"
    settle "$runs/ratio-$r"
    measure "ratio-first-$r" sh -c '"$1" "$2" >/dev/null 2>&1 && sync' sh "$stamp" \
      "$runs/ratio-$r/index.html"
    stamp_walls+=("$(field "ratio-first-$r" wall_s)")
    find "$runs/ratio-$r" -name '*.html' -print0 >"$work/logs/ratio-pages.list"
    settle "$runs/ratio-$r"
    measure "ratio-cat-$r" sh -c 'xargs -0 cat <"$1" >/dev/null' sh "$work/logs/ratio-pages.list"
    cat_walls+=("$(field "ratio-cat-$r" wall_s)")
    settle "$runs/ratio-$r"
    run_stamp "ratio-second-$r" "$runs/ratio-$r" index.html
    second_walls+=("$(field "ratio-second-$r" wall_s)")
  done
  echo "perl -pi.bak over $first_pages pages (then sync): ${perl_walls[*]} s;" \
    "first stamp (then sync): ${stamp_walls[*]} s"
  echo "second run: ${second_walls[*]} s; cat of its pages: ${cat_walls[*]} s"
  ratio=$(calc "$(median "${stamp_walls[@]}") / $(median "${perl_walls[@]}")")
  report "first stamp / perl -pi.bak, $first_pages pages" "$ratio" "<= 0.75" "$(verdict "$ratio" 0.75)"
  ratio=$(calc "$(median "${second_walls[@]}") / $(median "${cat_walls[@]}")")
  report "second run / cat, $first_pages pages" "$ratio" "<= 1.3" "$(verdict "$ratio" 1.3)"
fi

# --- start-up with a long avoid list, and a folder of many files as a date source -------------

if wants startup; then
  store="$work/env/avoid-2000.reg"
  # A complete store, as the settings window saves it, so that loading reads the whole list.
  {
    printf 'Windows Registry Editor Version 5.00\r\n\r\n'
    printf '[HKEY_CURRENT_USER\\Software\\MORVID\\Zelvora\\ExitState]\r\n'
    printf '"%s"=dword:00000000\r\n' MWLeft MWTop PWLeft PWTop
    printf '\r\n[HKEY_CURRENT_USER\\Software\\MORVID\\Zelvora\\Preference]\r\n'
    printf '"WriteFmtStr"="yyyy/mm/dd"\r\n'
    printf '"%s"=dword:00000001\r\n' KeepTimeStamp Backup EnableAvoidList LinkWrite Log UseNN
    printf '"%s"=dword:00000000\r\n' OpenWriteF RestrictLinkNest WriteFmtIdx AssignWriteFmt
    printf '"BackupGenes"=dword:00000003\r\n"MaxLinkNest"=dword:00000005\r\n'
    printf '"MaxLog"=dword:000001f4\r\n"ErrCope"=dword:00000002\r\n'
    for ((i = 0; i < 2000; i++)); do printf '"AvoidList%d"="*.x%d"\r\n' "$i" "$i"; done
  } >"$store"
  if ! env ZELVORA_REGISTRY="$store" "$stamp" --show-settings 2>&1 | grep -q '^AvoidList1999='; then
    echo "the store with 2,000 avoid-list entries was not read whole"
  fi
  startup_walls=()
  for ((r = 1; r <= repeat; r++)); do
    measure "startup-$r" env ZELVORA_REGISTRY="$store" "$stamp" --show-settings >/dev/null
    startup_walls+=("$(field "startup-$r" wall_s)")
  done
  echo "--show-settings with 2,000 avoid-list entries: ${startup_walls[*]} s"
  wall=$(median "${startup_walls[@]}")
  report "start-up, 2,000 avoid-list entries" "$wall s" "<= 1 s" "$(verdict "$wall" 1)"
fi

if wants bigfolder; then
  big="$runs/bigfolder"
  mkdir -p "$big/photos"
  (cd "$big/photos" && seq 17000 | sed 's/^/p/; s/$/.jpg/' | xargs touch -d '2015-01-01 00:00')
  touch -d '2024-05-06 12:04:06' "$big/photos/p12345.jpg"
  for ((i = 0; i < 300; i++)); do
    printf '<!-- #ZELV# photos -->\r\n' >"$big/d$i.htm"
    printf '<a href="d%d.htm">d%d</a>\r\n' "$i" "$i"
  done >"$big/index.htm"
  settle "$big"
  run_stamp bigfolder "$big" index.htm
  echo "300 pages dated by a folder of 17,000 files: $(field bigfolder wall_s) s," \
    "wrote $(written "$work/logs/bigfolder.err") pages"
  wall=$(field bigfolder wall_s)
  report "300 pages dated by a 17,000-file folder" "$wall s" "<= 2 s" "$(verdict "$wall" 2)"
fi

# --- the Windows program under wine ---------------------------------------------------------

if wants windows; then
  exe="$repo/build-windows/zelvora-stamp.exe"
  [ -f "$exe" ] || "$repo/scripts/build-windows.sh" >/dev/null
  site="$work/site-$first_pages"
  generate "$site" "$first_pages"
  (
    export WINEPREFIX="$work/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" LANG=ja_JP.UTF-8
    wineserver -k 2>/dev/null || true
    mkdir -p "$WINEPREFIX"
    wineserver -p
    trap 'wineserver -k 2>/dev/null || true' EXIT
    wineboot --init >/dev/null 2>&1
    measure wine-start wine "$exe" --version >/dev/null
    linux_walls=() wine_walls=()
    for ((r = 1; r <= repeat; r++)); do
      # Each side starts first in every other round.
      sides=(linux wine)
      [ $((r % 2)) -eq 0 ] && sides=(wine linux)
      for side in "${sides[@]}"; do
        copy="$runs/$side-$r"
        fresh_copy "$site" "$copy"
        settle "$copy"
        if [ "$side" = linux ]; then
          measure "linux-$r" sh -c '"$1" "$2" >/dev/null 2>&1 && sync' sh "$stamp" "$copy/index.html"
          linux_walls+=("$(field "linux-$r" wall_s)")
        else
          measure "wine-$r" sh -c 'ZELVORA_REGISTRY="Z:$3" ZELVORA_PROGRAM_DIR="Z:$4" \
            wine "$1" "Z:$2" >/dev/null 2>&1 && sync' sh "$exe" "$copy/index.html" \
            "$ZELVORA_REGISTRY" "$ZELVORA_PROGRAM_DIR"
          wine_walls+=("$(field "wine-$r" wall_s)")
        fi
      done
    done
    same=$(diff -rq "$runs/linux-1" "$runs/wine-1" >/dev/null && echo "the same bytes" ||
      echo "DIFFERENT bytes")
    echo "first stamp of $first_pages pages (then sync): Linux ${linux_walls[*]} s, under wine" \
      "${wine_walls[*]} s (wine's own start: $(field wine-start wall_s) s); $same"
    linux_wall=$(median "${linux_walls[@]}") wine_wall=$(median "${wine_walls[@]}")
    printf '%-44s %14s   goal %-10s %s\n' "first stamp $first_pages pages: wine / Linux" \
      "$(calc "$wine_wall / $linux_wall")" "none" "$wine_wall s against $linux_wall s, $same" \
      >"$work/logs/windows-summary"
  )
  summary+=("$(cat "$work/logs/windows-summary")")
fi

echo
echo "Summary (measurements in $results):"
printf '%s\n' "${summary[@]}"
discard "$runs"
[ "$keep" -eq 1 ] || discard "$work"/site-* "$work"/chain-*
