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
#   git     trial runs with UseGitDates against without, the extra time: the 10,000-page
#           site in git with thousands of commits and a stamp commit on top     goal <= 1 s
#           and a one-page site in a sub-folder of a 20,000-commit repository   goal <= 0.2 s
#           and the peak memory of a run whose git prints 100 MB of history,
#           and how soon Ctrl+C ends a run (and its git) while git hangs       goal <= 0.1 s
#   windows (only when asked for) the same first stamp of the 10,000-page site by
#           zelvora-stamp.exe under wine against the Linux program, side by side, and
#           whether both wrote the same bytes                                  no goal
#   windows-gui (only when asked for) the start of the window: zelvora.exe under wine
#           against the Linux zelvora, each on Qt's offscreen platform stamping a one-page
#           site unattended (--run: Qt and the window up, the run, the settings saved, the
#           end), alternating, median of five                                  no goal
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
                   syscalls,ratios,startup,bigfolder,git; and windows and
                   windows-gui, which are not among the default parts (they need
                   scripts/build-windows.sh, windows-gui also Qt for Windows)
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
  if wants gui || wants windows-gui; then gui_target=(zelvora); fi
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

# Git runs without the machine's or the user's configuration, as a fixed author.
git_env() {
  HOME="$work/env" GIT_CONFIG_NOSYSTEM=1 GIT_CONFIG_GLOBAL=/dev/null \
    GIT_AUTHOR_NAME=bench GIT_AUTHOR_EMAIL=bench@zelvora.invalid \
    GIT_COMMITTER_NAME=bench GIT_COMMITTER_EMAIL=bench@zelvora.invalid "$@"
}
# git_side_by_side LABEL PAGE: trial runs of PAGE with and without UseGitDates, side by side,
# $repeat times each; sets with_wall and without_wall (medians).
git_side_by_side() {
  local label=$1 page=$2 r
  local with=() without=()
  for ((r = 1; r <= repeat; r++)); do
    settle "$(dirname "$page")"
    measure "$label-with-$r" "$stamp" --set UseGitDates=1 --dry-run "$page" \
      >"$work/logs/$label-with-$r.out" 2>"$work/logs/$label-with-$r.err"
    with+=("$(field "$label-with-$r" wall_s)")
    settle "$(dirname "$page")"
    measure "$label-without-$r" "$stamp" --dry-run "$page" \
      >"$work/logs/$label-without-$r.out" 2>"$work/logs/$label-without-$r.err"
    without+=("$(field "$label-without-$r" wall_s)")
  done
  with_wall=$(median "${with[@]}") without_wall=$(median "${without[@]}")
  echo "$label: trial runs without git dates ${without[*]} s, with them ${with[*]} s"
}
# edit_commits REPOSITORY COMMITS: a fast-import stream of COMMITS commits on main, a minute
# apart from 2012 on, each adding a line to one page of the repository.
edit_commits() {
  (cd "$1" && git ls-files '*.html' | awk -v n="$2" '
    { pages[++count] = $0 }
    END {
      for (i = 1; i <= n; i++) {
        p = pages[(i * 7919) % count + 1]
        if (!(p in text)) {
          text[p] = ""
          while ((getline line < p) > 0) text[p] = text[p] line "\n"
          close(p)
        }
        text[p] = text[p] "<p>edit " i "</p>\n"
        printf "commit refs/heads/main\ncommitter bench <bench@zelvora.invalid> %d +0900\n", 1325376000 + i * 60
        printf "data 4\nedit\n"
        if (i == 1) printf "from refs/heads/main^0\n"
        printf "M 100644 inline %s\ndata %d\n%s\n", p, length(text[p]), text[p]
      }
    }')
}
# long_history COMMITS: a fast-import stream of COMMITS commits ten minutes apart from 2010
# on, each changing one of 3,000 files in 100 folders below src/; the first also adds the
# one page docs/site/index.htm.
long_history() {
  awk -v n="$1" 'BEGIN {
    page = "<p>Updated: <!--#ZELV#--></p>\n"
    for (i = 1; i <= n; i++) {
      printf "commit refs/heads/main\ncommitter bench <bench@zelvora.invalid> %d +0900\n", 1262304000 + i * 600
      printf "data 7\ncommit\n"
      if (i == 1) printf "M 100644 inline docs/site/index.htm\ndata %d\n%s\n", length(page), page
      content = "line " i "\n"
      printf "M 100644 inline src/d%03d/f%05d.txt\ndata %d\n%s\n", i % 100, i % 3000, length(content), content
    }
  }'
}
# A program called git that prints 100 MB of history (one commit listing a change of the page
# over and over) when asked for the log, and 300 MB of empty lines when asked rev-parse with
# FAKE_HUGE_REV_PARSE set; otherwise it is git.
make_huge_git() {
  mkdir -p "$1"
  {
    echo '#!/bin/sh'
    echo "real_git='$(command -v git)'"
    cat <<'SCRIPT'
for word in "$@"; do
  case "$word" in
    log)
      printf 'commit %040d\ncommitter b <b> 1 +0000\n\n    x\n\n' 1
      yes ':100644 100644 1111111111111111111111111111111111111111 2222222222222222222222222222222222222222 M' |
        awk '{ printf "%s%c%s%c", $0, 0, "docs/site/index.htm", 0 }' | head -c 100000000
      exit 0 ;;
    rev-parse)
      if [ -n "$FAKE_HUGE_REV_PARSE" ]; then head -c 300000000 /dev/zero | tr '\000' '\n'; exit 0; fi ;;
  esac
done
exec "$real_git" "$@"
SCRIPT
  } >"$1/git"
  chmod +x "$1/git"
}

# A 10,000-page site kept in git with a long history: the site committed, thousands of
# commits editing its pages, then the whole site stamped and the stamps committed on top, as
# its owner would. A fresh clone (every file carries the time of the checkout) is tried with
# and without UseGitDates: the difference is what reading the history costs, and the clone
# must need no stamp. Then a one-page site in a sub-folder of a repository of 20,000 commits
# (made with git fast-import), and the memory a git printing 100 MB (or a 300 MB answer)
# makes the run take.
if wants git; then
  history_commits=3000 long_commits=20000
  [ "$quick" -eq 1 ] && history_commits=300 long_commits=2000
  site="$work/site-$first_pages"
  generate "$site" "$first_pages"
  origin="$runs/git-origin" repository="$runs/git-site" long="$runs/git-long"
  fresh_copy "$site" "$origin"
  git_env git init -q -b main "$origin"
  git_env git -C "$origin" config gc.auto 0  # packed once below, never during a measurement
  git_env git -C "$origin" add -A
  GIT_COMMITTER_DATE="1262304000 +0900" GIT_AUTHOR_DATE="1262304000 +0900" \
    git_env git -C "$origin" commit -q -m site
  edit_commits "$origin" "$history_commits" | git_env git -C "$origin" fast-import --quiet
  git_env git -C "$origin" reset -q --hard main
  git_env "$stamp" --set UseGitDates=1 --set Backup=0 --set ErrCope=1 "$origin/index.html" \
    >/dev/null 2>"$work/logs/git-stamp.err"
  echo "stamped the repository's site: wrote $(written "$work/logs/git-stamp.err") pages"
  git_env git -C "$origin" add -A
  GIT_COMMITTER_DATE="1420070400 +0900" GIT_AUTHOR_DATE="1420070400 +0900" \
    git_env git -C "$origin" commit -q -m stamps
  git_env git -C "$origin" gc -q
  git_env git clone -q --no-hardlinks "file://$origin" "$repository"
  echo "repository: $(git -C "$repository" rev-list --count HEAD) commits," \
    "$(git -C "$repository" ls-files | wc -l) files, the stamps committed on top"
  git_side_by_side git-site "$repository/index.html"
  echo "pages that would be written: $(($(grep -c . "$work/logs/git-site-without-1.out") - 1))" \
    "without, $(($(grep -c . "$work/logs/git-site-with-1.out") - 1)) with git dates (expected 0)"
  extra=$(calc "$with_wall - $without_wall")
  report "git dates, $first_pages pages + stamp commit: extra s" "$extra" "<= 1.0" "$(verdict "$extra" 1.0)"

  git_env git init -q -b main "$long"
  long_history "$long_commits" | git_env git -C "$long" fast-import --quiet
  git_env git -C "$long" reset -q --hard main
  echo "long history: $(git -C "$long" rev-list --count HEAD) commits," \
    "$(git -C "$long" ls-files | wc -l) files"
  git_side_by_side git-one-page "$long/docs/site/index.htm"
  extra=$(calc "$with_wall - $without_wall")
  report "git dates, 1 page in $long_commits commits: extra s" "$extra" "<= 0.2" "$(verdict "$extra" 0.2)"

  make_huge_git "$runs/huge-git"
  for answer in log rev-parse; do
    huge=()
    [ "$answer" = rev-parse ] && huge=(FAKE_HUGE_REV_PARSE=1)
    git_env env PATH="$runs/huge-git:$PATH" "${huge[@]}" "$measure_tool" --label "git-huge-$answer" \
      --output "$results" -- "$stamp" --set UseGitDates=1 --set ErrCope=1 --dry-run \
      "$long/docs/site/index.htm" >/dev/null 2>"$work/logs/git-huge-$answer.err" || true
    rss_mib=$(calc "$(field "git-huge-$answer" max_rss_kb) / 1024" 1)
    what="100 MB of history"
    [ "$answer" = rev-parse ] && what="300 MB for rev-parse"
    echo "a git printing $what: peak RSS $rss_mib MiB (git's side included)," \
      "$(field "git-huge-$answer" wall_s) s, reported: $(grep -c 'gitの出力を読み取れない' \
      "$work/logs/git-huge-$answer.err" || true)"
    report "peak RSS, a git printing ${what%% *} MB" "$rss_mib MiB" "bounded" ""
  done

  # Ctrl+C while git hangs: from the signal to the end of zelvora-stamp (and of its git).
  hanging="$runs/hanging-git"
  mkdir -p "$hanging"
  printf '#!/bin/sh
for word in "$@"; do [ "$word" = log ] && { echo $$ >"%s/pid"; exec sleep 600; }; done
exec %s "$@"
' \
    "$hanging" "$(command -v git)" >"$hanging/git"
  chmod +x "$hanging/git"
  latencies=()
  for ((r = 1; r <= 5; r++)); do
    rm -f "$hanging/pid"
    PATH="$hanging:$PATH" "$stamp" --set UseGitDates=1 --dry-run "$long/docs/site/index.htm" \
      >/dev/null 2>&1 &
    stamp_pid=$!
    while [ ! -s "$hanging/pid" ]; do sleep 0.01; done
    sleep 0.2
    pressed=$(date +%s.%N)
    kill -INT "$stamp_pid"
    wait "$stamp_pid" || true
    latencies+=("$(calc "$(date +%s.%N) - $pressed" 3)")
    kill -0 "$(cat "$hanging/pid")" 2>/dev/null && echo "git still runs after the interrupt"
  done
  echo "Ctrl+C while git hangs, until zelvora-stamp has ended: ${latencies[*]} s"
  slowest=$(printf '%s\n' "${latencies[@]}" | sort -g | tail -1)
  report "Ctrl+C while git hangs: slowest of 5" "$slowest s" "<= 0.1 s" "$(verdict "$slowest" 0.1)"
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

# --- the window under wine ------------------------------------------------------------------

if wants windows-gui; then
  exe="$repo/build-windows/zelvora.exe"
  [ -f "$exe" ] || "$repo/scripts/build-windows.sh" >/dev/null
  [ -f "$exe" ] || { echo "windows-gui: no zelvora.exe (Qt for Windows is not built)" >&2; exit 1; }
  # Qt's offscreen platform is not laid out beside zelvora.exe (a user needs only the windows
  # one): it is taken from the Qt for Windows that the program was built with.
  qt_toolchain=$("$repo/scripts/build-qt-windows.sh" --print-toolchain)
  offscreen=(-platform offscreen -platformpluginpath "Z:${qt_toolchain%/lib/cmake/*}/plugins/platforms")
  page_dir="$work/window-start"
  mkdir -p "$page_dir"
  printf '<p><!--#ZELV#--></p>\r\n' >"$page_dir/index.htm"
  (
    # shellcheck source=../scripts/lib/wine-prefix.sh
    . "$repo/scripts/lib/wine-prefix.sh"
    zelvora_new_wine_prefix "$work/wine-gui"
    trap zelvora_stop_wine EXIT
    # The first start of a program in a new prefix sets wine up; it is not counted.
    wine "$exe" "${offscreen[@]}" --run "Z:$page_dir/index.htm" >/dev/null 2>&1 || true
    linux_walls=() wine_walls=()
    for ((r = 1; r <= 5; r++)); do
      sides=(linux wine)
      [ $((r % 2)) -eq 0 ] && sides=(wine linux)
      for side in "${sides[@]}"; do
        if [ "$side" = linux ]; then
          measure "window-linux-$r" env QT_QPA_PLATFORM=offscreen "$build/zelvora" --run \
            "$page_dir/index.htm" >/dev/null 2>&1
          linux_walls+=("$(field "window-linux-$r" wall_s)")
        else
          measure "window-wine-$r" env ZELVORA_REGISTRY="Z:$ZELVORA_REGISTRY" \
            ZELVORA_PROGRAM_DIR="Z:$ZELVORA_PROGRAM_DIR" wine "$exe" "${offscreen[@]}" --run \
            "Z:$page_dir/index.htm" >/dev/null 2>&1
          wine_walls+=("$(field "window-wine-$r" wall_s)")
        fi
      done
    done
    echo "start of the window with a one-page run: Linux ${linux_walls[*]} s, under wine" \
      "${wine_walls[*]} s"
    linux_wall=$(median "${linux_walls[@]}") wine_wall=$(median "${wine_walls[@]}")
    printf '%-44s %14s   goal %-10s %s\n' "window start and one-page run: wine / Linux" \
      "$(calc "$wine_wall / $linux_wall")" "none" "$wine_wall s against $linux_wall s" \
      >"$work/logs/windows-gui-summary"
  )
  summary+=("$(cat "$work/logs/windows-gui-summary")")
fi

echo
echo "Summary (measurements in $results):"
printf '%s\n' "${summary[@]}"
discard "$runs"
[ "$keep" -eq 1 ] || discard "$work"/site-* "$work"/chain-*
