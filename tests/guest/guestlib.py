"""Helpers shared by the guest tests: paths, the guest runner, wire logs."""

import ctypes
import glob
import json
import os
import shutil
import subprocess
import sys
import time

SKIP = 77
SOURCE = os.environ.get("KESTA_SOURCE_DIR", os.path.dirname(os.path.dirname(
    os.path.dirname(os.path.abspath(__file__)))))
BIN = os.environ.get("KESTA_BIN_DIR", os.path.join(SOURCE, "build", "bin"))
RUNNER = os.path.join(SOURCE, "scripts", "guest-run.py")
MOUSE_HID_ID = "0003:04D9:A09F"

# What crosses the wire, whichever side logged it: the uhid front-end logs an
# input report when it hands it to the kernel ("input"), the shim when the
# program reads it ("read").
EXCHANGE = {"send_feature", "get_feature", "write", "read", "input"}


def die_with_parent():
    """In the child before exec: the guest ends when the test does (killed on a time-out)."""
    ctypes.CDLL(None).prctl(1, 9)  # PR_SET_PDEATHSIG, SIGKILL


def work_dir(name):
    """A fresh folder for one test, shared with the guest."""
    base = os.environ.get("KESTA_GUEST_WORK") or os.path.join(os.getcwd(), name)
    shutil.rmtree(base, ignore_errors=True)
    os.makedirs(base)
    return base


def stage_modules(target):
    """A copy of the shipped data folders, so that nothing writes into the source tree."""
    for sub in ["setting", "gun", "i18n", "img", "macro"]:
        shutil.copytree(os.path.join(SOURCE, "modules", sub), os.path.join(target, sub))


def run_in_guest(share, command, timeout, env=()):
    """Runs command in the guest; exits with 77 (and the runner's reason) when it cannot boot."""
    args = [sys.executable, RUNNER, "--share", share, "--timeout", str(timeout)]
    if os.environ.get("KESTA_GUEST_CACHE"):
        args += ["--cache", os.environ["KESTA_GUEST_CACHE"]]
    for folder in (SOURCE, BIN):  # seen in the guest wherever they lie
        args += ["--keep", folder]
    for e in [f"KESTA_SOURCE_DIR={SOURCE}", f"KESTA_BIN_DIR={BIN}"] + list(env):
        args += ["--env", e]
    started = time.monotonic()
    result = subprocess.run(args + ["--"] + command, stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, text=True, timeout=timeout + 300,
                            preexec_fn=die_with_parent)
    if result.returncode == SKIP:
        print(result.stdout.strip().splitlines()[-1] if result.stdout.strip() else "SKIP")
        sys.exit(SKIP)
    sys.stdout.write(result.stdout)
    sys.stderr.write(result.stderr)
    print(f"guest run took {time.monotonic() - started:.1f} s")
    return result.returncode


def read_log(path):
    entries = []
    if os.path.exists(path):
        with open(path) as f:
            for line in f:
                if line.strip():
                    entries.append(json.loads(line))
    return entries


def is_handshake(entry):
    """The connect check (command 00H) carries a fresh random challenge every time."""
    return entry["call"] in ("send_feature", "get_feature") and entry["plain"].startswith("00 00 ")


def exchanges(entries):
    """The frames and reports of a wire log, in order, without time stamps and with the
    random bytes of the connect check masked."""
    out = []
    for e in entries:
        if e["call"] not in EXCHANGE:
            continue
        call = "read" if e["call"] == "input" else e["call"]
        if is_handshake(e):
            out.append((call, e["iface"], "(scrambled challenge)", "00 00 (challenge)",
                        e["result"], e["verdict"]))
        else:
            out.append((call, e["iface"], e["bytes"], e["plain"], e["result"], e["verdict"]))
    return out


def unanswered_challenges(entries):
    """Connect checks whose reply did not give the challenge back."""
    bad = []
    sent = None
    for e in entries:
        if is_handshake(e) and e["call"] == "send_feature":
            sent = e["plain"]
        elif is_handshake(e) and e["call"] == "get_feature":
            if e["plain"] != sent:
                bad.append((sent, e["plain"]))
            sent = None
    return bad


def hid_nodes(hid_id=MOUSE_HID_ID):
    """The /dev/hidrawN nodes of every HID device whose id starts with hid_id."""
    nodes = []
    for path in sorted(glob.glob(f"/sys/bus/hid/devices/{hid_id}.*/hidraw/hidraw*")):
        nodes.append("/dev/" + os.path.basename(path))
    return nodes


def wait_for(predicate, seconds, what):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if predicate():
            return True
        time.sleep(0.05)
    print(f"FAIL: {what} within {seconds} s", file=sys.stderr)
    return False


class UhidMouse:
    """kesta-vm-uhid running in the guest, with its log and state in folder."""

    def __init__(self, folder, extra_env=None):
        env = dict(os.environ)
        env.update({"KESTA_VM_LOG": os.path.join(folder, "uhid.log"),
                    "KESTA_VM_STATE": os.path.join(folder, "uhid.state"),
                    # FIFOs cannot live on the shared folder
                    "KESTA_VM_CONTROL": "/tmp/kesta-vm-uhid.fifo"})
        env.update(extra_env or {})
        self.control = env["KESTA_VM_CONTROL"]
        self.process = subprocess.Popen([os.path.join(BIN, "kesta-vm-uhid")], env=env)

    def wait_nodes(self, count=2, seconds=60):
        return wait_for(lambda: self.process.poll() is not None or (
            len(hid_nodes()) == count and all(os.path.exists(n) for n in hid_nodes())),
            seconds, f"{count} hidraw nodes of the mouse") and self.process.poll() is None

    def send(self, line):
        with open(self.control, "w") as f:
            f.write(line + "\n")

    def stop(self):
        self.process.terminate()
        try:
            return self.process.wait(timeout=30)
        except subprocess.TimeoutExpired:
            self.process.kill()
            return self.process.wait()
