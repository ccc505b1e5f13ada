#!/usr/bin/env bash
# Starts the program (unattended, with the settings folder of an earlier start) and quits it
# with Ctrl+Q, a real key through the X server, at a random moment from the showing of its
# main window on (the program's own console line, read as it comes), many times, optionally
# with the processors loaded: every run must end within a few seconds of its window closing.
# The key goes to the window that has the focus, without activating the main window first,
# and again every poll until the program says its window closed: keys that came before the
# window took the focus change nothing, and the first one it takes may still come while the
# start handles its events before the event loop runs.
# A run that does not end is named, with the stacks of its threads, and the script fails.
# Prints each run's moments (from the process start) of the window shown, the first key and
# the close, and the runs, the load and the longest exit.
# Usage: quit_stress.sh PROGRAM [RUNS] [LOAD] [LATEST]
#   LOAD: busy processes beside it (default 0); LATEST: the latest first key, in ms after the
#   window is shown (default 1500; each run's moment is drawn evenly from 0 to LATEST); 0 sends
#   keys from the start of the process on, so the first key the window can take reaches it.
set -u
PROGRAM=$1
RUNS=${2:-12}
LOAD=${3:-0}
LATEST=${4:-1500}
LIMIT=10   # seconds from the window going away to the end of the process
source "$(dirname "$0")/xsession.sh"
fail() { echo "FAIL: $*" >&2; exit 1; }

LOADERS=()
stop_load() { local p; for p in "${LOADERS[@]}"; do kill "$p" 2>/dev/null; done; LOADERS=(); }

xs_start || exit 1
trap 'stop_load; xs_stop' EXIT
# The first start asks for the folders and writes the settings folder: answered here, before
# the runs are timed.
xs_launch "$PROGRAM" || fail "no main window at the first start"
xs_dismiss_welcome || fail "the welcome window stays"
xs_quit 30 || fail "the first start did not end on Alt+F4"

for _ in $(seq "$LOAD"); do
    ( while :; do :; done ) &
    LOADERS+=($!)
done

now_ms() { echo $(($(date +%s%N) / 1000000)); }

shown_yet() {  # "yes" once the program said it showed its main window
    grep -q '^Main window shown' "$XS_WORK/program.log" 2>/dev/null && echo yes
}

longest=0
for run in $(seq "$RUNS"); do
    : >"$XS_WORK/program.log"
    "$PROGRAM" -unattended >>"$XS_WORK/program.log" 2>&1 &
    XS_PID=$!
    started=$(now_ms)
    delay=$((RANDOM % (LATEST + 1)))
    # Ctrl+Q from the delay after the program shows its main window on (with LATEST 0 from
    # the start of the process on), again every poll until the program says its window closed.
    limit=$((started + 60000))
    shown= first= keys=0
    while :; do
        kill -0 "$XS_PID" 2>/dev/null || break
        grep -q '^Main window closed' "$XS_WORK/program.log" && break
        [ "$(now_ms)" -lt "$limit" ] || break
        [ -z "$shown" ] && [ -n "$(shown_yet)" ] && shown=$(($(now_ms) - started))
        if [ "$LATEST" = 0 ] || { [ -n "$shown" ] && [ $(($(now_ms) - started - shown)) -ge "$delay" ]; }; then
            [ -z "$first" ] && first=$(($(now_ms) - started))
            xdotool key --clearmodifiers ctrl+q 2>/dev/null
            keys=$((keys + 1))
        fi
        sleep 0.01
    done
    gone=$(now_ms)
    grep -q '^Main window closed' "$XS_WORK/program.log" || {
        tail -5 "$XS_WORK/program.log" >&2
        fail "run $run: the main window did not close (shown: ${shown:-never}, $keys Ctrl+Q)"
    }
    ended=0
    for i in $(seq $((LIMIT * 50))); do
        kill -0 "$XS_PID" 2>/dev/null || { ended=1; break; }
        sleep 0.02
    done
    if [ "$ended" = 0 ]; then
        echo "run $run: window shown at ${shown:-?} ms, first Ctrl+Q at ${first} ms ($keys sent), closed at $((gone - started)) ms; the process still runs ${LIMIT}s later" >&2
        tail -5 "$XS_WORK/program.log" >&2
        gdb -p "$XS_PID" -batch -ex "thread apply all bt 12" 2>/dev/null | grep -E '^(Thread|#)' >&2
        kill -9 "$XS_PID" 2>/dev/null
        wait "$XS_PID" 2>/dev/null
        XS_PID=
        fail "run $run did not end"
    fi
    wait "$XS_PID"
    code=$?
    took=$(($(now_ms) - gone))
    [ "$took" -gt "$longest" ] && longest=$took
    [ "$code" = 0 ] || { tail -20 "$XS_WORK/program.log" >&2; fail "run $run ended with code $code"; }
    grep -q "Main window deleted. The end." "$XS_WORK/program.log" || fail "run $run ended without its shutdown"
    # Whether the close came while the start still ran, before its event loop.
    when=$(awk '/^Main window closed\./ { if (!c) c = NR } /entering the loop/ { l = NR }
                END { print (c && (!l || c < l)) ? "during the start" : "in the event loop" }' "$XS_WORK/program.log")
    echo "run $run: window shown at ${shown:-?} ms, first Ctrl+Q at ${first} ms ($keys sent), closed at $((gone - started)) ms $when, ended ${took} ms later"
done
XS_PID=
echo "quit stress: $RUNS runs, first keys from 0 to ${LATEST} ms after the window was shown (0: from the start), load $LOAD busy processes on $(nproc) processors, longest exit ${longest} ms"
