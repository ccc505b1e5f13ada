#!/usr/bin/env bash
# An unattended run asks no one: File > Exit with a modified scene ends the process without
# saving, and says so on standard error.
# Usage: unattended_exit.sh PROGRAM MESH
set -u
PROGRAM=$1
MESH=$2
source "$(dirname "$0")/xsession.sh"
fail() { echo "FAIL: $*" >&2; exit 1; }

xs_start || exit 1
mkdir "$XS_WORK/scene"
cp "$MESH" "$XS_WORK/scene/low.obj"
xs_launch "$PROGRAM" "$XS_WORK/scene/low.obj" -unattended || fail "no main window"
# A change: every face selected, then subdivided. On a loaded machine the first keys may
# come before the window takes them: the subdivision is waited for, and asked again once.
from=$(xs_log_lines)
for attempt in 1 2; do
    xs_key "$XS_MAIN" ctrl+a
    sleep 0.5
    xs_key "$XS_MAIN" shift+d
    xs_wait_log "$from" "^Subdivide " 15 2>/dev/null && break
    [ "$attempt" = 2 ] && fail "the subdivision never happened"
done
sleep 1
xs_menu 0 -1   # Exit, the last entry of File
xs_wait_end 30 || { cat "$XS_WORK/program.log" >&2; fail "File > Exit left the unattended run running"; }
grep -q "Scene was modified" "$XS_WORK/program.log" && fail "the question was put to no one"
grep -q "not saved (unattended)" "$XS_WORK/program.log" || { cat "$XS_WORK/program.log" >&2; fail "standard error does not say the scene was not saved"; }
[ "$(ls "$XS_WORK/scene")" = low.obj ] || fail "files appeared beside the mesh: $(ls "$XS_WORK/scene")"
echo "unattended exit: ended without saving"
