#!/usr/bin/env bash
# wine-run.sh EXE [ARGS...]
#
# Runs a Windows test executable under Wine (used as a CTest command).
# Starts a private Xvfb when there is no usable DISPLAY, creates or reuses a
# Wine prefix (KELO_WINEPREFIX, default: <directory of EXE>/wineprefix), runs
# Wine under the locale KELO_LANG (default zh_CN.UTF-8, the users' Chinese
# Windows; see scripts/run.sh), runs
# the program with its console output passed straight through, and exits with
# the program's exit code.  Whatever this script started is stopped again.
set -u

here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
# shellcheck source=scripts/lib/common.sh
. "$here/common.sh"

if [ $# -lt 1 ]; then
    echo "usage: $(basename "$0") EXE [ARGS...]" >&2
    exit 2
fi
exe="$1"
shift
if [ ! -f "$exe" ]; then
    echo "wine-run: no such file: $exe" >&2
    exit 2
fi
exe="$(cd "$(dirname "$exe")" && pwd)/$(basename "$exe")"

for tool in wine wineserver Xvfb xdpyinfo; do
    command -v "$tool" >/dev/null || { echo "wine-run: $tool is missing (run kelo_install_deps)" >&2; exit 2; }
done

started_xvfb=0
# shellcheck disable=SC2317  # called through the EXIT trap
cleanup() {
    # Several runs may share the prefix: each holds a shared lock while it
    # runs, and whoever finds itself the last one ends the prefix's
    # wineserver (and with it Wine's desktop and service processes, which
    # would otherwise hold on to our stdout for a while).
    flock -u 8
    if flock -n -x 8; then
        WINEPREFIX="$prefix" wineserver -k 2>/dev/null
        flock -u 8
    fi
    if [ "$started_xvfb" = 1 ]; then
        kelo_xvfb_stop
    fi
}

prefix="${KELO_WINEPREFIX:-$(dirname "$exe")/wineprefix}"
kelo_wineprefix_create "$prefix" || { echo "wine-run: could not create wine prefix $prefix" >&2; exit 2; }
prefix="$(cd "$prefix" && pwd)"
exec 8>"$prefix.inuse"
flock -s 8
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

if ! kelo__display_usable "${DISPLAY:-}"; then
    KELO_USE_DISPLAY=0 kelo_xvfb_start || exit 2
    started_xvfb=1
fi

# shellcheck disable=SC2031  # set in a subshell of common.sh only
export WINEPREFIX="$prefix"
# shellcheck disable=SC2046
export $(kelo__wine_env)
kelo_wine_locale || { echo "wine-run: cannot run Wine under the locale ${KELO_LANG:-$KELO_DEFAULT_LANG}" >&2; exit 2; }

# Run from the executable's directory so relative paths behave as they would
# for a double-clicked program.  stdin is detached: a console program under
# Wine otherwise may wait on the terminal.
cd "$(dirname "$exe")" || exit 2
wine "$exe" "$@" </dev/null
rc=$?
exit "$rc"
