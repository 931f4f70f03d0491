#!/usr/bin/env python3
"""The unmodified kesta-config under Xvfb in the guest, against the mouse as a uhid
device: it connects through the real hidapi, shows the DPI switch the mouse
reports on its notification interface, disables the view when the devices are
destroyed and connects again 2048 ms after they are created, told by udev."""

import os
import shutil
import subprocess
import sys
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import guestlib  # noqa: E402


class Output:
    """Collects what a process prints, for waiting on lines."""

    def __init__(self, process):
        self.text = ""
        self.lock = threading.Lock()
        self.thread = threading.Thread(target=self._read, args=(process.stdout,), daemon=True)
        self.thread.start()

    def _read(self, stream):
        for line in iter(stream.readline, ""):
            with self.lock:
                self.text += line

    def count(self, needle):
        with self.lock:
            return self.text.count(needle)

    def wait(self, needle, seconds, times=1):
        return guestlib.wait_for(lambda: self.count(needle) >= times, seconds,
                                 f"the program printing {needle!r} ({times}x)")


def guest(work):
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", "1", "-screen", "0", "1280x800x24",
                             "-nolisten", "tcp"], stdout=subprocess.PIPE, text=True)
    display = ":" + xvfb.stdout.readline().strip()
    mouse = guestlib.UhidMouse(work)
    app = None
    failures = []
    try:
        if not mouse.wait_nodes():
            return 1
        # The program takes ./modules beside itself: run a copy from the work folder.
        shutil.copy(os.path.join(guestlib.BIN, "kesta-config"), os.path.join(work, "kesta-config"))
        env = dict(os.environ, DISPLAY=display, QT_QUICK_BACKEND="software")
        env.pop("LD_PRELOAD", None)
        env.pop("QT_QPA_PLATFORM", None)
        app = subprocess.Popen([os.path.join(work, "kesta-config")], env=env, cwd=work,
                               stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        out = Output(app)

        def check(ok, what):
            if not ok:
                failures.append(what)
            return ok

        if not check(out.wait("chkDeviceIsEnCode =  true", 120) and
                     out.wait("Device Connect", 60), "no connect"):
            return 1
        # The DPI button: the notification interface is read in turns, with the node
        # closed for a moment between reads; a report that meets that moment is lost on
        # the real path (as on a USB mouse), so the button is pressed up to three times.
        shown = False
        for _ in range(3):
            mouse.send("dpi 2")
            if out.wait("scene: DPI stage 2", 20):
                shown = True
                break
        check(shown, "the DPI switch was not shown")

        connects = out.count("Device Connect")
        mouse.send("unplug")
        check(out.wait("Device removed", 60), "the removal was not noticed")
        plugged = time.monotonic()
        mouse.send("plug")
        if check(out.wait("Device Connect", 120, connects + 1), "no connect after the plug"):
            waited = time.monotonic() - plugged
            print(f"connected again {waited:.2f} s after the plug")
            check(waited >= 1.9, f"connected again after {waited:.2f} s, before the 2048 ms timer")
        check(app.poll() is None, "the program ended")
    finally:
        if app and app.poll() is None:
            app.terminate()
            try:
                app.wait(timeout=20)
            except subprocess.TimeoutExpired:
                app.kill()
        if app:
            with open(os.path.join(work, "program.log"), "w") as f:
                f.write(out.text if "out" in locals() else "")
        mouse.stop()
        xvfb.terminate()
        xvfb.wait(timeout=20)
    for f in failures:
        print("FAIL:", f)
    if not failures:
        print("PASS: connect, DPI switch, removal and reconnect through uhid and udev")
    return 1 if failures else 0


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "--guest":
        return guest(sys.argv[2])
    work = guestlib.work_dir("tst_guest_config")
    guestlib.stage_modules(os.path.join(work, "modules"))
    rc = guestlib.run_in_guest(work, [sys.executable, os.path.abspath(__file__), "--guest", work],
                               timeout=400)
    if rc != 0:
        print(f"FAIL: the guest side exited with {rc}")
        tail = os.path.join(work, "program.log")
        if os.path.exists(tail):
            print("".join(open(tail).readlines()[-40:]))
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
