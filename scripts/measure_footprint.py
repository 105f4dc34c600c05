#!/usr/bin/env python3
"""Idle CPU use of tavro.exe while armed, and its peak memory during one grab, measured from
Linux on the Wine process (whose PID is the program's). Run inside a Wine session:
    measure_footprint.py <build folder> <seconds of idle>"""
import os
import shutil
import subprocess
import sys
import time


def wait_for(condition, timeout=30.0):
    end = time.time() + timeout
    while not condition():
        if time.time() > end:
            raise SystemExit("timed out")
        time.sleep(0.05)


def cpu_seconds(pid):
    fields = open(f"/proc/{pid}/stat").read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def status_kb(pid, key):
    for line in open(f"/proc/{pid}/status"):
        if line.startswith(key + ":"):
            return int(line.split()[1])
    return 0


def main():
    build, idle_seconds = sys.argv[1], float(sys.argv[2])
    if "TAVRO_WINE" not in os.environ:
        sys.exit("Run inside a Wine session of scripts/wine-session.sh, as scripts/bench-report.sh does")
    drive = os.path.join(os.environ["WINEPREFIX"], "drive_c")
    for settings in ("tavro.ini", "vixwin.ini"):  # the defaults: a 456 x 684 sensor
        path = os.path.join(drive, "windows", settings)
        if os.path.exists(path):
            os.remove(path)
    folder = os.path.join(drive, "tavro-bench")
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    shutil.copy(os.path.join(build, "shell", "tavro.exe"), folder)
    shutil.copy(os.path.join(build, "standins", "vix32.dll"), folder)
    control = os.path.join(folder, "vixsim.ini")
    open(control, "w").write("Exposures=0\n")
    env = dict(os.environ, VIXSIM_DIR="C:\\tavro-bench")
    receivers = [subprocess.Popen([os.environ["TAVRO_WINE"], os.path.join(build, "standins", name), "C:\\tavro-bench"], env=env)
                 for name in ("fotoserver.exe", "quenstal.exe")]
    tavro = subprocess.Popen([os.environ["TAVRO_WINE"], "C:\\tavro-bench\\tavro.exe"], cwd=folder, env=env)
    journal = os.path.join(folder, "journal.txt")
    wait_for(lambda: os.path.exists(journal) and "IsGVGImageGrabbed" in open(journal).read())
    time.sleep(3)

    start = cpu_seconds(tavro.pid)
    time.sleep(idle_seconds)
    idle_cpu = (cpu_seconds(tavro.pid) - start) / idle_seconds * 100

    idle_kb = status_kb(tavro.pid, "VmRSS")
    with open(f"/proc/{tavro.pid}/clear_refs", "w") as clear:
        clear.write("5")  # the peak now starts from here
    open(control, "w").write("Exposures=1\n")
    wait_for(lambda: os.path.exists(os.path.join(folder, "quenstal-1.bmp")))
    time.sleep(0.5)
    peak_kb = status_kb(tavro.pid, "VmHWM")

    for process in [tavro] + receivers:
        process.kill()
    image_kb = (1064 + 456 * 684) / 1024
    print(f"idle_cpu_percent {idle_cpu:.3f}")
    print(f"idle_seconds {idle_seconds:.0f}")
    print(f"grab_peak_kb {peak_kb - idle_kb}")
    print(f"image_kb {image_kb:.0f}")


main()
