"""Checks the end-to-end environment itself: the driver runs inside the Wine
session, the session's connected state follows the namespace's default
route, and screenshots work.

    python3 tests/e2e/test_env_smoke.py BUILD_DIR      (or KELO_BUILD_DIR=...)
"""

import sys
import tempfile
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))

from kelo_e2e import Env, build_dir_from_args  # noqa: E402

BUILD_DIR = None


class EnvSmokeTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.env = Env(BUILD_DIR)
        cls.env.__enter__()

    @classmethod
    def tearDownClass(cls):
        cls.env.__exit__(None, None, None)

    def test_driver_runs(self):
        out = self.env.driver("toplevels")
        self.assertIsNotNone(out)
        # Usage errors are exceptions, "not found" is None.
        self.assertIsNone(self.env.find_window("KeloNoSuchWindowClass"))

    def test_connected_state_follows_route(self):
        env = self.env
        env.online(False)
        self.assertFalse(env.is_online())

        env.online(True)
        t_on = env.wait_connected_state(True, timeout=10)
        env.online(False)
        t_off = env.wait_connected_state(False, timeout=10)
        env.online(True)
        env.wait_connected_state(True, timeout=10)
        env.online(False)
        env.wait_connected_state(False, timeout=10)
        print(f"\nconnected state visible after {t_on:.2f}s (online), {t_off:.2f}s (offline)",
              file=sys.stderr)

    def test_screenshot(self):
        with tempfile.TemporaryDirectory() as tmp:
            path = Path(tmp) / "screen.png"
            self.env.screenshot(path)
            self.assertGreater(path.stat().st_size, 0)
            with open(path, "rb") as f:
                self.assertEqual(f.read(8), b"\x89PNG\r\n\x1a\n")


if __name__ == "__main__":
    BUILD_DIR = build_dir_from_args(sys.argv)
    if len(sys.argv) > 1 and not sys.argv[1].startswith("-"):
        del sys.argv[1]
    unittest.main(verbosity=2)
