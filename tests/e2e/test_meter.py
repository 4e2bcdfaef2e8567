"""The meter as a user meets it: Kelo.exe in a fresh folder under Wine, with the
connection switched on and off through the test's own network namespace.

    python3 tests/e2e/test_meter.py BUILD_DIR
"""

import re
import shutil
import subprocess
import sys
import time
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))

from kelo_e2e import Env, build_dir_from_args, parse_hms  # noqa: E402

BUILD_DIR = None
MAIN_CLASS = "TFrmKeloMain"
FIRST_START_INI = b"[Setup]\r\nSetupBool=0\r\n"
DATE_TIME = r"\d{4}-\d\d-\d\d \d\d:\d\d:\d\d"


class MeterEndToEnd(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.env = Env(BUILD_DIR, desktop="1280x1024")
        cls.env.__enter__()
        cls.shots = Path(BUILD_DIR).parent / "screenshots"
        cls.shots.mkdir(parents=True, exist_ok=True)

    @classmethod
    def tearDownClass(cls):
        cls.env.__exit__(None, None, None)

    def tearDown(self):
        self.env.kill_all("Kelo.exe")
        self.env.offline()
        self.wait_no_main_window()

    def wait_no_main_window(self, timeout=15):
        """Waits until no main window is left, so the next case finds its own."""
        deadline = time.monotonic() + timeout
        while self.env.find_window(MAIN_CLASS) is not None:
            if time.monotonic() > deadline:
                self.fail("a main window of an earlier run is still there")
            time.sleep(0.2)

    # -- helpers ---------------------------------------------------------

    def start(self, name, ini=None):
        self.wait_no_main_window()
        folder = self.env.fresh_dir(name)
        if ini is not None:
            (folder / "Kelo.ini").write_bytes(ini)
        proc = self.env.start(folder / "Kelo.exe")
        started = time.monotonic()
        hwnd = self.env.find_window(MAIN_CLASS, timeout_ms=30000)
        self.assertIsNotNone(hwnd, "the main window did not appear")
        return folder, proc, hwnd, started

    def label(self, hwnd, name):
        out = self.env.driver("inspect", hwnd, name)
        self.assertIsNotNone(out, f"no {name} in the window")
        return out.rstrip("\n")

    def labels(self, hwnd):
        return [self.label(hwnd, n) for n in ("lblMonthStr", "lblCurStr", "lblStartStr")]

    def run_seconds(self, hwnd):
        text = self.label(hwnd, "lblCurStr")
        self.assertTrue(text.startswith("本次用时:"), text)
        return parse_hms(text[len("本次用时:"):])

    def wait_run_seconds(self, hwnd, at_least, timeout):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            value = self.run_seconds(hwnd)
            if value >= at_least:
                return value
            time.sleep(0.2)
        self.fail(f"the run label did not reach {at_least} s within {timeout} s")

    def quit(self, proc, hwnd):
        """Ends the program through the system's log-off path."""
        out = self.env.driver("end-session", hwnd)
        self.assertIsNotNone(out)
        proc.wait(30)

    def in_wineserver(self):
        """The command prefix that runs a command in the mount namespace of Wine's server
        (it opens and renames the program's files), and the root of the files it sees."""
        pids = subprocess.run(["ip", "netns", "pids", self.env.netns], capture_output=True, text=True).stdout.split()
        server = next(pid for pid in pids if Path(f"/proc/{pid}/comm").read_text().startswith("wineserver"))
        return ["nsenter", "-t", server, "-m", "--"], Path(f"/proc/{server}/root")

    def history_lines(self, folder):
        data = (folder / "Kelo.trv").read_bytes()
        self.assertTrue(data.endswith(b"\r\n"))
        return [line.split(b"\x07") for line in data[:-2].split(b"\r\n")]

    # -- the cases -------------------------------------------------------

    def test_offline_run_counts_nothing_and_quitting_writes_neither_file(self):
        self.env.offline()
        folder, proc, hwnd, _ = self.start("offline")
        time.sleep(6)
        self.assertEqual(self.run_seconds(hwnd), 0)
        self.assertIn("本月用时:00:00:00", self.labels(hwnd))
        ini_after_start = (folder / "Kelo.ini").read_bytes()
        self.assertEqual(ini_after_start, FIRST_START_INI)
        self.quit(proc, hwnd)
        self.assertEqual((folder / "Kelo.ini").read_bytes(), FIRST_START_INI)
        self.assertFalse((folder / "Kelo.trv").exists())

    def test_online_time_is_counted_paused_resumed_and_saved_as_one_record(self):
        env = self.env
        env.online()
        folder, proc, hwnd, started = self.start("online")
        self.wait_run_seconds(hwnd, 1, timeout=10)
        began = time.monotonic() - started - 1
        self.assertLess(began, 4.5, "counting should begin at the first check, made at start")
        self.wait_run_seconds(hwnd, 5, timeout=10)
        env.screenshot(self.shots / "e2e-main-window-online.png")

        env.offline()
        time.sleep(3)  # the next check, at most 2 s later, stops the counter
        paused = self.run_seconds(hwnd)
        time.sleep(5)
        self.assertEqual(self.run_seconds(hwnd), paused, "counting went on while offline")

        env.online()
        resumed = self.wait_run_seconds(hwnd, paused + 3, timeout=10)
        self.assertLessEqual(resumed, paused + 4)
        final_label = self.run_seconds(hwnd)
        self.quit(proc, hwnd)

        lines = self.history_lines(folder)
        self.assertEqual(len(lines), 1, "one run gives one record")
        start, end, online, host, kind, ip = (f.decode("gbk") for f in lines[0])
        self.assertRegex(start, DATE_TIME)
        self.assertRegex(end, DATE_TIME)
        self.assertLessEqual(start, end)
        self.assertRegex(online, r"^\d\d:\d\d:\d\d$")
        self.assertLessEqual(abs(parse_hms(online) - final_label), 2)
        self.assertTrue(host)
        self.assertEqual(kind, "Kelo")
        self.assertRegex(ip, r"^(\d{1,3}\.){3}\d{1,3}$|^$")

        ini = (folder / "Kelo.ini").read_bytes().decode("gbk")
        total = re.search(r"\r\nSumTime=(\d+):(\d+):(\d+)\r\n", ini)
        self.assertIsNotNone(total, ini)
        self.assertEqual(int(total[1]) * 3600 + int(total[2]) * 60 + int(total[3]),
                         parse_hms(online))
        self.assertRegex(ini, r"\r\nStart=" + DATE_TIME + r"\r\n")
        self.assertRegex(ini, r"\r\nPeriod=\d{4}-\d\d-\d\d\r\n")

    def test_second_copy_ends_without_a_window_and_the_first_keeps_counting(self):
        env = self.env
        env.online()
        folder, proc, hwnd, _ = self.start("single")
        before = self.wait_run_seconds(hwnd, 1, timeout=10)
        second = env.start(folder / "Kelo.exe")
        self.assertEqual(second.wait(20), 0)
        mains = [w for w in env.toplevels("Kelo.exe") if w["cls"] == MAIN_CLASS]
        self.assertEqual(len(mains), 1)
        self.assertEqual(mains[0]["hwnd"], hwnd)
        self.wait_run_seconds(hwnd, before + 2, timeout=10)
        self.quit(proc, hwnd)

    def test_daily_limit_gives_exactly_one_message_box_and_counting_goes_on(self):
        env = self.env
        env.online()
        folder, proc, hwnd, _ = self.start("daylimit", ini=b"[Setup]\r\nDate=0\r\n")
        box = env.msgbox("提示", timeout_ms=10000)
        self.assertIsNotNone(box, "no alarm box")
        self.assertEqual(box[1], "今天上网的时间已经到了!")
        env.screenshot(self.shots / "e2e-day-limit-alarm.png")
        counted = self.run_seconds(hwnd)
        self.wait_run_seconds(hwnd, counted + 3, timeout=10)  # counting goes on behind the box
        self.assertEqual(env.count_msgbox("提示"), 1)
        self.assertIsNotNone(env.driver("msgbox-close", "--caption", "提示"))
        time.sleep(3)
        self.assertEqual(env.count_msgbox("提示"), 0, "the alarm came twice")
        self.quit(proc, hwnd)

    def test_sound_alarm_shows_no_message_box(self):
        env = self.env
        env.online()
        folder, proc, hwnd, _ = self.start("soundalarm",
                                           ini=b"[Setup]\r\nDate=0\r\nSound=1\r\n")
        self.wait_run_seconds(hwnd, 3, timeout=10)
        self.assertEqual(env.count_msgbox("提示"), 0)
        self.quit(proc, hwnd)

    def test_a_killed_run_loses_at_most_fifteen_seconds(self):
        env = self.env
        env.online()
        folder, proc, hwnd, _ = self.start("killed")
        self.wait_run_seconds(hwnd, 40, timeout=60)
        counted = self.run_seconds(hwnd)
        proc.kill()
        self.wait_no_main_window()

        lines = self.history_lines(folder)
        self.assertEqual(len(lines), 1)
        saved = parse_hms(lines[0][2].decode("gbk"))
        self.assertGreater(saved, 0)
        self.assertLessEqual(counted - saved, 15)
        ini = (folder / "Kelo.ini").read_bytes().decode("gbk")
        self.assertIn(f"\r\nSumTime=0:{saved // 60}:{saved % 60}\r\n", ini)

        # The next start in the same folder carries the saved time on.
        env.offline()
        proc2 = env.start(folder / "Kelo.exe")
        hwnd2 = env.find_window(MAIN_CLASS, timeout_ms=30000)
        self.assertIsNotNone(hwnd2)
        self.assertIn(f"本月用时:0:{saved // 60}:{saved % 60}", self.labels(hwnd2))
        self.quit(proc2, hwnd2)
    def test_a_read_only_program_folder_keeps_the_files_in_application_data(self):
        env = self.env
        env.online()
        self.wait_no_main_window()
        folder = env.fresh_dir("read-only")
        stored_ini = b"[Date]\r\nSumTime=1:0:0\r\n"
        stored_line = b"2026-11-30 08:00:00\x072026-11-30 09:00:00\x0701:00:00\x07pc\x07Kelo\x07198.51.100.9\r\n"
        (folder / "Kelo.ini").write_bytes(stored_ini)
        (folder / "Kelo.trv").write_bytes(stored_line)
        roaming = [p for p in env.prefix.glob("drive_c/users/*/AppData/Roaming") if p.parts[-3] != "Public"]
        self.assertEqual(len(roaming), 1, roaming)
        moved = roaming[0] / "Kelo"
        shutil.rmtree(moved, ignore_errors=True)
        # Root writes anywhere: only a read-only mount keeps it out, as a share would. Wine's
        # server opens and renames the files, so the mount goes into its mount namespace.
        in_server, _ = self.in_wineserver()
        subprocess.run(in_server + ["mount", "--bind", str(folder), str(folder)], check=True)
        try:
            subprocess.run(in_server + ["mount", "-o", "remount,ro,bind", str(folder)], check=True)
            proc = env.start(folder / "Kelo.exe")
            hwnd = env.find_window(MAIN_CLASS, timeout_ms=30000)
            self.assertIsNotNone(hwnd, "the main window did not appear")
            self.assertIn("本月用时:1:0:0", self.labels(hwnd), "the stored total came along")
            self.wait_run_seconds(hwnd, 3, timeout=15)
            self.quit(proc, hwnd)
        finally:
            subprocess.run(in_server + ["umount", str(folder)], check=False)
        self.assertEqual((folder / "Kelo.ini").read_bytes(), stored_ini, "the originals stay")
        self.assertEqual((folder / "Kelo.trv").read_bytes(), stored_line)
        ini = (moved / "Kelo.ini").read_bytes().decode("gbk")
        self.assertRegex(ini, r"\r\nSumTime=1:0:\d+\r\n")
        self.assertNotIn("SumTime=1:0:0\r\n", ini, "this run was added")
        lines = self.history_lines(moved)
        self.assertEqual(len(lines), 2, "the old run and this one")
        shutil.rmtree(moved, ignore_errors=True)

    def test_a_full_disk_at_log_off_loses_nothing(self):
        env = self.env
        env.online()
        self.wait_no_main_window()
        folder = env.fresh_dir("full-disk")
        in_server, server_root = self.in_wineserver()
        # A small disk of its own as the program's folder, with the program on it. Wine's
        # server opens the files and the program renames them: both see the disk, the
        # program's namespace being made from the server's.
        size_kb = env.kelo_exe.stat().st_size // 1024 + 512
        subprocess.run(in_server + ["mount", "-t", "tmpfs", "-o", f"size={size_kb}k", "kelo-full", str(folder)],
                       check=True)
        try:
            subprocess.run(in_server + ["cp", str(env.kelo_exe), str(folder / "Kelo.exe")], check=True)
            env.netns_cmd = lambda argv: in_server[:-1] + [f"--wd={folder}", "--"] + type(env).netns_cmd(env, argv)
            try:
                proc = env.start(folder / "Kelo.exe")
            finally:
                del env.netns_cmd
            hwnd = env.find_window(MAIN_CLASS, timeout_ms=30000)
            self.assertIsNotNone(hwnd, "the main window did not appear")
            self.wait_run_seconds(hwnd, 16, timeout=30)  # a checkpoint has put the run's line in
            subprocess.run(in_server + ["dd", "if=/dev/zero", f"of={folder / 'filler'}", "bs=4k"],
                           capture_output=True, check=False)
            counted = self.run_seconds(hwnd)
            self.quit(proc, hwnd)
            seen = server_root / folder.relative_to("/")
            lines = self.history_lines(seen)
            self.assertEqual(len(lines), 1)
            saved = parse_hms(lines[0][2].decode("gbk"))
            self.assertGreaterEqual(saved, counted, "the time since the last checkpoint was lost")
            ini = (seen / "Kelo.ini").read_bytes().decode("gbk")
            self.assertIn(f"\r\nSumTime=0:{saved // 60}:{saved % 60}\r\n", ini)
        finally:
            subprocess.run(in_server + ["umount", str(folder)], check=False)

    def status_bar(self, hwnd):
        return self.env.driver("inspect", hwnd, "StatusBar1").rstrip("\n").split("\t")

    def test_a_chosen_adapter_counts_only_while_its_link_is_up(self):
        """A second adapter, named like a mobile one, comes and goes while the default
        route stays on the first: chosen, only its up time counts; any connection counts
        all of it."""
        env = self.env
        link = lambda *args: subprocess.run(["ip", "-n", env.netns, "link", *args], check=True)  # noqa: E731
        link("add", "wwan0", "type", "veth", "peer", "name", "wwan0p")
        try:
            subprocess.run(["ip", "-n", env.netns, "addr", "add", "198.51.100.66/32", "dev", "wwan0"], check=True)
            env.online()
            adapters = dict(line.split("\t")[:2] for line in env.driver("adapters").splitlines())
            self.assertIn("wwan0", adapters)
            ini = ("[Setup]\r\nSetupBool=0\r\n[Connection]\r\nKind=2\r\nName=wwan0\r\nId="
                   + adapters["wwan0"] + "\r\n").encode("gbk")
            folder, proc, hwnd, _ = self.start("chosen-adapter", ini)
            time.sleep(4)
            self.assertEqual(self.run_seconds(hwnd), 0, "counted while the chosen adapter was down")
            self.assertEqual(self.status_bar(hwnd)[3], "计费连接：wwan0（未连接）")
            link("set", "wwan0p", "up")
            link("set", "wwan0", "up")
            self.wait_run_seconds(hwnd, 4, timeout=15)
            self.assertEqual(self.status_bar(hwnd)[3], "计费连接：wwan0（已连接）")
            link("set", "wwan0", "down")
            time.sleep(3)
            paused = self.run_seconds(hwnd)
            time.sleep(4)
            self.assertEqual(self.run_seconds(hwnd), paused, "counted after the chosen adapter went down")
            self.quit(proc, hwnd)
            record = (folder / "Kelo.dtl").read_bytes()
            lines = [line.decode("gbk").split("\a") for line in record[:-2].split(b"\r\n")]
            self.assertEqual(len(lines), 1, record)
            self.assertEqual(lines[0][4:], ["wwan0", "198.51.100.66"])
            self.assertLessEqual(abs(int(lines[0][2]) - paused), 2)
            self.assertEqual(self.history_lines(folder)[0][5], b"198.51.100.66")

            folder, proc, hwnd, _ = self.start("any-connection", FIRST_START_INI)
            self.wait_run_seconds(hwnd, 3, timeout=10)
            self.assertEqual(self.status_bar(hwnd)[3], "计费连接：任何连接")
        finally:
            link("del", "wwan0")


FAKETIME_LIB = "/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1"


class BillingDayEndToEnd(unittest.TestCase):
    """A run over the billing day, under a clock that starts half a minute before it."""

    def test_a_run_over_the_billing_day_is_cut_into_two_lines_and_the_month_starts_again(self):
        with Env(BUILD_DIR, extra_env={"FAKETIME": "@2026-12-20 23:59:30", "LD_PRELOAD": FAKETIME_LIB}) as env:
            env.online()
            folder = env.fresh_dir("billing-day")
            (folder / "Kelo.ini").write_bytes(b"[Setup]\r\nStart=21\r\n[Date]\r\nSumTime=40:0:0\r\n"
                                              b"Start=2026-11-21 08:00:00\r\nPeriod=2026-11-21\r\n")
            proc = env.start(folder / "Kelo.exe")
            hwnd = env.find_window(MAIN_CLASS, timeout_ms=30000)
            shown = lambda: (env.driver("inspect", hwnd, "lblMonthStr").rstrip("\n"),  # noqa: E731
                             env.driver("inspect", hwnd, "StatusBar1").split("\t")[1])
            self.assertEqual(shown(), ("本月用时:40:0:0", "计费周期剩余 1 天"), "started before midnight")
            deadline = time.monotonic() + 60
            while shown() != ("本月用时:00:00:00", "计费周期剩余 31 天"):
                self.assertLess(time.monotonic(), deadline, f"the new period did not begin: {shown()}")
                time.sleep(0.5)
            time.sleep(5)
            env.screenshot(Path(BUILD_DIR).parent / "screenshots" / "e2e-billing-day-crossed.png")
            run = parse_hms(env.driver("inspect", hwnd, "lblCurStr").rstrip("\n")[len("本次用时:"):])
            env.driver("end-session", hwnd)
            proc.wait(30)
            old, new = [[f.decode("gbk") for f in line] for line in MeterEndToEnd.history_lines(self, folder)]
            ini = (folder / "Kelo.ini").read_bytes().decode("gbk")
        self.assertEqual((old[1], new[0]), ("2026-12-20 23:59:59", "2026-12-21 00:00:00"))
        self.assertEqual(old[3:], new[3:], "the run's host, type and address on both lines")
        self.assertLessEqual(abs(parse_hms(old[2]) + parse_hms(new[2]) - run), 2)
        seconds = parse_hms(new[2])
        self.assertIn(f"\r\nSumTime=0:{seconds // 60}:{seconds % 60}\r\n", ini)
        self.assertIn("\r\nPeriod=2026-12-21\r\n", ini)


if __name__ == "__main__":
    BUILD_DIR = build_dir_from_args(sys.argv)
    unittest.main(argv=[sys.argv[0]], verbosity=2)
