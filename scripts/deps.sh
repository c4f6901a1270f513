# Installs the Debian packages the build, the tests and ./run need.
# Sourced by ./test and ./run; a second run only asks dpkg and returns.
# Log of apt: build/logs/apt.log.

NC_PACKAGES=(
  cmake ninja-build g++ libsqlite3-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
  wine64 wine wine32:i386 xvfb xauth fonts-wine imagemagick
  nodejs npm clang-format python3
  clang libclang-rt-14-dev
  nlohmann-json3-dev nsis zip osslsigncode openssl
)

# Prints the packages of NC_PACKAGES that are not installed.
nc_missing_packages() {
  local pkg status
  for pkg in "${NC_PACKAGES[@]}"; do
    case "$pkg" in
      # Node.js from other sources carries its own npm and conflicts with
      # Debian's npm package: the commands are what matters.
      nodejs) command -v node >/dev/null 2>&1 && continue ;;
      npm) command -v npm >/dev/null 2>&1 && continue ;;
    esac
    status=$(dpkg-query -W -f='${db:Status-Status}' "$pkg" 2>/dev/null || true)
    [[ "$status" == installed ]] || echo "$pkg"
  done
}

# Installs whatever is missing. Returns non-zero when apt fails.
nc_install_packages() {
  local log_dir=$1 missing
  mapfile -t missing < <(nc_missing_packages)
  ((${#missing[@]} == 0)) && return 0
  mkdir -p "$log_dir"
  local log="$log_dir/apt.log"
  : >"$log"
  echo "Installing ${missing[*]} (log: $log)"
  local sudo=()
  if ((EUID != 0)); then
    if command -v sudo >/dev/null 2>&1; then
      sudo=(sudo)
    else
      echo "error: packages missing and not root: ${missing[*]}" >&2
      return 1
    fi
  fi
  # The 32-bit Wine (for the i686 build under WoW64) comes from the i386
  # architecture, which a fresh amd64 machine does not list yet.
  if [[ " ${missing[*]} " == *:i386\ * ]] &&
     ! dpkg --print-foreign-architectures | grep -qx i386 &&
     ! "${sudo[@]}" dpkg --add-architecture i386 >"$log" 2>&1; then
    echo "error: could not add the i386 architecture; see $log" >&2
    return 1
  fi
  if ! "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update >>"$log" 2>&1 ||
     ! "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y \
         --no-install-recommends "${missing[@]}" >>"$log" 2>&1; then
    echo "error: package installation failed; last lines of $log:" >&2
    tail -n 30 "$log" >&2
    return 1
  fi
  mapfile -t missing < <(nc_missing_packages)
  if ((${#missing[@]} != 0)); then
    echo "error: still missing after apt-get: ${missing[*]}" >&2
    return 1
  fi
}
