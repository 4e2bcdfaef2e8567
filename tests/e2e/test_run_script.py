"""scripts/run.sh as the quick start uses it on a machine without a display:
it makes its own Wine prefix and virtual X server, runs the program for a few
seconds, takes a screenshot and ends the program through the log-off path, so
that its files are written.  Also the shared shell helpers under the strict
mode (`set -euo pipefail`) the scripts run in.

    python3 tests/e2e/test_run_script.py BUILD_DIR

The script runs on the build folder under test (it only brings Kelo.exe and
kelo_driver.exe up to date there), but the program runs in a folder of the
test's own with a prefix of the test's own, made afresh the way a fresh
machine makes it, so the developer's Kelo.ini and prefix stay as they are.
It runs inside a network namespace of the test with a default route, so the
program counts online time and must write Kelo.trv; nothing is sent anywhere.
"""

import os
import re
import shutil
import signal
import subprocess
import sys
import time
import unittest
import uuid
from collections import Counter
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))

from kelo_e2e import (COMMON_SH, REPO_DIR, _bash_lib, _prefix_of,  # noqa: E402
                      build_dir_from_args, cleanup_stale_runs, netpbm, parse_hms)

BUILD_DIR = None

RUN_SH = REPO_DIR / "scripts" / "run.sh"
RUN_SECONDS = 6
# The main window with its frame, as its form description sizes it.
# The skin's frame (5, 29 + menu bar 19, 5, 5) around the main window's client area.
MAIN_WINDOW_SIZE = (698, 491)


def _raise_system_exit(signum, frame):
    raise SystemExit(128 + signum)


class Screen:
    """The pixels of a screenshot as RGB triples."""

    def __init__(self, png: Path):
        out = subprocess.run(["convert", str(png), "-depth", "8", "ppm:-"], check=True,
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE).stdout
        self.width, self.height, pixels = netpbm(out, b"P6")
        self.pixels = pixels[:self.width * self.height * 3]

    def at(self, x, y):
        i = (y * self.width + x) * 3
        return tuple(self.pixels[i:i + 3])

    def colours(self, left, top, right, bottom, step=1):
        return Counter(self.at(x, y) for y in range(top, bottom, step) for x in range(left, right, step))

    def box_around(self, x, y, background):
        """The rectangle of non-background pixels that holds (x, y), followed
        along its row and its column."""
        left, right, top, bottom = x, x, y, y
        while left > 0 and self.at(left - 1, y) != background:
            left -= 1
        while right < self.width and self.at(right, y) != background:
            right += 1
        while top > 0 and self.at(x, top - 1) != background:
            top -= 1
        while bottom < self.height and self.at(x, bottom) != background:
            bottom += 1
        return left, top, right, bottom


class RunScriptTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        if os.geteuid() != 0:
            raise PermissionError("the test needs root (network namespaces)")
        cls.build = Path(BUILD_DIR).resolve()
        for exe in ("Kelo.exe", "kelo_driver.exe"):
            if not (cls.build / exe).is_file():
                raise FileNotFoundError(f"{cls.build / exe} is missing (build it first)")
        cls.old_sigterm = signal.signal(signal.SIGTERM, _raise_system_exit)
        cleanup_stale_runs(cls.build)
        run_id = f"{time.strftime('%Y%m%d-%H%M%S')}-{os.getpid()}-{uuid.uuid4().hex[:6]}"
        cls.run_dir = cls.build / "e2e" / "runs" / run_id
        cls.app = cls.run_dir / "app"
        cls.prefix = cls.run_dir / "wineprefix"
        cls.netns = f"kelo-{os.getpid()}-{uuid.uuid4().hex[:6]}"
        cls.failed = False
        cls.run_dir.mkdir(parents=True)
        # Lets a later run clean up after this one if it is killed outright.
        (cls.run_dir / "owner").write_text(f"pid={os.getpid()}\nnetns={cls.netns}\nprefix={cls.prefix}\n")
        try:
            _bash_lib("kelo_netns_create", cls.netns)
            _bash_lib("kelo_netns_online", cls.netns)
        except BaseException:
            cls.tearDownClass()
            raise

    @classmethod
    def tearDownClass(cls):
        for pid in cls.prefix_pids():
            try:
                os.kill(pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
        pids = subprocess.run(["ip", "netns", "pids", cls.netns], capture_output=True, text=True).stdout
        for pid in pids.split():
            try:
                os.kill(int(pid), signal.SIGKILL)
            except (ProcessLookupError, ValueError):
                pass
        _bash_lib("kelo_netns_delete", cls.netns, check=False)
        (cls.run_dir / "owner").unlink(missing_ok=True)
        if cls.failed or os.environ.get("KELO_E2E_KEEP") == "1":
            print(f"\nrun folder kept: {cls.run_dir}", file=sys.stderr)
        else:
            shutil.rmtree(cls.run_dir, ignore_errors=True)
        signal.signal(signal.SIGTERM, cls.old_sigterm)

    @classmethod
    def prefix_pids(cls):
        return [int(e) for e in os.listdir("/proc") if e.isdigit() and _prefix_of(int(e)) == str(cls.prefix)]

    def run(self, result=None):
        result = super().run(result)
        if result is not None and not result.wasSuccessful():
            type(self).failed = True
        return result

    def run_script(self):
        """scripts/run.sh in the namespace, as from a shell without a display."""
        env = dict(os.environ)
        for var in ("DISPLAY", "WAYLAND_DISPLAY", "KELO_USE_DISPLAY"):
            env.pop(var, None)
        env.update({
            "KELO_BUILD_DIR": str(self.build),
            "KELO_RUN_DIR": str(self.app),
            "KELO_WINEPREFIX": str(self.prefix),
            "KELO_RUN_SECONDS": str(RUN_SECONDS),
        })
        log = self.run_dir / "run.log"
        with open(log, "wb") as out:
            proc = subprocess.Popen(["ip", "netns", "exec", self.netns, str(RUN_SH)], env=env,
                                    stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.STDOUT,
                                    start_new_session=True)
            try:
                rc = proc.wait(600)
            except BaseException:
                # Its traps end its Wine session and its X server.
                os.killpg(proc.pid, signal.SIGTERM)
                try:
                    proc.wait(60)
                except subprocess.TimeoutExpired:
                    os.killpg(proc.pid, signal.SIGKILL)
                    proc.wait()
                raise
        return rc, log.read_text(encoding="utf-8", errors="replace")

    def test_headless_run_shows_the_main_window_and_saves_at_log_off(self):
        own_ini = self.build / "Kelo.ini"
        own_before = own_ini.stat().st_mtime_ns if own_ini.exists() else None
        started = time.monotonic()
        rc, output = self.run_script()
        took = time.monotonic() - started
        print(f"\nrun.sh took {took:.0f} s\n{output}", file=sys.stderr)
        self.assertEqual(rc, 0, output)
        self.assertRegex(output, rf"Kelo ran for {RUN_SECONDS} s on a virtual X server \(:\d+\), online\.")

        with self.subTest("nothing of the run is left running"):
            self.assertEqual(self.prefix_pids(), [], "Wine processes of the run's prefix")
            pids = subprocess.run(["ip", "netns", "pids", self.netns], capture_output=True, text=True).stdout
            self.assertEqual(pids.split(), [], "processes in the namespace (the X server?)")

        with self.subTest("the build folder's own files are untouched"):
            self.assertEqual(own_ini.stat().st_mtime_ns if own_ini.exists() else None, own_before)

        with self.subTest("screenshot"):
            shot = self.app / "kelo-run.png"
            self.assertTrue(shot.is_file(), "no screenshot")
            shots = self.build.parent / "screenshots"
            shots.mkdir(parents=True, exist_ok=True)
            shutil.copyfile(shot, shots / "e2e-run-script.png")
            self.check_screenshot(Screen(shot))

        with self.subTest("files"):
            self.check_files(took)

    def check_screenshot(self, screen):
        self.assertEqual((screen.width, screen.height), (1280, 1024))
        background, count = screen.colours(0, 0, screen.width, screen.height, step=4).most_common(1)[0]
        self.assertGreater(count, screen.width * screen.height / 16 * 0.3,
                           "Wine's desktop is not seen around the windows")
        # The main window opens in the middle of the screen.
        left, top, right, bottom = screen.box_around(screen.width // 2, screen.height // 2, background)
        self.assertEqual((right - left, bottom - top), MAIN_WINDOW_SIZE,
                         f"no main window with its frame in the middle: ({left}, {top}, {right}, {bottom})")
        # Whole inside its rounded corners, which the window region cuts away.
        colours = screen.colours(left + 6, top + 6, right - 6, bottom - 6)
        self.assertNotIn(background, colours, "the window is not whole")
        # The caption bar, drawn by the skin, is no white client area.
        caption = screen.colours(left + 4, top + 6, right - 4, top + 14)
        light = sum(n for c, n in caption.items() if min(c) >= 240)
        self.assertLess(light, sum(caption.values()) * 0.3, f"no caption bar: {caption.most_common(3)}")
        # The information strip: green text on black below the menu bar.
        strip = screen.colours(left, top, right, top + 100)
        black = strip.get((0, 0, 0), 0)
        green = sum(n for (r, g, b), n in strip.items() if g >= 100 and r < 60 and b < 60)
        self.assertGreater(black, 5000, "no black information strip")
        self.assertGreater(green, 100, "no green text in the information strip")

    def check_files(self, took):
        ini = (self.app / "Kelo.ini").read_bytes().decode("gbk")
        total = re.search(r"\r\nSumTime=(\d+:\d+:\d+)\r\n", ini)
        self.assertIsNotNone(total, ini)
        self.assertTrue((self.app / "Kelo.trv").is_file(), "no Kelo.trv after an online run")
        data = (self.app / "Kelo.trv").read_bytes()
        self.assertTrue(data.endswith(b"\r\n"), data)
        lines = data[:-2].split(b"\r\n")
        self.assertEqual(len(lines), 1, "one run, one record")
        fields = [f.decode("gbk") for f in lines[0].split(b"\x07")]
        self.assertEqual(len(fields), 6, fields)
        self.assertEqual(fields[4], "Kelo")
        online = parse_hms(fields[2])
        self.assertGreaterEqual(online, 1, fields)
        self.assertLessEqual(online, took, fields)
        self.assertEqual(parse_hms(total[1]), online, "the month total is the one run")

    def test_shared_helpers_work_under_strict_mode(self):
        # What the scripts meet in the normal course: nothing to install, a
        # locale that is there already, an X server that has died already, a
        # namespace or a route that is not there.  None of it may end a script
        # running under `set -euo pipefail`.
        ns = f"{self.netns}-s"
        script = f"""
            set -euo pipefail
            . "{COMMON_SH}"
            kelo_install_deps
            kelo_locale_ensure C.UTF-8
            kelo_xvfb_stop
            kelo_xvfb_start
            kill "$KELO_XVFB_PID"
            sleep 0.5
            kelo_xvfb_stop
            kelo_netns_delete {ns}
            kelo_netns_create {ns}
            kelo_netns_offline {ns}
            kelo_netns_online {ns}
            kelo_netns_offline {ns}
            kelo_netns_delete {ns}
            kelo_netns_delete {ns}
            echo all-done
        """
        try:
            r = subprocess.run(["bash", "-c", script], stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                               stderr=subprocess.STDOUT, text=True, timeout=120,
                               env={k: v for k, v in os.environ.items() if k != "KELO_USE_DISPLAY"})
        finally:
            _bash_lib("kelo_netns_delete", ns, check=False)
        self.assertEqual((r.returncode, r.stdout.strip().splitlines()[-1:]), (0, ["all-done"]), r.stdout)


if __name__ == "__main__":
    BUILD_DIR = build_dir_from_args(sys.argv)
    unittest.main(argv=[sys.argv[0]], verbosity=2)
