#!/usr/bin/env bash
# Builds Kelo.exe and starts it under Wine. With a usable $DISPLAY the program runs
# there until you quit it. Without one it runs on a virtual X server for a while
# (KELO_RUN_SECONDS, default 20), a screenshot is written under build/, and the program
# is ended through the log-off path so that it saves as at a real log-off.
# Installs the Debian packages it needs when they are missing. Run as root.
#
# KELO_BUILD_DIR   the Windows build folder (default build/win)
# KELO_WINEPREFIX  the Wine prefix (default: wineprefix in the build folder, the one
#                  scripts/lib/wine-run.sh uses too)
# KELO_RUN_DIR     a folder to run a copy of Kelo.exe in: its Kelo.ini and Kelo.trv and
#                  the screenshot kelo-run.png go there (default: the program runs in
#                  the build folder and the screenshot is build/kelo-run.png)
# KELO_LANG        the locale Wine runs under, which gives its Windows locale (default
#                  zh_CN.UTF-8: Chinese (PRC) Windows, code page 936, as Kelo's users
#                  have it; C.UTF-8 or en_US.UTF-8 for English, code page 1252). A
#                  UTF-8 locale; it is generated when it is missing
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=scripts/lib/common.sh
source "$root/scripts/lib/common.sh"

fail() {
  echo "run.sh: $*" >&2
  exit 1
}

seconds="${KELO_RUN_SECONDS:-20}"
[[ "$seconds" =~ ^[0-9]+$ ]] || fail "KELO_RUN_SECONDS must be a number of seconds, not '$seconds'"
build="${KELO_BUILD_DIR:-$root/build/win}"

kelo_install_deps || fail "could not install the packages Kelo needs"
# The cache keeps the build type and the cross toolchain: a build folder configured
# before, perhaps otherwise, is only brought up to date.
if [ -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build"
else
  cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake"
fi
cmake --build "$build" -j"$(nproc)" --target Kelo kelo_driver
build=$(cd "$build" && pwd)

if [ -n "${KELO_RUN_DIR:-}" ]; then
  mkdir -p "$KELO_RUN_DIR"
  app=$(cd "$KELO_RUN_DIR" && pwd)
  [ "$app" = "$build" ] || cp "$build/Kelo.exe" "$app/Kelo.exe"
  shot="$app/kelo-run.png"
else
  app="$build"
  shot="$root/build/kelo-run.png"
  mkdir -p "$root/build"
fi

prefix="${KELO_WINEPREFIX:-$build/wineprefix}"
kelo_wineprefix_create "$prefix" || fail "could not make the Wine prefix $prefix"
prefix=$(cd "$prefix" && pwd)
export WINEPREFIX="$prefix"
# shellcheck disable=SC2046
export $(kelo__wine_env)
kelo_wine_locale || fail "cannot run Wine under the locale ${KELO_LANG:-$KELO_DEFAULT_LANG} (KELO_LANG)"
cd "$app"

if kelo__display_usable "${DISPLAY:-}"; then
  echo "Kelo runs on $DISPLAY; its files are Kelo.ini and Kelo.trv in $app"
  exec wine Kelo.exe
fi

# From here on the program runs on a virtual X server of its own.
work=$(mktemp -d /tmp/kelo-run.XXXXXX)
# Everyone who runs programs in the prefix holds a shared lock on it; whoever finds
# itself the last one ends the prefix's Wine session (see lib/wine-run.sh).
exec 8>"$prefix.inuse"
flock -s 8
driver_desktop='HKCU\Software\Wine\AppDefaults\kelo_driver.exe'
# shellcheck disable=SC2317  # called through the EXIT trap
cleanup() {
  # The driver goes back to the default desktop, where the e2e tests and a program on a
  # real display have their windows.
  if [ "${desktop_set:-0}" = 1 ]; then
    wine reg delete "$driver_desktop" /f </dev/null >/dev/null 2>&1 || true
  fi
  flock -u 8
  if flock -n -x 8; then
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
    flock -u 8
  fi
  kelo_xvfb_stop
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# The driver answers through a file: a Wine process it starts (the desktop's, for one)
# would keep a pipe open long after the driver itself has ended.
# Exit code 1 with nothing said means Wine could not start the driver that time (the
# driver's own failures say why and exit 2 or 3): it is tried again, twice at most.
driver() {
  local rc _
  for _ in 1 2 3; do
    rc=0
    wine "$build/kelo_driver.exe" "$@" </dev/null >"$work/driver.out" 2>"$work/driver.err" || rc=$?
    if [ "$rc" != 1 ] || [ -s "$work/driver.out" ] || grep -q '[^[:space:]]' "$work/driver.err"; then
      break
    fi
    echo "run.sh: Wine did not start the driver ($1); trying again" >&2
  done
  tr -d '\r' <"$work/driver.out"
  return "$rc"
}

# Whether a Kelo.exe runs in the prefix's Wine session, on whatever desktop.
kelo_running() {
  local list
  list=$(driver processes) || return 1
  grep -qix $'[0-9]*\tKelo.exe' <<<"$list"
}

kelo_xvfb_start || fail "could not start a virtual X server"
# With no window manager, the window frames are drawn by Wine's desktop window: the
# program runs on a desktop of that kind, named Kelo, and the driver, which looks for
# its windows, is sent to the same desktop (a process sees only the windows of its
# own). Both settings must be in place before the desktop is made.
desktop_set=1
if ! { wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Kelo /d 1280x1024 /f &&
  wine reg add "$driver_desktop\Explorer" /v Desktop /d Kelo /f
} </dev/null >/dev/null 2>&1; then
  fail "could not put the desktop settings into $prefix"
fi

# One copy per session: a copy still running in this prefix would keep a new one out.
if kelo_running; then
  fail "a Kelo.exe is running in $prefix already; end it first"
fi
wine explorer /desktop=Kelo,1280x1024 Kelo.exe </dev/null >"$work/kelo.log" 2>&1 &
hwnd=$(driver find --class TFrmKeloMain --timeout 30000) ||
  fail "the main window did not appear within 30 s: $(cat "$work/kelo.log" "$work/driver.out" "$work/driver.err")"
hwnd=${hwnd%%[[:space:]]*}
sleep "$seconds"

status=0
kelo_screenshot "$shot" || status=1
online=$(driver online) || online=unknown
logoff=0
driver end-session "$hwnd" >/dev/null || logoff=$?
logoff_err=$(cat "$work/driver.err")
ended=0
for _ in $(seq 1 60); do
  if ! kelo_running; then
    ended=1
    break
  fi
  sleep 0.5
done
if [ "$ended" != 1 ]; then
  [ "$logoff" = 0 ] || fail "the program did not answer the log-off (driver exit $logoff): $logoff_err"
  echo "run.sh: the program was still running 30 s after the log-off" >&2
  status=1
elif [ "$logoff" != 0 ]; then
  # The program has ended, so the log-off reached it; what it saved is listed below.
  echo "run.sh: the driver did not see the log-off through (exit $logoff${logoff_err:+: $logoff_err}); the program has ended" >&2
fi

case "$online" in
  1) online=online ;;
  0) online=offline ;;
esac
echo "Kelo ran for $seconds s on a virtual X server ($DISPLAY), $online."
[ "$status" != 0 ] || echo "Screenshot: $shot"
if [ -f "$app/Kelo.ini" ]; then
  echo "Files: $app/Kelo.ini"
else
  echo "run.sh: the program left no $app/Kelo.ini" >&2
  status=1
fi
if [ -f "$app/Kelo.trv" ]; then
  echo "       $app/Kelo.trv"
else
  echo "       (no Kelo.trv: it records runs with online time)"
fi
exit "$status"
