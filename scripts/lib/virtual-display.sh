# Sourced by the scripts that show windows on a virtual display of their own.
#
#   zelvora_start_virtual_display FOLDER [--window-manager]
#     starts Xvfb on a free display (its number written to FOLDER/display) and exports
#     DISPLAY; with --window-manager also openbox, waiting until it manages the screen. The
#     processes started are in the array zelvora_display_pids, for the caller to end.

zelvora_start_virtual_display() {
  local folder=$1
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$folder/display" >/dev/null 2>&1 &
  zelvora_display_pids=($!)
  for _ in $(seq 600); do [ -s "$folder/display" ] && break; sleep 0.1; done
  export DISPLAY=":$(head -n 1 "$folder/display")"
  [ "${2:-}" = --window-manager ] || return 0
  openbox --sm-disable >/dev/null 2>&1 &
  zelvora_display_pids+=($!)
  for _ in $(seq 600); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
    sleep 0.1
  done
}
