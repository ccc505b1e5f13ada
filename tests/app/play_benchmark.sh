#!/usr/bin/env bash
# Plays a recorded benchmark script through the built program, as CI does: under a virtual
# X server (the window needs OpenGL, which the offscreen platform lacks), with -unattended
# so that no notice or report window waits for a person. The run must end by itself with
# exit code 0 and print its report.
# Usage: play_benchmark.sh TEVRIN DATA_FOLDER
set -euo pipefail
if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi
program=$(realpath "$1")
data=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home" "$work/run"
# A path with a blank: the script's quotes keep it whole.
cp "$data/obj/assimp_cube.obj" "$work/run/a cube.obj"
cat >"$work/run/benchmark" <<SCRIPT
comment words and 12 numbers are skipped
sectionstart "import"
importobj "$work/run/a cube.obj" 0 0 0
sectionend
sectionstart "select and subdivide"
keypress 0 67108864 65
keyrelease 0 67108864 65
keypress 0 33554432 68
keyrelease 0 33554432 68
inputmove 0 0 0 1 0.5 0.5 0
inputbutton 1 0 0 1 0.5 0.5 0 1
inputmove 1 0 0 0.8 0.55 0.5 0
inputbutton 0 0 0 1 0.55 0.5 0 0
keypress 0 67108864 90
keyrelease 0 67108864 90
sectionend
SCRIPT
run() {
    cd "$work/run"
    # The GLX libraries are unloaded before the leak check, which then cannot name their
    # process-lifetime allocations: leaks are checked by the in-process tests instead.
    env HOME="$work/home" XDG_CONFIG_HOME="$work/home/config" XDG_DATA_HOME="$work/home/data" \
        TMPDIR="$work/home" QT_QPA_PLATFORM=xcb ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 \
        timeout 300 "$program" -benchmark -unattended
}
# The notice before the playback waits for nobody: it is printed to standard error.
if ! report=$(run 2>"$work/errors"); then
    cat "$work/errors" >&2
    exit 1
fi
cat "$work/errors" >&2
echo "$report"
grep -q '^Orvexa Tevrin 1.0: Tevrin will open in benchmarking mode' "$work/errors"
grep -q '^import: .* secs$' <<<"$report"
grep -q '^select and subdivide: .* secs$' <<<"$report"
grep -q '^Overall score: [0-9]*$' <<<"$report"
