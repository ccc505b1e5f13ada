#!/usr/bin/env bash
# What a person's mouse does, with real X events: the brush cursor follows the pointer into
# the view and goes when it leaves; a right-button chord runs its
# handler and opens no pop-up; a plain right click opens one; the rectangle selects faces
# in either order of pressing its buttons and keeps them in either order of letting go.
# Usage: input_outcomes.sh TEVRIN DATA_FOLDER
source "$(dirname "$(realpath "$0")")/input_session.sh" "$@"

# shot NAME: the screen around the pointer's spot, without the pointer.
shot() {
    xdotool mousemove $((X + 5)) $((Y + HEIGHT - 5))
    sleep 0.8
    import -window root -display "$DISPLAY" -crop 400x300+$((cx - 200))+$((cy - 150)) "$XS_WORK/$1.png"
}
# differ A B: the two shots differ in more than a few pixels.
differ() { [ "$(compare -metric AE "$XS_WORK/$1.png" "$XS_WORK/$2.png" null: 2>&1 | cut -d' ' -f1)" -gt 50 ]; }
popup_wait() {
    local i
    for i in $(seq 30); do [ "$(xs_popups)" -gt 0 ] && return 0; sleep 0.1; done
    return 1
}

# The brush cursor of the start-up brush: drawn where the pointer stands in the view, gone
# once the pointer has left the view (for the menu bar), back with the next move inside.
crop() { import -window root -display "$DISPLAY" -crop 400x300+$((cx - 200))+$((cy - 150)) "$XS_WORK/$1.png"; }
at() { xdotool mousemove "$1" "$2"; sleep 0.8; }
at "$cx" $((cy + 230)); crop cursor_elsewhere
at "$cx" "$cy"; crop cursor_in
at "$cx" $((Y + 5)); crop cursor_left
at $((cx + 10)) "$cy"; crop cursor_back
differ cursor_elsewhere cursor_in || fail "no brush cursor where the pointer stands in the view"
differ cursor_elsewhere cursor_left && fail "the brush cursor stayed after the pointer left the view"
differ cursor_elsewhere cursor_back || fail "the brush cursor did not come back with the pointer"

# A plain right click over the mesh opens a pop-up menu (so that "no pop-up" below means something).
xdotool mousemove "$cx" "$cy" click 3
popup_wait || fail "a plain right click opened no pop-up menu"
xdotool key Escape
sleep 0.5

# Alt+right drag: "Zoom 2" runs, and no pop-up opens whose rows the release could choose.
shot before_zoom
from=$(xs_log_lines)
xdotool mousemove "$cx" "$cy" keydown alt mousedown 3
sleep 0.3
[ "$(xs_popups)" = 0 ] || fail "Alt+right press opened a pop-up menu"
for i in 1 2 3 4 5 6; do xdotool mousemove_relative -- 0 15; sleep 0.05; done
xdotool mouseup 3 keyup alt
sleep 0.3
[ "$(xs_popups)" = 0 ] || { fail "a pop-up menu is open after the Alt+right drag"; xdotool key Escape; }
xs_wait_log "$from" '^Handler Zoom 2 \(' 10 || fail "Alt+right drag did not reach \"Zoom 2\""
shot after_zoom
differ before_zoom after_zoom || fail "Alt+right drag did not change the view"

# Ctrl+Shift+0 reaches "Repair TEV" (the shifted symbol is not the key).
from=$(xs_log_lines)
xdotool key ctrl+shift+0
xs_wait_log "$from" '^Handler Repair TEV \(' 10 || fail "Ctrl+Shift+0 did not reach \"Repair TEV\""

# The rectangle with the face-selection tool, each order of pressing and of letting go,
# on a cube subdivided twice (a stroke started by letting go of one button would change
# which of its faces are selected).
xdotool key shift+d
sleep 2
xdotool key shift+d
sleep 2
xdotool key v
sleep 0.5
rectangle() {
    local first=$1 second=$2 up_first=$3 up_second=$4
    xdotool mousemove $((cx - 150)) $((cy - 120)) mousedown "$first" sleep 0.2 mousedown "$second" sleep 0.2
    for i in 1 2 3 4 5 6; do xdotool mousemove_relative -- 50 40; sleep 0.05; done
    xdotool sleep 0.2 mouseup "$up_first" sleep 0.3 mouseup "$up_second" sleep 0.3
}
for order in "1 2 1 2" "1 2 2 1" "2 1 2 1" "2 1 1 2"; do
    what="buttons pressed ${order% * *}, let go ${order#* * }"
    xdotool key ctrl+d
    shot unselected
    from=$(xs_log_lines)
    rectangle $order
    xs_wait_log "$from" '^Handler Rectangular select \(' 10 || fail "$what: no \"Rectangular select\""
    shot "selected ${order}"
    differ unselected "selected ${order}" || fail "$what: no face selected"
    # Left first paints a selection at the start before the rectangle takes over, so each
    # order of pressing has its own outcome; the order of letting go changes nothing.
    differ "selected ${order% * *} ${order% * *}" "selected ${order}" && fail "$what: a selection other than letting go the other way"
done

finish "brush cursor, chords, pop-up and rectangle behave"
