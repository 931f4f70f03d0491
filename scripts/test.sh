#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test with ctest;
# then builds the tree again with AddressSanitizer and UndefinedBehaviorSanitizer
# in a second folder and runs the native tests there too. KESTA_SANITIZERS=0 skips
# that second run.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${KESTA_BUILD_DIR:-$root/build}"
bash "$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)"
(cd "$build" && ctest --output-on-failure -j2 "$@")

if [ "${KESTA_SANITIZERS:-1}" != 0 ]; then
  asan="${KESTA_ASAN_BUILD_DIR:-$root/build-asan}"
  cmake -S "$root" -B "$asan" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTA_SANITIZE=ON \
    >/dev/null
  cmake --build "$asan" -j"$(nproc)"
  # The virtual mouse is preloaded into some test programs, ahead of the
  # sanitizer runtime; leak reports would come from the libraries we use.
  export ASAN_OPTIONS="verify_asan_link_order=0:detect_leaks=0:abort_on_error=1"
  export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
  # The native code under the sanitizers; the scene, window, guest, package
  # and style tests run once, in the normal build.
  (cd "$asan" && ctest --output-on-failure -j2 --timeout 900 -LE 'gui|guest|install|lint' "$@")
fi
