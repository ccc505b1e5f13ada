#!/usr/bin/env bash
# The view's face selection and hiding as a person meets them, with real X events: a
# rectangle drawn over part of a flat grid with the Faces tool selects the faces under it
# (not faces some way above or beside it), and faces hidden and shown again (U, and
# Display > Show All) take a Soft stroke.
# Usage: view_selection.sh TEVRIN DATA_FOLDER

# A flat grid of 16 x 16 faces, two units wide, facing the start-up camera.
write_mesh() {
    awk 'BEGIN { n = 16
        for (j = 0; j <= n; j++) for (i = 0; i <= n; i++) printf "v %g %g 0\n", i / n * 2 - 1, j / n * 2 - 1
        for (j = 0; j < n; j++) for (i = 0; i < n; i++) {
            a = j * (n + 1) + i + 1; printf "f %d %d %d %d\n", a, a + 1, a + n + 2, a + n + 1 } }' >"$1"
}
source "$(dirname "$(realpath "$0")")/input_session.sh" "$@"

# shot NAME: the whole screen, the pointer parked on the menu bar (off the view, so no
# brush cursor is drawn).
shot() {
    xdotool mousemove $((X + WIDTH / 2)) $((Y + 5))
    sleep 1
    import -window root -display "$DISPLAY" "$XS_WORK/$1.png"
}
# changed A B: the box (x0 y0 x1 y1) of the pixels around the grid that differ between two
# shots by more than a redraw's rounding, or nothing. (The panels and the status bar change
# with the commands too.)
changed() {
    local box shot region="$((gw + 80))x$((gh + 80))+$((gx - 40))+$((gy - 40))"
    for shot in "$1" "$2"; do convert "$XS_WORK/$shot.png" -crop "$region" +repage "$XS_WORK/$shot.grid.png"; done
    box=$(compare -fuzz 3% "$XS_WORK/$1.grid.png" "$XS_WORK/$2.grid.png" -compose src -highlight-color white \
        -lowlight-color black png:- 2>/dev/null | convert png:- -trim -format '%w %h %X %Y' info: 2>/dev/null)
    read -r w h x y <<<"$box"
    [ -n "${w:-}" ] && [ "$w" -gt 1 ] && echo "$((gx - 40 + x)) $((gy - 40 + y)) $((gx - 40 + x + w - 1)) $((gy - 40 + y + h - 1))"
}
# near A B TOLERANCE: |A - B| <= TOLERANCE.
near() { local d=$(($1 - $2)); [ "${d#-}" -le "$3" ]; }

# The grid on the screen: the pixels of its flat colour, without the few of the texts
# around that come near it.
shot start
read -r gw gh gx gy <<<"$(convert "$XS_WORK/start.png" -fuzz 0 -fill black -opaque white \
    -fuzz 4% -fill white -opaque 'rgb(159,135,114)' -fuzz 0 -fill black +opaque white \
    -morphology Open Square:4 -trim -format '%w %h %X %Y' info:)"
[ "${gw:-0}" -gt 160 ] && [ "${gh:-0}" -gt 160 ] || { fail "no grid found on the screen (${gw:-?}x${gh:-?})"; finish ""; }
face=$((gh / 16))

# A rectangle over a part of the grid's inside, drawn with the middle button first (the
# left button alone would paint a selection at the start), let go left first.
xdotool key v
sleep 0.5
xdotool key ctrl+d
shot unselected
x0=$((gx + gw * 35 / 100)) y0=$((gy + gh * 30 / 100))
x1=$((gx + gw * 70 / 100)) y1=$((gy + gh * 62 / 100))
rectangle() {
    xdotool mousemove "$x0" "$y0" mousedown 2 sleep 0.2 mousedown 1 sleep 0.2
    for i in 1 2 3 4 5 6; do xdotool mousemove $((x0 + (x1 - x0) * i / 6)) $((y0 + (y1 - y0) * i / 6)); sleep 0.05; done
    xdotool sleep 0.2 mouseup 1 sleep 0.3 mouseup 2 sleep 0.3
}
from=$(xs_log_lines)
rectangle
xs_wait_log "$from" '^Handler Rectangular select \(' 10 || fail "no \"Rectangular select\""
shot selected
box=$(changed unselected selected)
if [ -z "$box" ]; then
    fail "the rectangle selected no face"
else
    read -r sx0 sy0 sx1 sy1 <<<"$box"
    # The faces whose centres lie inside: they reach at most half a face beyond each side
    # and come within half a face of it.
    for side in "left $sx0 $x0" "top $sy0 $y0" "right $sx1 $x1" "bottom $sy1 $y1"; do
        read -r name got want <<<"$side"
        near "$got" "$want" "$face" || fail "the selection's $name edge is at $got, the rectangle's at $want"
    done
fi

# Hide the selected faces, show them again, and stroke across them with the Soft brush
# (from the middle of where they were hidden, across half of it): once with U, once with
# Display > Show All.
# Sets sx, sy (the start) and ex (the end, on the same row).
stroke() {
    local hx0=$1 hy0=$2 hx1=$3 hy1=$4
    sx=$(((hx0 + hx1) / 2 - (hx1 - hx0) / 4)) sy=$(((hy0 + hy1) / 2)) ex=$((sx + (hx1 - hx0) / 2))
    xdotool mousemove "$sx" "$sy" mousedown 1
    for i in 1 2 3 4 5 6 7 8; do xdotool mousemove $((sx + (ex - sx) * i / 8)) "$sy"; sleep 0.05; done
    xdotool mouseup 1
}
for how in key menu; do
    xdotool key v
    sleep 0.3
    xdotool key h
    sleep 1
    shot "hidden_$how"
    hidden=$(changed selected "hidden_$how")
    [ -n "$hidden" ] || { fail "$how: H hid nothing"; continue; }
    if [ "$how" = key ]; then xdotool key u; else xs_menu 5 5; fi
    sleep 1.5
    xdotool key ctrl+d
    xdotool key 1
    # The first import made the brush as weak as it is small against this grid: a dozen
    # steps stronger (once, the tool keeps it) make the stroke's rise stand out in the shots.
    if [ "$how" = key ]; then for i in $(seq 12); do xdotool key apostrophe; sleep 0.05; done; fi
    sleep 0.5
    shot "shown_$how"
    from=$(xs_log_lines)
    stroke $hidden
    xs_wait_log "$from" '^Stroke: ' 10 || fail "$how: a stroke across the faces shown again did not start"
    shot "stroked_$how"
    box=$(changed "shown_$how" "stroked_$how")
    read -r bx0 by0 bx1 by1 <<<"${box:-0 0 -1 -1}"
    # The surface rises along the stroke's path (its last dabs may rise too little to show),
    # not elsewhere.
    mx=$(((sx + ex) / 2))
    [ "$bx0" -le "$sx" ] && [ "$bx1" -ge "$mx" ] && [ "$by0" -le "$sy" ] && [ "$by1" -ge "$sy" ] &&
        [ "$bx0" -ge $((sx - 3 * face)) ] && [ "$bx1" -le $((ex + 3 * face)) ] ||
        fail "$how: the stroke from ($sx, $sy) to ($ex, $sy) across the faces shown again changed ${box:-nothing}"
    xdotool key ctrl+z
    sleep 1
    # Back to the selection the rectangle made, for the next round.
    xdotool key v
    sleep 0.3
    rectangle
    sleep 0.5
done

finish "a rectangle selects the faces under it; faces shown again take a stroke"
