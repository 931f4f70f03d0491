#!/usr/bin/env bash
# Runs every benchmark and writes docs/performance.md from what they print:
# each figure beside its goal and the reference it is measured against (the
# bare window for start-up and memory, the pauses the link mandates for
# transfers). Exits with 1 when a benchmark misses a goal; the document is
# written all the same.
#   bash scripts/benchmarks.sh [--quick] [--output FILE]
# --quick: fewer runs and smaller libraries, for a smoke run; it writes to
# stdout unless --output names a file, and never to docs/.
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${KESTA_BUILD_DIR:-$root/build}"
quick=""
output=""
while [ $# -gt 0 ]; do
  case "$1" in
    --quick) quick=1 ;;
    --output) output="$2"; shift ;;
    *) echo "usage: $0 [--quick] [--output FILE]" >&2; exit 2 ;;
  esac
  shift
done
if [ -z "$output" ] && [ -z "$quick" ]; then output="$root/docs/performance.md"; fi

cmake --build "$build" -j2 --target kesta-config kesta-virtual-mouse kesta_modules \
  bench-bare-window bench-device bench-transfer bench-macro bench-macro-window >/dev/null || exit 2

if [ -n "$quick" ]; then
  startup_runs=1; device_reps=1; transfer_reps=1; macro_args=(--quick)
else
  startup_runs=5; device_reps=3; transfer_reps=3; macro_args=()
fi

failed=()
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
run() { # name, command...: its table in $tmp/name; the name joins failed on a missed goal
  local name="$1"; shift
  echo "running $name ..." >&2
  "$@" >"$tmp/$name" 2>"$tmp/$name.err" || failed+=("$name")
}
run start-up env KESTA_BUILD_DIR="$build" KESTA_NO_BUILD=1 \
  bash "$root/scripts/measure-startup.sh" "$startup_runs"
run bench-device "$build/bin/bench-device" "$device_reps"
run bench-transfer env QT_QPA_PLATFORM=offscreen "$build/bin/bench-transfer" "$transfer_reps"
# The same with a slow disk: strace delays every sync of the process.
sync_delay_ms=10
if command -v strace >/dev/null; then
  run bench-transfer-slow-sync env QT_QPA_PLATFORM=offscreen "$build/bin/bench-transfer" \
    --sync-delay-ms "$sync_delay_ms" "$transfer_reps"
else
  echo "strace is not installed: skipping the transfers with $sync_delay_ms ms per sync" >&2
  echo "Not run: strace is not installed (\`scripts/install-deps.sh\` installs it)." \
    >"$tmp/bench-transfer-slow-sync"
fi
run bench-macro "$build/bin/bench-macro" "${macro_args[@]}"
run bench-macro-window env QT_QPA_PLATFORM=offscreen "$build/bin/bench-macro-window" "${macro_args[@]}"
startup="$(cat "$tmp/start-up")"
device="$(cat "$tmp/bench-device")"
transfer="$(cat "$tmp/bench-transfer")"
transfer_slow_sync="$(cat "$tmp/bench-transfer-slow-sync")"
if [ -z "$transfer_slow_sync" ]; then # strace could not trace (ptrace denied, ...)
  transfer_slow_sync="Not run: $(tail -n 1 "$tmp/bench-transfer-slow-sync.err" 2>/dev/null)"
fi
macro="$(cat "$tmp/bench-macro")"
macro_window="$(cat "$tmp/bench-macro-window")"

load="$(cut -d' ' -f1-3 /proc/loadavg)"
document() {
  cat <<EOF
# Performance

Written by \`scripts/benchmarks.sh\` on $(date -u +%Y-%m-%d) on a machine with $(nproc) cores
(load average $load while it ran), with the virtual mouse. Do not edit the
figures by hand: run the script again. Each figure stands beside its goal
and the reference it is measured against.$([ -n "$quick" ] && echo " Quick run: fewer repetitions, smaller libraries.")

## Start-up: \`scripts/measure-startup.sh [runs]\`

Starts \`kesta-config\` under a private Xvfb against the virtual mouse, and
the bare window (\`bench-bare-window\`: a widget window hosting a Qt Quick
scene of nine Qt Quick Controls, Basic style, with the same software
renderer) as the reference. The page is
usable when input comes back on after the first initialisation: the
design's protect timer keeps it off for one second from the first
\`initUI\`, also when the pages were still being built then.

$startup

## Settings writes

Counted by the tests, not timed: every operation writes each settings file it
changes once, before it returns. Saving the button page (\`mouseSetKeyMatrix\`,
33 keys) writes \`p1.bin\` once (\`tst_devicesettings::keyMatrixWritesItsProfileOnce\`).
Adding a macro or a folder to the library writes \`name.bin\` once, and so
do a batch import, a folder's rename and its delete however many folders they
touch (\`tst_macrotreemodel::listWritesWhateverTheLibrarySize\`).

## Device commands: \`build/bin/bench-device [repetitions]\`

Sends every command of both families to the virtual mouse (report length
32), then whole operations as the scene calls them, and compares each wall
time with the pauses the link mandates (two settle pauses of 128 ms around a
data phase, one after a frame without data, 120 ms after each output
report). Goal: a command that has to pause spends at least its pauses and
less than 5 % beyond them; one that must not pause takes less than half a
pause.

$device

## The window during transfers: \`build/bin/bench-transfer [--sync-delay-ms N] [repetitions]\`

Loads the real scene in the main window (\`QT_QPA_PLATFORM=offscreen\`,
software renderer) with the virtual mouse, turns the busy indicator on and
calls, from an event as a page does, a key-matrix save with a weapon key, a
DPI save, a macro send and a profile change (back and forth between two
profiles, every page sent). The settings writes are the same call with
nothing to send; a call without such a variant counts them in its overhead.
The frame and tick gaps are the longest between two frames or two ticks of a
16 ms timer while the command interface is in use; the goal judges the
longest frame gap over the whole call, settings writes included. The syncs
are the \`fdatasync\` and \`fsync\` calls the process made from the call
until the next repetition, on the GUI thread and on other threads, with
the time they took. Goal: frame gap over the whole call at most 50 ms, also
with $sync_delay_ms ms per sync; overhead below 5 %.

$transfer

With a slow disk: \`--sync-delay-ms $sync_delay_ms\` runs the same under
\`strace -f --seccomp-bpf\`, which delays every \`fdatasync\` and \`fsync\`
by $sync_delay_ms ms on entry (the kernel filters the other system calls,
which run untraced).

$transfer_slow_sync

## Macro library: \`build/bin/bench-macro [--quick] [repeats [items...]]\`

Builds libraries of ten macros a folder with their name lists written as a
batch import writes them, then in a fresh process opens the tree as the
editor does (the top, the check for folders sharing a list set, the rows a
view shows first), opens one folder, adds a macro and a folder, and walks
every folder's lists by name as the old editor did. The memory is what the
open added to the process. The open is judged by its CPU time: on a shared
machine the wall time beside it adds the wait for a core.

$macro

The same library in the window: \`build/bin/bench-macro-window [--quick]
[items...]\` starts the program on it and opens the settings tab, which makes
the settings page and opens the macro tree, up to the first frame after it.
The empty library is the reference: the goals are about what the macros add.
Times are CPU time of the process, the wall time beside them.

$macro_window
EOF
  if [ ${#failed[@]} -gt 0 ]; then
    printf '\nMissed a goal in this run: %s.\n' "${failed[*]}"
  fi
}

if [ -n "$output" ]; then
  document >"$output"
  echo "wrote $output" >&2
else
  document
fi
[ ${#failed[@]} -eq 0 ]
