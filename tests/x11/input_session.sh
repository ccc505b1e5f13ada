# The start shared by the input scripts: arguments TEVRIN DATA_FOLDER, a failure counter,
# and the program on a cube under a window manager whose Alt+button drags are freed, with
# the "test" switch (the log names the handler each chord reaches). Sets X, Y, WIDTH,
# HEIGHT (the main window) and cx, cy (a point on the view, over the cube).
set -uo pipefail
program=$(realpath "$1")
data=$(realpath "$2")
source "$(dirname "$(realpath "${BASH_SOURCE[0]}")")/xsession.sh"

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# The window manager's Alt+button drags are freed by xs_start (XS_WM_ALT_DRAGS=1 keeps
# them, to see which chords they take).
xs_start || exit 1
# A script that defines write_mesh FILE before sourcing this one opens that mesh instead.
if declare -F write_mesh >/dev/null; then
    write_mesh "$XS_WORK/cube.obj"
else
    cp "$data/obj/assimp_cube.obj" "$XS_WORK/cube.obj"
fi
xs_launch "$program" "$XS_WORK/cube.obj" -test || exit 1
xs_dismiss Welcome 5
eval "$(xdotool getwindowgeometry --shell "$XS_MAIN")"
cx=$((X + WIDTH / 2))
cy=$((Y + HEIGHT / 2))

# finish WHAT: the script's verdict.
finish() {
    if [ "$failures" -gt 0 ]; then
        echo "$failures check(s) failed; log and shots in $XS_WORK" >&2
        XS_KEEP=1
        exit 1
    fi
    echo "$1"
}
