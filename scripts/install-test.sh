# The packages installed, upgraded and removed for real under Wine, in a
# fresh prefix of their own. Sourced by ./test after scripts/wine-env.sh;
# the caller keeps the counters `passed` and `failed` and the folder $LOGS.
#   nc_install_test <build dir>   win64 or win32 (the i686 preset)
# Builds the packages of that build (target nc_package_arch), then checks
# the silent install, the /Clear run from the Start menu shortcut's
# target, the uninstall entry, an upgrade that keeps the user's files and
# the silent uninstall. Each check counts as one test. The log holds the
# times; the run's report is kept as build/logs/install-<dir>-report.json.

nc_install_check() {
  local name=$1
  shift
  if "$@" >>"$NC_INSTALL_LOG" 2>&1; then
    passed=$((passed + 1))
    echo "ok: $name" >>"$NC_INSTALL_LOG"
  else
    failed=$((failed + 1))
    echo "FAILED: install test ($NC_INSTALL_DIR): $name"
    echo "FAILED: $name" >>"$NC_INSTALL_LOG"
  fi
}

# Runs a Wine command and waits until every process it started has ended
# (the uninstaller runs on from a copy of itself); prints the seconds taken.
nc_install_timed() {
  local t0 rc ms
  t0=$(date +%s%N)
  wine "$@" </dev/null >>"$NC_INSTALL_LOG" 2>&1
  rc=$?
  wineserver -w
  ms=$((($(date +%s%N) - t0) / 1000000))
  printf '%d.%d' $((ms / 1000)) $((ms % 1000 / 100))
  return $rc
}

nc_install_has() { grep -q -- "$2" "$1"; }
nc_install_absent() { [[ ! -e "$1" ]]; }
nc_install_reg_has() {
  wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\NorvikCleaner' \
    /v DisplayVersion </dev/null 2>/dev/null | tr -d '\r' | grep -q "REG_SZ *$1\$"
}
nc_install_reg_gone() {
  ! wine reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\NorvikCleaner' \
    </dev/null >/dev/null 2>&1
}
nc_install_zip_has() {
  python3 - "$@" <<'PY'
import sys, zipfile
names = {n.split("/", 1)[-1] for n in zipfile.ZipFile(sys.argv[1]).namelist()}
sys.exit(0 if set(sys.argv[2:]) <= names else 1)
PY
}
# The report parses, names the version and says what the exit code says.
nc_install_report_ok() {
  python3 - "$@" <<'PY'
import json, sys
path, version, code = sys.argv[1], sys.argv[2], int(sys.argv[3])
r = json.load(open(path, encoding="utf-8"))
ok = (r["program"] == "Norvik Cleaner" and r["version"] == version and r["mode"] == "/Clear"
      and r["exitCode"] == code and code in (0, 1) and r["clean"]["started"]
      and r["clean"]["items"][0]["runName"] == "Windows - Temporary Files"
      and "registry" in r and "totals" in r)
sys.exit(0 if ok else 1)
PY
}

nc_install_test() {
  local dir=$1 arch=$1
  NC_INSTALL_DIR=$dir
  NC_INSTALL_LOG=$LOGS/install-$dir.log
  : >"$NC_INSTALL_LOG"
  say "packages of $dir installed and removed under Wine (log: ${NC_INSTALL_LOG#"$NC_ROOT"/})"
  local t_all=$SECONDS version
  version=$(sed -n 's/^#define NC_VERSION "\(.*\)"$/\1/p' "build/$dir/generated/app/version.h")
  local packages=$NC_ROOT/build/packages
  local zip=$packages/NorvikCleaner-$version-$arch.zip
  local setup=$packages/NorvikCleaner-$version-$arch-setup.exe
  if ! cmake --build "build/$dir" --target nc_package_arch >>"$NC_INSTALL_LOG" 2>&1; then
    echo "FAILED: the packages of $dir could not be built; see ${NC_INSTALL_LOG#"$NC_ROOT"/}"
    failed=$((failed + 1))
    return
  fi
  nc_install_check "the zip holds the program, its data, the read-me and the licence" \
    nc_install_zip_has "$zip" NorvikCleaner.exe kvrn.dat ReadMe.txt License.txt
  nc_install_check "SHA256SUMS matches the packages" \
    bash -c "cd '$packages' && sha256sum -c SHA256SUMS"
  ls -l "$packages" >>"$NC_INSTALL_LOG"

  source "$NC_ROOT/scripts/wine-env.sh"
  nc_wine_env "$dir"
  export WINEPREFIX=$NC_ROOT/build/$dir/install-prefix
  if ! nc_prefix_inside_build || ! nc_start_xvfb; then
    failed=$((failed + 1))
    nc_wine_cleanup
    return
  fi
  rm -rf -- "$WINEPREFIX"
  {
    wineboot -i
    wineserver -w
  } </dev/null >>"$NC_INSTALL_LOG" 2>&1
  nc_sandbox_prefix >>"$NC_INSTALL_LOG" 2>&1

  local seconds
  seconds=$(nc_install_timed "$(nc_winpath "$setup")" /S)
  nc_install_check "the silent install ends with 0" test $? -eq 0
  echo "install time: $seconds s" >>"$NC_INSTALL_LOG"
  local users=$WINEPREFIX/drive_c/users user
  user=$(find "$users" -mindepth 1 -maxdepth 1 -type d ! -name Public -printf '%f\n' | head -n 1)
  local home=$users/$user
  local folder="$home/AppData/Local/Programs/Norvik Cleaner"
  local shortcut="$home/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Norvik Cleaner.lnk"
  nc_install_check "the program is in %LOCALAPPDATA%\\Programs\\Norvik Cleaner" \
    test -f "$folder/NorvikCleaner.exe" -a -f "$folder/kvrn.dat" -a -f "$folder/uninstall.exe"
  nc_install_check "the Start menu shortcut exists" test -f "$shortcut"
  nc_install_check "the uninstall entry names version $version" nc_install_reg_has "$version"

  # The installed program runs "/Clear" from the shortcut's target.
  local target report=$LOGS/install-$dir-report.json rc
  target=$(python3 "$NC_ROOT/scripts/lnk-target.py" "$shortcut" 2>>"$NC_INSTALL_LOG")
  echo "shortcut target: $target" >>"$NC_INSTALL_LOG"
  nc_install_check "the shortcut's target is the installed program" \
    bash -c "[[ '${target,,}' == *'\\programs\\norvik cleaner\\norvikcleaner.exe' ]]"
  # With one item ticked and a file for it to remove.
  printf '[NodeSelected]\r\nSelectedCount=1\r\n1=Windows - Temporary Files\r\n' >"$folder/options.ini"
  mkdir -p "$home/Temp"
  head -c 4096 /dev/zero >"$home/Temp/norvik-install-test.tmp"
  rm -f "$WINEPREFIX/drive_c/run-report.json"
  local t0=$SECONDS
  wine "$target" /Clear 'C:\run-report.json' </dev/null >>"$NC_INSTALL_LOG" 2>&1
  rc=$?
  echo "/Clear from the shortcut: exit code $rc in $((SECONDS - t0)) s" >>"$NC_INSTALL_LOG"
  cp -f "$WINEPREFIX/drive_c/run-report.json" "$report" 2>>"$NC_INSTALL_LOG"
  nc_install_check "/Clear writes its report and its exit code says the same" \
    nc_install_report_ok "$report" "$version" "$rc"
  nc_install_check "/Clear removed the file of the ticked item" \
    nc_install_absent "$home/Temp/norvik-install-test.tmp"

  # The user's files, changed or made since the first install.
  printf '[ShipTest]\r\nMarker=kept\r\n' >>"$folder/options.ini"
  mkdir -p "$folder/Backup"
  echo REGEDIT4 >"$folder/Backup/ship-test.reg"
  printf '[Custom Lists]\r\n' >"$folder/Custom.dat"
  printf '[Cookies]\r\n' >"$folder/Cookies.ini"
  seconds=$(nc_install_timed "$(nc_winpath "$setup")" /S)
  nc_install_check "a second install over the first ends with 0" test $? -eq 0
  echo "upgrade time: $seconds s" >>"$NC_INSTALL_LOG"
  nc_install_check "the second install keeps the changed options.ini" \
    nc_install_has "$folder/options.ini" "Marker=kept"
  nc_install_check "the second install keeps the Backup folder and the lists" \
    test -f "$folder/Backup/ship-test.reg" -a -f "$folder/Custom.dat" -a -f "$folder/Cookies.ini"

  seconds=$(nc_install_timed "$(nc_winpath "$folder/uninstall.exe")" /S)
  nc_install_check "the silent uninstall ends with 0" test $? -eq 0
  echo "uninstall time: $seconds s" >>"$NC_INSTALL_LOG"
  nc_install_check "the uninstall removes the program's files" bash -c \
    "for f in NorvikCleaner.exe kvrn.dat ReadMe.txt License.txt uninstall.exe; do
       [[ ! -e '$folder'/\$f ]] || exit 1; done"
  nc_install_check "the uninstall removes the shortcut" nc_install_absent "$shortcut"
  nc_install_check "the uninstall removes the uninstall entry" nc_install_reg_gone
  nc_install_check "the silent uninstall leaves options.ini and Backup" \
    bash -c "grep -q Marker=kept '$folder/options.ini' && [[ -f '$folder/Backup/ship-test.reg' ]]"

  nc_wine_cleanup
  rm -rf -- "$NC_ROOT/build/$dir/install-prefix"
  say "install test of $dir done in $((SECONDS - t_all)) s"
}
