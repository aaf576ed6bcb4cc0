#!/usr/bin/env bash
# The window on Windows as a user meets it, under wine in the caller's prefix
# (scripts/lib/wine-prefix.sh) on a virtual display (Xvfb, openbox managing the windows):
#  1. the installer installs silently for all users (/S /AllUsers): the program and what it
#     loads in Program Files, the Start-menu entry ゼルヴォラ, the entry in the list of
#     installed programs;
#  2. the installed zelvora.exe, on Qt's `windows` platform plugin, opens with the example
#     site's top page named on its command line; Enter starts the run, Enter answers the
#     summary, Alt+F4 closes the window. The pages are stamped exactly as the Linux program
#     stamps them, and the window's history is in wine's registry
#     (HKEY_CURRENT_USER\Software\MORVID\Zelvora);
#  3. the uninstaller (its registered quiet command) removes the program, its DLLs and the
#     Start-menu entry, and leaves the settings and the log;
#  4. for the current user only (/CurrentUser, no administrator rights) the installer installs
#     into %LOCALAPPDATA%\Programs\Zelvora, and the uninstaller removes it from there.
# Run from the repository's top folder by scripts/test-windows.sh:
#   tests/windows/installed_window.sh WORK   (WORK/linux: the example site stamped on Linux)
set -euo pipefail
work=$1
# shellcheck source=../../scripts/lib/wine-prefix.sh
. scripts/lib/wine-prefix.sh
# shellcheck source=../../scripts/lib/virtual-display.sh
. scripts/lib/virtual-display.sh
setup=$(ls build-windows/zelvora-*-setup.exe)
fail() {
  echo "installed window: $*" >&2
  exit 1
}
# The Linux path of a Windows path in the prefix.
unix_path() { wine winepath -u "$1" 2>/dev/null | tr -d '\r'; }
# Runs an installer or uninstaller silently and waits for it.
quietly() { timeout 300 wine "$@" >/dev/null 2>&1 || fail "$* ended with $?"; }
# Waits until FILE no longer exists.
wait_until_gone() {
  for _ in $(seq 1200); do
    [ -e "$1" ] || return 0
    sleep 0.1
  done
  fail "$1 is still there"
}

# Everything runs on a virtual display: wine's desktop process binds to the display of the
# first program of a wine server, so the server is started anew once the display is up.
zelvora_start_virtual_display "$work" --window-manager
trap 'kill "${zelvora_display_pids[@]}" 2>/dev/null; zelvora_stop_wine' EXIT
zelvora_stop_wine
wineserver -p

# 1. Installing for all users.
quietly "$setup" /S /AllUsers
program=$(unix_path 'C:\Program Files\Zelvora')
for file in zelvora.exe zelvora-stamp.exe Zelvora.htm Qt6Widgets.dll platforms/qwindows.dll \
  uninstall.exe; do
  [ -f "$program/$file" ] || fail "Program Files\\Zelvora lacks $file"
done
shortcut=$(find "$WINEPREFIX/drive_c" -name 'ゼルヴォラ.lnk' | head -1)
[ -n "$shortcut" ] || fail "no Start-menu entry ゼルヴォラ"
uninstall=$(wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Zelvora' \
  /v QuietUninstallString 2>/dev/null | tr -d '\r' | sed -n 's/.*REG_SZ *//p')
[ -n "$uninstall" ] || fail "no entry in the list of installed programs"
echo "installed for all users: $program, Start-menu entry $(basename "$shortcut")"

# 2. The installed window stamps the example site.
cp -a examples/site "$work/window"
TZ=JST-9 wine "$program/zelvora.exe" "Z:$work/window/index.htm" >/dev/null 2>&1 &
zelvora=$!
# The windows captioned ゼルヴォラ that are on the screen: the main window, then also the box
# with the run's summary.
captioned() { xdotool search --onlyvisible --name '^ゼルヴォラ$' 2>/dev/null | wc -l; }
wait_for_windows() {
  for _ in $(seq 1200); do
    [ "$(captioned)" -eq "$1" ] && return 0
    sleep 0.1
  done
  fail "waited in vain for $1 window(s) captioned ゼルヴォラ (on the screen: $(captioned))"
}
wait_for_windows 1
main=$(xdotool search --onlyvisible --name '^ゼルヴォラ$' | head -1)
xdotool windowactivate --sync "$main" 2>/dev/null || true
xdotool key --window "$main" Return
wait_for_windows 2
xdotool key Return
wait_for_windows 1
xdotool windowactivate --sync "$main" 2>/dev/null || true
xdotool key alt+F4
for _ in $(seq 600); do kill -0 "$zelvora" 2>/dev/null || break; sleep 0.1; done
kill -0 "$zelvora" 2>/dev/null && fail "zelvora.exe did not end after Alt+F4"
diff -r "$work/linux" "$work/window" || fail "the window stamped the site otherwise than Linux"
wine reg query 'HKCU\Software\MORVID\Zelvora\ExitState\HistWriteFName' 2>/dev/null |
  tr -d '\r' | grep -q 'index.htm' || fail "the window's history is not in wine's registry"
# The log lies beside the program where that folder may be written (under wine, which runs
# as an administrator, it may), otherwise in %LOCALAPPDATA%\Zelvora.
local_app_data=$(wine cmd /c echo %LOCALAPPDATA% 2>/dev/null | tr -d '\r')
log="$program/Zelvora.log"
[ -f "$log" ] || log="$(unix_path "$local_app_data")/Zelvora/Zelvora.log"
[ -f "$log" ] || fail "the run left no log"
echo "the installed window stamped the example site ($(find "$work/window" -name '*.htm' | wc -l)" \
  "pages, as on Linux) and saved its history in HKEY_CURRENT_USER\\Software\\MORVID\\Zelvora"

# 3. Uninstalling with the quiet command as registered. The uninstaller copies itself to the
# temporary folder and goes on from there; it is done when its own file is gone. (Its
# "_?=FOLDER" option, which would make it wait, takes no quotes, and wine quotes an argument
# with a blank.)
uninstaller=${uninstall#\"}
uninstaller=${uninstaller%%\"*}
read -r -a uninstall_options <<<"${uninstall#*\" }"
quietly "$uninstaller" "${uninstall_options[@]}"
wait_until_gone "$program/uninstall.exe"
[ ! -e "$program/zelvora.exe" ] && [ ! -e "$program/platforms" ] || fail "the program is still there"
[ -z "$(find "$WINEPREFIX/drive_c" -name 'ゼルヴォラ.lnk')" ] || fail "the Start-menu entry is still there"
[ -f "$log" ] || fail "uninstalling removed the log"
wine reg query 'HKCU\Software\MORVID\Zelvora\ExitState\HistWriteFName' >/dev/null 2>&1 ||
  fail "uninstalling removed the settings"
echo "uninstalled: the program and its Start-menu entry are gone, the settings and the log stay"

# 4. For the current user only.
quietly "$setup" /S /CurrentUser
user_program=$(unix_path "$local_app_data\\Programs\\Zelvora")
[ -f "$user_program/zelvora.exe" ] || fail "a per-user install is not in %LOCALAPPDATA%\\Programs\\Zelvora"
quietly "$user_program/uninstall.exe" /S /CurrentUser
wait_until_gone "$user_program/uninstall.exe"
[ ! -e "$user_program/zelvora.exe" ] || fail "the per-user uninstall left the program"
echo "installed and uninstalled for the current user only: %LOCALAPPDATA%\\Programs\\Zelvora"
