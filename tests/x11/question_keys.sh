#!/usr/bin/env bash
# A key whose command opens a question or a file window acts again at its very next press
# once that window was closed by its title bar's close button or by Alt+F4: neither gives
# the main window the key's release (the window took it), nor any key at all.
# Usage: question_keys.sh TEVRIN DATA_FOLDER
source "$(dirname "$(realpath "$0")")/input_session.sh" "$@"

# A stroke on the cube: the modified scene makes New Scene ask.
xdotool mousemove $((cx - 60)) "$cy" mousedown 1
for i in 1 2 3 4 5 6; do xdotool mousemove_relative -- 20 5; sleep 0.05; done
xdotool mouseup 1
sleep 1

# close_by HOW ID: "button" clicks the close button at the right end of the window manager's
# title bar; "alt+F4" is the window manager's close key.
close_by() {
    local how=$1 id=$2 x y width
    xdotool windowactivate --sync "$id" 2>/dev/null || true
    if [ "$how" = button ]; then
        # The frame's title bar lies above the window's own area; its last button closes.
        x=$(xwininfo -id "$id" | awk '/Absolute upper-left X/ { print $4 }')
        y=$(xwininfo -id "$id" | awk '/Absolute upper-left Y/ { print $4 }')
        width=$(xwininfo -id "$id" | awk '/Width:/ { print $2 }')
        xdotool mousemove $((x + width - 8)) $((y - 10)) click 1
    else
        xdotool key --clearmodifiers alt+F4
    fi
}

# KEY TITLE: the command's key and the title of the window it opens.
for pair in "ctrl+n|New scene" "ctrl+o|Open file" "ctrl+shift+s|Choose a file"; do
    key=${pair%%|*}
    title=${pair#*|}
    for how in button alt+F4; do
        xs_key "$XS_MAIN" "$key"
        id=$(xs_wait_window "^$title\$" 10) || { fail "$key opened no '$title'"; continue; }
        sleep 0.3
        close_by "$how" "$id"
        xs_wait_gone "^$title\$" 5 || { fail "'$title' stays open after $how"; xdotool key --window "$id" Escape; continue; }
        sleep 0.3
        # One press.
        xs_key "$XS_MAIN" "$key"
        if id=$(xs_wait_window "^$title\$" 5 2>/dev/null); then
            xs_key "$id" Escape
            xs_wait_gone "^$title\$" 5 || fail "'$title' stays open after Escape"
            echo "$key: '$title' closed by $how, the next press opens it again"
        else
            fail "$key did nothing at its first press after '$title' was closed by $how"
            # The press after it acts: the window it opens is closed for the next case.
            xs_key "$XS_MAIN" "$key"
            id=$(xs_wait_window "^$title\$" 5 2>/dev/null) && { xs_key "$id" Escape; xs_wait_gone "^$title\$" 5; }
        fi
        sleep 0.3
    done
done
kill -0 "$XS_PID" 2>/dev/null || fail "the program ended"
finish "PASS"
