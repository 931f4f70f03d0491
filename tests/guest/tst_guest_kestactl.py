#!/usr/bin/env python3
"""The unmodified kesta-ctl, through the real hidapi and hidraw, against the mouse as a
uhid device in a guest: the frames and data on the wire are those the same calls
produce against the hidapi shim, and the mouse ends in the same state."""

import json
import os
import re
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import guestlib  # noqa: E402


def game_matrix():
    """Left button everywhere, a sniper key, and three weapons on button 9."""
    m = [0, 0, 0xF0, 0] * 16
    m[4:8] = [6, 0, 0x94, 1]
    m[8:12] = [5, 0, 4, 0]
    m[36:40] = [8, 0, 3, 0]
    return m


# Family 553 as shipped: DPI stages, the current stage, a key matrix with weapon
# layers, a macro. Family 560: a profile image read back through input reports, the
# current profile, a profile image sent.
SCENARIOS = {
    "553": {
        "config": "",
        "steps": [
            ["mouseSetDpi", "4", '"3320"', "[500,1000,1500,2000,2500,3000,3500,4000]",
             "[1,1,1,1,1,1,1,1]"],
            ["mouseSetCurrentDPI", "3"],
            ["mouseSetKeyMatrix", "1", "[]", json.dumps(game_matrix()), "true", "[12,34]"],
            ["mouseSendMacroData", "[1,44,5,4,129,4,0,0]", "11"],
        ],
    },
    "560": {
        "config": "family = 560\nprofile0 = " +
                  " ".join("%02x" % ((i * 7 + 3) & 0xFF) for i in range(128)) + "\n",
        "steps": [
            ["mouseReadProfile", "0"],
            ["mouseReadCurrentProfile"],
            ["mouseSetProfile", "0"],
        ],
    },
}


def stage(work, side, name):
    modules = os.path.join(work, f"modules-{side}-{name}")
    guestlib.stage_modules(modules)
    if name == "560":
        path = os.path.join(modules, "setting", "apConfig.bin")
        text = open(path).read().replace("icType=553", "icType=560")
        open(path, "w").write(text)
    config = os.path.join(work, f"mouse-{name}.ini")
    with open(config, "w") as f:
        f.write(SCENARIOS[name]["config"])
    return modules, config


def run_steps(name, modules, env, outputs):
    """Each step a kesta-ctl run of its own, as a script does it."""
    results = []
    for step in SCENARIOS[name]["steps"]:
        r = subprocess.run([os.path.join(guestlib.BIN, "kesta-ctl"), "--modules-dir", modules,
                            "call"] + step, env=env, stdout=subprocess.PIPE,
                           stderr=subprocess.PIPE, text=True, timeout=240)
        # What the program says about the exchange, without addresses it prints.
        err = re.sub(r"0x[0-9a-f]{8,}", "0x(address)", r.stderr.strip())
        results.append({"step": step[0], "code": r.returncode, "out": r.stdout.strip(),
                        "err": err[-1500:]})
    with open(outputs, "w") as f:
        json.dump(results, f, indent=1)
    return results


def guest(work):
    """Inside the guest: the uhid mouse, then kesta-ctl with no preload."""
    for name in SCENARIOS:
        config = os.path.join(work, f"mouse-{name}.ini")
        mouse = guestlib.UhidMouse(work, {
            "KESTA_VM_CONFIG": config,
            "KESTA_VM_LOG": os.path.join(work, f"uhid-{name}.log"),
            "KESTA_VM_STATE": os.path.join(work, f"uhid-{name}.state")})
        if not mouse.wait_nodes():
            mouse.stop()
            return 1
        env = dict(os.environ)
        env.pop("LD_PRELOAD", None)
        run_steps(name, os.path.join(work, f"modules-uhid-{name}"), env,
                  os.path.join(work, f"uhid-{name}.json"))
        if mouse.stop() != 0:
            return 1
    return 0


def compare(work, name):
    failures = []
    shim_runs = json.load(open(os.path.join(work, f"shim-{name}.json")))
    uhid_runs = json.load(open(os.path.join(work, f"uhid-{name}.json")))
    for shim, real in zip(shim_runs, uhid_runs):
        if real["code"] != 0 or real["out"] != shim["out"] or real["err"] != shim["err"]:
            failures.append(f"{real['step']}: exit {real['code']}, printed {real['out']!r} "
                            f"(shim: {shim['out']!r});\n stderr: {real['err']}\n "
                            f"stderr with the shim: {shim['err']}")
    shim_log = guestlib.exchanges(guestlib.read_log(os.path.join(work, f"shim-{name}.log")))
    uhid_entries = guestlib.read_log(os.path.join(work, f"uhid-{name}.log"))
    uhid_log = guestlib.exchanges(uhid_entries)
    if guestlib.unanswered_challenges(uhid_entries):
        failures.append(f"connect checks not answered: {guestlib.unanswered_challenges(uhid_entries)}")
    if not uhid_log:
        failures.append("nothing reached the uhid mouse")
    bad = [e for e in uhid_log if e[5] != "ok"]
    if bad:
        failures.append(f"the uhid mouse held {len(bad)} exchanges as faults, first: {bad[0]}")
    if shim_log != uhid_log:
        for i, (a, b) in enumerate(zip(shim_log + [None] * len(uhid_log),
                                       uhid_log + [None] * len(shim_log))):
            if a != b:
                failures.append(f"wire logs differ at exchange {i} of {len(shim_log)} (shim) "
                                f"and {len(uhid_log)} (uhid):\n  shim {a}\n  uhid {b}")
                break
    shim_state = open(os.path.join(work, f"shim-{name}.state")).read()
    uhid_state = open(os.path.join(work, f"uhid-{name}.state")).read()
    if shim_state != uhid_state:
        failures.append("the mouse's memory differs:\n--- shim\n" + shim_state +
                        "--- uhid\n" + uhid_state)
    for f in failures:
        print(f"FAIL ({name}):", f)
    if not failures:
        print(f"PASS ({name}): {len(uhid_log)} exchanges, the program's output and the "
              "mouse's memory alike on both paths")
    return 1 if failures else 0


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "--guest":
        return guest(sys.argv[2])
    if len(sys.argv) == 3 and sys.argv[1] == "--compare":  # again, on the files of a run
        return max(compare(sys.argv[2], name) for name in SCENARIOS)
    work = guestlib.work_dir("tst_guest_kestactl")
    for name in SCENARIOS:
        modules, config = stage(work, "shim", name)
        stage(work, "uhid", name)
        # The same calls against the shim, on the host.
        env = dict(os.environ)
        env.pop("KESTA_VM_CONTROL", None)
        env.update({"LD_PRELOAD": os.path.join(guestlib.BIN, "libkesta-virtual-mouse.so"),
                    "KESTA_VM_CONFIG": config,
                    "KESTA_VM_LOG": os.path.join(work, f"shim-{name}.log"),
                    "KESTA_VM_STATE": os.path.join(work, f"shim-{name}.state")})
        run_steps(name, modules, env, os.path.join(work, f"shim-{name}.json"))
    rc = guestlib.run_in_guest(work, [sys.executable, os.path.abspath(__file__), "--guest", work],
                               timeout=400)
    if rc != 0:
        print(f"FAIL: the guest side exited with {rc}")
        return 1
    return max(compare(work, name) for name in SCENARIOS)


if __name__ == "__main__":
    sys.exit(main())
