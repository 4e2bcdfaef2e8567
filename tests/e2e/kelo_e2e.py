"""End-to-end test environment for Kelo.

An ``Env`` gives the tests a Wine session that is completely their own:

* an X server (a private Xvfb unless KELO_USE_DISPLAY=1 and DISPLAY works),
* a network namespace whose "internet connection" the test switches on and
  off by adding or removing its default route (no traffic ever leaves it),
* a Wine prefix whose wineserver and service processes run inside that
  namespace, so every Windows program of the session (Kelo.exe and
  kelo_driver.exe alike) sees the namespace's routes,
* ``kelo_driver.exe`` to look at windows and send them messages,
* ``xdotool`` for real mouse and keyboard input through the X server.

    from kelo_e2e import Env
    with Env(build_dir) as env:
        d = env.fresh_dir("case1")          # run folder with Kelo.exe in it
        env.online(True)
        p = env.start(d / "Kelo.exe")
        hwnd = env.find_window("TFrmKeloMain", timeout_ms=10000)
        env.screenshot(d / "main.png")
        p.kill()                             # a crash, as far as Windows is concerned

``env.driver(...)`` returns the driver's stdout for exit code 0, None for exit
code 3 (not found / condition false) and raises DriverError for anything else; a
start that Wine itself fails (exit code 1, no output) is tried again.

The run folder build_dir/e2e/runs/<run> (fresh_dir()s, logs of started
programs) is removed after a clean exit; it is kept after an exception, with
keep=True or with KELO_E2E_KEEP=1.  Screenshots meant to outlive the run
belong elsewhere.

Must run as root (network namespaces).  Standard library only.
"""

from __future__ import annotations

import fcntl
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import uuid
from pathlib import Path
from typing import Callable, Iterable, Optional, Sequence

REPO_DIR = Path(__file__).resolve().parents[2]
COMMON_SH = REPO_DIR / "scripts" / "lib" / "common.sh"

WINEDLLOVERRIDES = "mscoree,mshtml=;winemenubuilder.exe=d"
# The users' locale: Chinese (PRC) Windows, ANSI code page 936.
DEFAULT_LANG = "zh_CN.UTF-8"
# The driver's exit code for a question answered "no" (not found, condition false).
DRIVER_FALSE = 3

# Files of a prefix that Wine only ever reads; a per-run copy of the prefix
# hard-links these instead of copying ~700 MB.
_READ_ONLY_SUFFIXES = {
    ".dll", ".exe", ".sys", ".drv", ".ocx", ".cpl", ".acm", ".tlb", ".nls",
    ".ax", ".ds", ".mui", ".msstyles", ".ttf", ".ttc", ".fon", ".com",
    ".tsp", ".vxd", ".ime", ".mod", ".dll16", ".exe16",
}


class DriverError(RuntimeError):
    """kelo_driver.exe failed: usage error, crash or timeout."""

    def __init__(self, args: Sequence[str], returncode: Optional[int], stdout: str, stderr: str):
        self.args_ = list(args)
        self.returncode = returncode
        self.stdout = stdout
        self.stderr = stderr
        super().__init__(
            f"kelo_driver {' '.join(args)} -> exit {returncode}\n"
            f"stdout: {stdout.strip()}\nstderr: {stderr.strip()}"
        )


def _log(msg: str) -> None:
    print(f"[kelo_e2e] {msg}", file=sys.stderr, flush=True)


def _bash_lib(func: str, *args: str, check: bool = True, env: Optional[dict] = None) -> subprocess.CompletedProcess:
    """Calls a function of scripts/lib/common.sh."""
    script = f'. "{COMMON_SH}" && {func} "$@"'
    return subprocess.run(["bash", "-c", script, "kelo", *args], check=check, env=env,
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)


def _process_state(pid: int) -> Optional[str]:
    """State letter of a Unix process (R, S, Z, ...), None when it is gone."""
    try:
        with open(f"/proc/{pid}/stat", "rb") as f:
            data = f.read()
        return data[data.rindex(b")") + 2:][:1].decode()
    except (OSError, ValueError):
        return None


def _alive(pid: int) -> bool:
    state = _process_state(pid)
    return state is not None and state not in ("Z", "X")


def _prefix_of(pid: int) -> Optional[str]:
    try:
        with open(f"/proc/{pid}/environ", "rb") as f:
            for item in f.read().split(b"\0"):
                if item.startswith(b"WINEPREFIX="):
                    return item[len(b"WINEPREFIX="):].decode(errors="replace")
    except OSError:
        pass
    return None


def _cmdline(pid: int) -> str:
    try:
        with open(f"/proc/{pid}/cmdline", "rb") as f:
            return f.read().replace(b"\0", b" ").decode(errors="replace").strip()
    except OSError:
        return ""


class WineProcess:
    """A Windows program started by Env.start().

    ``pid`` is the Unix pid, which after Wine's loader has exec'd is the
    process running the program itself (not a launcher).  It is not the
    Windows process id; use ``Env.windows_pids()`` for that.
    """

    def __init__(self, env: "Env", popen: subprocess.Popen, exe: Path, log: Path,
                 restart: Optional[Callable[[], subprocess.Popen]] = None):
        self.env = env
        self.popen = popen
        self.exe = exe
        self.log = log
        self._restart = restart

    def never_started(self) -> bool:
        """Whether Wine ended it with exit code 1 before it said anything: Wine could
        not start the program that time (none of ours ends that way)."""
        return self.popen.poll() == 1 and not self.output().strip()

    def start_again(self) -> None:
        """Starts the same program the same way (after never_started())."""
        if self._restart is None:
            raise RuntimeError(f"{self.exe.name} cannot be started again")
        self.popen = self._restart()

    @property
    def pid(self) -> int:
        return self.popen.pid

    @property
    def returncode(self) -> Optional[int]:
        return self.popen.poll()

    def alive(self) -> bool:
        return self.popen.poll() is None and _alive(self.pid)

    def wait(self, timeout: Optional[float] = None) -> int:
        """Exit code of the program (Wine passes on its low 8 bits).

        Raises subprocess.TimeoutExpired when it is still running."""
        return self.popen.wait(timeout)

    def kill(self, timeout: float = 10.0) -> None:
        """Ends the program abruptly (SIGKILL), as a crash would: no window
        messages, no cleanup in the program.  Waits until it is gone."""
        if self.popen.poll() is None:
            try:
                os.kill(self.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
        self.popen.wait(timeout)

    def terminate_gracefully(self, timeout: float = 10.0) -> Optional[int]:
        """Waits for the program to end by itself; kills it after `timeout`."""
        try:
            return self.popen.wait(timeout)
        except subprocess.TimeoutExpired:
            self.kill()
            return None

    def output(self) -> str:
        """What the program (and Wine) wrote to stdout/stderr so far."""
        try:
            return self.log.read_text(encoding="utf-8", errors="replace")
        except OSError:
            return ""


class Env:
    """See the module documentation.

    build_dir      the Windows build folder (holds Kelo.exe and kelo_driver.exe)
    prefix         "copy" (default): a per-run copy of the template prefix
                   build_dir/e2e/wineprefix (binaries hard-linked, ~1 s), so
                   every Env starts with a clean registry; "shared": the
                   template itself, locked for this run (falls back to a copy
                   when another run holds it); registry changes persist
    lang           locale of the Wine processes; None: $KELO_LANG, else
                   zh_CN.UTF-8, a Chinese (PRC) Windows locale as the users
                   have it (Chinese system texts, code page 936).  C.UTF-8
                   gives an English one (code page 1252).  A UTF-8 locale,
                   so Wine's command line and console conversions stay
                   lossless for Chinese text; generated when it is missing
    keep           keep build_dir/e2e/runs/<run> after a clean exit (it is
                   always kept after an exception; KELO_E2E_KEEP=1 also keeps it)
    extra_env      more environment for every Wine process of the session,
                   wineserver included (e.g. FAKETIME and LD_PRELOAD of
                   libfaketime for a shifted clock)
    desktop        None: every window is its own X window (no window manager,
                   so no title bars in screenshots; tray icons appear in Wine's
                   small "Wine System Tray" window, top left).  "WxH": a Wine
                   virtual desktop of that size, where Wine draws title bars
                   and a taskbar with the notification area.
    """

    def __init__(self, build_dir, *, prefix: str = "copy", lang: Optional[str] = None,
                 keep: bool = False, driver: Optional[Path] = None, desktop: Optional[str] = None,
                 extra_env: Optional[dict] = None):
        if os.geteuid() != 0:
            raise PermissionError("kelo_e2e.Env needs root (network namespaces)")
        if prefix not in ("shared", "copy"):
            raise ValueError("prefix must be 'shared' or 'copy'")
        self.build_dir = Path(build_dir).resolve()
        self.e2e_dir = self.build_dir / "e2e"
        self.run_id = f"{time.strftime('%Y%m%d-%H%M%S')}-{os.getpid()}-{uuid.uuid4().hex[:6]}"
        self.run_dir = self.e2e_dir / "runs" / self.run_id
        self.netns = f"kelo-{os.getpid()}-{uuid.uuid4().hex[:6]}"
        self.lang = lang or os.environ.get("KELO_LANG") or DEFAULT_LANG
        _ensure_locale(self.lang)
        self.keep = keep or os.environ.get("KELO_E2E_KEEP") == "1"
        self.driver_exe = Path(driver) if driver else self.build_dir / "kelo_driver.exe"
        self.kelo_exe = self.build_dir / "Kelo.exe"
        self._prefix_mode = prefix
        self.desktop = desktop
        # Given to every Wine process of the session, wineserver included (a shifted
        # clock through libfaketime, for one).
        self.extra_env = dict(extra_env or {})
        self.template_prefix = self.e2e_dir / "wineprefix"
        self.prefix: Optional[Path] = None
        self.display: Optional[str] = None
        self._own_prefix_copy = False
        self._prefix_lock = None
        self._xvfb: Optional[subprocess.Popen] = None
        self._netns_created = False
        self._server_started = False
        self._procs: list[WineProcess] = []
        self._is_online = False

    # ------------------------------------------------------------ set-up --

    def __enter__(self) -> "Env":
        # Turn SIGTERM (e.g. from a test runner giving up) into SystemExit so
        # the clean-up below still runs.
        self._old_sigterm = None
        try:
            if signal.getsignal(signal.SIGTERM) == signal.SIG_DFL:
                self._old_sigterm = signal.signal(signal.SIGTERM, _raise_system_exit)
        except ValueError:  # not the main thread
            pass
        try:
            self._setup()
        except BaseException:
            self.close(failed=True)
            raise
        return self

    def __exit__(self, exc_type, exc, tb) -> None:
        self.close(failed=exc_type is not None)

    def _setup(self) -> None:
        # Wine's daemons (wineserver, services.exe, ...) are orphaned right
        # after they start.  Adopting them lets close() reap them instead of
        # leaving zombies for init.
        _become_subreaper()
        if not self.driver_exe.is_file():
            raise FileNotFoundError(f"{self.driver_exe} is missing (build target kelo_driver)")
        cleanup_stale_runs(self.build_dir)
        self.run_dir.mkdir(parents=True, exist_ok=True)
        self._start_display()
        self._create_netns()
        self._prepare_prefix()
        self._write_owner()
        self._start_wine_session()

    def _write_owner(self) -> None:
        # Lets a later run clean up after this one if it is killed outright.
        lines = [f"pid={os.getpid()}", f"netns={self.netns}", f"prefix={self.prefix}"]
        if self._xvfb is not None:
            lines.append(f"xvfb={self._xvfb.pid}")
        (self.run_dir / "owner").write_text("\n".join(lines) + "\n")

    def _start_display(self) -> None:
        current = os.environ.get("DISPLAY")
        if os.environ.get("KELO_USE_DISPLAY") == "1" and current and self._display_ok(current):
            self.display = current
            return
        for n in range(90, 190):
            if Path(f"/tmp/.X{n}-lock").exists() or Path(f"/tmp/.X11-unix/X{n}").exists():
                continue
            # Unix socket only.  Inside the namespace the abstract socket is out
            # of reach and Xlib falls back to /tmp/.X11-unix/X<n>.
            proc = subprocess.Popen(
                ["Xvfb", f":{n}", "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-noreset"],
                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
            deadline = time.monotonic() + 10
            while time.monotonic() < deadline and proc.poll() is None:
                if self._display_ok(f":{n}"):
                    self._xvfb = proc
                    self.display = f":{n}"
                    return
                time.sleep(0.1)
            proc.kill()
            proc.wait()
        raise RuntimeError("could not start Xvfb")

    @staticmethod
    def _display_ok(display: str) -> bool:
        return subprocess.run(["xdpyinfo", "-display", display], stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL).returncode == 0

    def _create_netns(self) -> None:
        _bash_lib("kelo_netns_create", self.netns)
        self._netns_created = True
        self._is_online = False

    def _prepare_prefix(self) -> None:
        self.e2e_dir.mkdir(parents=True, exist_ok=True)
        # The template is built inside the namespace too: not even prefix
        # creation gets a route out.
        self._in_netns_lib("kelo_wineprefix_create", str(self.template_prefix))
        if self._prefix_mode == "shared":
            lock = open(self.e2e_dir / "wineprefix.inuse", "w")
            try:
                fcntl.flock(lock, fcntl.LOCK_EX | fcntl.LOCK_NB)
                self._prefix_lock = lock
                self.prefix = self.template_prefix
                return
            except BlockingIOError:
                lock.close()
                _log("shared prefix is in use by another run; using a copy")
        self.prefix = self.run_dir / "wineprefix"
        _copy_prefix(self.template_prefix, self.prefix)
        self._own_prefix_copy = True

    def _in_netns_lib(self, func: str, *args: str) -> None:
        script = f'. "{COMMON_SH}" && {func} "$@"'
        r = subprocess.run(["ip", "netns", "exec", self.netns, "bash", "-c", script, "kelo", *args],
                           stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        if r.returncode != 0:
            raise RuntimeError(f"{func} {' '.join(args)} failed:\n{r.stdout}{r.stderr}")

    def wine_env(self) -> dict:
        """Environment of every Wine process of this Env."""
        env = dict(os.environ)
        for var in ("WAYLAND_DISPLAY", "WINESERVER", "WINELOADER", "WINEDLLPATH"):
            env.pop(var, None)
        env.update({
            "DISPLAY": self.display or "",
            "WINEPREFIX": str(self.prefix),
            "WINEARCH": "win64",
            "WINEDEBUG": "-all",
            "WINEDLLOVERRIDES": WINEDLLOVERRIDES,
            "LANG": self.lang,
            "LC_ALL": self.lang,
        })
        env.update(self.extra_env)
        return env

    def netns_cmd(self, argv: Sequence[str]) -> list[str]:
        """argv wrapped to run inside this Env's network namespace."""
        return ["ip", "netns", "exec", self.netns, *argv]

    def _start_wine_session(self) -> None:
        # A persistent wineserver started inside the namespace, then wineboot
        # from inside it: services.exe, winedevice.exe (nsiproxy) and the rest
        # of the session's system processes inherit the namespace.
        env = self.wine_env()
        subprocess.run(self.netns_cmd(["wineserver", "-k"]), env=env,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.run(self.netns_cmd(["wineserver", "-p"]), env=env, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self._server_started = True
        self._set_desktop(env)
        subprocess.run(self.netns_cmd(["wine", "wineboot"]), env=env, check=True, timeout=120,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.run(self.netns_cmd(["bash", "-c", f'. "{COMMON_SH}" && kelo_wine_dates_as_windows']),
                       env=env, check=True, timeout=120)
        # Looking at the desktop starts Wine's desktop process (explorer.exe)
        # now, detached from the output of any later program.
        if self.driver("toplevels") is None:
            raise RuntimeError("kelo_driver.exe does not work in the new Wine session")
        if self.is_online():
            raise RuntimeError("the Wine session reports a connection although the namespace has no route")

    def _set_desktop(self, env: dict) -> None:
        # Must be in the registry before the desktop process starts.
        key = r"HKCU\Software\Wine\Explorer"
        if self.desktop:
            cmds = [["reg", "add", key, "/v", "Desktop", "/d", "Default", "/f"],
                    ["reg", "add", key + r"\Desktops", "/v", "Default", "/d", self.desktop, "/f"]]
        else:
            cmds = [["reg", "delete", key, "/v", "Desktop", "/f"]]
        for cmd in cmds:
            subprocess.run(self.netns_cmd(["wine", *cmd]), env=env, timeout=60,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    # ----------------------------------------------------------- clean-up --

    def close(self, failed: bool = False) -> None:
        """Ends everything this Env started.  Safe to call more than once."""
        if self._server_started and self.prefix:
            env = self.wine_env()
            try:
                subprocess.run(["wineserver", "-k"], env=env, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL, timeout=30)
                subprocess.run(["wineserver", "-w"], env=env, stdout=subprocess.DEVNULL,
                               stderr=subprocess.DEVNULL, timeout=30)
            except subprocess.TimeoutExpired:
                _log("wineserver did not stop; killing the prefix's processes")
            self._server_started = False
        for p in self._procs:
            if p.popen.poll() is None:
                p.kill()
        self._procs.clear()
        if self.prefix:
            self._kill_leftovers()
        _reap_adopted({self._xvfb.pid} if self._xvfb is not None else set())
        if self._netns_created:
            _bash_lib("kelo_netns_delete", self.netns, check=False)
            self._netns_created = False
        if self._xvfb is not None:
            self._xvfb.terminate()
            try:
                self._xvfb.wait(10)
            except subprocess.TimeoutExpired:
                self._xvfb.kill()
                self._xvfb.wait()
            self._xvfb = None
        if self._own_prefix_copy and self.prefix:
            shutil.rmtree(self.prefix, ignore_errors=True)
            self._own_prefix_copy = False
        if self._prefix_lock is not None:
            self._prefix_lock.close()
            self._prefix_lock = None
        try:
            (self.run_dir / "owner").unlink()
        except OSError:
            pass
        if not failed and not self.keep:
            shutil.rmtree(self.run_dir, ignore_errors=True)
        elif self.run_dir.exists():
            _log(f"run folder kept: {self.run_dir}")
        if getattr(self, "_old_sigterm", None) is not None:
            signal.signal(signal.SIGTERM, self._old_sigterm)
            self._old_sigterm = None

    def _kill_leftovers(self) -> None:
        """SIGKILLs any process still running with this Env's prefix."""
        prefix = str(self.prefix)
        for pid in self._unix_pids_of_prefix():
            if _prefix_of(pid) == prefix:
                try:
                    os.kill(pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass

    def _unix_pids_of_prefix(self) -> list[int]:
        prefix = str(self.prefix)
        pids = []
        for entry in os.listdir("/proc"):
            if entry.isdigit() and _alive(int(entry)) and _prefix_of(int(entry)) == prefix:
                pids.append(int(entry))
        return pids

    # ------------------------------------------------------------ network --

    def online(self, connected: bool = True) -> None:
        """Adds (True) or removes (False) the namespace's default route."""
        _bash_lib("kelo_netns_online" if connected else "kelo_netns_offline", self.netns)
        self._is_online = connected

    def offline(self) -> None:
        self.online(False)

    def is_online(self) -> bool:
        """What Windows programs of this session see (InternetGetConnectedState)."""
        out = self.driver("online")
        return out is not None and out.strip() == "1"

    def wait_connected_state(self, connected: bool, timeout: float = 10.0) -> float:
        """Waits until the session sees `connected`; returns seconds taken."""
        start = time.monotonic()
        while True:
            if self.is_online() == connected:
                return time.monotonic() - start
            if time.monotonic() - start > timeout:
                raise TimeoutError(f"connected state did not become {connected} within {timeout}s")
            time.sleep(0.1)

    # ------------------------------------------------------------ programs --

    def fresh_dir(self, name: str, exe: bool = True) -> Path:
        """An empty folder build_dir/e2e/runs/<run>/<name>, with Kelo.exe
        copied in (exe=False: nothing copied)."""
        d = self.run_dir / name
        if d.exists():
            shutil.rmtree(d)
        d.mkdir(parents=True)
        if exe:
            if not self.kelo_exe.is_file():
                raise FileNotFoundError(f"{self.kelo_exe} is missing (build target Kelo)")
            shutil.copy2(self.kelo_exe, d / "Kelo.exe")
        return d

    def start(self, exe, *args: str, cwd=None, extra_env: Optional[dict] = None) -> WineProcess:
        """Starts a Windows program inside the namespace; returns at once.

        The working folder is the program's folder unless `cwd` is given.
        Its output (and Wine's) goes to <run>/logs/<exe>-<n>.log."""
        exe = Path(exe).resolve()
        logs = self.run_dir / "logs"
        logs.mkdir(parents=True, exist_ok=True)
        log = logs / f"{exe.stem}-{len(self._procs)}.log"
        env = self.wine_env()
        if extra_env:
            env.update(extra_env)
        def launch() -> subprocess.Popen:
            with open(log, "wb") as out:
                return subprocess.Popen(self.netns_cmd(["wine", str(exe), *args]), env=env,
                                        cwd=str(cwd or exe.parent), stdin=subprocess.DEVNULL,
                                        stdout=out, stderr=subprocess.STDOUT)
        proc = WineProcess(self, launch(), exe, log, launch)
        self._procs.append(proc)
        return proc

    def run(self, exe, *args: str, timeout: float = 60, cwd=None) -> subprocess.CompletedProcess:
        """Runs a Windows program inside the namespace to completion; stdout
        and stderr come back as bytes.

        Output goes through files, not pipes: a process the program starts
        (Wine's desktop process, for one) may keep the handles open long
        after the program itself has ended."""
        exe = Path(exe).resolve()
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            proc = subprocess.Popen(self.netns_cmd(["wine", str(exe), *args]), env=self.wine_env(),
                                    cwd=str(cwd or exe.parent), stdin=subprocess.DEVNULL,
                                    stdout=out, stderr=err)
            try:
                rc = proc.wait(timeout)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait()
                raise
            out.seek(0)
            err.seek(0)
            return subprocess.CompletedProcess(proc.args, rc, out.read(), err.read())

    def driver_run(self, *args, timeout: float = 60) -> subprocess.CompletedProcess:
        """kelo_driver.exe with `args`; the raw result (stdout/stderr as str)."""
        argv = [str(a) for a in args]
        r = self.run(self.driver_exe, *argv, timeout=timeout, cwd=self.run_dir)
        return subprocess.CompletedProcess(
            r.args, r.returncode,
            r.stdout.decode("utf-8", errors="replace").replace("\r\n", "\n"),
            r.stderr.decode("utf-8", errors="replace"))

    def driver(self, *args, timeout: float = 60) -> Optional[str]:
        """stdout of kelo_driver.exe on exit code 0, None on DRIVER_FALSE;
        DriverError on a usage error, a crash or a timeout."""
        argv = [str(a) for a in args]
        for attempt in range(3):
            try:
                r = self.driver_run(*argv, timeout=timeout)
            except subprocess.TimeoutExpired as e:
                raise DriverError(argv, None, "", f"timed out after {timeout}s") from e
            # Exit code 1 with nothing said: Wine could not start the driver this time.
            if not (r.returncode == 1 and not r.stdout and not r.stderr.strip()):
                break
            print(f"[driver {' '.join(argv)}] Wine did not start it; trying again", file=sys.stderr)
        if r.returncode == 0:
            return r.stdout
        if r.returncode == DRIVER_FALSE:
            if r.stderr.strip():
                # The driver's reason, for the log of a failing case.
                print(f"[driver {' '.join(argv)}] {r.stderr.strip()}", file=sys.stderr)
            return None
        raise DriverError(argv, r.returncode, r.stdout, r.stderr)

    # ----------------------------------------------------- driver helpers --

    def find_window(self, cls: str, title: Optional[str] = None, timeout_ms: int = 0) -> Optional[int]:
        args = ["find", "--class", cls, "--timeout", str(timeout_ms)]
        if title is not None:
            args += ["--title", title]
        out = self.driver(*args, timeout=timeout_ms / 1000 + 60)
        if not out and timeout_ms > 0 and self._start_again_what_never_started():
            out = self.driver(*args, timeout=timeout_ms / 1000 + 60)
        return int(out.split()[0]) if out else None

    def _start_again_what_never_started(self) -> bool:
        """A window waited for in vain may belong to a program Wine failed to start:
        such programs are started once more. True when there was one."""
        again = [p for p in self._procs if p.never_started()]
        for p in again:
            print(f"[kelo_e2e] Wine did not start {p.exe.name}; starting it again", file=sys.stderr)
            p.start_again()
        return bool(again)

    def window_text(self, hwnd: int) -> Optional[str]:
        out = self.driver("text", hwnd)
        return None if out is None else out[:-1] if out.endswith("\n") else out

    def dialog_item(self, dialog: int, control_id: int) -> Optional[tuple[int, str, tuple[int, ...]]]:
        """(hwnd, text, rectangle) of a dialog's control with that id (IDOK, the system
        dialogs' fixed ids: what stays the same in every language), or None."""
        out = self.driver("item", dialog, control_id)
        if out is None:
            return None
        hwnd, text, rect = out.rstrip("\n").split("\t")
        return int(hwnd), _unescape(text), rect_of(rect)

    def msgbox(self, caption: str, timeout_ms: int = 0) -> Optional[tuple[int, str]]:
        """(hwnd, message text) of a message box with that caption, or None."""
        out = self.driver("msgbox", "--caption", caption, "--timeout", str(timeout_ms),
                          timeout=timeout_ms / 1000 + 60)
        if out is None:
            return None
        first, _, rest = out.partition("\n")
        return int(first), rest[:-1] if rest.endswith("\n") else rest

    def count_msgbox(self, caption: str) -> int:
        return int(self.driver("count-msgbox", "--caption", caption))

    def toplevels(self, exe: Optional[str] = None) -> list[dict]:
        """Visible top-level windows: dicts with hwnd, cls, title, winpid, exe."""
        args = ["toplevels"] + (["--exe", exe] if exe else [])
        rows = []
        for ln in (self.driver(*args) or "").splitlines():
            f = ln.split("\t")
            if len(f) == 5:
                rows.append({"hwnd": int(f[0]), "cls": _unescape(f[1]), "title": _unescape(f[2]),
                             "winpid": int(f[3]), "exe": _unescape(f[4])})
        return rows

    def windows_pids(self, exe: str) -> list[int]:
        """Windows process ids of running processes with that file name."""
        pids = []
        for ln in (self.driver("processes") or "").splitlines():
            pid, _, name = ln.partition("\t")
            if _unescape(name).lower() == exe.lower():
                pids.append(int(pid))
        return pids

    def kill_all(self, exe_name: str) -> int:
        """SIGKILLs every process of this session running `exe_name`; returns
        how many were killed."""
        killed = 0
        needle = exe_name.lower()
        for pid in self._unix_pids_of_prefix():
            cmd = _cmdline(pid).lower().replace("\\", "/")
            first = cmd.split(" ")[0] if cmd else ""
            if first.endswith("/" + needle) or first == needle:
                try:
                    os.kill(pid, signal.SIGKILL)
                    killed += 1
                except ProcessLookupError:
                    pass
        return killed

    # -------------------------------------------------------- user input --

    def xdotool(self, *args) -> None:
        """Real mouse and keyboard input through the X server, e.g.
        ``env.xdotool("mousemove", 100, 200, "click", 1)``.

        Wine's virtual desktop fills the X screen from (0, 0) (there is no
        window manager), so X coordinates are Windows screen coordinates."""
        env = dict(os.environ, DISPLAY=self.display or "")
        r = subprocess.run(["xdotool", *(str(a) for a in args)], env=env,
                           stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        if r.returncode != 0:
            raise RuntimeError(f"xdotool {' '.join(str(a) for a in args)} failed: {r.stderr}")

    def keyboard_to(self, hwnd: int) -> None:
        """The X server's keyboard focus onto a top-level window that Windows already has in
        front.  Wine's desktop process can take the X focus for its taskbar while the
        program's window stays the foreground window; X then hands the keys to the taskbar
        and the program never sees them.  A window manager would give the focus back; here
        the test does."""
        xid = int(self.driver("xwindow", hwnd) or 0)
        env = dict(os.environ, DISPLAY=self.display or "")
        focus = subprocess.run(["xdotool", "getwindowfocus"], env=env, stdout=subprocess.PIPE,
                               stderr=subprocess.DEVNULL, text=True).stdout.strip()
        if xid and focus != str(xid):
            self.xdotool("windowfocus", "--sync", xid)

    # ---------------------------------------------------------- pictures --

    def screenshot(self, path) -> Path:
        """PNG of the whole screen."""
        path = Path(path)
        path.parent.mkdir(parents=True, exist_ok=True)
        env = dict(os.environ, DISPLAY=self.display or "")
        r = _bash_lib("kelo_screenshot", str(path), check=False, env=env)
        if r.returncode != 0 or not path.is_file() or path.stat().st_size == 0:
            raise RuntimeError(f"screenshot failed: {r.stderr}")
        return path


def cleanup_stale_runs(build_dir) -> None:
    """Ends what earlier runs left behind when they were killed before they
    could clean up: their namespace, their Wine processes, their Xvfb and
    their copy of the prefix.  Their logs stay."""
    runs = Path(build_dir).resolve() / "e2e" / "runs"
    if not runs.is_dir():
        return
    for owner in runs.glob("*/owner"):
        try:
            info = dict(ln.split("=", 1) for ln in owner.read_text().splitlines() if "=" in ln)
            pid = int(info.get("pid", "0"))
        except (OSError, ValueError):
            continue
        if pid and _alive(pid):
            continue
        _log(f"cleaning up after dead run {owner.parent.name}")
        prefix = info.get("prefix")
        if prefix:
            for entry in os.listdir("/proc"):
                if entry.isdigit() and _prefix_of(int(entry)) == prefix:
                    try:
                        os.kill(int(entry), signal.SIGKILL)
                    except ProcessLookupError:
                        pass
        netns = info.get("netns")
        if netns:
            pids = subprocess.run(["ip", "netns", "pids", netns], capture_output=True, text=True).stdout
            for p in pids.split():
                try:
                    os.kill(int(p), signal.SIGKILL)
                except (ProcessLookupError, ValueError):
                    pass
            _bash_lib("kelo_netns_delete", netns, check=False)
        xvfb = info.get("xvfb")
        if xvfb and xvfb.isdigit() and _cmdline(int(xvfb)).startswith("Xvfb"):
            try:
                os.kill(int(xvfb), signal.SIGTERM)
            except ProcessLookupError:
                pass
        copy = owner.parent / "wineprefix"
        if prefix and Path(prefix) == copy:
            shutil.rmtree(copy, ignore_errors=True)
        try:
            owner.unlink()
        except OSError:
            pass


def _ensure_locale(lang: str) -> None:
    r = _bash_lib("kelo_locale_ensure", lang, check=False)
    if r.returncode != 0:
        raise ValueError(f"locale {lang} is not available: {r.stderr.strip()}")


def _become_subreaper() -> None:
    try:
        import ctypes
        libc = ctypes.CDLL(None, use_errno=True)
        libc.prctl(36, 1, 0, 0, 0)  # PR_SET_CHILD_SUBREAPER
    except (OSError, AttributeError):
        pass


def _reap_adopted(exclude: set, wait: float = 2.0) -> None:
    """Reaps exited children that no Popen object owns (adopted orphans)."""
    me = os.getpid()
    deadline = time.monotonic() + wait
    while True:
        pending = False
        for entry in os.listdir("/proc"):
            if not entry.isdigit() or int(entry) in exclude:
                continue
            try:
                with open(f"/proc/{entry}/stat", "rb") as f:
                    data = f.read()
                fields = data[data.rindex(b")") + 2:].split()
                state, ppid = fields[0], int(fields[1])
            except (OSError, ValueError, IndexError):
                continue
            if ppid != me:
                continue
            if state == b"Z":
                try:
                    os.waitpid(int(entry), os.WNOHANG)
                except ChildProcessError:
                    pass
            else:
                pending = True
        if not pending or time.monotonic() > deadline:
            return
        time.sleep(0.1)


def _raise_system_exit(signum, frame):
    raise SystemExit(128 + signum)


def _unescape(s: str) -> str:
    out, i = [], 0
    while i < len(s):
        c = s[i]
        if c == "\\" and i + 1 < len(s):
            out.append({"t": "\t", "n": "\n", "r": "\r", "\\": "\\"}.get(s[i + 1], s[i + 1]))
            i += 2
        else:
            out.append(c)
            i += 1
    return "".join(out)


def _copy_prefix(src: Path, dst: Path) -> None:
    """Copies a prefix, hard-linking the binaries Wine never writes to."""
    if dst.exists():
        shutil.rmtree(dst)

    def copy(s: str, d: str) -> None:
        if Path(s).suffix.lower() in _READ_ONLY_SUFFIXES:
            try:
                os.link(s, d)
                return
            except OSError:
                pass
        shutil.copy2(s, d)

    shutil.copytree(src, dst, symlinks=True, copy_function=copy,
                    ignore=shutil.ignore_patterns("*.lock", ".kelo-prefix-*.tmp"))


def rect_of(text: str) -> tuple[int, ...]:
    """A rectangle (or any numbers) as the driver prints it: "left top right bottom"."""
    return tuple(int(v) for v in text.split())


def parse_hms(text: str) -> int:
    """Seconds of an "h:m:s" text, as the labels, the history and SumTime hold it."""
    h, m, s = (int(x) for x in text.split(":"))
    return h * 3600 + m * 60 + s


def netpbm(data: bytes, magic: bytes) -> tuple[int, int, bytes]:
    """Width, height and pixel bytes of an 8-bit PGM (P5) or PPM (P6) image."""
    # Header: magic, width, height, maximum, one blank, then the pixels.
    fields, pos = [], 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    if fields[0] != magic or fields[3] != b"255":
        raise RuntimeError(f"unexpected image from convert: {fields}")
    return int(fields[1]), int(fields[2]), data[pos + 1:]


def build_dir_from_args(argv: Iterable[str]) -> Path:
    """The build folder from the command line (first argument) or KELO_BUILD_DIR."""
    argv = list(argv)
    if len(argv) > 1 and not argv[1].startswith("-"):
        return Path(argv[1])
    env = os.environ.get("KELO_BUILD_DIR")
    if env:
        return Path(env)
    raise SystemExit("usage: give the build folder as the first argument or in KELO_BUILD_DIR")
