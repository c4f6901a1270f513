# Wine harness shared by ./test and ./run. Source it, then:
#   nc_wine_env          set WINEPREFIX, WINEDEBUG, WINEDLLOVERRIDES
#   nc_start_xvfb        start a private Xvfb and point DISPLAY at it
#   nc_wine_prefix       create the prefix once (fonts, X11 driver settings)
#   nc_wine_prewarm      start a persistent wineserver and Wine's services
#   nc_wine_cleanup      stop the wineserver of the prefix and our Xvfb
# Logs go to $NC_WINE_LOG_DIR (default build/logs).

NC_ROOT=${NC_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
NC_WINE_LOG_DIR=${NC_WINE_LOG_DIR:-$NC_ROOT/build/logs}
NC_XVFB_PID=""

nc_wine_env() {
  export WINEPREFIX=${NC_WINEPREFIX:-$NC_ROOT/build/win64/wineprefix}
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
  mkdir -p "$NC_WINE_LOG_DIR"
}

# Starts Xvfb on a free display number (chosen by Xvfb itself) and exports
# DISPLAY. The caller stops it with nc_wine_cleanup.
nc_start_xvfb() {
  local fd_file
  fd_file=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fd_file" \
    </dev/null >"$NC_WINE_LOG_DIR/xvfb.log" 2>&1 &
  NC_XVFB_PID=$!
  local i
  for ((i = 0; i < 100; i++)); do
    if grep -q '^[0-9][0-9]*$' "$fd_file" 2>/dev/null; then
      export DISPLAY=":$(head -n 1 "$fd_file")"
      rm -f "$fd_file"
      return 0
    fi
    if ! kill -0 "$NC_XVFB_PID" 2>/dev/null; then break; fi
    sleep 0.1
  done
  rm -f "$fd_file"
  echo "error: Xvfb did not start; see $NC_WINE_LOG_DIR/xvfb.log" >&2
  kill "$NC_XVFB_PID" 2>/dev/null
  NC_XVFB_PID=""
  return 1
}

# Creates the prefix the first time; later calls find the ready mark and
# return at once. A half-made prefix (no mark) is made again.
nc_wine_prefix() {
  local mark="$WINEPREFIX/.norvik-ready"
  [[ -f "$mark" ]] && return 0
  local log="$NC_WINE_LOG_DIR/wineprefix.log"
  echo "Creating the Wine prefix $WINEPREFIX (log: $log)"
  rm -rf "$WINEPREFIX"
  mkdir -p "$(dirname "$WINEPREFIX")"
  {
    wineboot -i </dev/null
    wineserver -w
  } >"$log" 2>&1
  if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
    echo "error: wineboot did not create the prefix; last lines of $log:" >&2
    tail -n 20 "$log" >&2
    return 1
  fi
  # Without Wine's own fonts the title-bar buttons draw as letters.
  mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
  cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>>"$log"
  # Without a window manager, DestroyWindow otherwise waits about 2 s.
  if ! wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f \
    </dev/null >>"$log" 2>&1; then
    echo "error: could not set the X11 driver options; see $log" >&2
    return 1
  fi
  wineserver -w >>"$log" 2>&1
  touch "$mark"
}

# Starts a persistent wineserver and Wine's background services before any
# test, so that they never inherit the output pipe of a test run.
nc_wine_prewarm() {
  wineserver -p </dev/null >/dev/null 2>&1
  wine cmd /c exit </dev/null >/dev/null 2>&1
}

# Windows form of a Unix path, e.g. Z:\work\main\build\win64.
nc_winpath() {
  winepath -w "$1" 2>/dev/null </dev/null | tr -d '\r'
}

nc_wine_cleanup() {
  if [[ -n "${WINEPREFIX:-}" && -d "$WINEPREFIX" ]]; then
    wineserver -k </dev/null >/dev/null 2>&1 || true
  fi
  if [[ -n "$NC_XVFB_PID" ]]; then
    kill "$NC_XVFB_PID" 2>/dev/null || true
    wait "$NC_XVFB_PID" 2>/dev/null || true
    NC_XVFB_PID=""
  fi
}
