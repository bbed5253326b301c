#!/usr/bin/python3
"""Whole-program benchmarks of Klankor, driven from outside like a user.

    program_bench.py idle   --klankor BIN --baseline BIN [--seconds 20]
    program_bench.py memory --klankor BIN --baseline BIN [--switches 200]
    program_bench.py playing --klankor BIN [--before BIN] [--station 3] [--seconds 60]

idle    CPU time (utime + stime from /proc/<pid>/stat, and the finer
        per-thread run time of /proc/<pid>/task/*/schedstat) and wake-ups
        (context switches of all threads) over a stretch with the main window
        shown and nothing playing, next to a plain Qt window of the same size
        measured the same way in the same run.
memory  resident memory (VmRSS, VmHWM) after the first station switch and
        after the last of 200, each a click on a station logo with xdotool,
        stepping the boxes' scroll bars so the stations differ; the plain
        window's memory is printed for scale. Needs the local radio network.
playing Klankor with its window, starting its stored station at launch,
        next to gst-launch-1.0 playbin (plain, and with Klankor's balance
        filter) and Goodvibes (with its window) on the same stream, all
        started at the same moment and writing through the same sink chain
        to files (Goodvibes: its own sink): launch to the first sound, then
        CPU time, peak RSS and wake-ups per second over the run, each as a
        ratio to gst-launch; medians of --rounds runs. --before adds another
        build.

Figures only: nothing here passes or fails. Without an X display the run
moves itself onto a private one (scripts/with-desktop).
"""

import argparse
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
TICKS = os.sysconf("SC_CLK_TCK")

# Main window places in pixels: the station boxes and their scroll bars.
BOX1 = (52, 50, 97, 65)
SCROLL1 = (152, 50, 17, 65)
BOX2 = (532, 50, 97, 65)
SCROLL2 = (632, 50, 17, 65)
STEPS1 = 16  # box 1 shows stations 1 to 17
STEPS2 = 14  # box 2 shows stations 18 to 32


def window(name, width):
    """(x, y) of the viewable window with that name and width, or None."""
    tree = subprocess.run(["xwininfo", "-root", "-tree"], capture_output=True, text=True).stdout
    pattern = re.compile(
        r'^\s*(0x[0-9a-f]+) "(.*?)":.*\s(\d+)x(\d+)[+-]-?\d+[+-]-?\d+\s+\+(-?\d+)\+(-?\d+)\s*$')
    for line in tree.splitlines():
        m = pattern.match(line)
        if m and m.group(2) == name and int(m.group(3)) == width:
            info = subprocess.run(["xwininfo", "-id", m.group(1)], capture_output=True,
                                  text=True).stdout
            if "IsViewable" in info:
                return int(m.group(5)), int(m.group(6))
    return None


# The machine's own NetworkManager and logind change nothing in a figure.
NO_SYSTEM_BUS = "unix:path=/nonexistent/klankor-bench-system-bus"

class Program:
    """One run of a binary with a fresh configuration and a file for its sound."""

    def __init__(self, binary, name, work):
        self.name = name
        self.config = tempfile.mkdtemp(dir=work)
        self.audio = os.path.join(self.config, "audio.raw")
        env = dict(os.environ, XDG_CONFIG_HOME=self.config, KLANKOR_AUDIO_FILE=self.audio,
                   DBUS_SYSTEM_BUS_ADDRESS=NO_SYSTEM_BUS)
        self.process = subprocess.Popen([binary], env=env, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)
        self.place = None
        deadline = time.monotonic() + 20
        while self.place is None and time.monotonic() < deadline:
            if self.process.poll() is not None:
                break
            self.place = window(name, 700)
            time.sleep(0.1)
        # The window manager may still move a window it has just mapped.
        while self.place is not None and time.monotonic() < deadline:
            time.sleep(0.3)
            settled = window(name, 700)
            if settled == self.place:
                break
            self.place = settled
        if self.place is None:
            self.close()
            raise RuntimeError(f"{binary} showed no window named {name!r}")

    def cpu_seconds(self):
        with open(f"/proc/{self.process.pid}/stat") as f:
            fields = f.read().rsplit(")", 1)[1].split()
        # utime and stime are fields 14 and 15; the split starts at field 3
        return (int(fields[11]) + int(fields[12])) / TICKS

    def run_ns(self):
        """CPU time of all threads in nanoseconds (schedstat), finer than ticks."""
        total = 0
        for task in os.listdir(f"/proc/{self.process.pid}/task"):
            try:
                with open(f"/proc/{self.process.pid}/task/{task}/schedstat") as f:
                    total += int(f.read().split()[0])
            except OSError:
                pass
        return total

    def status(self):
        values = {}
        with open(f"/proc/{self.process.pid}/status") as f:
            for line in f:
                key, _, value = line.partition(":")
                values[key] = value.strip()
        return values

    def wakeups(self):
        """Context switches of all the process's threads together."""
        total = 0
        for task in os.listdir(f"/proc/{self.process.pid}/task"):
            try:
                with open(f"/proc/{self.process.pid}/task/{task}/status") as f:
                    for line in f:
                        if line.startswith(("voluntary_ctxt_switches",
                                            "nonvoluntary_ctxt_switches")):
                            total += int(line.split(":")[1])
            except OSError:
                pass
        return total

    def memory_mib(self):
        s = self.status()
        return int(s["VmRSS"].split()[0]) / 1024, int(s["VmHWM"].split()[0]) / 1024

    def handles(self):
        """Threads and open file descriptors: what a switch leaves behind."""
        return int(self.status()["Threads"]), len(os.listdir(f"/proc/{self.process.pid}/fd"))

    def audio_seconds(self):
        try:
            return os.path.getsize(self.audio) / (44100 * 2 * 2)
        except OSError:
            return 0.0

    def click(self, point):
        x, y = self.place
        subprocess.run(["xdotool", "mousemove", str(x + point[0]), str(y + point[1]),
                        "sleep", "0.05", "mousedown", "1", "sleep", "0.05", "mouseup", "1"],
                       check=True)

    def close(self):
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(5)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        shutil.rmtree(self.config, ignore_errors=True)


def idle(args, work):
    print(f"Idle CPU with the window shown and nothing playing, over {args.seconds:g} s "
          f"after {args.settle:g} s of settling")
    print(f"{'program':<22}{'CPU s':>9}{'CPU %':>9}{'CPU ms':>10}{'wake-ups/s':>12}"
          f"{'threads':>9}")
    results, fine = {}, {}
    for label, binary, name in (("plain Qt window", args.baseline, "Baseline"),
                                ("klankor", args.klankor, "Klankor")):
        program = Program(binary, name, work)
        try:
            time.sleep(args.settle)
            cpu0, ns0, wake0 = program.cpu_seconds(), program.run_ns(), program.wakeups()
            t0 = time.monotonic()
            time.sleep(args.seconds)
            cpu1, ns1, wake1 = program.cpu_seconds(), program.run_ns(), program.wakeups()
            t1 = time.monotonic()
            threads = program.status()["Threads"]
        finally:
            program.close()
        cpu = cpu1 - cpu0
        results[label] = cpu
        fine[label] = (ns1 - ns0) / 1e6
        print(f"{label:<22}{cpu:>9.2f}{100 * cpu / (t1 - t0):>9.2f}{fine[label]:>10.2f}"
              f"{(wake1 - wake0) / (t1 - t0):>12.1f}{threads:>9}", flush=True)
    base = results["plain Qt window"]
    extra = results["klankor"] - base
    print(f"klankor - plain window: {extra:+.2f} CPU s "
          f"({100 * extra / args.seconds:+.2f} % of one core); one clock tick is {1 / TICKS:.2f} s")
    base_ms, klankor_ms = fine["plain Qt window"], fine["klankor"]
    ratio = f"{klankor_ms / base_ms:.1f}x the plain window" if base_ms > 0 else "plain window 0"
    print(f"scheduler CPU time (CPU ms, all threads): klankor {klankor_ms:.2f} ms, "
          f"plain window {base_ms:.2f} ms ({ratio})")


SINK = ("audioconvert ! audioresample ! "
        "capsfilter caps=audio/x-raw,format=S16LE,rate=44100,channels=2,layout=interleaved ! "
        "filesink append=true sync=true buffer-mode=unbuffered location=")


def station_url(number):
    """The station's address as GStreamer plays it (mms: is MMS over HTTP)."""
    with open(os.path.join(ROOT, "resources", "stations.tsv")) as f:
        for line in f:
            cols = line.rstrip("\n").split("\t")
            if line.startswith("#") or len(cols) < 7 or cols[0] != str(number):
                continue
            port = "8000" if cols[4] == "-" else cols[4]
            path = "" if cols[5] == "-" else cols[5]
            query = "" if cols[6] == "-" else "?" + cols[6]
            return f"http://127.0.1.{ord(cols[3]) - 64}:{port}{path}{query}"
    raise ValueError(f"no station {number}")


def descendant(root, name):
    """The process called name at or below root (dbus-run-session starts the programs)."""
    children = {}
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open(f"/proc/{entry}/stat") as f:
                    head, _, rest = f.read().rpartition(")")
                children.setdefault(int(rest.split()[1]), []).append(
                    (int(entry), head.partition("(")[2]))
            except OSError:
                pass
    try:
        with open(f"/proc/{root}/comm") as f:
            if f.read().strip() == name:
                return root
    except OSError:
        return None
    todo = [root]
    while todo:
        for pid, comm in children.get(todo.pop(), []):
            if comm == name:
                return pid
            todo.append(pid)
    return None


def usage(pid):
    """CPU seconds (schedstat, all threads), peak RSS in MiB, context switches."""
    cpu_ns = switches = 0
    for task in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{task}/schedstat") as f:
                cpu_ns += int(f.read().split()[0])
            with open(f"/proc/{pid}/task/{task}/status") as f:
                for line in f:
                    if line.startswith(("voluntary_ctxt", "nonvoluntary_ctxt")):
                        switches += int(line.split(":")[1])
        except OSError:
            pass
    with open(f"/proc/{pid}/status") as f:
        hwm = next(int(line.split()[1]) for line in f if line.startswith("VmHWM"))
    return cpu_ns / 1e9, hwm / 1024, switches


def playing_round(args, work, url):
    """One run of every program at once:
    {label: (first sound s, CPU s, peak MiB, wake-ups/s, CPU s from the first sound)}."""
    starts = {}
    procs = {}
    for label, binary in (("klankor", args.klankor), ("before", args.before)):
        if not binary:
            continue
        config = tempfile.mkdtemp(dir=work)
        os.makedirs(os.path.join(config, "klankor"))
        with open(os.path.join(config, "klankor", "klankor.reg"), "w") as f:
            f.write("Windows Registry Editor Version 5.00\n\n"
                    "[HKEY_CURRENT_USER\\Software\\Quelmo\\Klankor]\n"
                    f'"zender"=dword:{args.station:08x}\n"autostream"=dword:00000001\n\n')
        audio = os.path.join(config, "audio.raw")
        env = dict(os.environ, XDG_CONFIG_HOME=config, KLANKOR_AUDIO_FILE=audio,
                   DBUS_SYSTEM_BUS_ADDRESS=NO_SYSTEM_BUS)
        starts[label] = (["dbus-run-session", "--", binary], env, audio,
                         os.path.basename(binary)[:15])
    audio = os.path.join(tempfile.mkdtemp(dir=work), "floor.raw")
    starts["gst-launch"] = (["gst-launch-1.0", "-q", "playbin", "uri=" + url, "flags=0x12",
                             "audio-sink=" + SINK + audio], dict(os.environ), audio,
                            "gst-launch-1.0")
    # The same with Klankor's balance filter: what the sound itself costs Klankor.
    audio = os.path.join(tempfile.mkdtemp(dir=work), "balance.raw")
    starts["gst+balance"] = (["gst-launch-1.0", "-q", "playbin", "uri=" + url, "flags=0x12",
                              "audio-filter=audiopanorama method=simple",
                              "audio-sink=" + SINK + audio], dict(os.environ), audio,
                             "gst-launch-1.0")
    if shutil.which("goodvibes"):
        config = tempfile.mkdtemp(dir=work)
        audio = os.path.join(config, "audio.raw")
        os.makedirs(os.path.join(config, "glib-2.0", "settings"))
        with open(os.path.join(config, "glib-2.0", "settings", "keyfile"), "w") as f:
            # With a file sink chain of its own, Goodvibes 0.7 finds no
            # decoder; it plays into its own default sink, and its first
            # sound is not seen.
            f.write("[io/gitlab/Goodvibes/Core]\nautoplay=true\n")
        env = dict(os.environ, XDG_CONFIG_HOME=config, XDG_DATA_HOME=config,
                   GSETTINGS_BACKEND="keyfile", NO_AT_BRIDGE="1")
        starts["goodvibes"] = (["dbus-run-session", "--", "goodvibes", "-l", "error", url], env,
                               audio, "goodvibes")
    launched = {}
    for label, (command, env, audio, _) in starts.items():
        launched[label] = time.monotonic()
        procs[label] = subprocess.Popen(command, env=env, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)
    first, pids = {}, {}
    try:
        deadline = time.monotonic() + min(30.0, args.seconds / 2)
        while len(first) < len(starts) - ("goodvibes" in starts) and time.monotonic() < deadline:
            for label, (_, _, audio, _) in starts.items():
                if label not in first and os.path.exists(audio) and os.path.getsize(audio) > 0:
                    first[label] = time.monotonic() - launched[label]
            time.sleep(0.002)
        pids = {label: descendant(procs[label].pid, starts[label][3]) for label in starts}
        begin = {label: usage(pid) for label, pid in pids.items() if pid}
        t0 = time.monotonic()
        time.sleep(max(0.0, args.seconds - (t0 - min(launched.values()))))
        t1 = time.monotonic()
        result = {}
        for label, pid in pids.items():
            if pid and label in begin:
                cpu, peak, switches = usage(pid)
                result[label] = (first.get(label, float("nan")), cpu, peak,
                                 (switches - begin[label][2]) / (t1 - t0), cpu - begin[label][0])
        return result
    finally:
        # The programs themselves first: dbus-run-session would leave them running.
        for pid in pids.values():
            if pid:
                try:
                    os.kill(pid, signal.SIGTERM)
                except OSError:
                    pass
        for proc in procs.values():
            try:
                proc.wait(5)
            except subprocess.TimeoutExpired:
                proc.kill()
                proc.wait()


def median(values):
    values = sorted(v for v in values if v == v)
    return values[len(values) // 2] if values else float("nan")


def playing(args, work):
    url = station_url(args.station)
    print(f"Playing station {args.station} ({url}) for {args.seconds:g} s, every program "
          f"started at the same moment; medians of {args.rounds} runs")
    rounds = [playing_round(args, work, url) for _ in range(args.rounds)]
    labels = [label for label in ("gst-launch", "gst+balance", "before", "klankor",
                                                "goodvibes")
              if any(label in r for r in rounds)]
    print(f"{'program':<12}{'first sound s':>14}{'CPU s':>8}{'ratio':>7}{'playing':>9}{'ratio':>7}"
          f"{'peak RSS MiB':>14}{'ratio':>7}{'wake-ups/s':>12}{'ratio':>7}")
    for label in labels:
        def figure(i):
            return median([r[label][i] for r in rounds if label in r])

        def ratio(i):
            return median([r[label][i] / r["gst-launch"][i] for r in rounds
                           if label in r and "gst-launch" in r and r["gst-launch"][i] > 0])
        print(f"{label:<12}{figure(0):>14.2f}{figure(1):>8.2f}{ratio(1):>7.2f}{figure(4):>9.2f}"
              f"{ratio(4):>7.2f}{figure(2):>14.1f}{ratio(2):>7.2f}{figure(3):>12.1f}"
              f"{ratio(3):>7.2f}")
    print("(first sound: from launch; klankor's includes building its windows. CPU s: all of\n"
          " the run; playing and wake-ups: from when every program had sound)")


def network_answers():
    import urllib.request

    try:
        with urllib.request.urlopen("http://127.0.1.1:8000/", timeout=3) as reply:
            return reply.status == 200
    except OSError:
        return False


def memory(args, work):
    if not network_answers():
        print("note: the local radio network does not answer (scripts/radionet start); "
              "the switches below open streams that fail")
    baseline = Program(args.baseline, "Baseline", work)
    try:
        time.sleep(args.settle)
        base_rss, base_hwm = baseline.memory_mib()
    finally:
        baseline.close()

    program = Program(args.klankor, "Klankor", work)
    try:
        time.sleep(args.settle)
        start_rss, start_hwm = program.memory_mib()
        # Each switch steps one box's scroll bar and clicks its logo, the two
        # boxes taking turns, each running down its stations and back up.
        position = [0, 0]
        direction = [1, 1]
        boxes = ((BOX1, SCROLL1, STEPS1), (BOX2, SCROLL2, STEPS2))

        def switch(i):
            which = i % 2
            box, scroll, steps = boxes[which]
            if i >= 2:
                if not 0 <= position[which] + direction[which] <= steps:
                    direction[which] = -direction[which]
                position[which] += direction[which]
                arrow_y = scroll[1] + (scroll[3] - 6 if direction[which] > 0 else 6)
                program.click((scroll[0] + scroll[2] // 2, arrow_y))
            program.click((box[0] + box[2] // 2, box[1] + box[3] // 2))

        switch(0)
        time.sleep(args.settle)
        first_rss, first_hwm = program.memory_mib()
        first_handles = program.handles()
        started = time.monotonic()
        marks = {}
        for i in range(1, args.switches):
            switch(i)
            time.sleep(args.interval)
            if i + 1 == args.switches // 2:
                marks["half"] = program.memory_mib()
        took = time.monotonic() - started
        time.sleep(args.settle)
        last_rss, last_hwm = program.memory_mib()
        last_handles = program.handles()
        alive = program.process.poll() is None
        heard = program.audio_seconds()
    finally:
        program.close()

    half = marks.get("half", (float("nan"), float("nan")))
    print(f"Memory over {args.switches} station switches "
          f"({took / max(args.switches - 1, 1) * 1000:.0f} ms a switch, "
          f"{args.settle:g} s settling before each reading)")
    print(f"{'':<34}{'VmRSS MiB':>11}{'VmHWM MiB':>11}")
    print(f"{'plain Qt window, idle':<34}{base_rss:>11.1f}{base_hwm:>11.1f}")
    print(f"{'klankor, window shown':<34}{start_rss:>11.1f}{start_hwm:>11.1f}")
    print(f"{'klankor, after the first switch':<34}{first_rss:>11.1f}{first_hwm:>11.1f}")
    print(f"{f'klankor, after {args.switches // 2} switches':<34}{half[0]:>11.1f}{half[1]:>11.1f}")
    print(f"{f'klankor, after {args.switches} switches':<34}{last_rss:>11.1f}{last_hwm:>11.1f}")
    print(f"growth from the first switch to the last: VmRSS {last_rss - first_rss:+.1f} MiB, "
          f"VmHWM {last_hwm - first_hwm:+.1f} MiB; "
          f"second half alone: VmRSS {last_rss - half[0]:+.1f} MiB")
    print(f"threads and open files: {first_handles[0]} and {first_handles[1]} after the first "
          f"switch, {last_handles[0]} and {last_handles[1]} after the last")
    print(f"sound received over the run: {heard:.1f} s")
    if not alive:
        print("note: klankor had ended by the last reading")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("what", choices=("idle", "memory", "playing"))
    parser.add_argument("--klankor", required=True)
    parser.add_argument("--baseline", help="idle, memory: the plain window")
    parser.add_argument("--before", help="playing: another build of klankor, beside it")
    parser.add_argument("--station", type=int, default=3, help="playing: the stored station")
    parser.add_argument("--rounds", type=int, default=5, help="playing: runs")
    parser.add_argument("--seconds", type=float, default=None,
                        help="idle: measured stretch (20); playing: run length (60)")
    parser.add_argument("--settle", type=float, default=3.0, help="seconds before a reading")
    parser.add_argument("--switches", type=int, default=200, help="memory: station switches")
    parser.add_argument("--interval", type=float, default=0.1,
                        help="memory: pause after each switch's clicks")
    args = parser.parse_args()
    if args.seconds is None:
        args.seconds = 60.0 if args.what == "playing" else 20.0

    if not os.environ.get("DISPLAY"):
        desktop = os.path.join(ROOT, "scripts", "with-desktop")
        return subprocess.run([desktop, "--", sys.executable, os.path.abspath(__file__),
                               *sys.argv[1:]]).returncode
    work = tempfile.mkdtemp(prefix="klankor-bench-program.")
    try:
        {"idle": idle, "memory": memory, "playing": playing}[args.what](args, work)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
