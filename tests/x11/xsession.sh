#!/usr/bin/env bash
# Helpers for driving the built program as a person does: a virtual X server with a real
# window manager (openbox), real X input through xdotool, screenshots through ImageMagick.
# Source it from a test script:
#     source tests/x11/xsession.sh
#     xs_start                      # X server + window manager, a fresh HOME
#     xs_launch "$TEVRIN" [ARGS]    # starts the program and waits for its main window
#     xdotool ...                   # input
#     xs_stop                       # ends the program (kill if it hangs) and the X server
# Every function fails loudly (returns non-zero with a line on stderr) on a timeout.

XS_TITLE='Orvexa Tevrin'   # the start of the main window's title

xs_fail() { echo "xsession: $*" >&2; return 1; }

# xs_start: Xvfb on a display it picks itself (scripts may run side by side), openbox without
# its Alt+button bindings, and a fresh home for the settings folder.
xs_start() {
    XS_WORK=$(mktemp -d)
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$XS_WORK/display" >"$XS_WORK/xvfb.log" 2>&1 &
    XS_XVFB=$!
    local i
    for i in $(seq 100); do [ -s "$XS_WORK/display" ] && break; sleep 0.1; done
    [ -s "$XS_WORK/display" ] || xs_fail "the X server did not start" || return 1
    export DISPLAY=":$(head -1 "$XS_WORK/display")"
    for i in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
    xdpyinfo >/dev/null 2>&1 || xs_fail "the X server on $DISPLAY does not answer" || return 1
    openbox >"$XS_WORK/openbox.log" 2>&1 &
    XS_WM=$!
    sleep 0.5
    # A desktop's Alt+drag would take the camera chords: set XS_WM_ALT_DRAGS=1 to keep it.
    [ -n "${XS_WM_ALT_DRAGS:-}" ] || xs_free_alt_buttons || return 1
    export HOME="$XS_WORK/home" XDG_CONFIG_HOME="$XS_WORK/home/config" XDG_DATA_HOME="$XS_WORK/home/data"
    export TMPDIR="$XS_WORK/home/tmp" QT_QPA_PLATFORM=xcb
    mkdir -p "$TMPDIR"
    # The welcome window comes after the main window and would take the first keys: it is
    # marked as seen unless a script sets XS_WELCOME=1 to see it.
    if [ -z "${XS_WELCOME:-}" ]; then
        mkdir -p "$XDG_CONFIG_HOME/Orvexa"
        printf '[General]\nWelcome=1\n' >"$XDG_CONFIG_HOME/Orvexa/Tevrin.conf"
    fi
    # The GLX libraries are unloaded before the leak check, which then cannot name their
    # process-lifetime allocations: leaks are checked by the in-process tests instead.
    export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
    trap xs_stop EXIT
}

# xs_window NAME: the id of a visible window of the program whose title matches NAME (a regular expression).
# (The titles are compared here: xdotool's own search joins --pid and --name by "or".)
xs_window() {
    local id
    for id in $(xdotool search --onlyvisible --pid "$XS_PID" 2>/dev/null); do
        xdotool getwindowname "$id" 2>/dev/null | grep -Eq -- "$1" && { echo "$id"; return 0; }
    done
    return 0
}

# xs_wait_window NAME [SECONDS]: waits for a visible window of the program titled NAME; prints its id.
xs_wait_window() {
    local name=$1 limit=${2:-30} i id
    for i in $(seq $((limit * 10))); do
        id=$(xs_window "$name")
        [ -n "$id" ] && { echo "$id"; return 0; }
        kill -0 "$XS_PID" 2>/dev/null || xs_fail "the program ended while waiting for '$name'" || return 1
        sleep 0.1
    done
    xs_fail "no window '$name' after ${limit}s"
}

# xs_wait_gone NAME [SECONDS]: waits until no visible window of the program is titled NAME.
xs_wait_gone() {
    local name=$1 limit=${2:-10} i
    for i in $(seq $((limit * 10))); do
        [ -z "$(xs_window "$name")" ] && return 0
        sleep 0.1
    done
    xs_fail "window '$name' still there after ${limit}s"
}

# xs_launch PROGRAM [ARGS...]: starts the program (stdout and stderr to $XS_WORK/program.log)
# and waits for its main window. The first start in a fresh home asks for folders (accepted
# as proposed) and shows the welcome window (closed).
xs_launch() {
    "$@" >>"$XS_WORK/program.log" 2>&1 &
    XS_PID=$!
    local i id name
    for i in $(seq 600); do
        kill -0 "$XS_PID" 2>/dev/null || { cat "$XS_WORK/program.log" >&2; xs_fail "the program ended during start-up"; return 1; }
        id=$(xdotool getactivewindow 2>/dev/null || true)
        name=$( [ -n "$id" ] && xdotool getwindowname "$id" 2>/dev/null || true)
        case "$name" in
            "$XS_TITLE"*) XS_MAIN=$id; sleep 0.5; return 0 ;;
            Welcome) xdotool key Escape 2>/dev/null || true ;;
            "") ;;
            *) [ -n "$(xs_window .)" ] && { xdotool key Return 2>/dev/null || true; } ;;
        esac
        sleep 0.1
    done
    xs_fail "no main window after 60s"
}

# xs_key WINDOW KEY...: activates the window and types the keys through the X server's input
# (as a keyboard does, not as an event sent to one window).
xs_key() {
    local window=$1
    shift
    xdotool windowactivate --sync "$window" 2>/dev/null || true
    xdotool key --clearmodifiers "$@"
}

# xs_shot FILE: a screenshot of the whole screen.
xs_shot() { import -window root -display "$DISPLAY" "$1"; }

# xs_quit [SECONDS]: closes the main window as a person does (Alt+F4 through the window
# manager) and waits for the process to end; fails if it does not.
xs_quit() {
    local limit=${1:-20} i
    xdotool windowactivate --sync "$XS_MAIN" 2>/dev/null || true
    xdotool key --clearmodifiers alt+F4
    for i in $(seq $((limit * 10))); do
        kill -0 "$XS_PID" 2>/dev/null || { wait "$XS_PID"; return $?; }
        sleep 0.1
    done
    xs_fail "the program still runs ${limit}s after its main window was closed"
}

# xs_cpu_ticks: the user plus system clock ticks the program has used so far.
xs_cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$XS_PID/stat"; }

xs_stop() {
    if [ -n "${XS_PID:-}" ]; then kill -9 "$XS_PID" 2>/dev/null || true; fi
    if [ -n "${XS_WM:-}" ]; then kill "$XS_WM" 2>/dev/null || true; fi
    if [ -n "${XS_XVFB:-}" ]; then kill "$XS_XVFB" 2>/dev/null || true; fi
    wait 2>/dev/null || true
    if [ -n "${XS_WORK:-}" ] && [ -z "${XS_KEEP:-}" ]; then rm -rf "$XS_WORK"; fi
    XS_PID= XS_WM= XS_XVFB= XS_WORK=
    return 0
}

# xs_menu INDEX DOWNS [sub DOWNS2]: opens the main window's menu number INDEX (0 File, 1 Edit,
# 2 Create, 3 Mesh, 4 Curves, 5 Display, 6 Utilities, 7 Windows, 8 Help) with a click on its
# title, and picks its entry DOWNS (0 the first; separators are skipped; -1 the last); with
# "sub" given, opens that entry's submenu and picks its entry DOWNS2.
XS_MENU_X=(20 56 102 152 204 261 321 384 439)   # the titles' centres in the default font
xs_menu() {
    local index=$1 downs=$2 sub=${3:-} downs2=${4:-0} i
    xdotool windowactivate --sync "$XS_MAIN" 2>/dev/null || true
    xdotool mousemove --window "$XS_MAIN" "${XS_MENU_X[$index]}" 10 click 1
    sleep 0.5
    if [ "$downs" -lt 0 ]; then xdotool key Up; else
        for i in $(seq $((downs + 1))); do xdotool key Down; sleep 0.05; done
    fi
    if [ -n "$sub" ]; then
        xdotool key Right; sleep 0.4
        for i in $(seq "$downs2"); do xdotool key Down; sleep 0.05; done
    fi
    xdotool key Return
}

# xs_dismiss_welcome [SECONDS]: the welcome window of a first start may come up after the
# main window is active: waits for it a while and closes it.
xs_dismiss_welcome() {
    local id
    id=$(xs_wait_window '^Welcome$' "${1:-10}" 2>/dev/null) || return 0
    xdotool windowactivate --sync "$id" 2>/dev/null || true
    xdotool key --window "$id" Escape
    xs_wait_gone '^Welcome$' 10
}

# xs_close_window ID: closes a window by the window manager's close command (what its close
# button sends).
xs_close_window() {
    xdotool windowactivate --sync "$1" 2>/dev/null || true
    xdotool key --clearmodifiers alt+F4
}

# xs_wait_end [SECONDS]: waits for the program to end; fails if it does not.
xs_wait_end() {
    local limit=${1:-20} i
    for i in $(seq $((limit * 10))); do
        kill -0 "$XS_PID" 2>/dev/null || { wait "$XS_PID"; return $?; }
        sleep 0.1
    done
    xs_fail "the program still runs ${limit}s later"
}

# --- the program's log ---------------------------------------------------------------------
# xs_log_file: the log file the program opened (it names it on its console at start).
xs_log_file() { sed -n 's/^Logfile: //p' "$XS_WORK/program.log" | tail -1; }

# xs_log_lines: how many lines the program's log holds now.
xs_log_lines() { local f; f=$(xs_log_file); [ -f "$f" ] && wc -l <"$f" || echo 0; }

# xs_wait_log FROM PATTERN [SECONDS]: waits for a log line after line FROM matching PATTERN
# (an extended regular expression); fails on a timeout.
xs_wait_log() {
    local from=$1 pattern=$2 limit=${3:-10} i f
    f=$(xs_log_file)
    for i in $(seq $((limit * 10))); do
        tail -n +"$((from + 1))" "$f" 2>/dev/null | grep -Eq -- "$pattern" && return 0
        kill -0 "$XS_PID" 2>/dev/null || xs_fail "the program ended while waiting for '$pattern'" || return 1
        sleep 0.1
    done
    xs_fail "no log line '$pattern' after ${limit}s"
}

# --- the window manager ---------------------------------------------------------------------
# xs_free_alt_buttons: restarts the window manager without its Alt+button bindings (window
# move, resize, lower), which otherwise take Alt chords of the mouse before any program
# sees them.
xs_free_alt_buttons() {
    local rc=/etc/xdg/openbox/rc.xml
    [ -f "$rc" ] || xs_fail "no $rc to start from" || return 1
    # Drops every <mousebind button="A-..."> element, whatever its action.
    awk '/<mousebind button="A-/ { skip = 1 } !skip { print } skip && /<\/mousebind>/ { skip = 0 }' "$rc" \
        >"$XS_WORK/openbox-rc.xml"
    kill "$XS_WM" 2>/dev/null; wait "$XS_WM" 2>/dev/null
    openbox --config-file "$XS_WORK/openbox-rc.xml" >>"$XS_WORK/openbox.log" 2>&1 &
    XS_WM=$!
    sleep 0.5
}

# xs_popups: how many pop-up windows (menus: mapped, override-redirect, larger than a few
# pixels) the screen shows.
xs_popups() {
    local id n=0 info
    for id in $(xdotool search --onlyvisible --name '' 2>/dev/null); do
        info=$(xwininfo -id "$id" 2>/dev/null)
        grep -q 'Override Redirect State: yes' <<<"$info" || continue
        [ "$(awk '/Width:/ { print $2 }' <<<"$info")" -gt 20 ] && n=$((n + 1))
    done
    echo "$n"
}

# xs_active_name: the title of the window that has the focus.
xs_active_name() { xdotool getactivewindow getwindowname 2>/dev/null || true; }

# xs_wait_active NAME [SECONDS]: waits until the focused window is titled NAME exactly.
xs_wait_active() {
    local name=$1 limit=${2:-10} i
    for i in $(seq $((limit * 10))); do
        [ "$(xs_active_name)" = "$name" ] && return 0
        sleep 0.1
    done
    xs_fail "no focused window '$name' after ${limit}s"
}

# xs_dismiss NAME [SECONDS]: closes the window titled NAME (Escape) should it take the
# focus within the time given; the welcome window may come after the main window.
xs_dismiss() {
    xs_wait_active "$1" "${2:-3}" 2>/dev/null || return 0
    xdotool key Escape
    local i
    for i in $(seq 50); do [ "$(xs_active_name)" != "$1" ] && break; sleep 0.1; done
    xdotool windowactivate --sync "$XS_MAIN" 2>/dev/null || true
}
