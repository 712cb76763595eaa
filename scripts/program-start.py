#!/usr/bin/env python3
"""Times real starts of the program, from the moment the process is started
to the first paint of its main window (the program writes that moment when
ZAYAVKA_PAINTED_MARK names a file, then ends), on generated catalogs of
100,000, 300,000 and 1,000,000 products in a program folder of their own.

Two figures per size: the start with the catalog's sort order remembered
beside it (every start but the first after the catalog changed), and the
first start after a change (the order file removed: read, sort, remember).
Each is the minimum and the median over the runs. Needs a display: the
side-by-side script runs it under Xvfb.

usage: program-start.py PROGRAM CATALOG_GENERATOR [RUNS]
"""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

SIZES = (100_000, 300_000, 1_000_000)
SEED = 20240501


def start_once(program, folder, env):
    mark = os.path.join(folder, "painted.mark")
    if os.path.exists(mark):
        os.remove(mark)
    env = dict(env, ZAYAVKA_PAINTED_MARK=mark)
    begun = time.time_ns()
    child = subprocess.Popen([program], cwd=folder, env=env, stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(child.pid, 0)
    child.returncode = os.waitstatus_to_exitcode(status)
    if child.returncode != 0 or not os.path.exists(mark):
        raise SystemExit(f"the program did not paint its window (exit {child.returncode})")
    with open(mark) as f:
        # The peak resident set of the whole run, in MB.
        return (int(f.read()) - begun) / 1e6, usage.ru_maxrss / 1024


def resident_once(program, folder, env):
    """The resident set (MB) of a start 1.5 s in, the window shown and idle
    (the program saves a picture of it at 2 s and ends)."""
    env = dict(env, ZAYAVKA_SCREENSHOT=os.path.join(folder, "shown.png"))
    child = subprocess.Popen([program], cwd=folder, env=env, stdout=subprocess.DEVNULL,
                             stderr=subprocess.DEVNULL)
    time.sleep(1.5)
    resident = 0
    with open(f"/proc/{child.pid}/status") as f:
        for line in f:
            if line.startswith("VmRSS:"):
                resident = int(line.split()[1]) / 1024
    child.wait(timeout=120)
    return resident


def main():
    program, generator = sys.argv[1], sys.argv[2]
    runs = int(sys.argv[3]) if len(sys.argv) > 3 else 5
    rows = []
    with tempfile.TemporaryDirectory(prefix="zvstart.") as root:
        home = os.path.join(root, "home")
        os.makedirs(home)
        # The window registers the order file type and may make shortcuts:
        # a home and XDG folders of the run's own.
        env = dict(os.environ, HOME=home, XDG_DATA_HOME=os.path.join(home, ".local/share"),
                   XDG_CONFIG_HOME=os.path.join(home, ".config"), XDG_RUNTIME_DIR=home)
        for size in SIZES:
            folder = os.path.join(root, str(size))
            os.makedirs(folder)
            shutil.copy(program, os.path.join(folder, "zayavka"))
            catalog = os.path.join(folder, "price.zv")
            subprocess.run([generator, "--count", str(size), "--seed", str(SEED), catalog],
                           check=True, stdout=subprocess.DEVNULL)
            # Settings with requisites: no first-start questions.
            with open(os.path.join(folder, "Zetrovo.ini"), "wb") as f:
                f.write(b"[Client]\r\nKlient=Start timing\r\n")
            start = os.path.join(folder, "zayavka")
            # The first start writes the remembered order.
            start_once(start, folder, env)
            remembered = [start_once(start, folder, env) for _ in range(runs)]
            changed = []
            for _ in range(runs):
                os.remove(catalog + ".sort")
                changed.append(start_once(start, folder, env))
            resident = resident_once(start, folder, env)
            rows.append((size, os.path.getsize(catalog), remembered, changed, resident))
    print()
    print("Start to the painted main window, real process (ms, min / median); the")
    print("process's resident set once the window is shown, and its peak during the")
    print("start (MB, and per catalog file size):")
    print(f"{'products':>10}  {'order remembered':>18}  {'after a change':>18}"
          f"  {'resident':>15}  {'peak':>15}")
    for size, file_size, remembered, changed, resident in rows:
        times = [t for t, _ in remembered]
        after = [t for t, _ in changed]
        peak = max(m for _, m in remembered)
        print(f"{size:>10}  {min(times):8.0f} / {statistics.median(times):6.0f}"
              f"  {min(after):8.0f} / {statistics.median(after):6.0f}"
              f"  {resident:6.0f} ({resident * 2**20 / file_size:5.2f}x)"
              f"  {peak:6.0f} ({peak * 2**20 / file_size:5.2f}x)")


if __name__ == "__main__":
    main()
