"""Kelo's skin as a user sees it: the alarm box, the main window, the options
dialog opened with Alt+O then S, the system's open-file dialog of the options,
the mini window settings dialog opened from the skinned menu bar with the mouse, the bar's drop-downs and the tray menu,
each screenshot and judged by its pixels; the arrow keys in a drop-down; Alt+Space
opening the skinned system menu and Alt+F4 closing a skinned window; a double click
on the caption maximising the main window onto the work area and restoring it, each
time painted as a fresh paint paints it, after Alt+O and F10 opened the menu bar's
drop-downs from the history list and the list was scrolled sideways; the skin's close
button putting the program into the tray.

    python3 tests/e2e/test_skin.py BUILD_DIR

One run of Kelo.exe serves every case, in the order of their names.  A daily
limit of 0 hours brings the alarm box at the first check after the start; the
notice window, which comes about five seconds after the start and takes the
focus, is closed before the main window is looked at.

Screenshots go to BUILD_DIR/e2e/skin-*.png.  What the skin draws is known from
its art: the caption strip is slate (65, 79, 96) in an active window and
(116, 126, 140) in an inactive one, with white text; the frame is 5 pixels at
the sides and the bottom and 29 at the top, with rounded corners cut out of
the window region; images are keyed on magenta, so no pink may remain around
what they show; a popup menu has a one-pixel grey line (166, 172, 181) around
a near-white page; the close button under the mouse turns red (196, 72, 72).
"""

import datetime
import shutil
import subprocess
import sys
import time
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))

from kelo_e2e import Env, build_dir_from_args, netpbm, rect_of  # noqa: E402

BUILD_DIR = None

MAIN_CLASS, SETUP_CLASS, DROP_SETUP_CLASS = "TFrmKeloMain", "TFrmSetup", "TFrmDropSetup"
NOTICE_CLASS, TRAY_CLASS, DROP_CLASS = "TForm1", "TTrayIconWindow", "TFrmDrop"
ALARM_CAPTION, ALARM_TEXT = "提示", "今天上网的时间已经到了!"

WM_CLOSE, WM_RBUTTONDOWN, WM_COMMAND, WM_SYSCOMMAND = 0x0010, 0x0204, 0x0111, 0x0112
SC_MINIMIZE, SC_RESTORE = 0xF020, 0xF120
IDOK = 1
TRAY_CALLBACK = 0x2422
SM_CYMENU = 15

CAPTION_ACTIVE, CAPTION_INACTIVE = (65, 79, 96), (116, 126, 140)
CAPTION_TEXT_ACTIVE, CAPTION_TEXT_INACTIVE = (255, 255, 255), (238, 240, 238)
MENU_BAR = (228, 226, 228)
MENU_LINE, MENU_PAGE = (166, 172, 181), (250, 250, 251)
CLOSE_HOT = (196, 72, 72)
BORDER, CAPTION_HEIGHT = 5, 29
CLOSE_X, CLOSE_Y, CAPTION_BUTTON = 25, 5, 21   # from the right edge; 21 x 21
ICON_LEFT, ICON_BOTTOM = 8, 23                  # the caption icon, 16 x 16 at (8, 7)


def history(lines):
    """A history of half-hour runs, one an hour, as the program writes it."""
    out = []
    for i in range(lines):
        day, hour = divmod(i, 24)
        start = f"2026-{9 + day // 30:02d}-{1 + day % 30:02d} {hour:02d}:00:00"
        end = f"2026-{9 + day // 30:02d}-{1 + day % 30:02d} {hour:02d}:30:00"
        out.append("\x07".join([start, end, "00:30:00", "vm", "Kelo", "198.51.100.2"]))
    return ("\r\n".join(out) + "\r\n").encode("ascii")


HISTORY = history(1000)
LVM_GETTOPINDEX = 0x1027
SM_CXVSCROLL, SM_CYHSCROLL, SM_CYVSCROLL, SM_CXHSCROLL = 2, 3, 20, 21


class Screen:
    """A screenshot as RGB triples."""

    def __init__(self, png):
        out = subprocess.run(["convert", str(png), "-depth", "8", "ppm:-"], check=True,
                             stdout=subprocess.PIPE).stdout
        self.width, self.height, self.data = netpbm(out, b"P6")

    def at(self, x, y):
        i = 3 * (y * self.width + x)
        return tuple(self.data[i:i + 3])

    def count(self, colours, left, top, right, bottom):
        return sum(1 for y in range(top, bottom) for x in range(left, right) if self.at(x, y) in colours)


class SkinEndToEnd(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.env = Env(BUILD_DIR, desktop="1280x1024")
        cls.env.__enter__()
        try:
            cls.shots = Path(BUILD_DIR).resolve() / "e2e"
            cls.scratch = cls.env.run_dir / "shots"
            cls.scratch.mkdir(parents=True, exist_ok=True)
            cls.shot_count = 0
            cls.env.online()
            folder = cls.folder = cls.env.fresh_dir("skin")
            (folder / "Kelo.ini").write_bytes(b"[Setup]\r\nDate=0\r\n")
            (folder / "Kelo.trv").write_bytes(HISTORY)
            cls.proc = cls.env.start(folder / "Kelo.exe")
            cls.main = cls.env.find_window(MAIN_CLASS, timeout_ms=30000)
            if cls.main is None:
                raise RuntimeError("the main window did not appear")
            cls.menu_bar = int(cls.env.driver("metric", SM_CYMENU))
        except BaseException:
            cls.env.__exit__(*sys.exc_info())
            raise

    @classmethod
    def tearDownClass(cls):
        cls.env.__exit__(None, None, None)

    # -- helpers ---------------------------------------------------------

    def drv(self, *args):
        return self.env.driver(*args)

    def rect(self, hwnd):
        return rect_of(self.drv("rect", hwnd))

    def client(self, hwnd):
        return rect_of(self.drv("client", hwnd))

    def visible(self, hwnd):
        return self.drv("visible", hwnd) == "1\n"

    def shoot(self, name=None):
        """The screen, kept as BUILD_DIR/e2e/<name> when named."""
        type(self).shot_count += 1
        png = self.scratch / f"{self.shot_count:03d}.png"
        self.env.screenshot(png)
        if name:
            self.shots.mkdir(parents=True, exist_ok=True)
            shutil.copyfile(png, self.shots / name)
        return Screen(png)

    def wait_until(self, probe, timeout=10.0, what="the condition"):
        deadline = time.monotonic() + timeout
        while True:
            value = probe()
            if value:
                return value
            if time.monotonic() > deadline:
                self.fail(f"{what} did not come within {timeout} s")
            time.sleep(0.1)

    def click(self, x, y):
        self.env.xdotool("mousemove", x, y, "click", 1)

    def click_button(self, window, text):
        for ln in (self.drv("children", window) or "").splitlines():
            _, cls, caption, rect = ln.split("\t")
            if cls == "Button" and caption == text:
                left, top, right, bottom = rect_of(rect)
                self.click((left + right) // 2, (top + bottom) // 2)
                return
        self.fail(f"no button {text} in window {window}")

    def click_ok(self, box):
        """The OK button of a message box, whose caption speaks the system's language."""
        left, top, right, bottom = self.env.dialog_item(box, IDOK)[2]
        self.click((left + right) // 2, (top + bottom) // 2)

    def activate(self, hwnd):
        """A click on the caption, clear of its text and buttons."""
        left, top, right, _ = self.rect(hwnd)
        self.click(left + (right - left) * 3 // 5, top + 14)
        self.wait_until(lambda: self.drv("foreground") == f"{hwnd}\n", what="activation")
        self.env.keyboard_to(hwnd)
        time.sleep(0.3)

    def open_menus(self, timeout_ms=3000):
        out = self.drv("menu-windows", "--timeout", timeout_ms)
        return [rect_of(ln.split("\t")[1]) for ln in (out or "").splitlines()]

    def wait_menus_closed(self):
        self.wait_until(lambda: not self.open_menus(0), timeout=5, what="closing of the menu")

    def open_menu(self, shot_name):
        """The rectangle and text rows of the one open popup menu, checked
        for the skin's frame, and its screenshot."""
        menus = self.open_menus()
        self.assertEqual(len(menus), 1, "one open menu")
        time.sleep(0.4)  # the items are painted after the window shows
        screen = self.shoot(shot_name)
        left, top, right, bottom = menu = menus[0]
        middle_x, middle_y = (left + right) // 2, (top + bottom) // 2
        self.assertEqual([screen.at(x, y) for x, y in ((left, middle_y), (right - 1, middle_y),
                                                       (middle_x, top), (middle_x, bottom - 1))],
                         [MENU_LINE] * 4, f"the skin's line around the menu at {menu}")
        self.assertEqual(screen.at(left + 1, middle_y), MENU_PAGE, "the skin's page inside the line")
        return menu, self.menu_rows(screen, menu)

    @staticmethod
    def menu_rows(screen, menu):
        """Screen y of each item of a menu: its text, or the selected item's
        plate; the faint separators are left out."""
        left, top, right, bottom = menu
        inked = [y for y in range(top + 3, bottom - 3)
                 if any(max(abs(a - b) for a, b in zip(screen.at(x, y), MENU_PAGE)) > 60
                        for x in range(left + 3, right - 3))]
        rows, start, last = [], None, None
        for y in inked + [None]:
            if y is not None and last is not None and y == last + 1:
                last = y
                continue
            if start is not None and last - start >= 4:  # a separator is thinner
                rows.append((start + last) // 2)
            start = last = y
        return rows

    def assert_skinned_frame(self, hwnd, screen, menu_bar=0, active=True):
        """The skin's borders around the client area, its caption with text
        and nothing pink, and whatever is behind the window in the cut-out
        top corners."""
        left, top, right, bottom = self.rect(hwnd)
        cl, ct, cr, cb = self.client(hwnd)
        width = right - left
        caption, text = ((CAPTION_ACTIVE, CAPTION_TEXT_ACTIVE) if active
                         else (CAPTION_INACTIVE, CAPTION_TEXT_INACTIVE))
        with self.subTest("frame sizes", window=hwnd):
            self.assertEqual((cl - left, ct - top, right - cr, bottom - cb),
                             (BORDER, CAPTION_HEIGHT + menu_bar, BORDER, BORDER))
        with self.subTest("caption colour", window=hwnd):
            points = [(left + width * k // 20, top + 14) for k in (11, 12, 13)] + [(left + width // 2, top + 3)]
            self.assertEqual([screen.at(x, y) for x, y in points], [caption] * len(points))
        with self.subTest("caption text", window=hwnd):
            self.assertGreater(screen.count({text}, left + 10, top + 4, left + width // 2, top + 25), 20)
        with self.subTest("no pink in the caption (the key colour's neighbours)", window=hwnd):
            pink = [(x - left, y - top) for y in range(top, top + CAPTION_HEIGHT) for x in range(left, right)
                    if min(screen.at(x, y)[0], screen.at(x, y)[2]) - screen.at(x, y)[1] > 60]
            where = pink and (min(p[0] for p in pink), min(p[1] for p in pink),
                              max(p[0] for p in pink), max(p[1] for p in pink))
            self.assertEqual(len(pink), 0, f"pink pixels within {where} of the window")
        with self.subTest("cut-out corners", window=hwnd):
            for x, outside in ((left, left - 1), (right - 1, right)):
                self.assertEqual(screen.at(x, top), screen.at(outside, top), f"the corner at ({x}, {top})")

    def assert_flat_edits(self, dialog, screen):
        """The edits wear the painter's one-pixel frame: their 3D edge's inner
        line takes the page colour and the outer line a colour of its own."""
        edits = [rect_of(ln.split("\t")[3]) for ln in (self.drv("children", dialog) or "").splitlines()
                 if ln.split("\t")[1] == "Edit"]
        self.assertTrue(edits, "the dialog has edits")
        for left, top, right, bottom in edits:
            page = screen.at(right - 3, bottom - 3)
            with self.subTest("flat edit frame", edit=(left, top, right, bottom)):
                self.assertEqual([screen.at(left + 1, top + 1), screen.at(right - 2, bottom - 2)], [page] * 2)
                self.assertNotEqual(screen.at(left, top), page)
                self.assertEqual(screen.at(left, top), screen.at(right - 1, bottom - 1))

    def close_dialog(self, dialog):
        if self.visible(dialog):
            self.click_button(dialog, "取消")
        self.wait_until(lambda: not self.visible(dialog), what="closing of the dialog")

    def shown(self, cls):
        """A window of that class on the screen."""
        return next((w["hwnd"] for w in self.env.toplevels("Kelo.exe") if w["cls"] == cls), None)

    # -- the alarm box -------------------------------------------------------

    def test_10_alarm_box_wears_the_skin(self):
        box = self.env.msgbox(ALARM_CAPTION, timeout_ms=15000)
        self.assertIsNotNone(box, "no alarm box")
        hwnd, text = box
        self.assertEqual(text, ALARM_TEXT)
        time.sleep(0.5)
        active = self.drv("foreground") == f"{hwnd}\n"
        self.addCleanup(self.wait_until, lambda: self.env.count_msgbox(ALARM_CAPTION) == 0,
                        what="closing of the alarm box")
        self.addCleanup(self.click_ok, hwnd)
        screen = self.shoot("skin-alarm-box.png")
        self.assert_skinned_frame(hwnd, screen, active=active)
        # Its close button, at the skin's place: the cross in the glyph colour.
        left, top, right, _ = self.rect(hwnd)
        x, y = right - CLOSE_X, top + CLOSE_Y
        glyph = (240, 243, 246) if active else (226, 230, 234)
        self.assertGreater(screen.count({glyph}, x, y, x + CAPTION_BUTTON, y + CAPTION_BUTTON), 8,
                           "the close button's cross")

    # -- the main window -----------------------------------------------------

    def test_20_main_window_wears_the_skin(self):
        # The notice window takes the focus when it comes; the user closes it.
        notice = self.wait_until(lambda: self.shown(NOTICE_CLASS), timeout=15, what="the notice window")
        self.drv("post", notice, WM_CLOSE, 0, 0)
        self.wait_until(lambda: not self.visible(notice), what="closing of the notice window")
        self.activate(self.main)
        screen = self.shoot("skin-main-window.png")
        self.assert_skinned_frame(self.main, screen, menu_bar=self.menu_bar)
        left, top, right, _ = self.rect(self.main)
        # The menu bar below the caption: the skin's colour and three items in dark text.
        bar_top = top + CAPTION_HEIGHT
        self.assertEqual(screen.at(right - BORDER - 20, bar_top + self.menu_bar // 2), MENU_BAR)
        self.assertEqual(len(self.bar_items(screen)), 3, "设置, 查看 and Brivo官方 on the menu bar")

    def bar_items(self, screen):
        """Screen x centres of the menu bar's items, left to right."""
        left, top, right, _ = self.rect(self.main)
        bar_top = top + CAPTION_HEIGHT
        inked = [x for x in range(left + BORDER, right - BORDER)
                 if any(max(screen.at(x, y)) < 120 for y in range(bar_top + 2, bar_top + self.menu_bar - 2))]
        items, start, last = [], None, None
        for x in inked + [None]:
            if x is not None and last is not None and x - last < 12:
                last = x
                continue
            if start is not None:
                items.append((start + last) // 2)
            start = last = x
        return items

    # -- the options dialog from the keyboard --------------------------------

    def test_30_alt_o_then_s_opens_the_options_dialog(self):
        self.activate(self.main)
        self.env.xdotool("key", "alt+o")
        menu, rows = self.open_menu("skin-menu-setup.png")
        self.assertEqual(len(rows), 2, "设置 holds 选项 and 资费设置")
        self.env.xdotool("key", "s")
        dialog = self.env.find_window(SETUP_CLASS, timeout_ms=10000)
        self.assertIsNotNone(dialog, "the options dialog did not open")
        self.addCleanup(self.close_dialog, dialog)
        self.assertEqual(self.env.window_text(dialog), "设置")
        self.wait_until(lambda: self.drv("foreground") == f"{dialog}\n", what="the dialog in front")
        time.sleep(0.5)
        screen = self.shoot("skin-options-dialog.png")
        self.assert_skinned_frame(dialog, screen)
        self.assert_flat_edits(dialog, screen)
        # Nothing of the system's frame it had before the skin's stays in its client (the
        # buttons' row: the caret blinks in the edits above).
        left, top, right, bottom = self.client(dialog)
        self.assert_painted_as_fresh("options dialog", dialog, {"lower edge": (left, bottom - 12, right, bottom)})
        self.doCleanups()
        # Back where the user came from: the main window has the focus and shows it.
        deadline = time.monotonic() + 3
        while self.drv("foreground") != f"{self.main}\n" and time.monotonic() < deadline:
            time.sleep(0.1)
        self.assertEqual(self.drv("foreground"), f"{self.main}\n", "the main window is in front again")
        time.sleep(0.3)
        left, top, right, _ = self.rect(self.main)
        self.assertEqual(self.shoot().at(left + (right - left) * 3 // 5, top + 14), CAPTION_ACTIVE,
                         "the main window's caption is active again")

    def test_35_open_file_dialog_of_the_options_wears_the_skin(self):
        self.activate(self.main)
        self.env.xdotool("key", "alt+o")
        self.open_menu(None)
        self.env.xdotool("key", "s")
        dialog = self.env.find_window(SETUP_CLASS, timeout_ms=10000)
        self.assertIsNotNone(dialog, "the options dialog did not open")
        self.addCleanup(self.close_dialog, dialog)
        self.wait_until(lambda: self.drv("foreground") == f"{dialog}\n", what="the dialog in front")
        # The sound file's "..." opens once a sound of its own is asked for.
        self.click_button(dialog, "声音")
        self.click_button(dialog, "使用默认声音")
        self.click_button(dialog, "...")
        chooser = self.wait_until(lambda: self.shown("#32770"), what="the open-file dialog")
        self.wait_until(lambda: self.drv("foreground") == f"{chooser}\n", what="the open-file dialog in front")
        time.sleep(0.5)
        self.assert_skinned_frame(chooser, self.shoot("skin-open-file-dialog.png"))
        self.env.xdotool("key", "Escape")
        self.wait_until(lambda: not self.shown("#32770"), what="closing of the open-file dialog")

    # -- the usage report from the menu bar ---------------------------------------

    def test_38_view_menu_opens_the_usage_report(self):
        self.activate(self.main)
        items = self.bar_items(self.shoot())
        _, top, _, _ = self.rect(self.main)
        self.click(items[1], top + CAPTION_HEIGHT + self.menu_bar // 2)
        menu, rows = self.open_menu("skin-menu-view-report.png")
        self.click((menu[0] + menu[2]) // 2, rows[2])  # 使用统计(&T)…
        report = self.env.find_window("TFrmReport", timeout_ms=10000)
        self.assertIsNotNone(report, "the usage report did not open")
        self.assertEqual(self.env.window_text(report), "使用统计")
        # Back to the periods the history of the test fills.
        today = datetime.date.today()
        back = (today.year - 2026) * 12 + today.month - 10 + (1 if today.day >= 21 else 0)
        for _ in range(max(back, 0)):
            self.click_button(report, "◀ 上一周期")
        time.sleep(0.5)
        self.shoot("skin-usage-report.png")
        self.click_button(report, "关闭")
        self.wait_until(lambda: not self.visible(report), what="closing of the usage report")

    # -- the mini window settings dialog from the menu bar -------------------

    def test_40_view_menu_opens_the_mini_window_settings_dialog(self):
        self.activate(self.main)
        items = self.bar_items(self.shoot())
        self.assertEqual(len(items), 3)
        _, top, _, _ = self.rect(self.main)
        self.click(items[1], top + CAPTION_HEIGHT + self.menu_bar // 2)
        menu, rows = self.open_menu("skin-menu-view.png")
        self.assertEqual(len(rows), 4, f"查看 holds four items: {rows}")
        bar_bottom = top + CAPTION_HEIGHT + self.menu_bar
        self.assertIn(menu[1], (bar_bottom - 1, bar_bottom), f"the drop-down {menu} hangs from the bar")
        self.assertTrue(items[0] < menu[0] < items[1], f"the drop-down {menu} starts at 查看 ({items})")
        self.click((menu[0] + menu[2]) // 2, rows[3])
        dialog = self.env.find_window(DROP_SETUP_CLASS, timeout_ms=10000)
        self.assertIsNotNone(dialog, "the mini window settings dialog did not open")
        self.addCleanup(self.close_dialog, dialog)
        self.assertEqual(self.env.window_text(dialog), "拖放窗口设置")
        self.wait_menus_closed()
        self.wait_until(lambda: self.drv("foreground") == f"{dialog}\n", what="the dialog in front")
        time.sleep(0.5)
        self.assert_skinned_frame(dialog, self.shoot("skin-mini-window-settings.png"))

    def test_45_left_arrow_moves_from_a_drop_down_opened_with_the_mouse(self):
        self.activate(self.main)
        items = self.bar_items(self.shoot())
        _, top, _, _ = self.rect(self.main)
        # The mouse stays where it clicked, on 查看.
        self.click(items[1], top + CAPTION_HEIGHT + self.menu_bar // 2)
        self.assertEqual(len(self.open_menus()), 1)
        time.sleep(0.3)
        self.env.xdotool("key", "Left")
        time.sleep(1)
        menus = self.open_menus()
        self.env.xdotool("key", "Escape")
        time.sleep(0.3)
        if self.open_menus(0):
            self.env.xdotool("key", "Escape")
        self.wait_menus_closed()
        self.assertEqual(len(menus), 1, f"one drop-down after Left: {menus}")
        self.assertLess(menus[0][0], items[0], f"设置's drop-down after Left from 查看: {menus[0]}, bar {items}")

    # -- the tray menu -------------------------------------------------------

    def test_50_tray_menu_wears_the_skin(self):
        tray = self.env.find_window(TRAY_CLASS)
        self.env.xdotool("mousemove", 700, 600)
        self.drv("post", tray, TRAY_CALLBACK, 0, WM_RBUTTONDOWN)
        menu, rows = self.open_menu("skin-tray-menu.png")
        self.assertEqual(menu[:2], (700, 600), "the menu opens at the cursor")
        self.assertEqual(len(rows), 6, f"six items: {rows}")
        self.env.xdotool("key", "Escape")
        time.sleep(0.3)
        # After the keyboard steps before it, Wine does not always give the tray's menu the
        # keyboard; a click away closes it as well.
        if self.open_menus(0):
            self.env.xdotool("mousemove", 300, 700, "click", 1)
        self.wait_menus_closed()

    def test_55_mini_window_menu_is_painted_flat_inside_the_skins_frame(self):
        drop = self.env.find_window(DROP_CLASS)
        left, top, right, bottom = self.rect(drop)
        self.env.xdotool("mousemove", (left + right) // 2, (top + bottom) // 2, "click", 3)
        menu, rows = self.open_menu("flat-mini-window-menu.png")
        self.assertEqual(len(rows), 4, f"four items and a separator: {rows}")
        screen = self.shoot()
        m_left, _, m_right, _ = menu
        # The icon band on the left, darker than the page the items stand on.
        band, page = screen.at(m_left + 6, rows[-1]), screen.at(m_right - 8, rows[-1])
        self.assertNotEqual(band, page, "the icon band stands out")
        self.assertLess(sum(band), sum(page), "the band is darker than the page")
        self.env.xdotool("key", "Escape")
        self.wait_menus_closed()

    # -- a long history in the list -----------------------------------------

    def test_58_long_history_scrolls_with_the_skinned_scroll_bar(self):
        self.activate(self.main)
        lists = [ln.split("\t") for ln in (self.drv("children", self.main) or "").splitlines()]
        found = [(hwnd, rect_of(r)) for hwnd, cls, _, r in lists if cls == "SysListView32"]
        self.assertEqual(len(found), 1, "the history list")
        view, (left, top, right, bottom) = found[0]
        self.assertGreater(int(self.drv("send", view, LVM_GETTOPINDEX, 0, 0)), 950, "the list opens at the newest rows")
        self.click((left + right) // 2, (top + bottom) // 2)
        self.env.xdotool("key", "Home")
        self.wait_until(lambda: self.drv("send", view, LVM_GETTOPINDEX, 0, 0).strip() == "0", what="the oldest rows")
        # The vertical bar's thumb sits just below its up arrow at the top of the list.
        bar = int(self.drv("metric", SM_CXVSCROLL))
        arrow = int(self.drv("metric", SM_CYVSCROLL))
        x, y = right - 2 - bar // 2, top + 2 + arrow + 3
        self.env.xdotool("mousemove", x, y, "mousedown", 1)
        for step in range(1, 6):
            self.env.xdotool("mousemove", x, y + 30 * step)
            time.sleep(0.1)
        self.env.xdotool("mouseup", 1)
        time.sleep(0.5)
        first = int(self.drv("send", view, LVM_GETTOPINDEX, 0, 0))
        screen = self.shoot("skin-long-history.png")
        self.assertGreater(first, 100, "the drag scrolled far into the history")
        # The list shows rows from there on: dark text in its upper half.
        ink = sum(1 for yy in range(top + 30, (top + bottom) // 2) for xx in range(left + 4, right - bar - 4)
                  if max(screen.at(xx, yy)) < 90)
        self.assertGreater(ink, 50, "rows after the drag")

    # -- the close button ----------------------------------------------------

    def test_60_close_button_hides_the_main_window_to_the_tray(self):
        self.activate(self.main)
        left, top, right, _ = self.rect(self.main)
        x, y = right - CLOSE_X, top + CLOSE_Y
        self.env.xdotool("mousemove", x + 10, y + 10)
        time.sleep(0.5)
        screen = self.shoot("skin-close-button-hot.png")
        self.assertEqual(screen.at(x + 2, y + 10), CLOSE_HOT, "the close button lights up under the mouse")
        self.env.xdotool("click", 1)
        self.wait_until(lambda: self.drv("visible", self.main) != "1\n", what="hiding of the main window")
        self.shoot("skin-in-the-tray.png")
        time.sleep(1)
        self.assertTrue(self.proc.alive(), f"the program keeps running (it ended with {self.proc.returncode})")
        self.assertEqual(self.drv("visible", self.main), "0\n", "the main window is hidden, not gone")
        self.assertIsNotNone(self.env.find_window(TRAY_CLASS), "the tray icon's window is there")
        self.assertEqual(self.drv("inspect", self.main, "MenuShowMain").split("\t")[1], "0",
                         "显示主窗口 loses its check mark")

    # -- the keyboard and maximising -------------------------------------------

    def work_area(self):
        """The screen less Wine's taskbar at its bottom."""
        width, height = (int(v) for v in self.drv("screen").split())
        taskbar = self.env.find_window("Shell_TrayWnd")
        return (0, 0, width, self.rect(taskbar)[1] if taskbar else height)

    def test_47_alt_space_opens_the_skinned_system_menu_below_the_caption_icon(self):
        self.activate(self.main)
        left, top, _, _ = self.rect(self.main)
        self.env.xdotool("key", "alt+space")
        menu, rows = self.open_menu("skin-system-menu-keyboard.png")
        self.assertEqual(menu[:2], (left + ICON_LEFT, top + ICON_BOTTOM), "the menu hangs below the caption icon")
        self.assertEqual(len(rows), 4, f"Restore, Maximize, Minimize and Close: {rows}")
        self.env.xdotool("key", "Escape")
        self.wait_menus_closed()
        # Alt+F4 still closes a skinned window.
        self.env.xdotool("key", "alt+o")
        self.open_menu(None)
        self.env.xdotool("key", "s")
        dialog = self.env.find_window(SETUP_CLASS, timeout_ms=10000)
        self.assertIsNotNone(dialog, "the options dialog did not open")
        self.addCleanup(self.close_dialog, dialog)
        self.wait_until(lambda: self.drv("foreground") == f"{dialog}\n", what="the dialog in front")
        self.env.xdotool("key", "alt+F4")
        self.wait_until(lambda: not self.visible(dialog), what="Alt+F4 closing the options dialog")

    def parts(self):
        """Screen rectangles of the main window's strip, tree, history list and status bar."""
        found = {}
        for ln in (self.drv("children", self.main) or "").splitlines():
            _, cls, _, rect = ln.split("\t")
            found.setdefault(cls, []).append(rect_of(rect))
        return {"strip": min(found["TPanel"], key=lambda r: r[1]), "tree": found["SysTreeView32"][0],
                "list": found["SysListView32"][0], "status bar": found["msctls_statusbar32"][0]}

    def assert_painted_as_fresh(self, when, window=None, parts=None):
        """The strip, the tree, the list and the status bar (or the whole of another window,
        or the given parts of it) show what a fresh paint of the whole window shows."""
        window = window or self.main
        shown = self.shoot()
        self.drv("redraw", window)
        time.sleep(0.5)
        fresh = self.shoot(f"skin-fresh-{when}.png")
        parts = parts or (self.parts() if window == self.main else {"window": self.client(window)})
        for name, (left, top, right, bottom) in parts.items():
            wrong = [(x, y) for y in range(top, bottom) for x in range(left, right) if shown.at(x, y) != fresh.at(x, y)]
            self.assertEqual(wrong, [], f"{name} {(left, top, right, bottom)} {when}: pixels unlike a fresh paint")

    def stand_still(self):
        """Offline, so that the figures do not change between two pictures: the run's row
        takes its end at the first checkpoint after the program saw the connection go."""
        self.env.offline()
        self.addCleanup(self.env.online)
        time.sleep(3)
        history = self.folder / "Kelo.trv"
        saved = history.stat().st_mtime_ns
        deadline = time.monotonic() + 15
        while history.stat().st_mtime_ns == saved and time.monotonic() < deadline:
            time.sleep(0.2)
        time.sleep(0.5)

    def test_48_caption_double_click_maximises_the_main_window_onto_the_work_area_and_restores_it(self):
        self.stand_still()
        self.activate(self.main)
        normal, work = self.rect(self.main), self.work_area()
        # The menu bar answers the keyboard also once the user clicked into the list.
        left, top, right, bottom = self.parts()["list"]
        self.click((left + right) // 2, (top + bottom) // 2)
        time.sleep(0.5)
        for key in ("alt+o", "F10"):
            self.env.xdotool("key", key)
            self.assertEqual(len(self.open_menus()), 1, f"{key} from the list opens a drop-down")
            self.env.xdotool("key", "Escape", "Escape")
            self.wait_menus_closed()
        # Scrolled sideways (a click on the horizontal bar right of its thumb) first.
        before = self.shoot()
        bar, arrow = int(self.drv("metric", SM_CXVSCROLL)), int(self.drv("metric", SM_CXHSCROLL))
        self.click(right - 2 - bar - arrow - 4, bottom - 2 - int(self.drv("metric", SM_CYHSCROLL)) // 2)
        time.sleep(0.5)
        after = self.shoot("skin-list-sideways.png")
        self.assertTrue(any(before.at(x, top + 8) != after.at(x, top + 8) for x in range(left, right)),
                        "the list's header moved sideways")

        self.double_click_caption(self.main, work, f"maximising onto the work area {work}")
        screen = self.shoot("skin-maximised.png")
        left, top, right, _ = work
        self.assertEqual([screen.at(left + (right - left) * k // 20, top + y) for k in (11, 13) for y in (3, 14)],
                         [CAPTION_ACTIVE] * 4, "the whole caption is on the screen")
        self.assertGreater(screen.count({(240, 243, 246)}, right - CLOSE_X, top + CLOSE_Y,
                                       right - CLOSE_X + CAPTION_BUTTON, top + CLOSE_Y + CAPTION_BUTTON), 8,
                           "the close button's cross is on the screen")
        self.assert_painted_as_fresh("maximised")
        self.double_click_caption(self.main, normal, "restoring")
        self.assert_painted_as_fresh("restored")
        self.double_click_caption(self.main, work, "maximising again")
        self.double_click_caption(self.main, normal, "restoring again")
        self.assert_resizes_paint_as_fresh(self.main, "main window")

    def double_click_caption(self, window, want, what):
        left, top, right, _ = self.rect(window)
        self.env.xdotool("mousemove", left + (right - left) * 3 // 5, top + 14, "click", "--repeat", 2, "--delay", 80, 1)
        self.wait_until(lambda: self.rect(window) == want, what=f"{what} by a double click on the caption")
        time.sleep(0.5)

    def assert_resizes_paint_as_fresh(self, window, what):
        """A drag on the frame's corner, and a minimise and restore of the program."""
        normal = self.rect(window)

        def drag_corner(dx, dy):
            left, top, right, bottom = self.rect(window)
            x, y = right - 2, bottom - 2
            self.env.xdotool("mousemove", x, y, "mousedown", 1)
            for step in range(1, 5):
                self.env.xdotool("mousemove", x + dx * step // 4, y + dy * step // 4)
                time.sleep(0.1)
            self.env.xdotool("mouseup", 1)
            want = (left, top, right + dx, bottom + dy)
            self.wait_until(lambda: self.rect(window) == want, what=f"{what} at {want} by a drag on the frame")
            time.sleep(0.5)

        drag_corner(80, 40)
        self.assert_painted_as_fresh(f"{what} resized by the frame", window)
        # The main window goes with the program's taskbar window; another window alone.
        owner = self.env.find_window("TApplication") if window == self.main else window
        self.drv("post", window, WM_SYSCOMMAND, SC_MINIMIZE, 0)
        self.wait_until(lambda: self.drv("iconic", owner) == "1\n", what=f"minimising from the {what}")
        time.sleep(0.5)
        self.drv("post", owner, WM_SYSCOMMAND, SC_RESTORE, 0)
        self.wait_until(lambda: self.drv("iconic", owner) == "0\n" and self.visible(window),
                        what=f"the {what} restored")
        self.activate(window)
        self.assert_painted_as_fresh(f"{what} minimised and restored", window)
        drag_corner(normal[2] - self.rect(window)[2], normal[3] - self.rect(window)[3])

    def test_49_usage_report_paints_as_fresh_after_maximise_drag_and_minimise(self):
        command = int(self.drv("inspect", self.main, "MenuReport").rstrip("\n").split("\t")[3])
        self.drv("post", self.main, WM_COMMAND, command, 0)
        self.stand_still()
        report = self.wait_until(lambda: self.shown("TFrmReport"), what="the usage report")
        self.addCleanup(self.drv, "post", report, WM_CLOSE, 0, 0)
        time.sleep(0.5)
        self.activate(report)
        normal, work = self.rect(report), self.work_area()
        self.double_click_caption(report, work, "maximising the usage report")
        self.assert_painted_as_fresh("report maximised", report)
        self.double_click_caption(report, normal, "restoring the usage report")
        self.assert_painted_as_fresh("report restored", report)
        self.assert_resizes_paint_as_fresh(report, "usage report")

if __name__ == "__main__":
    BUILD_DIR = build_dir_from_args(sys.argv)
    unittest.main(argv=[sys.argv[0]], verbosity=2)
