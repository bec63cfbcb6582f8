#!/usr/bin/env bash
# Installs what is missing, builds the program and opens the bundled demo
# cave: in the window when there is a display, else as a picture.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)" --target lumora lumora-cli
./build/lumora-cli info data/demo.plt
if [[ -n "${DISPLAY:-}" || -n "${WAYLAND_DISPLAY:-}" ]]; then
  exec ./build/lumora data/demo.plt
fi
./build/lumora-cli render data/demo.plt -o build/demo.png --depth-colors --pitch 25 --yaw 20
echo "No display: the demo cave is drawn in $PWD/build/demo.png."
echo "With a display, run: ./build/lumora data/demo.plt"
