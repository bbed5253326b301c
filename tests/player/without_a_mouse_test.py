#!/usr/bin/python3
"""The real program without a mouse, on the test's X desktop and buses of its own: ScreenReader
reads and drives it over AT-SPI; ByKeyboard plays the local radio network with keys alone, judged
by the screen, the sound in the file that stands in for the sound card, and the store."""

import array
import configparser
import math
import os
import re
import subprocess
import sys
import tempfile
import time
import unittest

KLANKOR = sys.argv.pop(1)
BUS = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                       stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
os.environ["DBUS_SESSION_BUS_ADDRESS"] = BUS.stdout.readline().strip()
BUS.stdout.close()
LAUNCHER = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"])
import pyatspi  # noqa: E402  (it finds the accessibility bus through the session bus)
from gi.repository import Gio, GLib  # noqa: E402

DESIGN = configparser.ConfigParser()
DESIGN.read(os.path.join(os.path.dirname(__file__), "../../resources/design/Hoofd.ini"))
SECOND = 44100 * 2 * 2  # bytes of S16LE stereo


def wait_for(done, seconds=10.0):
    deadline = time.monotonic() + seconds
    while not done() and time.monotonic() < deadline:
        GLib.MainContext.default().iteration(False)
        time.sleep(0.02)
    return done()


def tearDownModule():
    for process in (LAUNCHER, BUS):
        process.terminate()
        process.wait(10)


class Klankor(unittest.TestCase):
    def setUp(self):
        self.home = tempfile.mkdtemp(prefix="klankor-test.")

    def start(self, audio="audio.raw"):
        self.audio = os.path.join(self.home, audio)
        self.klankor = subprocess.Popen([KLANKOR], env=dict(
            os.environ, XDG_CONFIG_HOME=self.home, XDG_RUNTIME_DIR=self.home,
            KLANKOR_AUDIO_FILE=self.audio, QT_LOGGING_RULES="klankor.player.debug=true",
            DBUS_SYSTEM_BUS_ADDRESS="unix:path=" + os.path.join(self.home, "no-system-bus")))
        self.addCleanup(lambda process=self.klankor: (process.kill(), process.wait()))


class ScreenReader(Klankor):
    def setUp(self):
        super().setUp()
        # what a desktop does when the user turns a screen reader on
        Gio.bus_get_sync(Gio.BusType.SESSION).call_sync(
            "org.a11y.Bus", "/org/a11y/bus", "org.freedesktop.DBus.Properties", "Set",
            GLib.Variant("(ssv)", ("org.a11y.Status", "IsEnabled", GLib.Variant("b", True))),
            None, Gio.DBusCallFlags.NONE, 10000, None)
        self.events = []
        pyatspi.Registry.registerEventListener(
            self.events.append, "object:property-change:accessible-name",
            "object:state-changed:checked")
        self.start()
        apps = lambda: [a for a in pyatspi.Registry.getDesktop(0) if a and a.name == "Klankor"]
        self.assertTrue(wait_for(lambda: apps() and "showing" in self.states(apps()[0][0]), 20),
                        "the main window does not show over AT-SPI")
        self.frames = {frame.name: frame for frame in apps()[0]}

    def child(self, frame, role, name=None):
        found = [c for c in self.frames[frame] if c.getRoleName() == role]
        return found if name is None else [c for c in found if c.name == name][0]

    def told(self, event, source):
        return wait_for(lambda: any(e.type == event and e.source == source for e in self.events))

    @staticmethod
    def actions(acc):
        action = acc.queryAction()
        return [action.getName(i) for i in range(action.nActions)]

    @staticmethod
    def states(acc):
        return {pyatspi.stateToString(s) for s in acc.getState().getStates()}

    def test_controls_tell_role_name_states_and_actions_and_act_on_them(self):
        self.assertEqual(self.frames["Klankor"].getRoleName(), "frame")
        self.assertEqual([(b.name, self.actions(b), {"focusable", "showing"} <= self.states(b))
                          for b in self.child("Klankor", "push button")],
                         [(name, ["Press", "SetFocus"], True) for name in (
                             "Radio Veronica", "Onin FM", "Controls", "Instellingen",
                             "Minimaliseren", "Sluiten")])
        box = self.child("Klankor", "push button", "Onin FM")
        self.assertEqual(box.description, "Klik om te luisteren naar Onin FM")  # plain text
        # a station box plays; the status line tells each change
        playing, status = self.child("Klankor", "label")
        self.assertEqual(status.name, "Selecteer een zender in 1 van de zender boxes!")
        box.queryAction().doAction(0)
        self.assertTrue(wait_for(lambda: playing.name == "Onin FM"))
        self.assertTrue(self.told("object:property-change:accessible-name", status))

        # the switches are check boxes with their texts, ticked as they are
        [switches] = self.frames["Instellingen"]
        self.assertEqual([(c.getRoleName(), c.name, self.actions(c)) for c in switches],
                         [("check box", text, ["Toggle"]) for text in (
                             "Automatisch stream starten", "Starten bij starten van Windows",
                             "Minimaliseren naar systeemvak")])
        switches[2].queryAction().doAction(0)
        self.assertTrue(self.told("object:state-changed:checked", switches[2]))
        self.assertEqual(["checked" in self.states(c) for c in switches], [False, False, True])

        # the sliders tell their names and values, and take the nearest of any value
        values = [(s.name, self.actions(s), s.queryValue())
                  for s in self.child("Controls", "slider")]
        self.assertEqual([(name, acts, v.currentValue, v.minimumValue, v.maximumValue)
                          for name, acts, v in values],
                         [("Volume", ["SetFocus", "Increase", "Decrease"], 50, 0, 100),
                          ("Balance", ["SetFocus", "Increase", "Decrease"], 0, -50, 50)])
        for wanted, taken in ((30, 30), (62.4, 62), (1000, 100), (-3, 0)):
            values[0][2].currentValue = wanted
            self.assertTrue(wait_for(lambda: values[0][2].currentValue == taken), wanted)


def xdotool(*args):
    return subprocess.run(["xdotool", *args], capture_output=True, text=True).stdout


class ByKeyboard(Klankor):
    def keys(self, *names):
        xdotool("key", "--delay", "80", *names)

    def active(self, name):
        """Whether the window manager comes to hold that window active; keeps its place."""
        if not wait_for(lambda: xdotool("getactivewindow", "getwindowname").strip() == name):
            return False
        shell = xdotool("getactivewindow", "getwindowgeometry", "--shell").split()
        self.place = [int(line[2:]) for line in shell if line[:2] in ("X=", "Y=")]
        return True

    def marked(self, control):
        """Whether the focus mark's amber rings a main window's control, on its left edge."""
        x, y, h = (round(DESIGN.getfloat(control, k) / 15) for k in ("left", "top", "height"))
        crop = f"4x1+{self.place[0] + x - 4}+{self.place[1] + y + h // 2}"
        ppm = subprocess.run(["import", "-window", "root", "-crop", crop, "-depth", "8", "ppm:-"],
                             capture_output=True).stdout.split(b"\n", 3)[3]
        return any(r > 200 and 100 < g < 170 and b < 90 for r, g, b in zip(*[iter(ppm)] * 3))

    def heard(self):
        return os.path.exists(self.audio) and os.path.getsize(self.audio)

    def loudness(self):
        """Root mean square of the last three seconds of sound: a bar of the tune and more."""
        with open(self.audio, "rb") as f:
            f.seek(max(0, self.heard() // 4 * 4 - 3 * SECOND))
            data = f.read(3 * SECOND)
        samples = array.array("h", data[:len(data) // 2 * 2])
        return math.sqrt(sum(v * v for v in samples) / len(samples)) if samples else 0.0

    def sounding(self):
        """Three seconds of sound, not silence: past the burst a station sends at its start."""
        return wait_for(lambda: self.heard() > 3 * SECOND and self.loudness() > 100, 20)

    def stored(self, name):
        with open(os.path.join(self.home, "klankor", "klankor.reg"), encoding="utf-8-sig") as f:
            found = re.search(rf'^"{name}"=dword:([0-9a-f]+)', f.read(), re.M | re.I)
        return int(found.group(1), 16) if found else None

    def test_chooses_a_station_sets_the_sound_and_the_switches_and_resumes_it(self):
        self.start("audio-1.raw")
        self.assertTrue(self.active("Klankor"), "no main window")
        # the focus starts in box 1; the first key shows the mark where it is
        self.keys("Tab")
        self.assertTrue(wait_for(lambda: self.marked("ZendersBox2")), "no mark on box 2")
        self.assertFalse(self.marked("ZendersBox1"))
        # to the end of box 2 and back, a page (one station) and six down: station 25
        self.keys("End", "Home", "Next", *["Down"] * 6, "Return")
        self.assertTrue(self.sounding(), "the chosen station is not heard")

        # the sound controls: ten steps down, and the sound follows
        self.keys("Tab", "Return")
        self.assertTrue(self.active("Controls"), "no sound controls")
        before, size = self.loudness(), self.heard()
        self.keys(*["Left"] * 10)
        self.assertTrue(wait_for(lambda: self.heard() > size + 4 * SECOND), "the sound stops")
        self.assertLess(self.loudness(), 0.8 * before, "ten steps down, and the sound did not")
        self.keys("Escape")
        self.assertTrue(self.active("Klankor"), "the focus is not back in the main window")
        self.assertEqual(self.stored("volume"), 40)

        # the settings: Space ticks the first switch, Escape leaves and stores
        self.keys("Tab", "Return")
        self.assertTrue(self.active("Instellingen"), "no settings")
        self.keys("space", "Escape")
        self.assertTrue(self.active("Klankor"), "the focus is not back in the main window")
        self.assertEqual(self.stored("autostream"), 1)
        # the arrows go down the switches; Ctrl+Q there stores what was ticked, and ends
        self.keys("Return")
        self.assertTrue(self.active("Instellingen"), "no settings")
        self.keys("Down", "Down", "space", "ctrl+q")
        self.assertEqual(self.klankor.wait(10), 0)
        self.assertEqual((self.stored("zender"), self.stored("minsys")), (25, 1))

        # a new start resumes it: what sounds then is what is stored at the end
        self.start("audio-2.raw")
        self.assertTrue(self.active("Klankor") and self.sounding(), "nothing resumed")
        self.keys("ctrl+q")
        self.assertEqual(self.klankor.wait(10), 0)
        self.assertEqual(self.stored("zender"), 25)


if __name__ == "__main__":
    unittest.main(warnings="ignore")  # pyatspi's own use of deprecated calls
