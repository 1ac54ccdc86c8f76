# Shared by scripts/build, scripts/test, scripts/demo and scripts/package.
# Both Wines and both MinGW-w64 architectures: the shipped program is always i686; the Windows test tree
# is i686 where this machine runs 32-bit code and x86_64 (under wine64) where it does not.
QM_PACKAGES=(cmake ninja-build g++ pkg-config file zip unixodbc unixodbc-dev tdsodbc freetds-bin libsqlite3-dev
  libcurl4-openssl-dev nlohmann-json3-dev libgtest-dev libgmock-dev googletest
  g++-mingw-w64-i686-win32 g++-mingw-w64-i686-posix wine32:i386 libodbc2:i386 tdsodbc:i386
  g++-mingw-w64-x86-64-posix wine64
  xvfb xauth x11-utils imagemagick fonts-wqy-microhei locales)

# The shipped program's tree. Its ship/ folder holds quillmere.exe whatever the test tree is.
QM_SHIP_TREE=build-win32

# The machine is shared: never more than two compile jobs.
qm_jobs() { echo 2; }

# Runs a command as root (directly, or through sudo).
qm_root() {
  if [[ $(id -u) -eq 0 ]]; then "$@"; else sudo "$@"; fi
}

# One line per step; apt's own output goes to a log that is shown only when a step fails.
qm_step() {
  local what=$1; shift
  local log
  log=$(mktemp)
  echo "install: $what"
  if ! "$@" >"$log" 2>&1; then
    cat "$log" >&2
    rm -f "$log"
    echo "install: $what failed" >&2
    return 1
  fi
  rm -f "$log"
}

qm_install_packages() {
  local missing=()
  for p in "${QM_PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if ((${#missing[@]})); then
    # Wine and the ODBC driver it loads for the shipped program are 32-bit, like the program.
    dpkg --print-foreign-architectures | grep -qx i386 || qm_step "adding the i386 architecture" qm_root dpkg --add-architecture i386
    qm_step "reading the package lists" qm_root apt-get update -q
    qm_step "installing ${#missing[@]} packages: ${missing[*]}" \
      qm_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
  fi
  # The tdsodbc package registers its driver; register it by hand where that did not happen.
  if ! odbcinst -q -d 2>/dev/null | grep -q '^\[FreeTDS\]'; then
    qm_step "registering the FreeTDS driver" qm_root odbcinst -i -d -f /usr/share/tdsodbc/odbcinst.ini
  fi
  return 0
}

# i686 or x86_64: the architecture of the Windows test tree. QM_WINDOWS_ARCH forces either; otherwise
# i686 where 32-bit programs execute (32-bit Wine starts), x86_64 where the kernel has no IA-32 emulation.
qm_windows_arch() {
  case ${QM_WINDOWS_ARCH:-} in
    i686 | x86_64) echo "$QM_WINDOWS_ARCH"; return ;;
    "") ;;
    *) echo "QM_WINDOWS_ARCH must be i686 or x86_64, not '$QM_WINDOWS_ARCH'" >&2; return 1 ;;
  esac
  if /usr/lib/wine/wine --version >/dev/null 2>&1; then echo i686; else echo x86_64; fi
}

# Sets the Windows test tree's facts: QM_WINDOWS_ARCH, QM_WINDOWS_TREE (its folder), QM_WINE (the loader)
# and QM_WINDOWS_DESC (what scripts print about it).
qm_windows_tree() {
  QM_WINDOWS_ARCH=$(qm_windows_arch) || return 1
  if [[ $QM_WINDOWS_ARCH == i686 ]]; then
    QM_WINDOWS_TREE=build-win32
    QM_WINE=/usr/lib/wine/wine
    QM_WINDOWS_DESC="i686 under 32-bit Wine"
  else
    QM_WINDOWS_TREE=build-win64
    QM_WINE=/usr/lib/wine/wine64
    if /usr/lib/wine/wine --version >/dev/null 2>&1; then
      QM_WINDOWS_DESC="x86_64 under wine64, as QM_WINDOWS_ARCH asks"
    else
      QM_WINDOWS_DESC="x86_64 under wine64; this machine runs no 32-bit code"
    fi
  fi
}

qm_configure() {
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Debug "$@"
}

# The native tree; its end-to-end launcher runs the harness of the Windows test tree.
qm_configure_native() {
  local dir=$1; shift
  qm_windows_tree
  qm_configure "$dir" -DQM_WINDOWS_BUILD="$PWD/$QM_WINDOWS_TREE" "$@"
}

# The Windows test tree: test programs with the posix-model compiler of its architecture; the shipped
# program (its own tree, build-win32/ship) with the i686 win32-model one. It reaches the native tree's
# simulator.
qm_configure_windows() {
  qm_windows_tree
  qm_configure "$QM_WINDOWS_TREE" -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-$QM_WINDOWS_ARCH.cmake" \
    -DQM_NATIVE_BUILD="$PWD/build" -DQM_SHIP_DIR="$PWD/$QM_SHIP_TREE/ship" "$@"
}

# Stops the Wine prefix's server (and the programs it keeps), so nothing holds a caller's pipes.
qm_stop_wine() {
  WINEPREFIX="$1" /usr/lib/wine/wineserver -k </dev/null >/dev/null 2>&1 || true
}
