#!/usr/bin/python3
"""Klankor after an outage: from the network's return to sound.

    network_bench.py --klankor BIN [--rounds 10] [--station 31]

Klankor plays its stored station (31: the radio network's own SHOUTcast server,
which scripts/radionet stops and starts alone) with python3-dbusmock's
NetworkManager on a system bus of its own. Each round the station's server stops
and NetworkManager says "disconnected"; once Klankor waits for the network (its
player log says so), the server comes back and NetworkManager says "connected":
the time from that word to the next sound at the sink. Beside it, in the same
run, the same station started afresh after a stop (MPRIS Stop, then Play): the
time from Play to sound. Prints every round, both medians and their ratio.

Figures only. Needs the local radio network, a session bus and an X display
(scripts/bench gives all three).
"""

import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

import dbus

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
RADIONET = os.path.join(ROOT, "scripts", "radionet")
OFF, ON = 20, 70  # NetworkManager's global states


def wait(done, seconds, what):
    deadline = time.monotonic() + seconds
    while not done():
        if time.monotonic() > deadline:
            sys.exit(f"network_bench: {what} did not happen within {seconds} s")
        time.sleep(0.005)


class Run:
    def __init__(self, args, work):
        self.work = work
        self.audio = os.path.join(work, "audio.raw")
        self.log = os.path.join(work, "klankor.log")
        self.daemon = subprocess.Popen(["dbus-daemon", "--session", "--nofork", "--print-address=1"],
                                       stdout=subprocess.PIPE, text=True)
        self.system = self.daemon.stdout.readline().strip()
        self.mock = subprocess.Popen(
            ["/usr/bin/python3", "-m", "dbusmock", "--system", "--template", "networkmanager"],
            env=dict(os.environ, DBUS_SYSTEM_BUS_ADDRESS=self.system),
            stdout=subprocess.DEVNULL)
        bus = dbus.bus.BusConnection(self.system)
        wait(lambda: bus.name_has_owner("org.freedesktop.NetworkManager"), 15, "dbusmock's start")
        self.nm = bus.get_object("org.freedesktop.NetworkManager", "/org/freedesktop")
        config = os.path.join(work, "config")
        os.makedirs(os.path.join(config, "klankor"))
        with open(os.path.join(config, "klankor", "klankor.reg"), "w") as f:
            f.write("Windows Registry Editor Version 5.00\n\n"
                    "[HKEY_CURRENT_USER\\Software\\Quelmo\\Klankor]\n"
                    f'"zender"=dword:{args.station:08x}\n"autostream"=dword:00000001\n\n')
        env = dict(os.environ, XDG_CONFIG_HOME=config, KLANKOR_AUDIO_FILE=self.audio,
                   DBUS_SYSTEM_BUS_ADDRESS=self.system,
                   QT_LOGGING_RULES="klankor.player.debug=true")
        with open(self.log, "w") as log:
            self.klankor = subprocess.Popen([args.klankor], env=env, stdout=log, stderr=log)

    def heard(self):
        return os.path.getsize(self.audio) if os.path.exists(self.audio) else 0

    def sound_after(self, start):
        """Seconds from start until a tenth of a second more sound than at start."""
        before = self.heard()
        wait(lambda: self.heard() > before + 44100 * 4 // 10, 60, "sound")
        return time.monotonic() - start

    def said(self, text):
        with open(self.log, encoding="utf-8", errors="replace") as f:
            return f.read().count(text)

    def network(self, state):
        self.nm.SetGlobalConnectionState(dbus.UInt32(state), dbus_interface="org.freedesktop.DBus.Mock")

    def playerctl(self, command):
        subprocess.run(["playerctl", "--player=klankor", command], check=True)

    def close(self):
        for process in (self.klankor, self.mock, self.daemon):
            process.terminate()
            try:
                process.wait(5)
            except subprocess.TimeoutExpired:
                process.kill()


def radionet(*args):
    subprocess.run([RADIONET, *args], check=True, stdout=subprocess.DEVNULL)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--klankor", required=True)
    parser.add_argument("--rounds", type=int, default=10)
    parser.add_argument("--station", type=int, default=31)
    args = parser.parse_args()
    work = tempfile.mkdtemp(prefix="klankor-bench-network.")
    run = Run(args, work)
    back, fresh = [], []
    try:
        wait(lambda: run.heard() > 44100 * 4, 30, "the first sound")
        for n in range(args.rounds):
            waiting = run.said('"Waiting for network"')
            radionet("stop", "servers")
            run.network(OFF)
            wait(lambda: run.said('"Waiting for network"') > waiting, 30, "the wait")
            radionet("start")
            start = time.monotonic()
            run.network(ON)
            back.append(run.sound_after(start))

            stopped = run.said('"Stopped"')
            run.playerctl("stop")
            wait(lambda: run.said('"Stopped"') > stopped, 10, "the stop")
            start = time.monotonic()
            run.playerctl("play")
            fresh.append(run.sound_after(start))
            print(f"round {n + 1}: network back to sound {back[-1] * 1000:.0f} ms, "
                  f"play after a stop to sound {fresh[-1] * 1000:.0f} ms", flush=True)
    finally:
        run.close()
        radionet("start")
        shutil.rmtree(work, ignore_errors=True)
    b, f = statistics.median(back), statistics.median(fresh)
    print(f"network back to sound, median of {len(back)}: {b * 1000:.0f} ms")
    print(f"play after a stop to sound, median of {len(fresh)}: {f * 1000:.0f} ms")
    print(f"back / fresh: {b / f:.2f}x")
    return 0


if __name__ == "__main__":
    sys.exit(main())
