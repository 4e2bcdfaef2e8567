#!/usr/bin/env bash
# Builds the portable package build/dist/Kelo-<version>-win64.zip: Kelo.exe and the user's
# guide 使用说明.txt (UTF-8 with a byte-order mark, CR LF line ends), and prints its path,
# size and SHA-256. The version is the CMake project's. The same commit gives the same
# bytes: the files in the package carry the commit's time, in a fixed order.
# Installs the Debian packages it needs when they are missing. Run as root.
#
#   scripts/package.sh           builds in the Windows build folder
#   scripts/package.sh --check   copies the sources into two fresh folders, builds
#                                Kelo.exe and the package in each and compares them
#                                byte for byte; exit status 1 when they differ
#
# KELO_BUILD_DIR  the Windows build folder (default build/win)
# KELO_DIST_DIR   where the package goes (default build/dist)
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=scripts/lib/common.sh
source "$root/scripts/lib/common.sh"

fail() {
  echo "package.sh: $*" >&2
  exit 1
}

check=0
case "${1:-}" in
  "") ;;
  --check) check=1 ;;
  *) fail "usage: scripts/package.sh [--check]" ;;
esac

# The time of every file in the package: the commit's, so that it does not depend on when
# or where the package is made.
source_time() {
  if [ -n "${SOURCE_DATE_EPOCH:-}" ]; then
    echo "$SOURCE_DATE_EPOCH"
  elif git -C "$root" rev-parse --verify -q HEAD >/dev/null 2>&1; then
    git -C "$root" log -1 --format=%ct HEAD
  else
    echo 946684800 # 2000-01-01, for sources outside a git checkout
  fi
}

# build_kelo SOURCE BUILD: brings Kelo.exe up to date in BUILD, configuring it if needed.
build_kelo() {
  if [ -f "$2/CMakeCache.txt" ]; then
    cmake -S "$1" -B "$2" >/dev/null
  else
    cmake -S "$1" -B "$2" -DCMAKE_BUILD_TYPE=Release \
      -DCMAKE_TOOLCHAIN_FILE="$1/cmake/mingw-w64-x86_64.cmake" >/dev/null
  fi
  cmake --build "$2" -j"$(nproc)" --target Kelo
}

# make_zip SOURCE BUILD DIST TIME: writes DIST/Kelo-<version>-win64.zip and prints its path.
# Names are stored in the code page of Chinese Windows (GBK), which the system's own zip
# folder reads, with the UTF-8 name in the Unicode path field that other unpackers prefer.
make_zip() {
  local version zip
  version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$2/CMakeCache.txt")
  [ -n "$version" ] || fail "no project version in $2/CMakeCache.txt"
  mkdir -p "$3"
  zip="$3/Kelo-$version-win64.zip"
  python3 - "$zip" "$2/Kelo.exe" "$1/resources/使用说明.txt" "$4" <<'EOF'
import struct
import sys
import time
import zipfile
import zlib

out, exe, guide, epoch = sys.argv[1:5]
stamp = time.gmtime(max(int(epoch), 315532800))[:6]  # zip times start in 1980


class Entry(zipfile.ZipInfo):
    def _encodeFilenameFlags(self):
        return self.filename.encode("gbk"), self.flag_bits


def entry(name):
    info = Entry(name, stamp)
    info.compress_type = zipfile.ZIP_DEFLATED
    info.create_system = 0       # made on Windows: no Unix owner or permissions
    info.external_attr = 0x20    # FILE_ATTRIBUTE_ARCHIVE
    local, utf8 = name.encode("gbk"), name.encode("utf-8")
    if local != utf8:
        field = b"\x01" + struct.pack("<I", zlib.crc32(local)) + utf8
        info.extra = struct.pack("<HH", 0x7075, len(field)) + field
    return info


text = open(guide, encoding="utf-8-sig").read().replace("\r\n", "\n")
files = [("Kelo.exe", open(exe, "rb").read()),
         ("使用说明.txt", ("\ufeff" + text.replace("\n", "\r\n")).encode("utf-8"))]
with zipfile.ZipFile(out + ".tmp", "w") as z:
    for name, data in files:
        z.writestr(entry(name), data, compresslevel=9)
EOF
  mv "$zip.tmp" "$zip"
  echo "$zip"
}

# describe FILE: its size and SHA-256.
describe() {
  printf '%s\n  %s bytes, sha256 %s\n' "$1" "$(stat -c %s "$1")" "$(sha256sum "$1" | cut -d' ' -f1)"
}

kelo_install_deps || fail "could not install the packages Kelo needs"
when=$(source_time)
dist="${KELO_DIST_DIR:-$root/build/dist}"

if [ "$check" = 0 ]; then
  build="${KELO_BUILD_DIR:-$root/build/win}"
  build_kelo "$root" "$build"
  zip=$(make_zip "$root" "$build" "$dist" "$when")
  describe "$zip"
  exit 0
fi

# Two copies of the sources in two folders of different names and lengths, each built
# from nothing without a compiler cache, which could hand the second build the first
# one's objects.
unset CMAKE_C_COMPILER_LAUNCHER CMAKE_CXX_COMPILER_LAUNCHER
zips=()
for side in a bb; do
  work="$dist/check-$side"
  rm -rf "$work"
  mkdir -p "$work/source"
  tar -C "$root" --exclude=./build --exclude=./.git -cf - . | tar -C "$work/source" -xf -
  echo "== build $side in $work"
  build_kelo "$work/source" "$work/build" >"$work/build.log" 2>&1 ||
    fail "build $side failed; see $work/build.log"
  zips+=("$(make_zip "$work/source" "$work/build" "$work/dist" "$when")")
done

# compare FIRST SECOND: both described, then whether they are the same bytes.
status=0
compare() {
  describe "$1"
  describe "$2"
  if cmp -s "$1" "$2"; then
    echo "  identical"
  else
    echo "  DIFFERENT: $(cmp "$1" "$2" | head -1)"
    status=1
  fi
}
compare "$dist/check-a/build/Kelo.exe" "$dist/check-bb/build/Kelo.exe"
compare "${zips[0]}" "${zips[1]}"
if [ "$status" != 0 ]; then
  fail "the two builds differ"
fi
echo "The two builds are byte for byte the same."
