#!/usr/bin/env python3
"""Our udev rule, read by the guest's udev: both hidraw nodes of the mouse (a uhid
device, no USB below it) get the uaccess tag; those of another HID device do not."""

import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import guestlib  # noqa: E402

OTHER_HID_ID = "0003:1234:5678"


def tags(node):
    out = subprocess.run(["udevadm", "info", "--query=property", "--name=" + node],
                         stdout=subprocess.PIPE, text=True, timeout=60).stdout
    print(f"udevadm info {node}:\n  " + "\n  ".join(out.splitlines()))
    for line in out.splitlines():
        if line.startswith("TAGS="):
            return [t for t in line[len("TAGS="):].split(":") if t]
    return []


def guest(work):
    shutil.copy(os.path.join(guestlib.SOURCE, "platform", "70-kesta.rules"),
                "/etc/udev/rules.d/70-kesta.rules")
    subprocess.run(["udevadm", "control", "--reload"], check=True, timeout=60)
    other_config = os.path.join(work, "other.ini")
    with open(other_config, "w") as f:
        f.write("vid = 1234\npid = 5678\nnotifyInterface = false\n")
    mouse = guestlib.UhidMouse(work)
    other = guestlib.UhidMouse(work, {"KESTA_VM_CONFIG": other_config,
                                      "KESTA_VM_LOG": os.path.join(work, "other.log"),
                                      "KESTA_VM_STATE": "",
                                      "KESTA_VM_CONTROL": "/tmp/other.fifo"})
    failures = []
    try:
        if not mouse.wait_nodes(2) or not guestlib.wait_for(
                lambda: len(guestlib.hid_nodes(OTHER_HID_ID)) == 1 and
                os.path.exists(guestlib.hid_nodes(OTHER_HID_ID)[0]), 60, "the other device"):
            return 1
        subprocess.run(["udevadm", "settle", "--timeout=60"], check=True, timeout=90)
        for node in guestlib.hid_nodes():
            if "uaccess" not in tags(node):
                failures.append(f"{node} of the mouse has no uaccess tag")
        for node in guestlib.hid_nodes(OTHER_HID_ID):
            if "uaccess" in tags(node):
                failures.append(f"{node} of another device has the uaccess tag")
    finally:
        mouse.stop()
        other.stop()
    for f in failures:
        print("FAIL:", f)
    if not failures:
        print("PASS: the rule tags the mouse's two hidraw nodes and no other")
    return 1 if failures else 0


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "--guest":
        return guest(sys.argv[2])
    # A shared folder whose name a shell would take for two commands: the
    # runner hands paths to the guest's shells as words, never as script.
    work = os.path.join(guestlib.work_dir("tst_guest_udev"), "share;false$x")
    os.makedirs(work)
    rc = guestlib.run_in_guest(work, [sys.executable, os.path.abspath(__file__), "--guest", work],
                               timeout=240)
    if rc != 0:
        print(f"FAIL: the guest side exited with {rc}")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
