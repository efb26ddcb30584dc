#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-2.0-or-later
# What a screen reader sees of Tastor: starts a private session bus, the accessibility bus
# (at-spi-bus-launcher, at-spi2-registryd), Xvfb and the program with the simulated keyboard
# in a temporary home, walks the program's accessible tree with pyatspi (as Orca does) and
# checks that every control one can act on has a name, that the profile buttons, sliders and
# every key of the keyboard picture read as they should, and that Tab and Enter reach them.
# Run by ctest (tests/CMakeLists.txt) as: test_accessibility.py BIN_DIR [--measure]; exit 77
# (skipped) with its reason where the buses, Xvfb or pyatspi are not there.
import json
import os
import shutil
import subprocess
import sys
import tempfile
import time

SKIPPED = 77
LAUNCHER = "/usr/libexec/at-spi-bus-launcher"
SYSTEM_PYTHON = "/usr/bin/python3"


def skip(reason):
    print("SKIPPED: " + reason)
    sys.exit(SKIPPED)


def find_pyatspi():
    """pyatspi comes with the system's Python; another Python in PATH hands over to it. It is
    only looked for here: imported, it would take the buses of the environment at once."""
    import importlib.util
    if importlib.util.find_spec("pyatspi") is not None:
        return
    if os.path.realpath(sys.executable) != os.path.realpath(SYSTEM_PYTHON) and os.access(SYSTEM_PYTHON, os.X_OK):
        os.execv(SYSTEM_PYTHON, [SYSTEM_PYTHON] + sys.argv)
    skip("python3-pyatspi is not installed (scripts/setup.sh installs it)")


def wait_for(what, predicate, seconds=60.0, step=0.1):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        value = predicate()
        if value:
            return value
        time.sleep(step)
    raise AssertionError("timed out waiting for " + what)


class Session:
    """The private buses, the X server and the program; everything ends with the session."""

    def __init__(self, bin_dir):
        self.bin_dir = bin_dir
        self.work = tempfile.mkdtemp(prefix="tastor-a11y-")
        self.procs = []
        runtime = os.path.join(self.work, "rt")
        os.mkdir(runtime, 0o700)
        self.env = dict(os.environ, HOME=self.work, XDG_RUNTIME_DIR=runtime, LANG="C.UTF-8", LANGUAGE="",
                        LC_ALL="", XDG_CONFIG_HOME=os.path.join(self.work, ".config"),
                        XDG_DATA_HOME=os.path.join(self.work, ".local/share"),
                        XDG_CACHE_HOME=os.path.join(self.work, ".cache"))
        self.env.pop("QT_QPA_PLATFORM", None)
        self.user = os.path.join(self.work, "user")

    def spawn(self, argv, **kwargs):
        proc = subprocess.Popen(argv, env=self.env, **kwargs)
        self.procs.append(proc)
        return proc

    def start_buses(self):
        bus = self.spawn(["dbus-daemon", "--session", "--nofork", "--nopidfile", "--print-address=1"],
                         stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        address = bus.stdout.readline().strip()
        if not address:
            skip("the private session bus did not start")
        self.env["DBUS_SESSION_BUS_ADDRESS"] = address
        self.spawn([LAUNCHER, "--launch-immediately"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

        def a11y_address():
            out = subprocess.run(["dbus-send", "--session", "--print-reply=literal", "--dest=org.a11y.Bus",
                                  "/org/a11y/bus", "org.a11y.Bus.GetAddress"], env=self.env,
                                 capture_output=True, text=True)
            return out.returncode == 0 and out.stdout.strip()
        try:
            wait_for("the accessibility bus", a11y_address, 10)
        except AssertionError:
            skip("the accessibility bus did not start")

    def start_x(self):
        read, write = os.pipe()
        self.spawn(["Xvfb", "-displayfd", str(write), "-screen", "0", "1920x1080x24", "-nolisten", "tcp"],
                   pass_fds=(write,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as pipe:
            number = pipe.readline().strip()
        if not number:
            skip("Xvfb did not start")
        self.env["DISPLAY"] = ":" + number

    def cli(self, *args):
        return subprocess.run([os.path.join(self.bin_dir, "tastor-cli"), "--simulate", "--user-dir", self.user,
                               "--lang", "en", *args], env=self.env, capture_output=True, text=True, check=True).stdout

    def start_program(self):
        self.env["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
        self.env["QT_ACCESSIBILITY"] = "1"
        self.program = self.spawn([os.path.join(self.bin_dir, "tastor"), "--simulate", "--user-dir", self.user,
                                   "--lang", "en"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def key(self, *keys):
        subprocess.run(["xdotool", "key", "--delay", "30", *keys], env=self.env, check=True)

    def close(self):
        for proc in reversed(self.procs):
            if proc.poll() is None:
                proc.terminate()
                try:
                    proc.wait(5)
                except subprocess.TimeoutExpired:
                    proc.kill()
                    proc.wait()
        shutil.rmtree(self.work, ignore_errors=True)


ACTIONABLE = {"push button", "check box", "toggle button", "combo box", "slider", "radio button", "menu item",
              "list item", "tree item", "text", "entry"}


def walk(node, out, depth=0):
    out.append(node)
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None and depth < 12:
            walk(child, out, depth + 1)
    return out


def role(node):
    return node.getRoleName()


def expected_key_names(session):
    """Each key of the keyboard's key table by the name "tastor-cli keyname" gives its code;
    a key whose code has no name there reads "#" and its index."""
    config = json.loads(session.cli("config", "--json"))
    names = {n["code"]: n["name"] for n in json.loads(session.cli("keyname", "--json"))["names"]}
    modifier_keys = {0x01: 0xA2, 0x02: 0xA0, 0x04: 0xA4, 0x08: 0x5B, 0x10: 0xA3, 0x20: 0xA1, 0x40: 0xA5, 0x80: 0x5C}
    expected = []
    for index, record in enumerate(config["KeyTable"]):
        code = record["key1"] if record["key1"] != 0 else modifier_keys.get(record["modifiers"], 0)
        expected.append(names.get(code) or "#%d" % index)
    return expected


def main():
    if len(sys.argv) < 2:
        print("usage: test_accessibility.py BIN_DIR [--measure]")
        return 2
    find_pyatspi()
    bin_dir = sys.argv[1]
    measure = "--measure" in sys.argv
    for tool in ("dbus-daemon", "dbus-send", "Xvfb", "xdotool"):
        if shutil.which(tool) is None:
            skip(tool + " is not installed")
    if not os.access(LAUNCHER, os.X_OK):
        skip("at-spi2-core is not installed (scripts/setup.sh installs it)")

    session = Session(bin_dir)
    try:
        session.start_buses()
        session.start_x()
        os.environ.update({k: session.env[k] for k in ("DBUS_SESSION_BUS_ADDRESS", "DISPLAY")})
        session.cli("profiles")  # makes the three default profiles
        session.cli("rename", "--profile", "2", "Gaming")
        expected_keys = expected_key_names(session)
        session.start_program()
        return check(session, expected_keys, measure)
    finally:
        session.close()


def check(session, expected_keys, measure):
    import pyatspi
    desktop = pyatspi.Registry.getDesktop(0)

    def the_app():
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and app.name.lower().startswith("tastor"):
                return app
        return None

    app = wait_for("the program on the accessibility bus", the_app)
    main = wait_for("the main window", lambda: app.childCount > 0 and app.getChildAtIndex(0))
    nodes = wait_for("the main window's controls", lambda: len(walk(main, [])) > 10 and walk(main, []))
    failures = []

    def states(node):
        return node.getState()

    actionable = [n for n in nodes if role(n) in ACTIONABLE]
    named = [n for n in nodes if n.name]
    focusable = [n for n in nodes if states(n).contains(pyatspi.STATE_FOCUSABLE)]
    # The keys are the items of the keyboard picture, the main window's one list.
    pictures = [n for n in nodes if role(n) == "list"]
    keys = [p.getChildAtIndex(i) for p in pictures for i in range(p.childCount)]

    def is_key(node):
        return node is not None and role(node) == "list item" and node.parent is not None and \
            role(node.parent) == "list"
    print("figures: nodes %d, named %d, actionable %d, focusable %d, keys %d"
          % (len(nodes), len(named), len(actionable), len(focusable), len(keys)))
    if measure:
        for n in nodes:
            print("  %-14s %r" % (role(n), n.name))
        return 0

    for n in actionable:
        if not n.name:
            failures.append("unnamed %s" % role(n))
    buttons = [n.name for n in nodes if role(n) == "push button"]
    for wanted in ("Profile 1", "Profile 2: Gaming", "Profile 3"):
        if wanted not in buttons:
            failures.append("no profile button named %r (buttons: %r)" % (wanted, buttons))
    sliders = [n for n in nodes if role(n) == "slider"]
    valued = []
    for s in sliders:
        v = s.queryValue()
        if v.minimumValue < v.maximumValue and v.minimumValue <= v.currentValue <= v.maximumValue:
            valued.append(s.name)
    if len(valued) < 2:
        failures.append("sliders with a name and a value: %r" % valued)
    key_names = [n.name for n in keys]
    for index, name in enumerate(expected_keys):
        if not name or name not in key_names:
            failures.append("key %d %r not among the picture's keys" % (index, name))
    if len(keys) != len(expected_keys):
        failures.append("the picture has %d keys, the key table %d" % (len(keys), len(expected_keys)))

    # The keyboard alone: Tab moves the focus through the controls and reaches Apply, and on
    # the keyboard picture Enter opens the picker for the key that has the focus.
    wid = subprocess.run(["xdotool", "search", "--sync", "--onlyvisible", "--name", "Tastor"], env=session.env,
                         capture_output=True, text=True).stdout.split()
    if wid:
        subprocess.run(["xdotool", "windowfocus", "--sync", wid[0]], env=session.env)
    focus_nodes = [n for n in nodes if states(n).contains(pyatspi.STATE_FOCUSABLE)]
    stops = [n for n in focus_nodes if not is_key(n)]

    def focused():
        # The deepest first: the focus key rather than the picture that holds it.
        for n in reversed(focus_nodes):
            if states(n).contains(pyatspi.STATE_FOCUSED):
                return n
        return None

    seen = []
    for _ in range(len(stops) + 2):
        session.key("Tab")
        time.sleep(0.15)
        node = focused()
        seen.append((role(node), node.name) if node is not None else None)
    if ("push button", "Apply") not in seen:
        failures.append("Tab never reached Apply: %r" % seen)
    if len({s for s in seen if s is not None}) < 8:
        failures.append("Tab visited few controls: %r" % seen)

    for _ in range(len(stops) + 2):
        if is_key(focused()):
            break
        session.key("Tab")
        time.sleep(0.15)
    key = focused()
    if not is_key(key):
        failures.append("Tab never reached a key of the picture")
    else:
        session.key("Right")
        time.sleep(0.2)
        moved = focused()
        if moved is None or moved.name == key.name:
            failures.append("Right did not move to the next key (%r)" % (moved.name if moved else None))
        windows = app.childCount
        session.key("Return")
        try:
            wait_for("the picker", lambda: app.childCount > windows, 20)
        except AssertionError:
            failures.append("Enter on a key opened no picker")

    for f in failures:
        print("FAIL: " + f)
    print("%d passed, %d failed" % (1 if not failures else 0, 1 if failures else 0))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
