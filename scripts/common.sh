# Shared by scripts/run, scripts/test and scripts/package: the Debian packages the
# program needs, installed only when missing, and the release build.

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

# What building and running the program needs.
packages=(
  build-essential cmake ninja-build
  qt6-base-dev qt6-multimedia-dev libgl-dev fonts-dejavu-core
)
# Only the tests need these.
test_packages=(
  libgtest-dev libbenchmark-dev  # the unit tests and the benchmarks
  xvfb openbox  # the desktop of the window-manager tests
  weston xwayland qt6-wayland  # the compositor of the Wayland tests
  clang libclang-rt-dev  # the fuzz targets
  desktop-file-utils appstream groff-base  # the staged installation's checks
)
# Only building the Debian package needs these.
package_packages=(debhelper lintian)

# Installs those of the program's packages, and of the packages named as arguments,
# that are missing: as root directly, else through sudo.
ensure_packages() {
  local missing=()
  for p in "${packages[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null; then
      echo "These packages are missing, and installing them needs root: run this as root, or install sudo." >&2
      return 1
    fi
    sudo=(sudo)
  fi
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# The release build in build/ (programs in build/bin); the arguments go to cmake.
build_release() {
  cmake -S "$repo" -B "$repo/build" -G Ninja -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
  cmake --build "$repo/build" -j"$(nproc)"
}
