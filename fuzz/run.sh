#!/usr/bin/env bash
# Fuzzes the readers of what comes from outside the program: the skin's LZHUF decoder,
# archive, INI parser and BMP reader, and the two files a user can edit, the settings
# (Kelo.ini) and the history (Kelo.trv).
#
# Builds each target with clang's libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer
# into KELO_FUZZ_OUT (default build/fuzz), replays every input kept in
# fuzz/crashers/<target>/, then runs each target for KELO_FUZZ_SECONDS (default 25) over
# its seed corpus and prints its executions per second. KELO_FUZZ_TARGETS picks targets
# (default: all). A new finding is copied into fuzz/crashers/<target>/ (keep it: the unit
# tests replay it too) and fails the run. Installs clang and libFuzzer when they are
# missing. Run as root on Debian 12.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/.." && pwd)"
out="${KELO_FUZZ_OUT:-$root/build/fuzz}"
seconds="${KELO_FUZZ_SECONDS:-25}"
read -r -a targets <<<"${KELO_FUZZ_TARGETS:-lzh archive skinini bmp ini history}"
jobs=2
TIMEFORMAT='%U %S'

# Longest input per target: a little above the largest seed. Longer inputs only make
# each run slower; what they could reach, shorter ones reach too.
declare -A maxLen=([lzh]=4096 [archive]=8192 [skinini]=8192 [bmp]=8192 [ini]=1024 [history]=8192)

packages=(clang libclang-rt-14-dev)
missing=()
for p in "${packages[@]}"; do
    [ "$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null)" = installed ] || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "[fuzz] installing: ${missing[*]}" >&2
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -q
    apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# The program's pure code, compiled once for all targets. The decoder is built without
# comparison tracing: its comparisons are on its own tree, never on values libFuzzer
# could take from the input, and tracing them took two thirds of each run.
flags=(-std=c++20 -g -O1 -fsanitize=address,undefined -fno-sanitize-recover=undefined -I"$root/src" -I"$here" -I"$root/tests/core")
sources=("$root"/src/core/*.cpp "$root"/src/skin/data/{Lzh,SkinArchive,SkinImage,SkinIni,SkinData}.cpp)
objects="$out/obj"
mkdir -p "$objects"

# An object is current when it is newer than its source, every header it read and this script.
current() {
    local object="$1" deps="$1.d" dep
    [ -f "$object" ] && [ -f "$deps" ] && [ "$object" -nt "${BASH_SOURCE[0]}" ] || return 1
    for dep in $(sed -e 's/^[^:]*://' -e 's/\\$//' "$deps"); do
        [ -e "$dep" ] && [ ! "$dep" -nt "$object" ] || return 1
    done
}

compile() {
    local source="$1" object="$2" coverage=-fsanitize=fuzzer-no-link
    [ "$(basename "$source")" = Lzh.cpp ] && coverage="$coverage -fno-sanitize-coverage=trace-cmp"
    # shellcheck disable=SC2086
    clang++ "${flags[@]}" $coverage -MMD -MF "$object.d" -c "$source" -o "$object"
}

# Other work may change the sources while the targets run: each target first brings
# the library up to date, so it never links objects built from two versions of a header.
library() {
    local source object running=0 failed=0 all=()
    for source in "${sources[@]}"; do
        object="$objects/$(basename "$(dirname "$source")")_$(basename "$source" .cpp).o"
        all+=("$object")
        current "$object" && continue
        compile "$source" "$object" &
        running=$((running + 1))
        if [ "$running" -ge "$jobs" ]; then
            wait -n || failed=1
            running=$((running - 1))
        fi
    done
    while [ "$running" -gt 0 ]; do
        wait -n || failed=1
        running=$((running - 1))
    done
    [ "$failed" = 0 ] || { echo "[fuzz] the program's code does not build for fuzzing" >&2; return 1; }
    rm -f "$out/libkelo_fuzz.a"
    ar rcs "$out/libkelo_fuzz.a" "${all[@]}"
}

status=0
for target in "${targets[@]}"; do
    exe="$out/fuzz_$target"
    echo "== fuzz $target: build"
    library
    clang++ "${flags[@]}" -fsanitize=fuzzer "$here/Fuzz_$target.cpp" "$out/libkelo_fuzz.a" -o "$exe"

    crashers="$here/crashers/$target"
    if compgen -G "$crashers/*" >/dev/null; then
        echo "== fuzz $target: replaying $(find "$crashers" -type f | wc -l) kept inputs"
        "$exe" -runs=1 "$crashers"/* >/dev/null 2>&1 || { echo "[fuzz] a kept input of $target fails again" >&2; status=1; continue; }
    fi

    work="$out/corpus/$target"
    artifacts="$out/artifacts/$target"
    rm -rf "$artifacts"
    mkdir -p "$work" "$artifacts"
    dict=()
    [ -f "$here/$target.dict" ] && dict=(-dict="$here/$target.dict")
    echo "== fuzz $target: ${seconds}s"
    # The CPU time besides the wall-clock rate: the machine may be busy with other work.
    if ! { time "$exe" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len="${maxLen[$target]:-4096}" \
        -print_final_stats=1 -artifact_prefix="$artifacts/" "${dict[@]}" \
        "$work" "$here/corpus/$target" 2>"$out/$target.log"; } 2>"$out/$target.cpu"; then
        mkdir -p "$crashers"
        for f in "$artifacts"/*; do
            [ -f "$f" ] && cp "$f" "$crashers/" && echo "[fuzz] $target found $(basename "$f"), kept in fuzz/crashers/$target/" >&2
        done
        tail -40 "$out/$target.log" >&2
        status=1
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$out/$target.log")
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$out/$target.log")
    rss=$(sed -n 's/^stat::peak_rss_mb: *//p' "$out/$target.log")
    perCpu=$(awk -v runs="${runs:-0}" '{ cpu = $1 + $2 } END { if (cpu > 0) printf "%d", runs / cpu; else print "?" }' "$out/$target.cpu")
    echo "[fuzz] $target: ${runs:-?} runs in ${seconds} s, ${rate:-?} exec/s (${perCpu} per CPU second), peak RSS ${rss:-?} MB"
done
exit "$status"
