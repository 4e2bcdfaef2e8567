#!/usr/bin/env bash
# Fuzzes the skin's readers: the LZHUF decoder, the skin archive and the skin INI parser.
# Builds each target with clang's libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer
# into build/fuzz, replays every input kept in fuzz/crashers/<target>/, then runs each
# target for KELO_FUZZ_SECONDS (default 30) over its seed corpus. A new finding is copied
# into fuzz/crashers/<target>/ (keep it: the unit tests replay it too) and fails the run.
# Installs clang and libFuzzer when they are missing. Run as root on Debian 12.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
root="$(cd "$here/.." && pwd)"
out="$root/build/fuzz"
seconds="${KELO_FUZZ_SECONDS:-30}"

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

sources=("$root"/src/skin/{Lzh,SkinArchive,SkinImage,SkinIni,SkinData}.cpp)
mkdir -p "$out"
status=0
for target in lzh archive skinini; do
    exe="$out/fuzz_$target"
    echo "== fuzz $target: build"
    clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
        -I"$root/src" -I"$here" "$here/Fuzz_$target.cpp" "${sources[@]}" -o "$exe"

    crashers="$here/crashers/$target"
    if compgen -G "$crashers/*" >/dev/null; then
        echo "== fuzz $target: replaying $(find "$crashers" -type f | wc -l) kept inputs"
        "$exe" -runs=1 "$crashers"/* >/dev/null 2>&1 || { echo "[fuzz] a kept input of $target fails again" >&2; status=1; continue; }
    fi

    work="$out/corpus/$target"
    artifacts="$out/artifacts/$target"
    mkdir -p "$work" "$artifacts"
    dict=()
    [ -f "$here/$target.dict" ] && dict=(-dict="$here/$target.dict")
    echo "== fuzz $target: ${seconds}s"
    if ! "$exe" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
        -print_final_stats=1 -artifact_prefix="$artifacts/" "${dict[@]}" \
        "$work" "$here/corpus/$target" 2>"$out/$target.log"; then
        mkdir -p "$crashers"
        for f in "$artifacts"/*; do
            [ -f "$f" ] && cp "$f" "$crashers/" && echo "[fuzz] $target found $(basename "$f"), kept in fuzz/crashers/$target/" >&2
        done
        tail -40 "$out/$target.log" >&2
        status=1
    fi
    grep -E "stat::number_of_executed_units|stat::peak_rss_mb" "$out/$target.log" | sed "s/^/[fuzz] $target /" || true
done
exit "$status"
