#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test: all of
# them on a build under ASan and UBSan, those of the threads under TSan.
set -euo pipefail
cd "$(dirname "$0")/.."
root="$PWD"
bash scripts/install-deps.sh
bash scripts/check-format.sh
# Let ccache share objects between checkouts in different folders.
export CCACHE_BASEDIR="$root" CCACHE_NOHASHDIR=1
cmake -S . -B build-test -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMORA_WERROR=ON -DLUMORA_SANITIZE=ON
cmake --build build-test -j"$(nproc)"
# Mesa's drivers are unloaded before exit, so their leaks cannot be told
# from ours: leaks are looked for in the fuzz replays only.
export ASAN_OPTIONS=detect_leaks=0:allocator_may_return_null=1
export UBSAN_OPTIONS=print_stacktrace=1
# Window tests need a display; a private X server serves the whole run.
(cd build-test && xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure -j"$(nproc)")

# The three places that use threads: the wall build, the volume layers and
# the patched file.
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMORA_TSAN=ON -DLUMORA_BENCH=OFF \
  -DLUMORA_SANITIZED_REPLAY=OFF
cmake --build build-tsan -j"$(nproc)" --target test_appcore test_volume test_export
export TSAN_OPTIONS="halt_on_error=1:suppressions=$root/cmake/tsan.supp"
export XDG_CONFIG_HOME="$root/build-tsan/test-config"
build-tsan/app/core/test_appcore --gtest_filter='WallMesh.*'
build-tsan/volume/test_volume --gtest_filter='VolumeModel.*:ReportRun.*'
build-tsan/export/test_export --gtest_filter='PatchedFile.*'
