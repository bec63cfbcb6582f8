#!/usr/bin/env bash
# Installs what is missing, builds the program and opens the bundled demo cave.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)" --target lumora-cli
./build/lumora-cli info data/demo.plt
