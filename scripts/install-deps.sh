#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the program need.
# Idempotent: packages already present are skipped without touching apt.
set -euo pipefail

packages=(
  build-essential cmake ninja-build ccache pkg-config
  qt6-base-dev libqt6opengl6-dev qt6-base-dev-tools libqt6svg6 qt6-svg-dev
  libgl-dev libglu1-mesa-dev libegl-dev libgl1-mesa-dri libegl-mesa0 libglx-mesa0
  xvfb xauth
  zlib1g-dev libxml2-dev libfast-float-dev
  libgtest-dev libgmock-dev libbenchmark-dev libgmp-dev
  clang libclang-rt-14-dev clang-format
  fontconfig fonts-dejavu-core hershey-fonts-data
  python3 gdal-bin python3-ezdxf assimp-utils ffmpeg unzip libxml2-utils desktop-file-utils shared-mime-info
  librsvg2-bin poppler-utils
  survex survex-aven therion libproj-dev proj-bin
  chromium
)
# Node may come from elsewhere: NodeSource's nodejs carries npm itself and
# conflicts with Debian's npm package.
command -v node > /dev/null || packages+=(nodejs)
command -v npm > /dev/null || packages+=(npm)

# The Node packages of the glTF checks, once Node is there; without the
# network their tests are skipped, not failed.
node_tools() {
  bash "$(dirname "$0")/install-node-tools.sh" ||
    echo "install-deps: the Node packages could not be installed; the glTF checks will be skipped" >&2
}

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q '^install ok installed$' || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  node_tools
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "install-deps: missing packages (${missing[*]}); run as root" >&2
  exit 1
fi

echo "install-deps: installing ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
apt-get update -q
apt-get install -y -q --no-install-recommends "${missing[@]}"
node_tools
