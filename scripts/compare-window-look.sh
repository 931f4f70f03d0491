#!/usr/bin/env bash
# Compares how two builds of kesta-config look on a compositing desktop: each
# runs against the virtual mouse under a private Xvfb with xcompmgr (which
# blends translucent windows over what lies behind them), and the whole
# screen is captured with the window shown, moved, grown and shrunk. Plain
# Xvfb has no compositor, so there a translucent window's pixels that its
# scene leaves uncovered (the rounded corners) cannot be told from clear ones.
#   bash scripts/compare-window-look.sh <kesta-config A> <kesta-config B> [output folder]
# Needs the Debian packages xcompmgr, x11-utils, x11-xserver-utils, xdotool and
# imagemagick. Prints the differing pixels of each capture; exits with 1 when
# one differs.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${KESTA_BUILD_DIR:-$root/build}"
a="$(realpath "${1:?first kesta-config}")"
b="$(realpath "${2:?second kesta-config}")"
out="${3:-$(mktemp -d)}"
mkdir -p "$out"
for tool in Xvfb xcompmgr xsetroot xdotool xwininfo import compare; do
  command -v "$tool" >/dev/null || { echo "compare-window-look: $tool is missing" >&2; exit 2; }
done

capture() { # binary, name
  local work xvfb comp app top
  work="$(mktemp -d)"
  cp "$1" "$work/kesta-config"
  cp -r "$build/bin/modules" "$work/"
  Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
  xvfb=$!
  for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
  export DISPLAY=":$(cat "$work/display")"
  xsetroot -solid "#808080"
  xcompmgr >/dev/null 2>&1 &
  comp=$!
  sleep 0.5
  (cd "$work" && exec env LD_PRELOAD="$build/bin/libkesta-virtual-mouse.so" KESTA_VM_LOG=/dev/null \
    ./kesta-config >"$work/log" 2>&1) &
  app=$!
  # Usable: input on again after the first initialisation turned it off.
  for _ in $(seq 1500); do
    since=$(sed -n '/Device Connect/,$p' "$work/log" | grep -E "view: input (en|dis)abled" || true)
    grep -q disabled <<<"$since" && tail -1 <<<"$since" | grep -q enabled && break
    sleep 0.01
  done
  sleep 1.5
  xdotool mousemove 1910 1070
  sleep 0.5
  import -window root "$out/$2-shown.png"
  # The window itself, not the view's window inside it.
  top=""
  for w in $(xdotool search --pid "$app" 2>/dev/null); do
    xwininfo -tree -id "$w" | grep -q "Parent window id: .*(the root window)" &&
      xwininfo -id "$w" | grep -q "Map State: IsViewable" && top=$w
  done
  xdotool windowmove "$top" 300 200; sleep 1
  import -window root "$out/$2-moved.png"
  xdotool windowsize "$top" 1500 844; sleep 1.5
  import -window root "$out/$2-grown.png"
  xdotool windowsize "$top" 1000 562; sleep 1.5
  import -window root "$out/$2-shrunk.png"
  kill "$app"; wait "$app" 2>/dev/null || true
  kill "$comp" "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}

capture "$a" a
capture "$b" b
status=0
for shot in shown moved grown shrunk; do
  differing=$(compare -metric AE "$out/a-$shot.png" "$out/b-$shot.png" null: 2>&1 || true)
  echo "$shot: $differing differing pixels"
  [ "$differing" = 0 ] || status=1
done
echo "captures in $out"
exit $status
