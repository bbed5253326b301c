#!/usr/bin/python3
"""Whole-program benchmarks of Klankor, driven from outside like a user.

    program_bench.py idle   --klankor BIN --baseline BIN [--seconds 20]
    program_bench.py memory --klankor BIN --baseline BIN [--switches 200]

idle    CPU time (utime + stime from /proc/<pid>/stat, and the finer
        per-thread run time of /proc/<pid>/task/*/schedstat) and wake-ups
        (context switches of all threads) over a stretch with the main window
        shown and nothing playing, next to a plain Qt window of the same size
        measured the same way in the same run.
memory  resident memory (VmRSS, VmHWM) after the first station switch and
        after the last of 200, each a click on a station logo with xdotool,
        stepping the boxes' scroll bars so the stations differ; the plain
        window's memory is printed for scale. Needs the local radio network.

Figures only: nothing here passes or fails. Without an X display the run
moves itself onto a private one (scripts/with-desktop).
"""

import argparse
import os
import re
import shutil
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


class Program:
    """One run of a binary with a fresh configuration and a file for its sound."""

    def __init__(self, binary, name, work):
        self.name = name
        self.config = tempfile.mkdtemp(dir=work)
        self.audio = os.path.join(self.config, "audio.raw")
        env = dict(os.environ, XDG_CONFIG_HOME=self.config, KLANKOR_AUDIO_FILE=self.audio)
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
    parser.add_argument("what", choices=("idle", "memory"))
    parser.add_argument("--klankor", required=True)
    parser.add_argument("--baseline", required=True)
    parser.add_argument("--seconds", type=float, default=20.0, help="idle: measured stretch")
    parser.add_argument("--settle", type=float, default=3.0, help="seconds before a reading")
    parser.add_argument("--switches", type=int, default=200, help="memory: station switches")
    parser.add_argument("--interval", type=float, default=0.1,
                        help="memory: pause after each switch's clicks")
    args = parser.parse_args()

    if not os.environ.get("DISPLAY"):
        desktop = os.path.join(ROOT, "scripts", "with-desktop")
        return subprocess.run([desktop, "--", sys.executable, os.path.abspath(__file__),
                               *sys.argv[1:]]).returncode
    work = tempfile.mkdtemp(prefix="klankor-bench-program.")
    try:
        (idle if args.what == "idle" else memory)(args, work)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
