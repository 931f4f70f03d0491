#!/usr/bin/env bash
# Measures cold starts of kesta-config against the virtual mouse beside its
# reference, the bare window (bench-bare-window: a widget window hosting a
# Qt Quick scene of nine Basic controls, the same renderer): the time from
# launch to the first frame, to the page being usable (input on again once
# the protect timer of the first initialisation ran out) and the resident
# memory once the mouse is connected, with the window shown and started to
# the tray (--hidden). Runs under a private Xvfb; prints one markdown table
# of medians with the goal beside each figure and exits with 1 when one is
# missed.
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

median() { sort -n | awk '{ v[NR] = $1 } END { if (NR == 0) print 0; else if (NR % 2) print v[(NR + 1) / 2]; else print int((v[NR / 2] + v[NR / 2 + 1]) / 2) }'; }

# Each round starts the bare window, kesta-config shown and kesta-config to
# the tray in turn, so that the load of a shared machine falls on all three
# alike; each figure is the median of its rounds.
bare_firsts=(); bare_rsss=(); firsts=(); usables=(); afters=(); rsss=(); hiddens=()
worst_after_connect=0
for run in $(seq "$runs"); do
  # The bare window: first frame and memory once it has settled.
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
  printf 'bare run %d: first frame %5d ms, resident %6d KiB\n' "$run" "$first" "$rss" >&2
  bare_firsts+=("$first"); bare_rsss+=("$rss")

  # kesta-config: first frame, connect, usable, memory after connect.
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
  firsts+=("${first:-0}"); usables+=("${usable:-0}"); afters+=("$after"); rsss+=("$rss")
  [ "$after" -gt "$worst_after_connect" ] && worst_after_connect=$after

  # Started to the tray, as at login: memory once the mouse is connected.
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
  hiddens+=("$rss")
done

of() { printf '%s\n' "$@" | median; }
bare_first=$(of "${bare_firsts[@]}"); bare_rss=$(of "${bare_rsss[@]}")
med_first=$(of "${firsts[@]}"); med_usable=$(of "${usables[@]}")
med_after=$(of "${afters[@]}"); med_rss=$(of "${rsss[@]}"); med_hidden=$(of "${hiddens[@]}")
goal=$(( protect_ms + usable_slack_ms ))
verdict=met; [ "$worst_after_connect" -le "$goal" ] || verdict=MISSED
rss_verdict() { # resident, reference, goal in hundredths
  if [ "$2" -gt 0 ] && [ $(( $1 * 100 )) -le $(( $2 * $3 )) ]; then echo met; else echo MISSED; fi
}
shown_verdict=$(rss_verdict "$med_rss" "$bare_rss" "$rss_goal_shown")
hidden_verdict=$(rss_verdict "$med_hidden" "$bare_rss" "$rss_goal_hidden")
goal_x() { awk -v g="$1" 'BEGIN { printf "%.1fx", g / 100 }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }

echo "| Start-up, median of $runs | kesta-config | Bare window (reference) | Ratio | Goal |"
echo "|---|---|---|---|---|"
echo "| launch to the first frame | $med_first ms | $bare_first ms | $(ratio "$med_first" "$bare_first") | |"
echo "| launch to usable | $med_usable ms | | | |"
echo "| input locked by the first initialisation (worst $worst_after_connect ms) | $med_after ms | | | the protect timer's $protect_ms ms + $usable_slack_ms ms: $verdict |"
echo "| resident memory after the connect, window shown | $(( med_rss / 1024 )) MiB | $(( bare_rss / 1024 )) MiB | $(ratio "$med_rss" "$bare_rss") | at most $(goal_x "$rss_goal_shown"): $shown_verdict |"
echo "| resident memory after the connect, tray only (--hidden) | $(( med_hidden / 1024 )) MiB | $(( bare_rss / 1024 )) MiB | $(ratio "$med_hidden" "$bare_rss") | at most $(goal_x "$rss_goal_hidden"): $hidden_verdict |"
[ "$verdict" = met ] && [ "$shown_verdict" = met ] && [ "$hidden_verdict" = met ]
