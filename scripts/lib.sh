# Shared by scripts/build, scripts/test, scripts/demo and scripts/package.
QM_PACKAGES=(cmake ninja-build g++ pkg-config file zip unixodbc unixodbc-dev tdsodbc freetds-bin libsqlite3-dev
  libcurl4-openssl-dev nlohmann-json3-dev libgtest-dev libgmock-dev googletest
  g++-mingw-w64-i686-win32 g++-mingw-w64-i686-posix wine32:i386 libodbc2:i386 tdsodbc:i386
  xvfb xauth x11-utils imagemagick fonts-wqy-microhei locales)

# The machine is shared: never more than two compile jobs.
qm_jobs() { echo 2; }

qm_install_packages() {
  local missing=()
  for p in "${QM_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if ((${#missing[@]})); then
    local sudo=""
    [[ $(id -u) -ne 0 ]] && sudo=sudo
    # Wine and the ODBC driver it loads are 32-bit, like the Windows program.
    dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386
    $sudo apt-get update
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
  fi
  # The tdsodbc package registers its driver; register it by hand where that did not happen.
  if ! odbcinst -q -d 2>/dev/null | grep -q '^\[FreeTDS\]'; then
    local sudo=""
    [[ $(id -u) -ne 0 ]] && sudo=sudo
    $sudo odbcinst -i -d -f /usr/share/tdsodbc/odbcinst.ini
  fi
}

qm_configure() {
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug "$@"
}

# The Windows tree: test programs with the posix-model compiler, the shipped program (its own tree,
# build-win32/ship) with the win32-model one. It reaches the native tree's simulator.
qm_configure_windows() {
  qm_configure build-win32 -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-i686.cmake" -DQM_NATIVE_BUILD="$PWD/build" "$@"
}

# Stops the Wine prefix's server (and the programs it keeps), so nothing holds a caller's pipes.
qm_stop_wine() {
  WINEPREFIX="$1" /usr/lib/wine/wineserver -k </dev/null >/dev/null 2>&1 || true
}
