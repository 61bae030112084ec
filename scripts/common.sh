# Shared by scripts/run and scripts/test: the Debian packages the program needs,
# installed only when missing, and the release build.

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-multimedia-dev libgl-dev fonts-dejavu-core
  libgtest-dev libbenchmark-dev
)
# Only the tests need these.
test_packages=(
  xvfb openbox  # the desktop of the window-manager tests
  clang libclang-rt-dev  # the fuzz targets
  desktop-file-utils appstream groff-base dpkg-dev  # the staged installation's checks
)

# Installs those of the program's packages, and of the packages named as arguments,
# that are missing.
ensure_packages() {
  local missing=()
  for p in "${packages[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

build_release() {
  cmake -S "$repo" -B "$repo/build" -G Ninja -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
  cmake --build "$repo/build" -j"$(nproc)"
}
