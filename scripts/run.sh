#!/usr/bin/env bash
# Builds Kelo.exe and starts it under Wine. With a usable $DISPLAY the program runs
# there until you quit it. Without one it runs on a virtual X server for a while
# (KELO_RUN_SECONDS, default 20), a screenshot is written under build/, and the program
# is ended through the log-off path so that it saves as at a real log-off.
# Installs the Debian packages it needs when they are missing. Run as root.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=lib/common.sh
source "$root/scripts/lib/common.sh"

kelo_install_deps
cmake -S "$root" -B "$root/build/win" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake"
cmake --build "$root/build/win" -j"$(nproc)" --target Kelo kelo_driver

prefix="$root/build/win/wineprefix"
kelo_wineprefix_create "$prefix"
export WINEPREFIX="$prefix"
# shellcheck disable=SC2046
export $(kelo__wine_env)
cd "$root/build/win"

if kelo__display_usable "${DISPLAY:-}"; then
  echo "Kelo runs on $DISPLAY; its files are Kelo.ini and Kelo.trv in $root/build/win"
  exec wine Kelo.exe
fi

trap 'wineserver -k 2>/dev/null || true; kelo_xvfb_stop' EXIT
kelo_xvfb_start
# Wine's own desktop window draws the window frames when no window manager runs.
wine explorer /desktop=Kelo,1280x1024 Kelo.exe &
hwnd=$(wine kelo_driver.exe find --class TFrmKeloMain --timeout 30000 | tr -d '\r')
sleep "${KELO_RUN_SECONDS:-20}"
shot="$root/build/kelo-run.png"
kelo_screenshot "$shot"
wine kelo_driver.exe end-session "$hwnd" >/dev/null || true
for _ in $(seq 1 30); do
  wine kelo_driver.exe find --class TFrmKeloMain >/dev/null 2>&1 || break
  sleep 0.5
done
echo "Kelo ran for ${KELO_RUN_SECONDS:-20} s on a virtual X server ($DISPLAY)."
echo "Screenshot: $shot"
echo "Files: $root/build/win/Kelo.ini and $root/build/win/Kelo.trv (when the machine was online)"
