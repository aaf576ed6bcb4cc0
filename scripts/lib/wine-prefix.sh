# Sourced by the scripts that run Zelvora's Windows programs under wine. Sets up the
# environment of a Japanese user (LANG=ja_JP.UTF-8: ANSI code page 932) in a private wine
# prefix, quiet and without the .NET and HTML engines that a new prefix offers to fetch.
#
#   zelvora_new_wine_prefix FOLDER
#     makes FOLDER a fresh prefix (removing what was there), starts one wine server for the
#     caller's run (stopped by zelvora_stop_wine) and gives the Windows UI fonts that the
#     window asks for the Japanese fonts Debian ships: wine has no MS UI Gothic, so the name
#     is made to stand for IPA P Gothic (fonts-ipafont-gothic), as are Yu Gothic UI and
#     Meiryo UI.
#   zelvora_stop_wine
#     ends the wine server of the prefix, with every program still running in it.

zelvora_new_wine_prefix() {
  export WINEPREFIX="$1"
  export WINEARCH=win64
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  export LANG=ja_JP.UTF-8
  unset LC_ALL LC_CTYPE LC_MESSAGES
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  # One wine server for the whole run, kept alive between the programs: each of them then
  # starts in a fraction of a second instead of bringing wine up anew.
  wineserver -k 2>/dev/null || true
  wineserver -p
  wineboot --init >/dev/null 2>&1
  local font
  for font in "MS UI Gothic" "Yu Gothic UI" "Meiryo UI"; do
    wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$font" /t REG_SZ \
      /d "IPAPGothic" /f >/dev/null 2>&1
  done
}

zelvora_stop_wine() {
  wineserver -k 2>/dev/null || true
}
