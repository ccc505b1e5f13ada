#!/usr/bin/env bash
# Starts the program and quits it with Ctrl+Q (a real key through the X server) at a random
# moment from its first frame on, many times, optionally with the processors loaded: every
# run must end within a few seconds of its Ctrl+Q. A run that does not is named, with the
# stacks of its threads, and the script fails. Prints the runs, the load and the longest exit.
# Usage: quit_stress.sh PROGRAM [RUNS] [LOAD]   (LOAD: busy processes beside it; default 0)
set -u
PROGRAM=$1
RUNS=${2:-12}
LOAD=${3:-0}
LIMIT=10   # seconds from Ctrl+Q to the end of the process
source "$(dirname "$0")/xsession.sh"
fail() { echo "FAIL: $*" >&2; exit 1; }

LOADERS=()
stop_load() { local p; for p in "${LOADERS[@]}"; do kill "$p" 2>/dev/null; done; LOADERS=(); }

xs_start || exit 1
trap 'stop_load; xs_stop' EXIT
# The first start asks for the folders: answered here, before the runs are timed.
xs_launch "$PROGRAM" || fail "no main window at the first start"
xs_dismiss_welcome || fail "the welcome window stays"
xs_quit 30 || fail "the first start did not end on Alt+F4"

for _ in $(seq "$LOAD"); do
    ( while :; do :; done ) &
    LOADERS+=($!)
done

# The first visible main window of the program, polled every 20 ms.
first_frame() {
    local i id
    for i in $(seq 1500); do
        kill -0 "$XS_PID" 2>/dev/null || return 1
        for id in $(xdotool search --onlyvisible --pid "$XS_PID" 2>/dev/null); do
            xdotool getwindowname "$id" 2>/dev/null | grep -q "^$XS_TITLE" && { echo "$id"; return 0; }
        done
        sleep 0.02
    done
    return 1
}

longest=0
for run in $(seq "$RUNS"); do
    : >"$XS_WORK/program.log"
    "$PROGRAM" >>"$XS_WORK/program.log" 2>&1 &
    XS_PID=$!
    window=$(first_frame) || { cat "$XS_WORK/program.log" >&2; fail "run $run: no main window"; }
    # 0 to 1.5 s after the first frame, in steps of 10 ms.
    delay=$(printf '0.%02d' $((RANDOM % 100)))
    [ $((RANDOM % 2)) -eq 0 ] && delay=$(awk -v d="$delay" 'BEGIN { print d * 1.5 }')
    sleep "$delay"
    xdotool windowactivate --sync "$window" 2>/dev/null || true
    start=$(date +%s%N)
    xdotool key --clearmodifiers ctrl+q
    ended=0
    for i in $(seq $((LIMIT * 50))); do
        kill -0 "$XS_PID" 2>/dev/null || { ended=1; break; }
        sleep 0.02
    done
    if [ "$ended" = 0 ]; then
        echo "run $run: Ctrl+Q ${delay}s after the first frame; the process still runs ${LIMIT}s later" >&2
        tail -5 "$XS_WORK/program.log" >&2
        gdb -p "$XS_PID" -batch -ex "thread apply all bt 12" 2>/dev/null | grep -E '^(Thread|#)' >&2
        kill -9 "$XS_PID" 2>/dev/null
        fail "run $run did not end"
    fi
    wait "$XS_PID"
    code=$?
    took=$((($(date +%s%N) - start) / 1000000))
    [ "$took" -gt "$longest" ] && longest=$took
    [ "$code" = 0 ] || { tail -20 "$XS_WORK/program.log" >&2; fail "run $run ended with code $code"; }
    grep -q "Main window deleted. The end." "$XS_WORK/program.log" || fail "run $run ended without its shutdown"
    echo "run $run: Ctrl+Q ${delay}s after the first frame, ended in ${took} ms"
done
XS_PID=
echo "quit stress: $RUNS runs, load $LOAD busy processes on $(nproc) processors, longest exit ${longest} ms"
