"""Kelo on a small screen: in a 1024 x 768 desktop the skinned main window,
designed at (356, 179) and 698 pixels wide once the skin has framed it, is
moved just enough to lie on the work area, so the skin's close button in its
caption can be clicked, and it puts the window into the tray.  The options
dialog with its counted-connection group, the tariff dialog with its rounding
choice and the usage report's list of connections lie on the screen too.

    python3 tests/e2e/test_small_screen.py BUILD_DIR

One run of Kelo.exe serves both cases, in the order of their names.  The
notice window, which comes about five seconds after the start and takes the
focus, is closed before the main window is looked at.

Screenshots go to BUILD_DIR/e2e/small-screen-*.png.
"""

import shutil
import sys
import time
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))

from kelo_e2e import Env, build_dir_from_args, rect_of  # noqa: E402
import test_skin  # noqa: E402

BUILD_DIR = None

MAIN_CLASS, NOTICE_CLASS, TRAY_CLASS = "TFrmKeloMain", "TForm1", "TTrayIconWindow"
TASKBAR_CLASS = "Shell_TrayWnd"
DESKTOP = (1024, 768)
DESIGNED_TOP = 179
WM_CLOSE, WM_COMMAND = 0x0010, 0x0111
CLOSE_X, CLOSE_Y = 25, 5       # the skin's close button, from the right edge; 21 x 21
CLOSE_HOT = (196, 72, 72)      # its colour under the mouse


class SmallScreenEndToEnd(unittest.TestCase):
    # The skin's tests' helpers: driver requests, rectangles, visibility, waiting.
    drv, rect, visible = test_skin.SkinEndToEnd.drv, test_skin.SkinEndToEnd.rect, test_skin.SkinEndToEnd.visible
    wait_until, shown = test_skin.SkinEndToEnd.wait_until, test_skin.SkinEndToEnd.shown
    click, click_button = test_skin.SkinEndToEnd.click, test_skin.SkinEndToEnd.click_button

    @classmethod
    def setUpClass(cls):
        cls.env = Env(BUILD_DIR, desktop=f"{DESKTOP[0]}x{DESKTOP[1]}")
        cls.env.__enter__()
        try:
            cls.shots = Path(BUILD_DIR).resolve() / "e2e"
            cls.shots.mkdir(parents=True, exist_ok=True)
            folder = cls.env.fresh_dir("small-screen")
            cls.proc = cls.env.start(folder / "Kelo.exe")
            cls.main = cls.env.find_window(MAIN_CLASS, timeout_ms=30000)
            if cls.main is None:
                raise RuntimeError("the main window did not appear")
        except BaseException:
            cls.env.__exit__(*sys.exc_info())
            raise

    @classmethod
    def tearDownClass(cls):
        cls.env.__exit__(None, None, None)

    def shoot(self, name):
        path = self.shots / name
        self.env.screenshot(self.env.run_dir / name)
        shutil.copyfile(self.env.run_dir / name, path)
        return path

    def work_area_bottom(self):
        """The desktop's bottom, above Wine's taskbar when it shows one there."""
        taskbar = self.env.find_window(TASKBAR_CLASS)
        if taskbar is not None and self.visible(taskbar):
            left, top, right, bottom = self.rect(taskbar)
            if bottom >= DESKTOP[1] and right - left >= DESKTOP[0]:
                return top
        return DESKTOP[1]

    def test_10_main_window_lies_within_the_work_area(self):
        self.assertEqual(self.drv("screen"), f"{DESKTOP[0]} {DESKTOP[1]}\n")
        notice = self.wait_until(lambda: self.shown(NOTICE_CLASS), timeout=15, what="the notice window")
        self.drv("post", notice, WM_CLOSE, 0, 0)
        self.wait_until(lambda: not self.visible(notice), what="closing of the notice window")
        left, top, right, bottom = self.rect(self.main)
        self.shoot("small-screen-main-window.png")
        self.assertGreater(right - left, 690, "the skin has framed the window")
        self.assertGreaterEqual(left, 0)
        self.assertLessEqual(bottom, self.work_area_bottom())
        self.assertEqual(right, DESKTOP[0], "moved left just enough to fit")
        self.assertEqual(top, DESIGNED_TOP, "the designed top is kept where it fits")

    def open_from_menu(self, item, cls):
        command = int(self.drv("inspect", self.main, item).rstrip("\n").split("\t")[3])
        self.drv("post", self.main, WM_COMMAND, command, 0)
        window = self.wait_until(lambda: self.shown(cls), what=f"the window {cls}")
        time.sleep(0.5)
        return window

    def test_15_options_tariff_and_connection_list_lie_on_the_screen(self):
        dialog = self.open_from_menu("N2", "TFrmSetup")
        self.click_button(dialog, "指定连接")
        # The machine's connections, listed when the dialog opened.
        combo = next(rect_of(ln.split("\t")[3]) for ln in self.drv("children", dialog).splitlines()
                     if ln.split("\t")[1] == "ComboBox")
        self.click(combo[2] - 8, (combo[1] + combo[3]) // 2)
        time.sleep(0.5)
        self.shoot("small-screen-options-dialog.png")
        self.env.xdotool("key", "Escape")
        left, top, right, bottom = self.rect(dialog)
        self.assertTrue(left >= 0 and top >= 0 and right <= DESKTOP[0], (left, top, right, bottom))
        self.assertLessEqual(bottom, self.work_area_bottom())
        self.click_button(dialog, "取消")
        self.wait_until(lambda: not self.shown("TFrmSetup"), what="closing of the options dialog")

        tariff = self.open_from_menu("MenuTariff", "TFrmTariff")
        self.shoot("small-screen-tariff-dialog.png")
        left, top, right, bottom = self.rect(tariff)
        self.assertTrue(left >= 0 and top >= 0 and right <= DESKTOP[0], (left, top, right, bottom))
        self.assertLessEqual(bottom, self.work_area_bottom())
        self.click_button(tariff, "取消")
        self.wait_until(lambda: not self.shown("TFrmTariff"), what="closing of the tariff dialog")

        report = self.open_from_menu("MenuReport", "TFrmReport")
        self.click_button(report, "上网明细")
        time.sleep(0.3)
        self.shoot("small-screen-report-connections.png")
        self.assertEqual(self.drv("inspect", report, "lblConnections").split("\t")[0].rstrip("\n"),
                         "本期没有明细记录", "a fresh folder has no record")
        left, top, right, bottom = self.rect(report)
        self.assertTrue(left >= 0 and top >= 0 and right <= DESKTOP[0], (left, top, right, bottom))
        self.assertLessEqual(bottom, self.work_area_bottom())
        self.drv("post", report, WM_CLOSE, 0, 0)
        self.wait_until(lambda: not self.shown("TFrmReport"), what="closing of the report")

    def test_20_skins_close_button_hides_the_main_window(self):
        left, top, right, _ = self.rect(self.main)
        self.env.xdotool("mousemove", left + (right - left) * 3 // 5, top + 14, "click", 1)
        self.wait_until(lambda: self.drv("foreground") == f"{self.main}\n", what="activation")
        x, y = right - CLOSE_X, top + CLOSE_Y
        self.env.xdotool("mousemove", x + 10, y + 10)
        time.sleep(0.5)
        shot = self.shoot("small-screen-close-button-hot.png")
        self.assertEqual(test_skin.Screen(shot).at(x + 2, y + 10), CLOSE_HOT, "the close button lights up under the mouse")
        self.env.xdotool("click", 1)
        self.wait_until(lambda: not self.visible(self.main), what="hiding of the main window")
        self.shoot("small-screen-in-the-tray.png")
        time.sleep(1)
        self.assertTrue(self.proc.alive(), f"the program keeps running (it ended with {self.proc.returncode})")
        self.assertIsNotNone(self.env.find_window(TRAY_CLASS), "the tray icon's window is there")


if __name__ == "__main__":
    BUILD_DIR = build_dir_from_args(sys.argv)
    unittest.main(argv=[sys.argv[0]], verbosity=2)
