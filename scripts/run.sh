#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it.
# - With no configured mouse attached it runs against the virtual mouse.
# - With no display it runs under Xvfb for a few seconds and saves a screenshot.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${KESTA_BUILD_DIR:-$root/build}"
bash "$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target kesta-config kesta-virtual-mouse kesta_modules >/dev/null

bin="$build/bin"
program="$bin/kesta-config"

# Is a configured mouse present? Look for its vendor and product among hidraw nodes.
attached=no
for uevent in /sys/class/hidraw/hidraw*/device/uevent; do
  [ -e "$uevent" ] || continue
  if grep -qi 'HID_ID=.*:000004D9:0000A09F' "$uevent"; then attached=yes; fi
done

preload=()
if [ "$attached" = no ]; then
  vmdir="${XDG_RUNTIME_DIR:-/tmp}/kesta-vm-$(id -u)"
  mkdir -p "$vmdir"
  export KESTA_VM_CONTROL="$vmdir/control" KESTA_VM_LOG="$vmdir/wire.log" KESTA_VM_STATE="$vmdir/state"
  preload=(env LD_PRELOAD="$bin/libkesta-virtual-mouse.so")
  echo "No KESTA R218 attached: running against the virtual mouse (control: echo 'dpi 2' > $KESTA_VM_CONTROL, wire log: $KESTA_VM_LOG)"
fi

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "${preload[@]}" "$program" "$@"
fi

# No display: a private Xvfb with a tray, a few seconds of the program, a screenshot.
# Xvfb picks a free display itself and writes its number once it accepts
# clients; a server that did not come up ends the script.
displayfd="$(mktemp)"
Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$displayfd" >"$build/xvfb.log" 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true; rm -f "$displayfd"' EXIT
number=
for _ in $(seq 100); do
  if [ "$(wc -l <"$displayfd")" -ge 1 ]; then number="$(head -n 1 "$displayfd")"; break; fi
  kill -0 "$xvfb" 2>/dev/null || break
  sleep 0.1
done
if ! [[ "$number" =~ ^[0-9]+$ ]] || ! kill -0 "$xvfb" 2>/dev/null; then
  echo "run.sh: Xvfb did not start (log: $build/xvfb.log)" >&2
  exit 1
fi
export DISPLAY=":$number"
if ! xdpyinfo >/dev/null 2>&1; then
  echo "run.sh: Xvfb on $DISPLAY does not answer (log: $build/xvfb.log)" >&2
  exit 1
fi
trayer --edge top --align right --widthtype request --height 24 >/dev/null 2>&1 &
tray=$!
sleep 0.5
"${preload[@]}" "$program" "$@" >"$build/kesta-config.log" 2>&1 &
app=$!
sleep "${KESTA_RUN_SECONDS:-6}"
shot="$build/kesta-config-screenshot.png"
import -window root "$shot"
kill "$app" "$tray" 2>/dev/null || true
wait "$app" 2>/dev/null || true
echo "No display: ran kesta-config under Xvfb for ${KESTA_RUN_SECONDS:-6} s; screenshot: $shot (log: $build/kesta-config.log)"
