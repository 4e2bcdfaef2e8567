"""The portable package as a user gets it: scripts/package.sh makes the zip from the
build under test; the zip holds the program and the Chinese guide, the program carries
its manifest and the project's version; unpacked into a fresh folder, it runs under
Wine with its main window and tray icon and saves its files beside itself.

    python3 tests/e2e/test_package.py BUILD_DIR
"""

import os
import struct
import subprocess
import sys
import time
import unittest
import xml.etree.ElementTree as ElementTree
import zipfile
import zlib
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))

from kelo_e2e import REPO_DIR, Env, build_dir_from_args, parse_hms  # noqa: E402

BUILD_DIR = None
GUIDE = "使用说明.txt"
RT_VERSION, RT_MANIFEST = 16, 24
WINDOWS_7_TO_11 = {"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
                   "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}


def pe_header_time(image: bytes) -> int:
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    return struct.unpack_from("<I", image, pe + 8)[0]


def pe_resource(image: bytes, kind: int) -> bytes:
    """The first resource of a numbered type in an x86_64 PE image."""
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    sections, optional_size = struct.unpack_from("<H12xH", image, pe + 6)
    optional = pe + 24
    table = struct.unpack_from("<I", image, optional + 112 + 2 * 8)[0]

    def offset(rva):
        for i in range(sections):
            size, start, _, raw = struct.unpack_from("<IIII", image, optional + optional_size + 40 * i + 8)
            if start <= rva < start + size:
                return rva - start + raw
        raise ValueError(f"RVA {rva:#x} is in no section")

    base = offset(table)

    def entry(directory, wanted=None):
        named, numbered = struct.unpack_from("<HH", image, base + directory + 12)
        for i in range(named + numbered):
            name, target = struct.unpack_from("<II", image, base + directory + 16 + 8 * i)
            if wanted is None or name == wanted:
                return target & 0x7FFFFFFF
        raise KeyError(f"no resource of type {kind}")

    leaf = entry(entry(entry(0, kind)))
    rva, size = struct.unpack_from("<II", image, base + leaf)
    return image[offset(rva):offset(rva) + size]


class PackageEndToEnd(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.build = Path(BUILD_DIR).resolve()
        cls.dist = cls.build / "e2e" / "package-dist"
        out = subprocess.run([str(REPO_DIR / "scripts" / "package.sh")], stdin=subprocess.DEVNULL,
                             stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True, timeout=1800,
                             env=dict(os.environ, KELO_BUILD_DIR=str(cls.build), KELO_DIST_DIR=str(cls.dist)))
        if out.returncode != 0:
            raise RuntimeError(f"scripts/package.sh failed:\n{out.stdout}")
        cache = (cls.build / "CMakeCache.txt").read_text()
        cls.version = cache.split("CMAKE_PROJECT_VERSION:STATIC=", 1)[1].split("\n", 1)[0]
        cls.zip = cls.dist / f"Kelo-{cls.version}-win64.zip"
        # The names are in the code page of Chinese Windows.
        with zipfile.ZipFile(cls.zip, metadata_encoding="gbk") as z:
            cls.infos = z.infolist()
            cls.files = {info.filename: z.read(info) for info in cls.infos}

    def test_package_holds_the_program_and_the_guide(self):
        self.assertEqual([info.filename for info in self.infos], ["Kelo.exe", GUIDE])
        guide = self.infos[1]
        unicode_path = b"\x01" + struct.pack("<I", zlib.crc32(GUIDE.encode("gbk"))) + GUIDE.encode("utf-8")
        self.assertEqual(guide.extra, struct.pack("<HH", 0x7075, len(unicode_path)) + unicode_path)
        text = self.files[GUIDE]
        self.assertTrue(text.startswith(b"\xef\xbb\xbf"), "UTF-8 with its byte-order mark")
        self.assertEqual(text.count(b"\n"), text.count(b"\r\n"), "CR LF line ends")
        for topic in ("Kelo.ini", "Kelo.trv", "%APPDATA%\\Kelo", "限额前提醒", "使用统计", "导出 CSV",
                      "开机时自动运行", "退出程序", "仍然退出", "Kelo.reserve"):
            self.assertIn(topic, text.decode("utf-8"))

        image = self.files["Kelo.exe"]
        self.assertEqual(image, (self.build / "Kelo.exe").read_bytes())
        self.assertEqual(pe_header_time(image), 0, "no link time in the header")
        fixed = pe_resource(image, RT_VERSION)
        at = fixed.index(struct.pack("<I", 0xFEEF04BD))
        high, low = struct.unpack_from("<II", fixed, at + 8)
        self.assertEqual(f"{high >> 16}.{high & 0xFFFF}.{low >> 16}", self.version)

        manifest = ElementTree.fromstring(pe_resource(image, RT_MANIFEST))
        tags = {element.tag.split("}")[-1]: element for element in manifest.iter()}
        self.assertEqual(tags["requestedExecutionLevel"].get("level"), "asInvoker")
        self.assertEqual({e.get("Id") for e in manifest.iter() if e.tag.endswith("}supportedOS")}, WINDOWS_7_TO_11)
        self.assertFalse({"dpiAware", "dpiAwareness"} & tags.keys(), "no DPI awareness")

    def test_unpacked_program_runs_and_saves_beside_itself(self):
        with Env(self.build, desktop="1280x1024") as env:
            folder = env.fresh_dir("unpacked", exe=False)
            for name, data in self.files.items():
                (folder / name).write_bytes(data)
            env.online()
            proc = env.start(folder / "Kelo.exe")
            main = env.find_window("TFrmKeloMain", timeout_ms=30000)
            self.assertIsNotNone(main, "the main window did not appear")
            tray = env.find_window("TTrayIconWindow")
            self.assertIsNotNone(tray, "no tray icon window")
            # The icon's id is the tray component's address, kept as its window's user data.
            icon = env.driver("userdata", tray).strip()
            self.assertIsNotNone(env.driver("notify-icon", "modify", tray, icon), "no icon in the tray")
            deadline = time.monotonic() + 15
            while parse_hms(env.driver("inspect", main, "lblCurStr").strip()[len("本次用时:"):]) < 1:
                self.assertLess(time.monotonic(), deadline, "no online second counted")
                time.sleep(0.2)
            shots = self.build.parent / "screenshots"
            env.screenshot(shots / "e2e-package.png")
            self.assertIsNotNone(env.driver("end-session", main))
            proc.wait(30)
            ini = (folder / "Kelo.ini").read_bytes().decode("gbk")
            self.assertRegex(ini, r"\r\nSumTime=\d+:\d+:\d+\r\n")
            self.assertEqual((folder / "Kelo.trv").read_bytes().count(b"\r\n"), 1, "one run, one record")


if __name__ == "__main__":
    BUILD_DIR = build_dir_from_args(sys.argv)
    unittest.main(argv=[sys.argv[0]], verbosity=2)
