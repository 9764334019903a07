# Sourced by scripts/run.sh: whether the windows can open, and what to do when
# they cannot. The window program says the same words when Qt finds no screen.

# shell_word FOLDER: the folder as a shell word that can be pasted.
shell_word() {
    local LC_ALL=C
    if [[ $1 =~ ^[A-Za-z0-9_./+:@%=,-]+$ ]]; then
        printf '%s' "$1"
    else
        printf "'%s'" "${1//\'/\'\\\'\'}"
    fi
}

# no_display_text WORKFOLDER: that a display is needed, and the scatter-map
# command of the README that makes the map without one, run from WORKFOLDER.
no_display_text() {
    printf '%s\n' \
        "ウィンドウを開くにはディスプレイが必要です（デスクトップのセッションで起動するか、ssh -X で接続して下さい）。 The windows need a display (a desktop session, or ssh -X)." \
        "ディスプレイがなくても、次のコマンドで分布図を作れます。 Without a display, scatter-map makes the map:" \
        "    cd $(shell_word "$1")" \
        '    ./scatter-map --kv 80 --angle 12 --inherent 2.5 --al 1.5 --cu 0 --rectification cp \' \
        '                  --current 1 --fsd 90 --field 20x20 --position lying \' \
        '                  --histories 1e7 --preview --name walk1 --png walk1.png --csv walk1.csv'
}

# require_display WORKFOLDER: status 0 when a display (X or Wayland) or a Qt
# platform is chosen; otherwise the words on the error stream and status 1.
require_display() {
    if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ] || [ -n "${QT_QPA_PLATFORM:-}" ]; then
        return 0
    fi
    no_display_text "$1" >&2
    return 1
}
