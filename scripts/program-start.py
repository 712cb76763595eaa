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
    result = subprocess.run([program], cwd=folder, env=env, stdout=subprocess.DEVNULL,
                            stderr=subprocess.PIPE, timeout=120)
    if result.returncode != 0 or not os.path.exists(mark):
        raise SystemExit("the program did not paint its window: " + result.stderr.decode())
    with open(mark) as f:
        return (int(f.read()) - begun) / 1e6


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
            rows.append((size, remembered, changed))
    print()
    print("Start to the painted main window, real process (ms, min / median):")
    print(f"{'products':>10}  {'order remembered':>18}  {'after a change':>18}")
    for size, remembered, changed in rows:
        print(f"{size:>10}  {min(remembered):8.0f} / {statistics.median(remembered):6.0f}"
              f"  {min(changed):8.0f} / {statistics.median(changed):6.0f}")


if __name__ == "__main__":
    main()
