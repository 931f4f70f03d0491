#!/usr/bin/env bash
# Measures cold starts of kesta-config against the virtual mouse beside its
# reference, the bare window (bench-bare-window: a widget window hosting a
# Qt Quick scene of nine Basic controls, the same renderer): the time from launch to the first
# frame, to the page being usable (input on again once the protect timer of
# the first initialisation ran out) and the resident memory once the mouse is
# connected, with the window shown and started to the tray (--hidden). Runs under a private Xvfb; prints one markdown table with the
# goal beside each figure and exits with 1 when one is missed.
#   bash scripts/measure-startup.sh [runs]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${KESTA_BUILD_DIR:-$root/build}"
runs="${1:-5}"
if [ -z "${KESTA_NO_BUILD:-}" ]; then
  bash "$root/scripts/install-deps.sh"
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
  cmake --build "$build" -j"$(nproc)" \
    --target kesta-config kesta-virtual-mouse kesta_modules bench-bare-window >/dev/null
fi

# The page is usable this long after the first initialisation turned input
# off and started its protect timer (the first "view: input disabled" after
# "Device Connect").
protect_ms=1000
usable_slack_ms=100
# Resident memory after the connect, at most this many times the bare
# window's (in hundredths): the window shown, and the tray-only start.
rss_goal_shown=130
rss_goal_hidden=120

work="$(mktemp -d)"
xvfb=""
trap '[ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null; rm -rf "$work"' EXIT
cp "$build/bin/kesta-config" "$work/"
cp -r "$build/bin/modules" "$work/"

Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }
rss_kib() { awk '/VmRSS/ {print $2}' "/proc/$1/status"; }

# The bare window: first frame and memory once it has settled.
bare_first=0; bare_rss=0
for run in $(seq "$runs"); do
  sync; echo 3 > /proc/sys/vm/drop_caches 2>/dev/null || true   # cold where allowed
  log="$work/bare$run.log"
  start=$(now_ms)
  "$build/bin/bench-bare-window" >"$log" 2>&1 &
  app=$!
  first=0
  for _ in $(seq 1000); do
    if grep -q "scene: first frame" "$log"; then first=$(( $(now_ms) - start )); break; fi
    sleep 0.01
  done
  sleep 1
  rss=$(rss_kib "$app")
  kill "$app"; wait "$app" 2>/dev/null || true
  bare_first=$(( bare_first + first )); bare_rss=$(( bare_rss + rss ))
done
bare_first=$(( bare_first / runs )); bare_rss=$(( bare_rss / runs ))

# kesta-config: first frame, connect, usable, memory after connect.
first_total=0; usable_total=0; after_connect_total=0; rss_total=0; worst_after_connect=0
for run in $(seq "$runs"); do
  sync; echo 3 > /proc/sys/vm/drop_caches 2>/dev/null || true
  log="$work/run$run.log"
  start=$(now_ms)
  LD_PRELOAD="$build/bin/libkesta-virtual-mouse.so" KESTA_VM_LOG=/dev/null \
    "$work/kesta-config" >"$log" 2>&1 &
  app=$!
  first=""; connect=""; locked=""; usable=""
  for _ in $(seq 1500); do
    now=$(( $(now_ms) - start ))
    if [ -z "$first" ] && grep -q "scene: first frame" "$log"; then first=$now; fi
    if [ -z "$connect" ] && grep -q "Device Connect" "$log"; then connect=$now; fi
    if [ -n "$connect" ]; then
      since=$(sed -n '/Device Connect/,$p' "$log" | grep -E "view: input (en|dis)abled" || true)
      if [ -z "$locked" ] && grep -q "disabled" <<<"$since"; then locked=$now; fi
      # Usable: input on again after the first initialisation turned it off.
      if [ -n "$locked" ] && tail -1 <<<"$since" | grep -q "enabled"; then
        usable=$now
        break
      fi
    fi
    sleep 0.01
  done
  sleep 1   # let the scene settle after connecting
  rss=$(rss_kib "$app")
  kill "$app"; wait "$app" 2>/dev/null || true
  after=$(( ${usable:-0} - ${locked:-0} ))
  printf 'run %d: first frame %5d ms, connect %5d ms, locked %5d ms, usable %5d ms (%d ms locked), resident %6d KiB\n' \
    "$run" "${first:-0}" "${connect:-0}" "${locked:-0}" "${usable:-0}" "$after" "$rss" >&2
  first_total=$(( first_total + ${first:-0} )); usable_total=$(( usable_total + ${usable:-0} ))
  after_connect_total=$(( after_connect_total + after )); rss_total=$(( rss_total + rss ))
  [ "$after" -gt "$worst_after_connect" ] && worst_after_connect=$after
done

# Started to the tray, as at login: memory once the mouse is connected.
hidden_total=0
for run in $(seq "$runs"); do
  log="$work/hidden$run.log"
  LD_PRELOAD="$build/bin/libkesta-virtual-mouse.so" KESTA_VM_LOG=/dev/null \
    "$work/kesta-config" --hidden >"$log" 2>&1 &
  app=$!
  for _ in $(seq 1500); do
    grep -q "Device Connect" "$log" && break
    sleep 0.01
  done
  sleep 2   # the first initialisation runs after the connect
  rss=$(rss_kib "$app")
  kill "$app"; wait "$app" 2>/dev/null || true
  printf 'tray-only run %d: resident %6d KiB\n' "$run" "$rss" >&2
  hidden_total=$(( hidden_total + rss ))
done
mean_hidden=$(( hidden_total / runs ))

mean_first=$(( first_total / runs )); mean_usable=$(( usable_total / runs ))
mean_after=$(( after_connect_total / runs )); mean_rss=$(( rss_total / runs ))
goal=$(( protect_ms + usable_slack_ms ))
verdict=met; [ "$worst_after_connect" -le "$goal" ] || verdict=MISSED
rss_verdict() { # resident, reference, goal in hundredths
  if [ "$2" -gt 0 ] && [ $(( $1 * 100 )) -le $(( $2 * $3 )) ]; then echo met; else echo MISSED; fi
}
shown_verdict=$(rss_verdict "$mean_rss" "$bare_rss" "$rss_goal_shown")
hidden_verdict=$(rss_verdict "$mean_hidden" "$bare_rss" "$rss_goal_hidden")
goal_x() { awk -v g="$1" 'BEGIN { printf "%.1fx", g / 100 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }

echo "| Start-up, mean of $runs | kesta-config | Bare window (reference) | Ratio | Goal |"
echo "|---|---|---|---|---|"
echo "| launch to the first frame | $mean_first ms | $bare_first ms | $(ratio "$mean_first" "$bare_first") | |"
echo "| launch to usable | $mean_usable ms | | | |"
echo "| input locked by the first initialisation (worst $worst_after_connect ms) | $mean_after ms | | | the protect timer's $protect_ms ms + $usable_slack_ms ms: $verdict |"
echo "| resident memory after the connect, window shown | $(( mean_rss / 1024 )) MiB | $(( bare_rss / 1024 )) MiB | $(ratio "$mean_rss" "$bare_rss") | at most $(goal_x "$rss_goal_shown"): $shown_verdict |"
echo "| resident memory after the connect, tray only (--hidden) | $(( mean_hidden / 1024 )) MiB | $(( bare_rss / 1024 )) MiB | $(ratio "$mean_hidden" "$bare_rss") | at most $(goal_x "$rss_goal_hidden"): $hidden_verdict |"
[ "$verdict" = met ] && [ "$shown_verdict" = met ] && [ "$hidden_verdict" = met ]
