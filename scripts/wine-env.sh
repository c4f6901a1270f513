# Wine harness shared by ./test and ./run. Source it, then:
#   nc_wine_env [build]  set WINEPREFIX (build/<build>/wineprefix, build is
#                        win64 by default, win32 for the 32-bit program; both
#                        are 64-bit prefixes, so that a 32-bit program runs
#                        under WoW64), WINEDEBUG, WINEDLLOVERRIDES and a
#                        home of the build for Wine (HOME, XDG_CONFIG_HOME)
#   nc_start_xvfb        start a private Xvfb and point DISPLAY at it
#   nc_wine_prefix       create the prefix once (fonts, X11 driver settings),
#                        inside build/ only, cut off from the home folder
#   nc_wine_prewarm      start a persistent wineserver and Wine's services
#   nc_wine_cleanup      stop the wineserver of the prefix and our Xvfb
# Logs go to $NC_WINE_LOG_DIR (default build/logs). NC_WINEPREFIX names
# another prefix for the 64-bit program, NC_WINEPREFIX32 for the 32-bit one.

NC_ROOT=${NC_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
NC_WINE_LOG_DIR=${NC_WINE_LOG_DIR:-$NC_ROOT/build/logs}
NC_XVFB_PID=""

nc_wine_env() {
  local build=${1:-win64}
  if [[ $build == win64 ]]; then
    export WINEPREFIX=${NC_WINEPREFIX:-$NC_ROOT/build/win64/wineprefix}
  else
    export WINEPREFIX=${NC_WINEPREFIX32:-$NC_ROOT/build/$build/wineprefix}
  fi
  export WINEARCH=win64
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
  mkdir -p "$NC_WINE_LOG_DIR"
  # Wine makes a missing Desktop, Documents, Music... (a program asking for
  # it with CSIDL_FLAG_CREATE) as a link to $HOME or to its XDG folders. Wine
  # gets an empty home of the build instead, so that even such a link never
  # reaches the user's files. nc_wine_cleanup gives the real home back.
  if [[ -z "${NC_USER_HOME+set}" ]]; then
    NC_USER_HOME=${HOME:-}
    NC_USER_XDG_CONFIG_HOME=${XDG_CONFIG_HOME-unset}
    # X clients find the display's cookie through $HOME unless told.
    if [[ -n "${DISPLAY:-}" && -z "${XAUTHORITY:-}" && -f "$NC_USER_HOME/.Xauthority" ]]; then
      export XAUTHORITY=$NC_USER_HOME/.Xauthority
    fi
  fi
  export HOME=$NC_ROOT/build/wine-home
  export XDG_CONFIG_HOME=$HOME/.config
  mkdir -p "$HOME"
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

# Succeeds when $WINEPREFIX lies inside $NC_ROOT/build/ once every link and
# ".." of both paths is resolved; otherwise says why and fails. Nothing
# outside the build folder is ever created or deleted as a prefix, whatever
# NC_WINEPREFIX says. On success WINEPREFIX is the resolved path.
nc_prefix_inside_build() {
  local build prefix
  build=$(realpath -m -- "$NC_ROOT/build") || return 1
  prefix=$(realpath -m -- "${WINEPREFIX:-}") || prefix=""
  if [[ -z "${WINEPREFIX:-}" || -z "$prefix" || "$prefix" != "$build"/?* ]]; then
    echo "error: refusing to use the Wine prefix '${WINEPREFIX:-}'${prefix:+ (really $prefix)}:" \
      "a prefix must lie inside $build/" >&2
    return 1
  fi
  export WINEPREFIX=$prefix
}

# Cuts the prefix off the host's home folder. Wine links the user's Desktop,
# Documents, Downloads, Music, Pictures, Videos and Templates to $HOME; each
# link in drive_c/users/<name>/, and any other link under drive_c/users that
# leads out of the prefix, becomes an empty folder of the prefix. Links are
# removed as links, never followed. Shell folder values that Wine pointed at
# another drive are deleted, so that Wine puts back its defaults inside the
# prefix. Run on every use: it repairs prefixes made before it existed.
nc_sandbox_prefix() {
  local log="$NC_WINE_LOG_DIR/wineprefix.log" prefix users link target
  prefix=$(realpath -e -- "$WINEPREFIX") || return 1
  users="$prefix/drive_c/users"
  if [[ -L "$users" ]]; then
    echo "error: $users is a link; delete the prefix and run again" >&2
    return 1
  fi
  [[ -d "$users" ]] || return 0
  while IFS= read -r -d '' link; do
    target=$(realpath -m -- "$link")
    if [[ "$(dirname -- "$(dirname -- "$link")")" != "$users" && "$target" == "$prefix"/* ]]; then
      continue
    fi
    echo "Sandboxing the prefix: $link (was a link to $(readlink -- "$link")) becomes an empty folder" >>"$log"
    rm -- "$link" && mkdir -- "$link" || {
      echo "error: could not replace the link $link with a folder" >&2
      return 1
    }
  done < <(find -P "$users" -type l -print0)
  nc_sandbox_shell_folders "$prefix"
}

# Deletes the Shell Folders and User Shell Folders values that lead outside
# drive C: (for instance Z:\home\...). Reads the registry files, so it costs
# no Wine process when there is nothing to do.
nc_sandbox_shell_folders() {
  local prefix=$1 log="$NC_WINE_LOG_DIR/wineprefix.log" line hive key name
  local -a found=()
  for hive in user system; do
    [[ -f "$prefix/$hive.reg" ]] || continue
    mapfile -t -O "${#found[@]}" found < <(awk -v hive="$hive" '
      /^\[/ {
        section = $0
        sub(/^\[/, "", section); sub(/\][^]]*$/, "", section)
        gsub(/\\\\/, "\\", section)
        keep = (tolower(section) ~ /\\explorer\\(user )?shell folders$/)
        next
      }
      keep && /^"/ {
        # "Name"="data" or "Name"=str(2):"data"
        if (!match($0, /^"([^"\\]|\\.)*"=(str\(2\):)?"/)) next
        name = substr($0, 2, RLENGTH - 1); sub(/"=(str\(2\):)?"$/, "", name)
        data = substr($0, RLENGTH + 1)
        if (data !~ /^([Cc]:\\\\|%)/) print hive "\t" section "\t" name
      }' "$prefix/$hive.reg")
  done
  ((${#found[@]})) || return 0
  for line in "${found[@]}"; do
    IFS=$'\t' read -r hive key name <<<"$line"
    name=${name//\\\"/\"}
    name=${name//\\\\/\\}
    [[ $hive == user ]] && key="HKCU\\$key" || key="HKLM\\$key"
    echo "Sandboxing the prefix: deleting $key\\$name, which leads outside the prefix" >>"$log"
    if ! wine reg delete "$key" /v "$name" /f </dev/null >>"$log" 2>&1; then
      echo "error: could not delete the shell folder value $key\\$name; see $log" >&2
      return 1
    fi
  done
  wineserver -w >>"$log" 2>&1
}

# Whether Wine can run 32-bit programs here (Debian's wine32:i386).
nc_wine_has_wow64() {
  [[ -x /usr/lib/wine/wine ]]
}

# Whether the prefix was made before 32-bit Wine was installed: such a
# prefix has no 32-bit system files, so 32-bit programs (and Wine's own
# 32-bit helpers, which the wine loader now prefers) cannot start in it.
nc_prefix_lacks_wow64() {
  nc_wine_has_wow64 && [[ -d "$WINEPREFIX/drive_c/windows" ]] &&
    [[ ! -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ]]
}

# Creates the prefix the first time; later calls find the ready mark and
# only check the sandbox. A half-made prefix (no mark) is made again, and so
# is one made before 32-bit Wine was installed. Only a prefix inside the
# build folder is ever created or deleted.
nc_wine_prefix() {
  nc_prefix_inside_build || return 1
  local mark="$WINEPREFIX/.norvik-ready"
  local log="$NC_WINE_LOG_DIR/wineprefix.log"
  if [[ -f "$mark" ]] && nc_prefix_lacks_wow64; then
    echo "The Wine prefix $WINEPREFIX predates 32-bit Wine; making it again"
    rm -f -- "$mark"
  fi
  if [[ -f "$mark" ]]; then
    nc_sandbox_prefix
    return
  fi
  echo "Creating the Wine prefix $WINEPREFIX (log: $log)"
  # A wineserver still serving the old prefix would keep it alive.
  if [[ -d "$WINEPREFIX" ]]; then wineserver -k </dev/null >/dev/null 2>&1 || true; fi
  rm -rf -- "$WINEPREFIX"
  mkdir -p -- "$(dirname -- "$WINEPREFIX")"
  {
    wineboot -i </dev/null
    wineserver -w
  } >"$log" 2>&1
  if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
    echo "error: wineboot did not create the prefix; last lines of $log:" >&2
    tail -n 20 "$log" >&2
    return 1
  fi
  if nc_prefix_lacks_wow64; then
    echo "error: wineboot made a prefix without 32-bit system files; see $log" >&2
    return 1
  fi
  nc_sandbox_prefix || return 1
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
  if [[ -n "${NC_USER_HOME+set}" ]]; then
    export HOME=$NC_USER_HOME
    if [[ $NC_USER_XDG_CONFIG_HOME == unset ]]; then
      unset XDG_CONFIG_HOME
    else
      export XDG_CONFIG_HOME=$NC_USER_XDG_CONFIG_HOME
    fi
    unset NC_USER_HOME NC_USER_XDG_CONFIG_HOME
  fi
}
