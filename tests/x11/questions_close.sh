#!/usr/bin/env bash
# The questions a person meets close by Escape and by their close button, with the answer
# that changes nothing: Move Levels Data keeps the levels in memory, New Scene keeps the
# scene, Exit keeps the program running.
# Usage: questions_close.sh TEVRIN DATA_FOLDER [SHOT_FOLDER]
source "$(dirname "$(realpath "$0")")/input_session.sh" "$@"
shots=${3:-}

# A subdivided cube with a stroke on it: Move Levels Data has levels to move, and the
# modified scene makes New Scene and Exit ask.
# On a loaded machine a key or a stroke can come before the window takes it: each is sent
# again until the log shows it was done.
for attempt in 1 2 3; do
    from=$(xs_log_lines)
    xdotool mousemove "$cx" "$cy"
    xs_key "$XS_MAIN" shift+d
    xs_wait_log "$from" "^Subdivide " 15 2>/dev/null && break
    [ "$attempt" = 3 ] && fail "the subdivision never happened"
done
sleep 1
for attempt in 1 2 3; do
    from=$(xs_log_lines)
    xdotool mousemove $((cx - 60)) "$cy" mousedown 1
    for i in 1 2 3 4 5 6; do xdotool mousemove_relative -- 20 5; sleep 0.05; done
    xdotool mouseup 1
    xs_wait_log "$from" "^Stroke: " 10 2>/dev/null && break
    [ "$attempt" = 3 ] && fail "the stroke never happened"
done
sleep 1

# The Mesh menu's rows (with their option boxes) take the pointer: its entry is clicked.
mesh_entry() {  # DOWNS
    xdotool windowactivate --sync "$XS_MAIN" 2>/dev/null || true
    xdotool mousemove --window "$XS_MAIN" "${XS_MENU_X[3]}" 10 click 1
    sleep 0.6
    xdotool mousemove --window "$XS_MAIN" 200 $((31 + 19 * $1)) sleep 0.3 click 1
}
# ask TITLE MENU ENTRY: opens the question through the menu; prints its window id.
ask() {
    local title=$1 id= try
    shift
    for try in 1 2 3; do
        if [ "$1" = 3 ]; then mesh_entry "$2"; else xs_menu "$@"; fi
        id=$(xs_wait_window "^$title\$" 8 2>/dev/null) && break
        xdotool key Escape Escape
    done
    [ -n "$id" ] && echo "$id"
}
# closes TITLE HOW MENU ENTRY: the question opens and goes by HOW (escape or close).
closes() {
    local title=$1 how=$2 id
    shift 2
    id=$(ask "$title" "$@") || { fail "'$title' did not open"; return 1; }
    [ "$how" = escape ] && [ -n "$shots" ] && [ "$title" = "Move Levels Data" ] &&
        xs_shot "$shots/move_levels_data.png"
    if [ "$how" = escape ]; then xs_key "$id" Escape; else xs_close_window "$id"; fi
    xs_wait_gone "^$title\$" 5 || { fail "'$title' stays open after $how"; xdotool key --window "$id" Return; return 1; }
    kill -0 "$XS_PID" 2>/dev/null || { fail "the program ended after $how in '$title'"; finish x; }
}

for how in escape close; do
    from=$(xs_log_lines)
    closes "Move Levels Data" "$how" 3 5
    sleep 0.5
    # The levels stay in memory: no swap to disk starts.
    tail -n +"$((from + 1))" "$(xs_log_file)" | grep -q 'Moving levels to disk' && fail "$how in Move Levels Data moved the levels"

    closes "New scene" "$how" 0 0
    sleep 0.5
    xs_window '^New scene$' >/dev/null
    # The scene is kept: its modified mark still asks again below.
    closes "Exit" "$how" 0 -1
done
# Still asked after both: nothing was saved or dropped.
closes "Exit" escape 0 -1
finish "PASS"
