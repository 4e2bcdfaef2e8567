# shellcheck shell=bash
# Shared helpers for Kelo's build and test scripts.  Source it:
#
#   . "$(dirname "$0")/lib/common.sh"
#
# Everything here expects to run as root on Debian 12 (amd64).  Functions
# return non-zero on failure and print what went wrong to stderr; they never
# call `exit`, so a sourcing script decides how to react.  They work the same
# with and without `set -euo pipefail` in the sourcing script: a command that
# may fail in the normal course (ending a server that is not running, killing
# a process that is gone, a grep without a match) has its status handled on
# the spot, and a step that must work says so when it does not.

# The Debian packages the build and the tests need.  Wine runs 64-bit only:
# the amd64 `wine` + `wine64` packages are enough for x86_64 programs, so no
# i386 architecture and no wine32 are required.  Installing without
# recommends drops some of libwine's: the X extensions its X11 driver uses,
# gnutls (wininet/secur32) and fonts-wine (Tahoma, and Marlett for caption
# buttons), so those are listed explicitly.
KELO_DEB_PACKAGES=(
    cmake g++ make googletest libgtest-dev
    g++-mingw-w64-x86-64
    wine wine64 fonts-wine libgnutls30
    libxrender1 libxcursor1 libxrandr2 libxi6 libxinerama1 libxcomposite1 libxfixes3 libxxf86vm1
    xvfb x11-utils xdotool imagemagick fonts-wqy-microhei
    iproute2 python3 procps util-linux locales libfaketime
)

# The locale Wine runs under unless KELO_LANG names another: Kelo's users run
# Chinese (PRC) Windows, whose ANSI code page is 936.  Wine takes its Windows
# locale from the Unix one at every start, so one prefix serves any locale.
KELO_DEFAULT_LANG=zh_CN.UTF-8

# Family name of the CJK font the Wine prefix maps the usual Chinese UI fonts to.
# At 12 pixels its digits are 7 pixels wide where SimSun's are 6 (the Chinese
# characters are 12 in both), so a text measured tightly for SimSun comes out a
# little wider here: the date picker's long date loses a few pixels of its last
# character.  A Song stand-in with SimSun's widths (AR PL UMing) draws its thin
# strokes only in blended colours, which the tests of text colours cannot see.
KELO_CJK_FONT="WenQuanYi Micro Hei"

kelo_log() {
    printf '[kelo] %s\n' "$*" >&2
}

# ---------------------------------------------------------------------------
# Packages
# ---------------------------------------------------------------------------

kelo__pkg_installed() {
    [ "$(dpkg-query -W -f='${db:Status-Status}' "$1" 2>/dev/null)" = installed ]
}

# kelo_install_deps [EXTRA_PACKAGE...]
kelo_install_deps() {
    local missing=() p
    for p in "${KELO_DEB_PACKAGES[@]}" "$@"; do
        kelo__pkg_installed "$p" || missing+=("$p")
    done
    if [ ${#missing[@]} -eq 0 ]; then
        return 0
    fi
    kelo_log "installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q || return 1
    # --no-install-recommends keeps the image small; wine's own dependencies
    # are plain Depends, so nothing it needs is lost.
    apt-get install -y -q --no-install-recommends "${missing[@]}" || return 1
    for p in "${missing[@]}"; do
        kelo__pkg_installed "$p" || { kelo_log "package $p did not install"; return 1; }
    done
}

# ---------------------------------------------------------------------------
# Locale
# ---------------------------------------------------------------------------

# Locale names as `locale -a` lists them: zh_CN.UTF-8 is there as zh_CN.utf8.
kelo__locale_key() {
    printf '%s\n' "$1" | tr '[:upper:]' '[:lower:]' | tr -d -- '-'
}

kelo__locale_present() {
    local want have
    want="$(kelo__locale_key "$1")"
    while read -r have; do
        [ "$(kelo__locale_key "$have")" = "$want" ] && return 0
    done < <(locale -a 2>/dev/null)
    return 1
}

# kelo_locale_ensure LOCALE: makes the UTF-8 locale LOCALE (zh_CN.UTF-8,
# en_US.UTF-8, ...) available, generating it when it is missing.  Only UTF-8
# locales keep Wine's command lines and console output lossless for Chinese.
kelo_locale_ensure() {
    local lang="${1:-}"
    [ -n "$lang" ] || { kelo_log "kelo_locale_ensure: no locale given"; return 2; }
    case "$(kelo__locale_key "$lang")" in
        c.utf8 | *_*.utf8) ;;
        *) kelo_log "locale $lang is not a UTF-8 locale such as zh_CN.UTF-8"; return 2 ;;
    esac
    kelo__locale_present "$lang" && return 0
    kelo_install_deps locales || return 1
    kelo_log "generating the locale $lang"
    localedef -i "${lang%%.*}" -f UTF-8 "$lang" ||
        { kelo_log "could not generate the locale $lang"; return 1; }
    kelo__locale_present "$lang" || { kelo_log "locale $lang is still missing"; return 1; }
}

# kelo_wine_dates_as_windows: with the Wine environment of a session exported
# (WINEPREFIX, LANG, ...), gives the session's user the long date format that
# Windows has for its locale where Wine's differs.  Wine's Chinese (PRC) locale
# writes the weekday after the date ("2026年12月8日星期二"), Chinese Windows does
# not ("2026年12月8日").  Wine puts its own format back whenever the locale
# changes, so this belongs to every session, not to the prefix.
kelo_wine_dates_as_windows() {
    case "$(kelo__locale_key "${LC_ALL:-${LANG:-}}")" in
        zh_cn.*) ;;
        *) return 0 ;;
    esac
    wine reg add 'HKCU\Control Panel\International' /v sLongDate /d "yyyy'年'M'月'd'日'" /f \
        </dev/null >/dev/null 2>&1 || { kelo_log "could not set the Chinese long date format"; return 1; }
}

# kelo_wine_locale: with the Wine environment of a session exported, makes its
# programs run under the locale KELO_LANG (default KELO_DEFAULT_LANG): the
# locale is generated when missing, LANG and LC_ALL are exported and the
# session gets Windows' date format.
kelo_wine_locale() {
    local lang="${KELO_LANG:-$KELO_DEFAULT_LANG}"
    kelo_locale_ensure "$lang" || return 1
    export LANG="$lang" LC_ALL="$lang"
    kelo_wine_dates_as_windows
}

# ---------------------------------------------------------------------------
# Virtual X server
# ---------------------------------------------------------------------------

KELO_XVFB_PID=""

kelo__display_usable() {
    [ -n "${1:-}" ] && DISPLAY="$1" xdpyinfo >/dev/null 2>&1
}

# kelo_xvfb_start: start Xvfb (1280x1024x24) on the first free display from :90
# upward and export DISPLAY.  With KELO_USE_DISPLAY=1 and a working DISPLAY
# already set, that display is used and nothing is started.
kelo_xvfb_start() {
    if [ "${KELO_USE_DISPLAY:-0}" = 1 ] && kelo__display_usable "${DISPLAY:-}"; then
        kelo_log "using existing display $DISPLAY"
        return 0
    fi
    local n log
    for n in $(seq 90 189); do
        # A lock file or a socket means someone has (or had) that display.
        if [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; then
            continue
        fi
        log="$(mktemp "/tmp/kelo-xvfb-$n.XXXXXX.log")"
        # Only the unix socket: the program and the tests may run inside a
        # network namespace, where Xlib falls back from the abstract socket
        # to the path socket /tmp/.X11-unix/X<n>.
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -noreset >"$log" 2>&1 &
        KELO_XVFB_PID=$!
        for _ in $(seq 1 100); do
            if kelo__display_usable ":$n"; then
                export DISPLAY=":$n"
                rm -f "$log"
                kelo_log "Xvfb on :$n (pid $KELO_XVFB_PID)"
                return 0
            fi
            kill -0 "$KELO_XVFB_PID" 2>/dev/null || break
            sleep 0.1
        done
        # Lost a race for this display number or it failed: try the next one.
        kelo__stop_pid "$KELO_XVFB_PID"
        KELO_XVFB_PID=""
        rm -f "$log"
    done
    kelo_log "could not start Xvfb"
    return 1
}

# kelo__stop_pid PID: ends a child of this shell and reaps it.  Its exit
# status (143 after the signal, or whatever it died of) is no failure here.
kelo__stop_pid() {
    kill "$1" 2>/dev/null || true
    wait "$1" 2>/dev/null || true
}

kelo_xvfb_stop() {
    [ -n "${KELO_XVFB_PID:-}" ] || return 0
    kelo__stop_pid "$KELO_XVFB_PID"
    KELO_XVFB_PID=""
}

# kelo_screenshot FILE: PNG of the whole screen of $DISPLAY.
kelo_screenshot() {
    local file="${1:-}"
    [ -n "$file" ] || { kelo_log "kelo_screenshot: no file given"; return 2; }
    if import -display "${DISPLAY:-}" -window root "png:$file" 2>/dev/null && [ -s "$file" ]; then
        return 0
    fi
    if xwd -root -silent -display "${DISPLAY:-}" | convert xwd:- "png:$file" && [ -s "$file" ]; then
        return 0
    fi
    kelo_log "could not take a screenshot of ${DISPLAY:-no display}"
    return 1
}

# ---------------------------------------------------------------------------
# Wine prefix
# ---------------------------------------------------------------------------

# Keeps the Mono/Gecko installers and the menu builder out of every run.
KELO_WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
KELO_PREFIX_STAMP=".kelo-prefix-v3"

kelo__wine_env() {
    # Print the environment every wine invocation of ours uses.
    printf '%s\n' WINEARCH=win64 WINEDEBUG=-all "WINEDLLOVERRIDES=$KELO_WINEDLLOVERRIDES"
}

# The registry settings of a test prefix, written as a UTF-16LE .reg file so
# the Chinese value names survive regardless of the current locale.
kelo__prefix_reg() {
    local font="$KELO_CJK_FONT"
    {
        printf 'Windows Registry Editor Version 5.00\r\n\r\n'
        printf '[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]\r\n'
        printf '"ShowCrashDialog"=dword:00000000\r\n\r\n'
        printf '[HKEY_CURRENT_USER\\Software\\Wine\\Fonts\\Replacements]\r\n'
        printf '"%s"="%s"\r\n' 宋体 "$font" SimSun "$font" 新宋体 "$font" NSimSun "$font" \
            微软雅黑 "$font" "Microsoft YaHei" "$font"
        printf '\r\n'
    } | { printf '\xff\xfe'; iconv -f UTF-8 -t UTF-16LE; }
}

# Succeeds when the prefix in $WINEPREFIX carries our settings.  user.reg
# stores non-ASCII names as \xNNNN escapes (宋体 = U+5B8B U+4F53).
kelo__prefix_verify() {
    local reg="$1/user.reg"
    [ -f "$reg" ] || return 1
    grep -qF '"\x5b8b\x4f53"="WenQuanYi Micro Hei"' "$reg" &&
        grep -qF '"\x65b0\x5b8b\x4f53"="WenQuanYi Micro Hei"' "$reg" &&
        grep -qF '"SimSun"="WenQuanYi Micro Hei"' "$reg" &&
        grep -qF '"NSimSun"="WenQuanYi Micro Hei"' "$reg" &&
        grep -qF '"ShowCrashDialog"=dword:00000000' "$reg" || return 1
    if [ -f /usr/share/wine/fonts/marlett.ttf ]; then
        [ -f "$1/drive_c/windows/Fonts/marlett.ttf" ] || return 1
    fi
}

# kelo_wineprefix_create DIR: a 64-bit prefix ready for unattended runs.
# Reuses DIR when an earlier call completed there.  Needs no X display.
kelo_wineprefix_create() {
    local dir="${1:-}"
    [ -n "$dir" ] || { kelo_log "kelo_wineprefix_create: no directory given"; return 2; }
    mkdir -p "$(dirname "$dir")" || return 1
    dir="$(cd "$(dirname "$dir")" && pwd)/$(basename "$dir")"
    (
        # Serialise concurrent creators of the same prefix.
        exec 9>"$dir.lock" && flock 9 || { kelo_log "cannot lock $dir.lock"; exit 1; }
        if [ -f "$dir/$KELO_PREFIX_STAMP" ] && kelo__prefix_verify "$dir"; then
            exit 0
        fi
        if [ -d "$dir" ] && [ -n "$(ls -A "$dir")" ] &&
            ! [ -e "$dir/system.reg" ] && ! [ -e "$dir/dosdevices" ]; then
            kelo_log "$dir exists and is not a wine prefix; not touching it"
            exit 1
        fi
        # A half-made prefix may still have a server; usually none runs, and
        # then there is nothing to end.
        WINEPREFIX="$dir" wineserver -k 2>/dev/null || true
        rm -rf "$dir" && mkdir -p "$dir" || { kelo_log "cannot make $dir afresh"; exit 1; }
        export WINEPREFIX="$dir"
        # shellcheck disable=SC2046
        export $(kelo__wine_env)
        # No window is needed to build a prefix; keep wineboot off any display.
        unset DISPLAY WAYLAND_DISPLAY
        local start=$SECONDS reg
        # Not wineboot's exit status but what it leaves behind decides: the
        # prefix's files here and its settings below are checked.
        wineboot -u >/dev/null 2>&1 || true
        wineserver -w || true
        if ! [ -e "$dir/system.reg" ]; then
            kelo_log "wineboot did not make a prefix in $dir"
            exit 1
        fi
        reg="$dir/drive_c/kelo-settings.reg"
        if ! { kelo__prefix_reg >"$reg" && wine regedit /S 'C:\kelo-settings.reg' >/dev/null 2>&1; }; then
            kelo_log "wine prefix $dir: regedit failed"
        fi
        rm -f "$reg"
        wineserver -w || true   # flushes the registry to user.reg
        # This Wine build does not pick up the fonts in its own data folder
        # (/usr/share/wine/fonts).  Of those, the symbol fonts matter: without
        # Marlett caption buttons and check marks are drawn as letters.
        # Tahoma stays out on purpose: as the UI font it has no CJK glyphs
        # and its font links point at Windows font files that are not here,
        # while the fallback Wine uses without it renders Chinese fine.
        local f
        for f in marlett.ttf symbol.ttf webdings.ttf wingding.ttf; do
            if [ -f "/usr/share/wine/fonts/$f" ]; then
                cp "/usr/share/wine/fonts/$f" "$dir/drive_c/windows/Fonts/" ||
                    kelo_log "could not copy $f into the prefix"
            fi
        done
        # Desktop, Documents, ... point into $HOME by default; give the
        # prefix its own folders so a program under test writes nothing there.
        local link
        for link in "$dir"/drive_c/users/*/*; do
            if [ -L "$link" ]; then
                rm -f "$link" && mkdir -p "$link" || kelo_log "could not replace $link"
            fi
        done
        if ! kelo__prefix_verify "$dir"; then
            kelo_log "wine prefix $dir: settings did not take effect"
            exit 1
        fi
        touch "$dir/$KELO_PREFIX_STAMP" || exit 1
        kelo_log "wine prefix $dir ready in $((SECONDS - start))s"
    ) || return 1
}

# ---------------------------------------------------------------------------
# Network namespace
# ---------------------------------------------------------------------------
#
# The namespace holds `lo` and one end of a veth pair (198.51.100.2/24); the
# other end (198.51.100.1/24) stays in the root namespace.  Nothing forwards
# or routes beyond the pair: "online" only means a default route exists,
# which is what the program's connected-state query looks at.

KELO_NS_HOST_ADDR=198.51.100.1
KELO_NS_GUEST_ADDR=198.51.100.2

# Interface names (<= 15 chars) derived from the namespace name.
kelo__netns_ifnames() {
    local h
    h="$(printf '%s' "$1" | md5sum | cut -c1-8)"
    printf 'kh%s kg%s\n' "$h" "$h"
}

kelo__no_ipv6() {
    local f="/proc/sys/net/ipv6/conf/$1/disable_ipv6"
    [ -e "$f" ] || return 0    # kernel without IPv6
    echo 1 >"$f"
}

kelo_netns_create() {
    local ns="${1:-}" host guest
    [ -n "$ns" ] || { kelo_log "kelo_netns_create: no name given"; return 2; }
    read -r host guest < <(kelo__netns_ifnames "$ns")
    kelo_netns_delete "$ns" 2>/dev/null
    ip netns add "$ns" || return 1
    # IPv6 stays off on the pair: otherwise bringing the links up sends
    # duplicate-address probes and router solicitations on its own.
    if ! {
        ip link add "$host" type veth peer name "$guest" &&
        ip link set "$guest" netns "$ns" &&
        kelo__no_ipv6 "$host" &&
        ip netns exec "$ns" bash -c "$(declare -f kelo__no_ipv6); kelo__no_ipv6 $guest" &&
        ip addr add "$KELO_NS_HOST_ADDR/24" dev "$host" &&
        ip link set "$host" up &&
        ip -n "$ns" link set lo up &&
        ip -n "$ns" addr add "$KELO_NS_GUEST_ADDR/24" dev "$guest" &&
        ip -n "$ns" link set "$guest" up
    }; then
        kelo_log "could not set up namespace $ns"
        kelo_netns_delete "$ns"
        return 1
    fi
}

kelo_netns_online() {
    ip -n "$1" route replace default via "$KELO_NS_HOST_ADDR"
}

kelo_netns_offline() {
    # Removing a route that is not there is fine.
    ip -n "$1" route del default 2>/dev/null || true
    [ -z "$(ip -n "$1" route show default)" ]
}

kelo_netns_delete() {
    local ns="${1:-}" host guest
    [ -n "$ns" ] || return 2
    read -r host guest < <(kelo__netns_ifnames "$ns")
    # Deleting the namespace destroys its veth end and with it the peer; either
    # may be gone already.
    ip netns del "$ns" 2>/dev/null || true
    ip link del "$host" 2>/dev/null || true
}
