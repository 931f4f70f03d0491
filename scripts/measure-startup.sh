#!/usr/bin/env bash
# Measures a cold start of kesta-config against the virtual mouse: the time
# from launch to the scene's first frame, and the resident memory once the
# mouse is connected. Runs under a private Xvfb; prints one report.
#   bash scripts/measure-startup.sh [runs]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${KESTA_BUILD_DIR:-$root/build}"
runs="${1:-5}"
bash "$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target kesta-config kesta-virtual-mouse kesta_modules >/dev/null

work="$(mktemp -d)"
trap 'kill $xvfb 2>/dev/null || true; rm -rf "$work"' EXIT
cp "$build/bin/kesta-config" "$work/"
cp -r "$build/bin/modules" "$work/"

Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }
first_total=0; rss_total=0
for run in $(seq "$runs"); do
  sync; echo 3 > /proc/sys/vm/drop_caches 2>/dev/null || true   # cold where allowed
  log="$work/run$run.log"
  start=$(now_ms)
  LD_PRELOAD="$build/bin/libkesta-virtual-mouse.so" KESTA_VM_LOG=/dev/null \
    "$work/kesta-config" >"$log" 2>&1 &
  app=$!
  first=""
  for _ in $(seq 600); do
    if [ -z "$first" ] && grep -q "scene: first frame" "$log"; then first=$(( $(now_ms) - start )); fi
    if [ -n "$first" ] && grep -q "Device Connect" "$log"; then break; fi
    sleep 0.01
  done
  sleep 1   # let the scene settle after connecting
  rss=$(awk '/VmRSS/ {print $2}' "/proc/$app/status")
  kill "$app"; wait "$app" 2>/dev/null || true
  printf 'run %d: first frame %5d ms, resident after connect %6d KiB\n' "$run" "${first:-0}" "$rss"
  first_total=$(( first_total + ${first:-0} )); rss_total=$(( rss_total + rss ))
done
printf 'mean of %d: first frame %d ms, resident after connect %d MiB\n' "$runs" \
  $(( first_total / runs )) $(( rss_total / runs / 1024 ))
