"""The two settings dialogs as a user meets them: the options dialog ("设置")
and the mini window settings dialog ("拖放窗口设置"), opened from the main
window's menu, filled in with the real keyboard and mouse of the X server,
and judged by the file "Kelo.ini", the controls' texts and states, and the
pixels of the mini window.

    python3 tests/e2e/test_dialogs.py BUILD_DIR

A menu item is chosen by the command message the system sends for it (the
item's command id comes from the program); everything inside the dialogs and
the system's file and colour dialogs is done with xdotool.  Each case starts
Kelo.exe in a folder of its own; a dialog reads the file when it opens, so one
run may serve several openings.  Screenshots of both dialogs and of the
system's file and colour dialogs go to build/screenshots/.
"""

import os
import shutil
import subprocess
import sys
import time
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))

from kelo_e2e import DRIVER_FALSE, Env, build_dir_from_args, rect_of  # noqa: E402

BUILD_DIR = None

MAIN_CLASS, DROP_CLASS, NOTICE_CLASS = "TFrmKeloMain", "TFrmDrop", "TForm1"
SETUP_CLASS, DROP_SETUP_CLASS, TARIFF_CLASS = "TFrmSetup", "TFrmDropSetup", "TFrmTariff"
APP_TITLE = "Brivo上网计时器"
WM_COMMAND, BM_GETCHECK = 0x0111, 0x00F0
WS_DISABLED = 0x08000000
SONGTI_GBK = "宋体".encode("gbk")

# Where the controls sit in their dialog's client area (groups added in).
DAY, DAY_ARROWS = (176, 16), (297, 16)
MONTH, DAY_LIMIT = (176, 46), (176, 76)
DROP_TRANS, SOUND, FORM = (66 + 12, 114 + 18), (66 + 10, 172 + 20), (66 + 154, 172 + 20)
SOUND_GROUP, DEFAULT_SOUND = (66, 228), (66 + 10, 228 + 18)
SOUND_PATH, OPEN_SOUND = (66 + 10, 228 + 56), (66 + 254, 228 + 54)
OK, CANCEL, DEFAULTS = (66, 394), (171, 394), (276, 394)
FONT_BOX = (16 + 12, 8 + 18)                # gboxFont in gboxBasic
STYLE_LIST = (FONT_BOX[0] + 68, FONT_BOX[1] + 43)
FONT_COLOR = (FONT_BOX[0] + 68, FONT_BOX[1] + 72)
PREVIEW = (FONT_BOX[0] + 220, FONT_BOX[1] + 14)
OPACITY_BOX = (16 + 12, 8 + 124)             # gboxTransparence in gboxBasic
FORM_COLOR = (OPACITY_BOX[0] + 282, OPACITY_BOX[1] + 16)
DROP_OK, DROP_CANCEL, DROP_DEFAULTS = (16, 200), (182, 200), (348, 200)

# The system's dialogs speak the system's language: their controls are found by
# their fixed ids.  The open-file dialog's file types and file name, the colour
# dialog's red, green and blue boxes.
IDOK, IDCANCEL = 1, 2
FILE_TYPES, FILE_NAME = 0x470, 0x47C
RED, GREEN, BLUE = 0x2C2, 0x2C3, 0x2C4

# The mini window's "本月用时:" label, clear of the panel's bevel.
MONTH_CAPTION_AREA = (4, 6, 72, 30)
# White window, black text: lines and glyphs are easy to find.
DROP_LOOK = b"[DropForm]\r\nFormColor=16777215\r\nFontColor=0\r\n"


class Pixels:
    """A rectangle of a screenshot as RGB triples."""

    def __init__(self, png, rect):
        left, top, right, bottom = rect
        self.width, self.height = right - left, bottom - top
        self.data = subprocess.run(
            ["convert", str(png), "-crop", f"{self.width}x{self.height}+{left}+{top}", "+repage",
             "-depth", "8", "rgb:-"], check=True, stdout=subprocess.PIPE).stdout

    def at(self, x, y):
        i = 3 * (y * self.width + x)
        return tuple(self.data[i:i + 3])

    def background(self):
        counts = {}
        for y in range(self.height):
            for x in range(self.width):
                counts[self.at(x, y)] = counts.get(self.at(x, y), 0) + 1
        return max(counts, key=counts.get)

    def ink(self, threshold=60):
        """Per row, the columns that differ clearly from the background."""
        bg = self.background()
        return [[x for x in range(self.width)
                 if max(abs(a - b) for a, b in zip(self.at(x, y), bg)) > threshold]
                for y in range(self.height)]

    def count(self, colour):
        return sum(1 for y in range(self.height) for x in range(self.width) if self.at(x, y) == colour)


def longest_run(columns):
    best = run = 0
    last = None
    for x in columns:
        run = run + 1 if last is not None and x == last + 1 else 1
        best, last = max(best, run), x
    return best


class DialogsEndToEnd(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.env = Env(BUILD_DIR, desktop="1280x1024")
        cls.env.__enter__()
        cls.shots = Path(BUILD_DIR).resolve().parent / "screenshots"
        cls.shots.mkdir(parents=True, exist_ok=True)
        cls.count = 0

    @classmethod
    def tearDownClass(cls):
        cls.env.__exit__(None, None, None)

    def tearDown(self):
        self.env.kill_all("Kelo.exe")

    # -- the program -------------------------------------------------------

    def start(self, name, ini=None, folder=None):
        if folder is None:
            folder = self.env.fresh_dir(name)
            if ini is not None:
                (folder / "Kelo.ini").write_bytes(ini)
        self.env.start(folder / "Kelo.exe")
        self.main = self.env.find_window(MAIN_CLASS, timeout_ms=30000)
        self.assertIsNotNone(self.main, "the main window did not appear")
        self.folder = folder
        self.drop = self.wait_for(self.visible_drop, "no mini window on screen")
        # The notice window comes up about five seconds after the start and takes
        # the focus; the cases begin once it is there.
        self.wait_for(lambda: any(w["cls"] == NOTICE_CLASS for w in self.env.toplevels("Kelo.exe")),
                      "the notice window did not appear", timeout=15)
        return folder

    def ini(self):
        return (self.folder / "Kelo.ini").read_bytes()

    def quit(self):
        self.env.kill_all("Kelo.exe")
        deadline = time.monotonic() + 10
        while self.env.find_window(MAIN_CLASS) and time.monotonic() < deadline:
            time.sleep(0.2)

    def wait_for(self, probe, message, timeout=10):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            value = probe()
            if value:
                return value
            time.sleep(0.1)
        self.fail(message)

    def visible_drop(self):
        for w in self.env.toplevels("Kelo.exe"):
            if w["cls"] == DROP_CLASS:
                return w["hwnd"]
        return None

    def choose_menu_item(self, item):
        """What choosing the main menu's item sends: WM_COMMAND with its id."""
        fields = self.env.driver("inspect", self.main, item).rstrip("\n").split("\t")
        self.env.driver("post", self.main, WM_COMMAND, int(fields[3]), 0)

    def open_dialog(self, item, cls):
        self.choose_menu_item(item)
        self.dialog = self.env.find_window(cls, timeout_ms=10000)
        self.assertIsNotNone(self.dialog, f"{cls} did not open")
        time.sleep(0.5)
        self.origin = rect_of(self.env.driver("client", self.dialog))[:2]
        return self.dialog

    def translucency_off(self):
        self.choose_menu_item("MenuFrmTrans")
        self.wait_for(lambda: self.env.driver_run("alpha", self.drop).returncode == DRIVER_FALSE,
                      "the mini window stayed translucent")

    # -- looking -------------------------------------------------------------

    def control(self, at):
        """The control whose top-left corner is at the client position."""
        x, y = self.origin[0] + at[0], self.origin[1] + at[1]
        for line in self.env.driver("children", self.dialog).splitlines():
            hwnd, cls, text, rect = line.split("\t")
            r = rect_of(rect)
            if (r[0], r[1]) == (x, y):
                return {"hwnd": int(hwnd), "cls": cls, "text": text, "rect": r}
        self.fail(f"no control at {at}")

    def text(self, at):
        return self.env.window_text(self.control(at)["hwnd"])

    def enabled(self, at):
        return not int(self.env.driver("style", self.control(at)["hwnd"]), 16) & WS_DISABLED

    def checked(self, at):
        return self.env.driver("send", self.control(at)["hwnd"], BM_GETCHECK, 0, 0).strip() == "1"

    def screenshot(self, name=None):
        type(self).count += 1
        png = self.env.screenshot(self.env.run_dir / f"shot-{self.count:03d}.png")
        if name:
            shutil.copyfile(png, self.shots / name)
        return png

    def drop_pixels(self, area=None, png=None):
        png = png or self.screenshot()
        client = rect_of(self.env.driver("client", self.drop))
        left, top, right, bottom = area or (0, 0, client[2] - client[0], client[3] - client[1])
        return Pixels(png, (client[0] + left, client[1] + top, client[0] + right, client[1] + bottom))

    def underlined(self, pixels):
        return any(longest_run(row) >= 40 for row in pixels.ink())

    def ink(self, pixels):
        return sum(len(row) for row in pixels.ink())

    def assertClosed(self):
        self.wait_for(lambda: self.env.driver("visible", self.dialog) in (None, "0\n"),
                      "the dialog stayed open")

    # -- doing -------------------------------------------------------------

    def xdo(self, *args):
        subprocess.run(["xdotool", *(str(a) for a in args)], check=True,
                       env=dict(os.environ, DISPLAY=self.env.display or ""))
        time.sleep(0.15)

    def click(self, at, dx=None, dy=None):
        r = self.control(at)["rect"]
        x = r[0] + (dx if dx is not None else (r[2] - r[0]) // 2)
        y = r[1] + (dy if dy is not None else (r[3] - r[1]) // 2)
        self.xdo("mousemove", x, y, "click", 1)

    def keys(self, *names):
        self.xdo("key", "--delay", 60, *names)

    def type_over(self, at, text):
        """Clicks into a box, selects its text and types over it."""
        self.click(at)
        self.keys("End", "shift+Home")
        if text:
            self.xdo("type", "--delay", 60, text)
        else:
            self.keys("BackSpace")

    def choose_in_list(self, at, moves):
        """Opens a drop-down list with the mouse, moves down (up when negative)
        with the arrow keys and takes the entry with Enter."""
        self.click(at)
        time.sleep(0.3)
        if moves:
            self.keys(*(["Down" if moves > 0 else "Up"] * abs(moves)))
        self.keys("Return")
        time.sleep(0.5)

    def system_dialog(self, marker):
        """The system's dialog that holds a control with the id `marker`: found by
        its controls, not by its title, which speaks the system's language."""
        for _ in range(50):
            for w in self.env.toplevels("Kelo.exe"):
                if w["cls"] == "#32770" and self.env.dialog_item(w["hwnd"], marker) is not None:
                    return w["hwnd"]
            time.sleep(0.2)
        self.fail(f"the system's dialog with control {marker:#x} did not open")

    def click_item(self, dialog, control_id):
        self.click_rect(self.env.dialog_item(dialog, control_id)[2])

    def click_rect(self, rect):
        self.xdo("mousemove", (rect[0] + rect[2]) // 2, (rect[1] + rect[3]) // 2, "click", 1)

    # -- the options dialog ----------------------------------------------------

    def test_options_show_the_stored_numbers_and_the_arrows_stop_at_the_ends(self):
        self.start("numbers", b"[Setup]\r\nStart=15\r\nMonthDate=200\r\n")
        before = self.ini()
        self.open_dialog("N2", SETUP_CLASS)
        self.assertEqual(self.text(DAY), "15")
        self.assertEqual(self.text(MONTH), "200")
        self.screenshot("e2e-options-dialog.png")
        # The billing day's arrows with the mouse, clicked apart so no two make a
        # double click: 15 goes up to 31 and stops, then down to 1 and stops.
        arrows = self.control(DAY_ARROWS)["rect"]
        for y, clicks, end in ((arrows[1] + 4, 20, "31"), (arrows[3] - 4, 35, "1")):
            steps = []
            for i in range(clicks):
                steps += ["mousemove", arrows[0] + (4 if i % 2 else 11), y, "click", 1, "sleep", 0.05]
            self.xdo(*steps)
            self.assertEqual(self.text(DAY), end)
        # The limits with the arrow keys in their boxes.
        for at, low, high in ((MONTH, 0, 744), (DAY_LIMIT, 0, 24)):
            self.type_over(at, str(high - 2))
            self.keys(*["Up"] * 5)
            self.assertEqual(self.text(at), str(high))
            self.type_over(at, str(low + 2))
            self.keys(*["Down"] * 5)
            self.assertEqual(self.text(at), str(low))
        self.click(CANCEL)
        self.assertClosed()
        self.assertEqual(self.ini(), before)

    def test_options_sound_group_follows_the_stored_choices(self):
        folder = self.start("sound")
        for sound in (0, 1):
            for default in (0, 1):
                (folder / "Kelo.ini").write_bytes(
                    f"[Setup]\r\nSound={sound}\r\nDefaultSound={default}\r\n".encode())
                self.open_dialog("N2", SETUP_CLASS)
                which = f"Sound={sound} DefaultSound={default}"
                self.assertEqual(self.checked(SOUND), sound == 1, which)
                self.assertEqual(self.checked(DEFAULT_SOUND), default == 1, which)
                self.assertEqual(self.enabled(SOUND_GROUP), sound == 1, which)
                self.assertEqual(self.enabled(DEFAULT_SOUND), sound == 1, which)
                for at in (SOUND_PATH, OPEN_SOUND):
                    self.assertEqual(self.enabled(at), sound == 1 and default == 0, which)
                if sound == 0 and default == 0:
                    self.click(SOUND)  # the group opens at once, its path with it
                    self.assertTrue(self.enabled(SOUND_PATH))
                    self.click(SOUND)
                    self.assertFalse(self.enabled(SOUND_PATH))
                self.click(CANCEL)
                self.assertClosed()

    def test_options_defaults_then_cancel_leave_the_file_byte_identical(self):
        ini = ("[Setup]\r\nStart=9\r\nMonthDate=300\r\nDate=7\r\nDropTrans=0\r\nSound=1\r\n"
               "Form=0\r\nDefaultSound=0\r\nSoundPath=C:\\闹钟.wav\r\n").encode("gbk")
        self.start("defaults", ini)
        before = self.ini()
        self.open_dialog("N2", SETUP_CLASS)
        self.assertEqual(self.text(SOUND_PATH), "C:\\闹钟.wav")
        self.click(DEFAULTS)
        self.assertEqual([self.text(at) for at in (DAY, MONTH, DAY_LIMIT)], ["21", "120", "5"])
        self.assertEqual([self.checked(at) for at in (DROP_TRANS, SOUND, FORM, DEFAULT_SOUND)],
                         [True, False, True, True])
        self.assertFalse(self.enabled(SOUND_GROUP))
        self.assertEqual(self.text(SOUND_PATH), "C:\\闹钟.wav", "the path stays")
        self.click(CANCEL)
        self.assertClosed()
        self.assertEqual(self.ini(), before)

    def test_options_ok_writes_the_keys_in_order_as_typed(self):
        folder = self.start("typed")
        (folder / "ring.wav").write_bytes(b"RIFF")
        self.open_dialog("N2", SETUP_CLASS)
        # The dialog opens in its first box; Tab goes through the rows.
        self.keys("End", "shift+Home")
        self.xdo("type", "07")
        for number in ("300", "12"):
            self.keys("Tab", "End", "shift+Home")
            self.xdo("type", number)
        self.keys("Tab", "space", "Tab", "space", "Tab", "space", "Tab", "space")
        self.assertEqual([self.checked(at) for at in (DROP_TRANS, SOUND, FORM, DEFAULT_SOUND)],
                         [False, True, False, False])
        self.assertTrue(self.enabled(SOUND_PATH))
        # "..." opens the system's file chooser: cancelled first, then a file taken.
        self.click(OPEN_SOUND)
        chooser = self.system_dialog(FILE_NAME)
        self.click_item(chooser, IDCANCEL)
        self.wait_for(lambda: self.env.driver("visible", chooser) in (None, "0\n"), "chooser open")
        self.assertEqual(self.text(SOUND_PATH), "")
        self.click(OPEN_SOUND)
        chooser = self.system_dialog(FILE_NAME)
        self.screenshot("e2e-open-file-dialog.png")
        self.assertEqual(self.env.dialog_item(chooser, FILE_TYPES)[1], "WAV Files")
        self.click_item(chooser, FILE_NAME)
        self.xdo("type", "ring.wav")
        self.keys("Return")
        self.wait_for(lambda: self.env.driver("visible", chooser) in (None, "0\n"), "chooser open")
        path = self.text(SOUND_PATH)
        self.assertEqual(path.lower(), ("z:" + str(folder).replace("/", "\\") + "\\ring.wav").lower())
        self.click(OK)
        self.assertClosed()
        self.assertEqual(self.ini(),
                         b"[Setup]\r\nSetupBool=0\r\nStart=07\r\nMonthDate=300\r\nDate=12\r\n"
                         b"DropTrans=0\r\nSound=1\r\nForm=0\r\nDefaultSound=0\r\nSoundPath="
                         + path.encode("gbk") + b"\r\n\r\n[Connection]\r\nKind=0\r\nName=\r\nId=\r\n")

    def test_options_refuse_a_bad_number_and_keep_the_file(self):
        self.start("bad", b"[Setup]\r\nMonthDate=200\r\n")
        before = self.ini()
        self.open_dialog("N2", SETUP_CLASS)
        self.type_over(MONTH, "abc")
        self.click(OK)
        box = self.env.msgbox(APP_TITLE, timeout_ms=5000)
        self.assertIsNotNone(box, "no message about the number")
        self.assertEqual(box[1], "每月上网时限必须是 0 到 744 之间的整数。")
        self.keys("Return")
        self.wait_for(lambda: self.env.msgbox(APP_TITLE) is None, "the message stayed")
        self.assertEqual(self.ini(), before)
        # Back in the dialog the wrong number is selected in its box: typing replaces it.
        self.xdo("type", "80")
        self.assertEqual(self.text(MONTH), "80")
        self.click(OK)
        self.assertClosed()
        self.assertIn(b"\r\nMonthDate=80\r\n", self.ini())

    # -- the tariff dialog ------------------------------------------------------

    def test_tariff_typed_from_the_keyboard_is_stored_and_shown_in_the_status_bar(self):
        self.start("tariff")
        # The notice window took the focus: a click on the main window's caption.
        left, top, right, _ = rect_of(self.env.driver("rect", self.main))
        self.xdo("mousemove", left + (right - left) * 3 // 5, top + 14, "click", 1)
        self.wait_for(lambda: self.env.driver("foreground") == f"{self.main}\n", "the main window in front")
        self.keys("alt+o")
        time.sleep(0.5)
        self.keys("f")
        self.dialog = self.env.find_window(TARIFF_CLASS, timeout_ms=10000)
        self.assertIsNotNone(self.dialog, "the tariff dialog did not open")
        self.wait_for(lambda: self.env.driver("foreground") == f"{self.dialog}\n", "the dialog in front")
        time.sleep(0.5)
        # The dialog opens in the fee's box; Tab goes through the rows.
        self.keys("End", "shift+Home")
        self.xdo("type", "50")
        for amount in ("40", "1.20"):
            self.keys("Tab", "End", "shift+Home")
            self.xdo("type", amount)
        self.keys("Tab", "End", "Up", "Up")  # from 按小时 up to 按分钟
        self.screenshot("e2e-tariff-dialog.png")
        self.keys("Return")
        self.assertClosed()
        self.assertIn(b"[Tariff]\r\nMonthlyFee=50.00\r\nIncludedHours=40\r\nPricePerHour=1.20\r\n"
                      b"Unit=60\r\n", self.ini())
        panels = self.env.driver("inspect", self.main, "StatusBar1").rstrip("\n").split("\t")
        self.assertEqual(panels[0], "本月费用 ¥50.00", "nothing online yet: the fee alone")

    # -- the mini window settings dialog -----------------------------------------

    def test_mini_window_without_settings_keeps_its_look_when_the_dialog_opens(self):
        self.start("black")
        self.assertNotIn(b"[DropForm]", self.ini())
        self.assertGreater(self.ink(self.drop_pixels(MONTH_CAPTION_AREA)), 30, "green on black")
        self.open_dialog("MMenuDropSetup", DROP_SETUP_CLASS)
        # The dialog is on screen before it has gone through its start: its style list
        # tells when it has.
        self.wait_for(lambda: self.text(STYLE_LIST) == "标准", "the dialog read its settings")
        png = self.screenshot("e2e-mini-window-settings-dialog.png")
        self.assertGreater(self.ink(self.drop_pixels(MONTH_CAPTION_AREA, png)), 30, "still green on black")
        self.assertEqual(self.text(STYLE_LIST), "标准")
        self.assertNotIn(b"[DropForm]", self.ini())

    def test_mini_window_underline_shows_at_once_and_is_stored(self):
        folder = self.start("underline", DROP_LOOK)
        self.translucency_off()
        self.assertFalse(self.underlined(self.drop_pixels(MONTH_CAPTION_AREA)))
        self.open_dialog("MMenuDropSetup", DROP_SETUP_CLASS)
        self.choose_in_list(STYLE_LIST, 3)
        self.assertEqual(self.text(STYLE_LIST), "下划线")
        self.assertTrue(self.underlined(self.drop_pixels(MONTH_CAPTION_AREA)))
        self.assertNotIn(b"FontStyle", self.ini())
        self.click(DROP_OK)
        self.assertClosed()
        self.assertIn(b"\r\nFontStyle=3\r\n", self.ini())
        self.quit()
        self.start(None, folder=folder)  # a new mini window, made from the file
        self.translucency_off()
        self.assertTrue(self.underlined(self.drop_pixels(MONTH_CAPTION_AREA)))

    def test_mini_window_defaults_keep_the_style_of_preview_and_window(self):
        self.start("default-style", DROP_LOOK)
        self.translucency_off()
        self.open_dialog("MMenuDropSetup", DROP_SETUP_CLASS)
        self.choose_in_list(STYLE_LIST, 3)
        before = self.ini()
        self.click(DROP_DEFAULTS)
        self.assertEqual(self.text(STYLE_LIST), "标准")
        self.assertGreater(self.ink(self.drop_pixels(MONTH_CAPTION_AREA)), 30, "green on black, as it starts")
        preview = self.control(PREVIEW)
        png = self.screenshot()
        inside = preview["rect"]
        self.assertTrue(self.underlined(Pixels(png, (inside[0] + 4, inside[1] + 4,
                                                     inside[2] - 4, inside[3] - 4))))
        # A white window shows that the mini window's text kept its underline.
        self.choose_in_list(FORM_COLOR, 16)
        self.assertTrue(self.underlined(self.drop_pixels(MONTH_CAPTION_AREA)))
        self.assertEqual(self.ini(), before)

    def test_mini_window_cancel_keeps_the_new_colours_on_the_window_not_in_the_file(self):
        self.start("cancel", b"[DropForm]\r\nFontColor=255\r\nFormColor=16777215\r\n")
        self.translucency_off()
        before = self.ini()
        self.open_dialog("MMenuDropSetup", DROP_SETUP_CLASS)
        self.choose_in_list(FONT_COLOR, 1)    # from Red to Lime
        self.choose_in_list(FORM_COLOR, -11)  # from White up to Navy
        self.click(DROP_CANCEL)
        self.assertClosed()
        window = self.drop_pixels()
        self.assertEqual(window.background(), (0, 0, 128))
        self.assertGreater(window.count((0, 255, 0)), 20)
        self.assertEqual(self.ini(), before)

    def test_mini_window_font_that_is_not_installed_stores_songti(self):
        self.start("no-font", b"[DropForm]\r\nFontName=No Such Family Kelo\r\n")
        self.open_dialog("MMenuDropSetup", DROP_SETUP_CLASS)
        self.click(DROP_OK)
        self.assertClosed()
        self.assertIn(b"\r\nFontName=" + SONGTI_GBK + b"\r\n", self.ini())

    def test_mini_window_custom_font_colour_from_the_colour_dialog_is_stored(self):
        folder = self.start("custom", b"[DropForm]\r\nFormColor=16777215\r\n")
        self.open_dialog("MMenuDropSetup", DROP_SETUP_CLASS)
        self.click(FONT_COLOR)
        time.sleep(0.3)
        self.keys("End", "Return")  # "Custom", the last entry
        chooser = self.system_dialog(RED)
        self.screenshot("e2e-colour-dialog.png")
        for box, value in ((RED, 10), (GREEN, 120), (BLUE, 200)):
            self.click_item(chooser, box)
            self.keys("End", "shift+Home")
            self.xdo("type", str(value))
        self.click_item(chooser, IDOK)
        self.wait_for(lambda: self.env.driver("visible", chooser) in (None, "0\n"), "dialog open")
        self.click(DROP_OK)
        self.assertClosed()
        self.assertIn(f"\r\nFontColor={10 + 120 * 256 + 200 * 65536}\r\n".encode(), self.ini())
        self.quit()
        self.start(None, folder=folder)
        self.translucency_off()
        self.assertGreater(self.drop_pixels().count((10, 120, 200)), 20)

if __name__ == "__main__":
    BUILD_DIR = build_dir_from_args(sys.argv)
    unittest.main(argv=[sys.argv[0]], verbosity=2)
