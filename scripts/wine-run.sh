#!/usr/bin/env bash
# Runs a Windows program under wine, quietly, in the project's own wine prefix.
set -euo pipefail
export WINEDEBUG=${WINEDEBUG:--all}
# No .NET or HTML engine to offer when the prefix is made: console programs only.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export WINEPREFIX=${WINEPREFIX:-$HOME/.wine-scatter-dose}
for wine in wine64 wine /usr/lib/wine/wine64; do
    if command -v "$wine" >/dev/null 2>&1; then
        # A Windows program that ends badly may print nothing (its buffered
        # output is lost): its status at least is said.
        status=0
        "$wine" "$@" || status=$?
        if [ "$status" -ne 0 ]; then
            echo "wine-run.sh: ${1##*[/\\]} ended with status $status" >&2
        fi
        exit "$status"
    fi
done
echo "wine-run.sh: no wine found (install Debian's wine64)" >&2
exit 127
