#!/usr/bin/env python3
"""Without our udev rule the mouse's hidraw nodes belong to root: kesta-ctl run by another
user names the mouse as found but not permitted (not as absent) and says what to do;
root, who may open the nodes, finds it."""

import os
import re
import shutil
import stat
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import guestlib  # noqa: E402

NOBODY = "65534"
REFUSED = re.compile(r"^device: +found, no permission \((/dev/hidraw\d+)\): "
                     r"install 70-kesta\.rules and plug the mouse in again$", re.M)


def status(modules, as_nobody):
    command = [os.path.join(guestlib.BIN, "kesta-ctl"), "--modules-dir", modules, "--verbose",
               "status"]
    if as_nobody:
        command = ["setpriv", f"--reuid={NOBODY}", f"--regid={NOBODY}", "--clear-groups",
                   "--"] + command
    env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "HOME": "/tmp",
           "QT_QPA_PLATFORM": "offscreen"}
    r = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True,
                       timeout=120, env=env)
    who = "nobody" if as_nobody else "root"
    print(f"kesta-ctl status as {who}: exit {r.returncode}\n{r.stdout}{r.stderr}")
    return r


def guest(work):
    # The guest's /tmp is its own: the copy can be handed to another user there.
    modules = "/tmp/modules-norule"
    shutil.rmtree(modules, ignore_errors=True)
    guestlib.stage_modules(modules)
    subprocess.run(["chown", "-R", f"{NOBODY}:{NOBODY}", modules], check=True, timeout=60)
    mouse = guestlib.UhidMouse(work)
    failures = []
    try:
        if not mouse.wait_nodes(2):
            return 1
        subprocess.run(["udevadm", "settle", "--timeout=60"], check=True, timeout=90)
        nodes = guestlib.hid_nodes()
        for node in nodes:
            mode = os.stat(node).st_mode
            print(f"{node}: mode {stat.filemode(mode)}")
            if mode & (stat.S_IROTH | stat.S_IWOTH):
                failures.append(f"{node} is open to others: the test shows nothing")

        refused = status(modules, as_nobody=True)
        found = REFUSED.search(refused.stdout)
        if refused.returncode != 0:
            failures.append(f"status as nobody exited with {refused.returncode}, not 0")
        if not found:
            failures.append("status as nobody does not name the mouse found without permission")
        elif found.group(1) not in nodes:
            failures.append(f"{found.group(1)} is not a node of the mouse ({nodes})")
        if "is present, but this user may not open it" not in refused.stderr:
            failures.append("--verbose does not show the presence check's line")

        admitted = status(modules, as_nobody=False)
        if not re.search(r"^device: +found$", admitted.stdout, re.M):
            failures.append("status as root does not find the mouse")
    finally:
        mouse.stop()
    for f in failures:
        print("FAIL:", f)
    if not failures:
        print("PASS: a mouse without the rule is named as found, no permission")
    return 1 if failures else 0


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "--guest":
        return guest(sys.argv[2])
    work = guestlib.work_dir("tst_guest_norule")
    rc = guestlib.run_in_guest(work, [sys.executable, os.path.abspath(__file__), "--guest", work],
                               timeout=300)
    if rc != 0:
        print(f"FAIL: the guest side exited with {rc}")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
