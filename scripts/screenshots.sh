#!/usr/bin/env bash
# Renders the main page, each tab and each overlay of the real program (its
# scene, view host and operations against the virtual mouse) to PNG files in
# docs/screenshots/, under a private Xvfb.
#   bash scripts/screenshots.sh [--language <name>] [output folder]
# The language by its file's name under modules/i18n (German,
# ChineseSimplified, ...); KESTA_LANGUAGE does the same. English by default.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${KESTA_BUILD_DIR:-$root/build}"
language="${KESTA_LANGUAGE:-}"
if [ "${1:-}" = "--language" ]; then
  language="${2:?--language needs a name, e.g. German}"
  shift 2
fi
if [ -n "$language" ] && [ ! -f "$root/modules/i18n/$language.ini" ]; then
  echo "screenshots: no language file modules/i18n/$language.ini" >&2
  exit 2
fi
out="${1:-$root/docs/screenshots}"
bash "$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target scene_screenshots >/dev/null

work="$(mktemp -d)"
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true; rm -rf "$work"' EXIT
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"
mkdir -p "$out"
args=()
if [ -n "$language" ]; then args=(--language "$language"); fi
KESTA_SOURCE_DIR="$root" QT_QUICK_BACKEND=software "$build/tests/bin/scene_screenshots" "${args[@]}" "$out"
