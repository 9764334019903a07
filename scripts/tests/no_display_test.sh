#!/usr/bin/env bash
# Without a display, scripts/run.sh and the window program end with the words
# of scripts/display-check.sh and status 1, and start nothing.
#   no_display_test.sh run-script SOURCE_DIR
#   no_display_test.sh window-program SOURCE_DIR PROGRAM
set -uo pipefail
mode=$1
source_dir=$2
source "$source_dir/scripts/display-check.sh"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() {
    echo "FAILED: $*"
    failures=$((failures + 1))
}
# same_text NAME EXPECTED_FILE ACTUAL_FILE
same_text() {
    if ! diff -u "$2" "$3"; then
        fail "$1: the words differ (above: - expected, + written)"
    fi
}
# Runs a command with none of the variables that choose a screen, then the
# given assignments.
without_screen() {
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$@"
}

run_script() {
    # run.sh in a tree of its own whose install, build and window program only
    # note that they ran.
    local tree=$scratch/tree
    mkdir -p "$tree/scripts" "$tree/build/work"
    cp "$source_dir/scripts/run.sh" "$source_dir/scripts/display-check.sh" "$tree/scripts/"
    local log=$scratch/steps
    printf '#!/bin/sh\necho install >> "%s"\n' "$log" > "$tree/scripts/install-deps.sh"
    printf '#!/bin/sh\necho build >> "%s"\n' "$log" > "$tree/scripts/build.sh"
    printf '#!/bin/sh\necho "started in $(pwd)" >> "%s"\n' "$log" > "$tree/build/work/Dorvalis-3"
    chmod +x "$tree"/scripts/*.sh "$tree/build/work/Dorvalis-3"

    no_display_text "$tree/build/work" > "$scratch/expected"
    # assignments | status | steps the run must leave
    local cases=(
        "|1|install build"
        "DISPLAY=|1|install build"
        "DISPLAY= WAYLAND_DISPLAY= QT_QPA_PLATFORM=|1|install build"
        "DISPLAY=:0|0|install build started in $tree/build/work"
        "WAYLAND_DISPLAY=wayland-0|0|install build started in $tree/build/work"
        "QT_QPA_PLATFORM=offscreen|0|install build started in $tree/build/work"
    )
    local entry assignments status steps
    for entry in "${cases[@]}"; do
        IFS='|' read -r assignments status steps <<< "$entry"
        rm -f "$log"
        # shellcheck disable=SC2086 # the assignments are words for env
        (cd "$scratch" && without_screen $assignments "$tree/scripts/run.sh" \
            > "$scratch/out" 2> "$scratch/err")
        local got=$?
        local done_steps
        done_steps=$(tr '\n' ' ' < "$log" 2>/dev/null | sed 's/ $//')
        [ "$got" = "$status" ] || fail "run.sh with [$assignments]: status $got, expected $status"
        [ "$done_steps" = "$steps" ] ||
            fail "run.sh with [$assignments]: steps [$done_steps], expected [$steps]"
        if [ "$status" = 1 ]; then
            same_text "run.sh with [$assignments]" "$scratch/expected" "$scratch/err"
        elif [ -s "$scratch/err" ]; then
            fail "run.sh with [$assignments] wrote: $(cat "$scratch/err")"
        fi
    done

    # The command shown is the README's, line for line.
    local line
    while IFS= read -r line; do
        grep -qxF -- "$line" "$source_dir/README.md" ||
            fail "README.md lacks the line shown: $line"
    done < <(no_display_text /folder | grep -e 'scatter-map --kv' -e '^                  --')

    # Folders that a shell would read otherwise are quoted.
    local name full
    for name in "plain" "with blank" "it's" "作業" '$HOME' 'a;b'; do
        full=$scratch/names/$name/build/work
        mkdir -p "$full"
        (eval "cd $(shell_word "$full")" && [ "$(pwd)" = "$full" ]) 2> /dev/null ||
            fail "the cd line of \"$full\" does not reach it: cd $(shell_word "$full")"
    done
}

window_program() {
    local program=$1
    local folder
    folder=$(cd "$(dirname "$program")" && pwd)
    mkdir -p "$scratch/work"
    ulimit -c 0
    # assignments | first line, before the common words (empty: none)
    local cases=(
        "|"
        "DISPLAY=:64999|ディスプレイ DISPLAY=:64999 を開けませんでした。 The display DISPLAY=:64999 could not be opened."
        "QT_QPA_PLATFORM=xcb|QT_QPA_PLATFORM=xcb で画面を開けませんでした。 Qt could not open a screen with QT_QPA_PLATFORM=xcb."
    )
    local entry assignments cause
    for entry in "${cases[@]}"; do
        IFS='|' read -r assignments cause <<< "$entry"
        { [ -z "$cause" ] || printf '%s\n' "$cause"; no_display_text "$folder"; } > "$scratch/expected"
        # shellcheck disable=SC2086
        (cd "$scratch/work" && without_screen $assignments timeout 60 "$program" \
            > "$scratch/out" 2> "$scratch/err" < /dev/null)
        local got=$?
        [ "$got" = 1 ] || fail "$(basename "$program") with [$assignments]: status $got, expected 1"
        same_text "$(basename "$program") with [$assignments]" "$scratch/expected" "$scratch/err"
        [ -z "$(ls -A "$scratch/work")" ] ||
            fail "$(basename "$program") with [$assignments] left: $(ls -A "$scratch/work")"
    done
}

case $mode in
run-script) run_script ;;
window-program) window_program "$3" ;;
*)
    echo "usage: $0 run-script SOURCE_DIR | window-program SOURCE_DIR PROGRAM" >&2
    exit 2
    ;;
esac
[ "$failures" = 0 ] && echo "passed" || exit 1
