"""Kelo on an English Windows (code page 1252) instead of its users' Chinese one:
nothing of the program hangs on the system's ANSI code page.  Kelo.ini and
Kelo.trv are read and written as GBK, the windows' captions, labels and menus
are the program's Chinese texts.  A screenshot of the main window goes to
build/screenshots/.

    python3 tests/e2e/test_english_locale.py BUILD_DIR
"""

import shutil
import sys
import time
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))

from kelo_e2e import Env, _unescape, build_dir_from_args, rect_of  # noqa: E402

BUILD_DIR = None

ENGLISH = "C.UTF-8"
MAIN_CLASS, SETUP_CLASS = "TFrmKeloMain", "TFrmSetup"
WM_COMMAND = 0x0111
SOUND_PATH = "C:\\声音\\上网提醒.wav"
INI = ("[Setup]\r\nSetupBool=0\r\nSound=1\r\nDefaultSound=0\r\nSoundPath=" + SOUND_PATH + "\r\n").encode("gbk")
# A run recorded on a machine with a Chinese name.
HISTORY = "2026-01-05 08:00:00\x072026-01-05 09:30:00\x0701:30:00\x07书房电脑\x07Kelo\x07192.0.2.7\r\n".encode("gbk")

TEXTS = {
    "": "上网计时器——Brivo开发绿色版软件",
    "MenuSetup": "设置(&O)", "N2": "选项(&S)", "MenuView": "查看(&V)",
    "MenuDropFrm": "显示拖放窗口(&S)", "MenuFrmTrans": "拖放窗口半透明显示",
    "MMenuDropSetup": "拖放窗口设置", "MenuHelp": "Brivo官方(&H)",
    "MenuShowDrop": "显示拖放窗口(&S)", "MenuShowMain": "显示主窗口",
    "MenuDropTran": "拖放窗口半透明显示", "MenuClose": "退出程序(&C)",
}


class EnglishLocaleEndToEnd(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.env = Env(BUILD_DIR, lang=ENGLISH, desktop="1280x1024")
        cls.env.__enter__()

    @classmethod
    def tearDownClass(cls):
        cls.env.__exit__(None, None, None)

    def test_files_stay_gbk_and_every_text_stays_chinese(self):
        env = self.env
        self.assertEqual(env.driver("locale").split("\t")[0], "1252")
        folder = env.fresh_dir("english")
        (folder / "Kelo.ini").write_bytes(INI)
        (folder / "Kelo.trv").write_bytes(HISTORY)
        env.online()
        proc = env.start(folder / "Kelo.exe")
        main = env.find_window(MAIN_CLASS, timeout_ms=30000)
        self.assertIsNotNone(main, "the main window did not appear")

        for component, text in TEXTS.items():
            with self.subTest(component=component):
                caption = env.window_text(main) if not component else \
                    env.driver("inspect", main, component).split("\t")[0].rstrip("\n")
                self.assertEqual(caption, text)
        time.sleep(3)
        month, run, start = (env.driver("inspect", main, n).rstrip("\n")
                             for n in ("lblMonthStr", "lblCurStr", "lblStartStr"))
        self.assertTrue(month.startswith("本月用时:") and run.startswith("本次用时:"), (month, run))
        self.assertTrue(start.startswith("本次开始时间:"), start)
        shots = Path(BUILD_DIR).resolve().parent / "screenshots"
        shots.mkdir(parents=True, exist_ok=True)
        env.screenshot(shots / "e2e-main-window-english-locale.png")

        # The options dialog shows the stored Chinese path and writes it back as GBK.
        item = env.driver("inspect", main, "N2").rstrip("\n").split("\t")
        env.driver("post", main, WM_COMMAND, int(item[3]), 0)
        dialog = env.find_window(SETUP_CLASS, timeout_ms=10000)
        self.assertIsNotNone(dialog, "the options dialog did not open")
        time.sleep(0.5)
        children = [ln.split("\t") for ln in env.driver("children", dialog).splitlines()]
        self.assertIn(SOUND_PATH, [_unescape(text) for _, cls, text, _ in children if cls == "Edit"])
        ok = next(rect_of(rect) for _, cls, text, rect in children if cls == "Button" and text == "确定")
        env.xdotool("mousemove", (ok[0] + ok[2]) // 2, (ok[1] + ok[3]) // 2, "click", 1)
        self.assertIsNotNone(env.driver("gone", dialog, "--timeout", 10000), "the dialog stayed open")
        self.assertIn(b"\r\nSoundPath=" + SOUND_PATH.encode("gbk") + b"\r\n", (folder / "Kelo.ini").read_bytes())

        env.driver("end-session", main)
        proc.wait(30)
        history = (folder / "Kelo.trv").read_bytes()
        self.assertTrue(history.startswith(HISTORY), history[:200])
        self.assertEqual(history.count(b"\r\n"), 2, "the run's own line follows")


if __name__ == "__main__":
    BUILD_DIR = build_dir_from_args(sys.argv)
    unittest.main(argv=[sys.argv[0]], verbosity=2)
