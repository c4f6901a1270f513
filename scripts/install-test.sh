# The packages installed, upgraded and removed for real under Wine, in a
# fresh prefix of their own. Sourced by ./test after scripts/wine-env.sh;
# the caller keeps the counters `passed` and `failed` and the folder $LOGS.
#   nc_install_test <build dir>   win64 or win32 (the i686 preset)
# Builds the packages of that build (target nc_package_arch), signed with a
# throw-away certificate made here, and an older version's installer of the
# same files; then checks the release files (signatures, no debug sections,
# Windows line ends, SHA256SUMS), a silent install of the older version, an
# upgrade that keeps the user's files, the uninstall entry field by field,
# the /Clear run from the Start menu shortcut's target, an upgrade while the
# program runs, and the silent uninstall (autostart entry included). Each
# check counts as one test; every Wine command has a time limit. The log
# holds the times and the installer's own log; the run's report is kept as
# build/logs/install-<dir>-report.json.

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

# Runs a Wine command with a time limit of $1 seconds and waits until every
# process it started has ended (the uninstaller runs on from a copy of
# itself); prints the seconds taken. A command over its limit is killed and
# ends with 124.
nc_install_timed() {
  local limit=$1 t0 rc ms
  shift
  t0=$(date +%s%N)
  timeout -k 5 "$limit" wine "$@" </dev/null >>"$NC_INSTALL_LOG" 2>&1
  rc=$?
  timeout -k 5 60 wineserver -w || rc=124
  ms=$((($(date +%s%N) - t0) / 1000000))
  printf '%d.%d' $((ms / 1000)) $((ms % 1000 / 100))
  return $rc
}

nc_install_has() { grep -q -- "$2" "$1"; }
nc_install_absent() { [[ ! -e "$1" ]]; }
nc_install_same() { cmp -s "$1" "$2"; }

NC_UNINSTALL_KEY='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\NorvikCleaner'
NC_RUN_KEY='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'

# nc_reg_value KEY VALUE: prints the value's data and ends with 0; ends with
# 1 when the key or the value is not there, and with 2 (saying why) when
# reg.exe failed in any other way.
nc_reg_value() {
  local out rc
  out=$(timeout -k 5 60 wine reg query "$1" /v "$2" </dev/null 2>&1 | tr -d '\r')
  rc=${PIPESTATUS[0]}
  if ((rc == 0)); then
    # "    <name>    REG_<type>    <data>"
    local line prefix="    $2    REG_"
    line=$(grep -F -- "$prefix" <<<"$out" | head -n 1)
    if [[ -z "$line" ]]; then
      echo "reg query $1 /v $2 printed no such value: $out" >&2
      return 2
    fi
    line=${line#"$prefix"}
    [[ "$line" == *"    "* ]] && printf '%s\n' "${line#*    }" || echo
    return 0
  fi
  if grep -qi 'unable to find' <<<"$out"; then return 1; fi
  echo "reg query $1 /v $2 failed ($rc): $out" >&2
  return 2
}
# nc_reg_key_gone KEY: 0 when the key is not there, 1 when it is, 2 when
# reg.exe failed in another way.
nc_reg_key_gone() {
  local out rc
  out=$(timeout -k 5 60 wine reg query "$1" </dev/null 2>&1 | tr -d '\r')
  rc=${PIPESTATUS[0]}
  ((rc == 0)) && return 1
  grep -qi 'unable to find' <<<"$out" && return 0
  echo "reg query $1 failed ($rc): $out" >&2
  return 2
}
# nc_reg_is KEY VALUE EXPECTED: the value holds exactly EXPECTED.
nc_reg_is() {
  local data
  data=$(nc_reg_value "$1" "$2") || return 1
  [[ "$data" == "$3" ]] || { echo "$2 is '$data', not '$3'" >&2; return 1; }
}

nc_install_zip_has() {
  python3 - "$@" <<'PY'
import sys, zipfile
names = {n.split("/", 1)[-1] for n in zipfile.ZipFile(sys.argv[1]).namelist()}
sys.exit(0 if set(sys.argv[2:]) <= names else 1)
PY
}
# Every text file of the zip has Windows line ends, and no other.
nc_install_zip_crlf() {
  python3 - "$1" <<'PY'
import re, sys, zipfile
z = zipfile.ZipFile(sys.argv[1])
texts = [n for n in z.namelist() if n.lower().endswith((".txt", ".dat", ".ini"))]
bad = [n for n in texts if re.search(rb"(?<!\r)\n", z.read(n))]
print("text files:", texts, "with bare LF:", bad)
sys.exit(0 if texts and not bad else 1)
PY
}
# The program has no debug sections, names its debug file, and that file
# holds what the build had.
nc_install_stripped() {
  local exe=$1 debug=$2 objdump=$3
  [[ -s "$debug" ]] || return 1
  ! "$objdump" -h "$exe" | grep -q ' \.debug_' || return 1
  "$objdump" -s -j .gnu_debuglink "$exe" | grep -q . || return 1
}
# SHA256SUMS checks, and names only this version's files.
nc_install_sums() {
  local packages=$1 version=$2
  (cd "$packages" && sha256sum -c SHA256SUMS) || return 1
  ! grep -v "  NorvikCleaner-$version-" "$packages/SHA256SUMS"
}
nc_install_signed() {
  local file
  for file in "${@:2}"; do
    osslsigncode verify -CAfile "$1" -in "$file" | grep -q 'Signature verification: ok' || {
      echo "not signed: $file"
      return 1
    }
  done
}
# The report parses, names the version, says the run was done and that its
# exit code was 0, with universal times.
nc_install_report_ok() {
  python3 - "$@" <<'PY'
import json, sys
path, version, code = sys.argv[1], sys.argv[2], int(sys.argv[3])
r = json.load(open(path, encoding="utf-8"))
ok = (r["program"] == "Norvik Cleaner" and r["version"] == version and r["mode"] == "/Clear"
      and r["schema"] == 2 and r["outcome"] == "done" and r["exitCode"] == 0 and code == 0
      and r["started"].endswith("Z") and r["ended"].endswith("Z") and len(r["runId"]) == 36
      and r["clean"]["started"]
      and r["clean"]["items"][0]["runName"] == "Windows - Temporary Files"
      and "registry" in r and "totals" in r)
print(json.dumps({k: r.get(k) for k in ("outcome", "exitCode", "started", "runId")}))
sys.exit(0 if ok else 1)
PY
}

# Each field of the uninstall entry, as the installer of version $1 in folder
# $2 (a Windows path) writes it.
nc_install_entry_fields() {
  local k=$NC_UNINSTALL_KEY v=$1 f=$2 size
  nc_reg_is "$k" DisplayName "Norvik Cleaner $v" && nc_reg_is "$k" DisplayVersion "$v" &&
    nc_reg_is "$k" Publisher "Norvik Software" && nc_reg_is "$k" InstallLocation "$f" &&
    nc_reg_is "$k" DisplayIcon "$f\\NorvikCleaner.exe" &&
    nc_reg_is "$k" UninstallString "\"$f\\uninstall.exe\"" &&
    nc_reg_is "$k" QuietUninstallString "\"$f\\uninstall.exe\" /S" &&
    nc_reg_is "$k" NoModify 0x1 && nc_reg_is "$k" NoRepair 0x1 &&
    size=$(nc_reg_value "$k" EstimatedSize) && ((size > 0))
}
nc_install_autostart_gone() {
  nc_reg_value "$NC_RUN_KEY" "Norvik Cleaner"
  (($? == 1)) && nc_reg_is "$NC_RUN_KEY" "Other Program" 'C:\other.exe'
}

# A throw-away code-signing certificate for this run's packages.
nc_install_certificate() {
  local folder=$1
  mkdir -p "$folder"
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=Norvik Cleaner test signing" \
    -addext "extendedKeyUsage=codeSigning" -addext "basicConstraints=critical,CA:TRUE" \
    -keyout "$folder/key.pem" -out "$folder/cert.pem" >>"$NC_INSTALL_LOG" 2>&1
}

# An installer of an older version of the same files: the version number
# changed, and the program marked so that an upgrade is seen to replace it.
nc_install_older_package() {
  local dir=$1 stage=$2 old=$3 out=$4
  local old_stage=$NC_ROOT/build/$dir/package-old/NorvikCleaner-$old
  rm -rf -- "$NC_ROOT/build/$dir/package-old"
  mkdir -p "$old_stage"
  cp -a "$stage"/. "$old_stage"/
  printf 'older package %s' "$old" >>"$old_stage/NorvikCleaner.exe"
  sed "s#${stage}/#${old_stage}/#" "$NC_ROOT/build/$dir/package/files.nsh" \
    >"$NC_ROOT/build/$dir/package-old/files.nsh"
  makensis -V2 -DVERSION="$old" -DARCH="$dir" -DSTAGE="$old_stage" \
    -DFILES="$NC_ROOT/build/$dir/package-old/files.nsh" -DOUTFILE="$out" -DSIZE_KB=1 \
    "$NC_ROOT/packaging/NorvikCleaner.nsi" >>"$NC_INSTALL_LOG" 2>&1
}

nc_install_test() {
  local dir=$1 arch=$1
  NC_INSTALL_DIR=$dir
  NC_INSTALL_LOG=$LOGS/install-$dir.log
  : >"$NC_INSTALL_LOG"
  say "packages of $dir installed and removed under Wine (log: ${NC_INSTALL_LOG#"$NC_ROOT"/})"
  local t_all=$SECONDS version
  version=$(sed -n 's/^#define NC_VERSION "\(.*\)"$/\1/p' "build/$dir/generated/app/version.h")
  local major minor old
  IFS=. read -r major minor _ <<<"$version"
  if ((minor > 0)); then old=$major.$((minor - 1)).0; else old=$((major - 1)).99.0; fi
  local packages=$NC_ROOT/build/packages
  local name=NorvikCleaner-$version-$arch
  local zip=$packages/$name.zip setup=$packages/$name-setup.exe debug=$packages/$name.debug
  local stage=$NC_ROOT/build/$dir/package/$name
  local old_setup=$NC_ROOT/build/$dir/package-old/NorvikCleaner-$old-$arch-setup.exe
  local signing=$NC_ROOT/build/$dir/signing objdump
  objdump=$([[ $dir == win64 ]] && echo x86_64-w64-mingw32-objdump || echo i686-w64-mingw32-objdump)
  if ! nc_install_certificate "$signing" ||
     ! NC_SIGN_CERT=$signing/cert.pem NC_SIGN_KEY=$signing/key.pem \
       cmake --build "build/$dir" --target nc_package_arch >>"$NC_INSTALL_LOG" 2>&1 ||
     ! nc_install_older_package "$dir" "$stage" "$old" "$old_setup"; then
    echo "FAILED: the packages of $dir could not be built; see ${NC_INSTALL_LOG#"$NC_ROOT"/}"
    failed=$((failed + 1))
    return
  fi
  nc_install_check "the zip holds the program, its data, the read-me and the licence" \
    nc_install_zip_has "$zip" NorvikCleaner.exe kvrn.dat ReadMe.txt License.txt
  nc_install_check "the text files of the zip have Windows line ends" nc_install_zip_crlf "$zip"
  nc_install_check "the program has no debug sections and names its debug file" \
    nc_install_stripped "$stage/NorvikCleaner.exe" "$debug" "$objdump"
  nc_install_check "SHA256SUMS matches the packages and lists only version $version" \
    nc_install_sums "$packages" "$version"
  nc_install_check "the program and the installer are signed" \
    nc_install_signed "$signing/cert.pem" "$stage/NorvikCleaner.exe" "$setup"
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
    timeout -k 5 300 wineboot -i
    timeout -k 5 120 wineserver -w
  } </dev/null >>"$NC_INSTALL_LOG" 2>&1
  nc_sandbox_prefix >>"$NC_INSTALL_LOG" 2>&1

  local users=$WINEPREFIX/drive_c/users user
  user=$(find "$users" -mindepth 1 -maxdepth 1 -type d ! -name Public -printf '%f\n' | head -n 1)
  local home=$users/$user
  local folder="$home/AppData/Local/Programs/Norvik Cleaner"
  local shortcut="$home/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Norvik Cleaner.lnk"
  local setup_log=$home/Temp/"Norvik Cleaner setup.log"
  local seconds

  # The older version first, then the user's files.
  seconds=$(nc_install_timed 180 "$(nc_winpath "$old_setup")" /S)
  nc_install_check "the silent install of version $old ends with 0" test $? -eq 0
  echo "install time ($old): $seconds s" >>"$NC_INSTALL_LOG"
  nc_install_check "the program is in %LOCALAPPDATA%\\Programs\\Norvik Cleaner" \
    test -f "$folder/NorvikCleaner.exe" -a -f "$folder/kvrn.dat" -a -f "$folder/uninstall.exe"
  nc_install_check "the uninstall entry names version $old" \
    nc_reg_is "$NC_UNINSTALL_KEY" DisplayVersion "$old"
  printf '[NodeSelected]\r\nSelectedCount=1\r\n1=Windows - Temporary Files\r\n[ShipTest]\r\nMarker=kept\r\n' \
    >"$folder/options.ini"
  mkdir -p "$folder/Backup"
  echo REGEDIT4 >"$folder/Backup/2026_02_03_070509.reg"
  printf '[Custom Lists]\r\n' >"$folder/Custom.dat"
  printf '[Cookies]\r\n' >"$folder/Cookies.ini"

  # The upgrade.
  seconds=$(nc_install_timed 180 "$(nc_winpath "$setup")" /S)
  nc_install_check "the upgrade from $old to $version ends with 0" test $? -eq 0
  echo "upgrade time: $seconds s" >>"$NC_INSTALL_LOG"
  nc_install_check "the upgrade replaces the program" \
    nc_install_same "$folder/NorvikCleaner.exe" "$stage/NorvikCleaner.exe"
  nc_install_check "the upgrade keeps the changed options.ini" \
    nc_install_has "$folder/options.ini" "Marker=kept"
  nc_install_check "the upgrade keeps the Backup folder and the lists" \
    test -f "$folder/Backup/2026_02_03_070509.reg" -a -f "$folder/Custom.dat" -a -f "$folder/Cookies.ini"
  nc_install_check "the installed uninstaller is signed" \
    nc_install_signed "$signing/cert.pem" "$folder/uninstall.exe"
  local winfolder
  winfolder=$(nc_winpath "$folder")
  nc_install_check "the uninstall entry, field by field" \
    nc_install_entry_fields "$version" "$winfolder"

  # The installed program runs "/Clear" from the shortcut's target.
  local target report=$LOGS/install-$dir-report.json rc
  target=$(python3 "$NC_ROOT/scripts/lnk-target.py" "$shortcut" 2>>"$NC_INSTALL_LOG")
  echo "shortcut target: $target" >>"$NC_INSTALL_LOG"
  nc_install_check "the shortcut's target is the installed program" \
    bash -c "[[ '${target,,}' == *'\\programs\\norvik cleaner\\norvikcleaner.exe' ]]"
  mkdir -p "$home/Temp"
  head -c 4096 /dev/zero >"$home/Temp/norvik-install-test.tmp"
  rm -f "$WINEPREFIX/drive_c/run-report.json"
  local t0=$SECONDS
  timeout -k 5 180 wine "$target" /Clear 'C:\run-report.json' </dev/null >>"$NC_INSTALL_LOG" 2>&1
  rc=$?
  echo "/Clear from the shortcut: exit code $rc in $((SECONDS - t0)) s" >>"$NC_INSTALL_LOG"
  cp -f "$WINEPREFIX/drive_c/run-report.json" "$report" 2>>"$NC_INSTALL_LOG"
  nc_install_check "/Clear ends with 0 and its report says done" \
    nc_install_report_ok "$report" "$version" "$rc"
  nc_install_check "/Clear removed the file of the ticked item" \
    nc_install_absent "$home/Temp/norvik-install-test.tmp"

  # One more upgrade, with the older program open: it is asked to close,
  # and then replaced.
  cp -f "$NC_ROOT/build/$dir/package-old/NorvikCleaner-$old/NorvikCleaner.exe" "$folder/"
  rm -f "$setup_log"
  timeout -k 5 300 wine "$(nc_winpath "$folder/NorvikCleaner.exe")" </dev/null \
    >>"$NC_INSTALL_LOG" 2>&1 &
  local program=$!
  sleep 8
  nc_install_check "the program runs before the upgrade" kill -0 "$program"
  seconds=$(nc_install_timed 180 "$(nc_winpath "$setup")" /S)
  nc_install_check "the upgrade with the program open ends with 0" test $? -eq 0
  echo "upgrade with the program open: $seconds s" >>"$NC_INSTALL_LOG"
  nc_install_check "the open program was closed" bash -c "! kill -0 $program 2>/dev/null"
  nc_install_check "the open program was replaced" \
    nc_install_same "$folder/NorvikCleaner.exe" "$stage/NorvikCleaner.exe"
  nc_install_check "the installer's log says it asked the program to close" \
    nc_install_has "$setup_log" "Asking the running Norvik Cleaner to close"
  { echo "--- installer log (upgrade with the program open):"; tr -d '\r' <"$setup_log"; } \
    >>"$NC_INSTALL_LOG" 2>&1
  kill "$program" 2>/dev/null
  wait "$program" 2>/dev/null

  # The autostart entry of this program goes with it; another program's stays.
  timeout -k 5 60 wine reg add "$NC_RUN_KEY" /v "Norvik Cleaner" /t REG_SZ /f \
    /d "\"$winfolder\\NorvikCleaner.exe\" /Auto" </dev/null >>"$NC_INSTALL_LOG" 2>&1
  timeout -k 5 60 wine reg add "$NC_RUN_KEY" /v "Other Program" /t REG_SZ /f \
    /d 'C:\other.exe' </dev/null >>"$NC_INSTALL_LOG" 2>&1
  seconds=$(nc_install_timed 180 "$(nc_winpath "$folder/uninstall.exe")" /S)
  nc_install_check "the silent uninstall ends with 0" test $? -eq 0
  echo "uninstall time: $seconds s" >>"$NC_INSTALL_LOG"
  nc_install_check "the uninstall removes the program's files" bash -c \
    "for f in NorvikCleaner.exe kvrn.dat ReadMe.txt License.txt uninstall.exe; do
       [[ ! -e '$folder'/\$f ]] || exit 1; done"
  nc_install_check "the uninstall removes the shortcut" nc_install_absent "$shortcut"
  nc_install_check "the uninstall removes the uninstall entry" nc_reg_key_gone "$NC_UNINSTALL_KEY"
  nc_install_check "the uninstall removes this program's autostart entry only" \
    nc_install_autostart_gone
  nc_install_check "the silent uninstall leaves options.ini and Backup" \
    bash -c "grep -q Marker=kept '$folder/options.ini' && [[ -f '$folder/Backup/2026_02_03_070509.reg' ]]"

  nc_wine_cleanup
  rm -rf -- "$NC_ROOT/build/$dir/install-prefix"
  say "install test of $dir done in $((SECONDS - t_all)) s"
}
