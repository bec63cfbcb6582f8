#!/usr/bin/env bash
# Fails when a tracked C++ file differs from .clang-format's layout.
set -euo pipefail
cd "$(dirname "$0")/.."
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  git ls-files -z '*.cpp' '*.h'
else
  find . -path ./build -prune -o \( -name '*.cpp' -o -name '*.h' \) -print0
fi | xargs -0 -r -n 50 -P "$(nproc)" clang-format --dry-run -Werror
