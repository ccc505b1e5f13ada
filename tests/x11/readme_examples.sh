#!/usr/bin/env bash
# Runs every command line of the README's "Command line" section as written, with the
# built program in place of scripts/run (which would build it again), in a fresh folder
# holding a copy of examples/: the batch bake must write its maps, a recorded session must
# end when its window is closed, and its playback must print a report.
# Usage: readme_examples.sh TEVRIN SOURCE_FOLDER
set -euo pipefail
program=$(realpath "$1")
source_folder=$(realpath "$2")
source "$source_folder/tests/x11/xsession.sh"
xs_start

mapfile -t commands < <(awk '/^## /{ inside = ($0 == "## Command line") } inside && /^    scripts\/run/' \
    "$source_folder/README.md" | sed 's/^    scripts\/run//')
[ ${#commands[@]} -ge 3 ] || { echo "the README shows ${#commands[@]} command lines, expected 3 or more"; exit 1; }

run=$XS_WORK/run
mkdir -p "$run"
cp -r "$source_folder/examples" "$run/"
cd "$run"
for arguments in "${commands[@]}"; do
    echo "== tevrin$arguments"
    read -ra words <<<"$arguments"
    case "$arguments" in
        *-savebenchmark*)
            # A person works, then closes the window: a few view toggles, then Ctrl+Q.
            xs_launch "$program" "${words[@]}"
            xs_key "$XS_MAIN" w
            sleep 0.3
            xs_key "$XS_MAIN" w ctrl+q
            for i in $(seq 200); do kill -0 "$XS_PID" 2>/dev/null || break; sleep 0.1; done
            if kill -0 "$XS_PID" 2>/dev/null; then
                echo "the recording run did not end on Ctrl+Q; its output:"
                tail -20 "$XS_WORK/program.log"
                [ -n "${XS_SHOT:-}" ] && xs_shot "$XS_SHOT"
                exit 1
            fi
            wait "$XS_PID" || { echo "the recording run failed"; cat "$XS_WORK/program.log"; exit 1; }
            [ -s benchmark ] || { echo "no benchmark script was recorded"; exit 1; }
            # The README's next step: the whole recording becomes one timed section.
            { echo 'sectionstart "recorded"'; cat benchmark; echo sectionend; } >benchmark.new
            mv benchmark.new benchmark
            ;;
        *-benchmark*)
            report=$(timeout 300 "$program" "${words[@]}")
            echo "$report"
            grep -q '^recorded: .* secs$' <<<"$report" || { echo "no time for the recorded section"; exit 1; }
            grep -q '^Overall score: [0-9]*$' <<<"$report" || { echo "no score"; exit 1; }
            ;;
        *-mapextraction*)
            timeout 300 "$program" "${words[@]}"
            for map in examples/disp.tif examples/normal.tif; do
                [ -s "$map" ] || { echo "the bake wrote no $map"; exit 1; }
            done
            ;;
        *)
            echo "no check for this command line: add one to $0"; exit 1 ;;
    esac
done
echo "every README command line ran"
