#!/usr/bin/env python3
"""Runs one command inside a small QEMU guest that boots Debian's own kernel.

The guest sees the host's root file system read-only (with a throw-away
writable layer on top), has private /tmp and /run (through which this
checkout, the current directory and any --keep folder are still seen), loads
uhid and the generic HID driver, starts udev and runs the command as root in
the current directory. One host folder (--share) is mounted writable at the same path, to
hand data in and results out. The command's output is printed and its exit
code returned.

Exit codes besides the command's own: 77 when the guest cannot be started
here (no QEMU, no kernel, or the kernel did not boot); 124 when the command
did not finish within --timeout.

  python3 scripts/guest-run.py --share DIR [--timeout S] [--env NAME=VALUE]...
                               [--keep DIR]... [--no-udev] [--cache DIR] [--install]
                               -- command [args...]
"""

import argparse
import ctypes
import fcntl
import glob
import hashlib
import lzma
import os
import shlex
import shutil
import stat
import subprocess
import sys
import tempfile
import time

SKIP = 77
TIMED_OUT = 124

# The modules the guest needs before it can reach the host's root, and the HID
# stack. Dependencies are added from modules.dep.
MODULES = ["virtio_pci", "9pnet_virtio", "9p", "overlay", "uhid", "hid_generic"]

INIT = r"""#!/bin/busybox sh
/bin/busybox --install -s /bin
export PATH=/bin
mount -t proc proc /proc
mount -t sysfs sys /sys
mount -t devtmpfs dev /dev
for m in $(cat /modules.list); do insmod /modules/$m || echo "kesta-guest: insmod $m failed"; done
set -f
share=
run=
keep=
for a in $(cat /proc/cmdline); do
  case "$a" in
    kesta.share=*) share="${a#kesta.share=}" ;;
    kesta.run=*) run="${a#kesta.run=}" ;;
    kesta.keep=*) keep="$keep ${a#kesta.keep=}" ;;
  esac
done
off() { sync; poweroff -f; reboot -f; }
fail() { echo "kesta-guest: $*"; off; }
opts=trans=virtio,version=9p2000.L,msize=262144
mkdir -p /host /layer /new
mount -t 9p -o $opts,ro,cache=loose hostroot /host || fail "cannot mount the host root"
mount -t tmpfs -o mode=755 layer /layer
mkdir -p /layer/upper /layer/work
mount -t overlay -o lowerdir=/host,upperdir=/layer/upper,workdir=/layer/work root /new ||
  fail "cannot put a writable layer on the host root"
mount -t tmpfs -o mode=1777 tmp /new/tmp
mount -t tmpfs -o mode=755 run /new/run
mount --move /proc /new/proc
mount --move /sys /new/sys
mount --move /dev /new/dev
mkdir -p /new/dev/shm /new/dev/pts
mount -t tmpfs -o mode=1777 shm /new/dev/shm
mount -t devpts devpts /new/dev/pts
# Folders of the host under /tmp or /run that the command needs (a checkout,
# a build) are seen through the private ones, each with a throw-away layer
# as the root has. Parents come first; the shared folder is mounted last, as
# it may lie inside one of them.
n=0
for k in $keep; do
  n=$((n + 1))
  mkdir -p "/layer/keep$n/upper" "/layer/keep$n/work" "/new$k"
  mount -t overlay -o "lowerdir=/host$k,upperdir=/layer/keep$n/upper,workdir=/layer/keep$n/work" \
    "keep$n" "/new$k" || fail "cannot show $k in the guest"
done
mkdir -p "/new$share"
mount -t 9p -o $opts share "/new$share" || fail "cannot mount the shared folder"
: > "/new$run/started"
# The new root becomes the root of process 1 (udev refuses to run in a chroot).
# The paths reach the shell as arguments, never as part of its script.
exec switch_root /new /bin/sh -c '/bin/sh "$1/guest.sh" > "$1/stdout" 2> "$1/stderr" < /dev/null
echo $? > "$1/rc"
sync
umount "$2"
echo o > /proc/sysrq-trigger
sleep 60' kesta-guest "$run" "$share"
"""

# Runs inside the guest's new root, as root.
GUEST_SH = """cd {cwd} || exit 125
export PATH={path}
export HOME=/tmp LANG=C.UTF-8 LC_ALL=C.UTF-8
{env}
{udev}
exec timeout -k 5 {timeout} {command}
"""

UDEV = """if ! /lib/systemd/systemd-udevd --daemon 2>/dev/null; then
  echo "guest: cannot start systemd-udevd" >&2
  exit 125
fi"""


def die_with_parent():
    """In the child before exec: QEMU ends when the runner does (killed on a time-out)."""
    ctypes.CDLL(None).prctl(1, 9)  # PR_SET_PDEATHSIG, SIGKILL


def skip(reason):
    print(f"SKIP: {reason}", flush=True)
    sys.exit(SKIP)


def find_kernel():
    """The newest /boot/vmlinuz-* whose modules are installed."""
    wanted = os.environ.get("KESTA_GUEST_KERNEL")
    candidates = [wanted] if wanted else sorted(glob.glob("/boot/vmlinuz-*"), reverse=True)
    for path in candidates:
        version = os.path.basename(path)[len("vmlinuz-"):]
        if os.access(path, os.R_OK) and os.path.isfile(f"/lib/modules/{version}/modules.dep"):
            return path, version
    return None, None


def extract_vmlinux(vmlinuz, target):
    """The uncompressed kernel boots faster (QEMU loads the ELF directly)."""
    data = open(vmlinuz, "rb").read()
    at = data.find(b"\xfd7zXZ\x00")
    if at < 0:
        return False
    decoder = lzma.LZMADecompressor(format=lzma.FORMAT_XZ)
    try:
        image = decoder.decompress(data[at:])
    except lzma.LZMAError:
        return False
    if not image.startswith(b"\x7fELF"):
        return False
    with open(target, "wb") as out:
        out.write(image)
    return True


def module_files(version):
    """The .ko paths (relative to /lib/modules/VERSION) of MODULES, dependencies first."""
    base = f"/lib/modules/{version}"
    deps = {}
    with open(f"{base}/modules.dep") as f:
        for line in f:
            path, _, rest = line.partition(":")
            deps[path] = rest.split()

    def name_of(path):
        return os.path.basename(path).split(".ko")[0].replace("-", "_")

    by_name = {name_of(p): p for p in deps}
    builtin = set()
    if os.path.exists(f"{base}/modules.builtin"):
        builtin = {name_of(l.strip()) for l in open(f"{base}/modules.builtin")}
    order = []

    def add(path):
        if path in order:
            return
        # modules.dep lists the whole closure; load the deepest first.
        for dep in reversed(deps.get(path, [])):
            add(dep)
        order.append(path)

    for name in MODULES:
        if name in builtin:
            continue
        if name not in by_name:
            return None, f"kernel {version} has no module {name}"
        add(by_name[name])
    return order, None


class Cpio:
    """A newc archive, enough for an initramfs."""

    def __init__(self):
        self.data = bytearray()
        self.ino = 1

    def add(self, name, mode, body=b"", rdev=(0, 0)):
        name_bytes = name.encode() + b"\0"
        fields = [self.ino, mode, 0, 0, 1, 0, len(body), 0, 0, rdev[0], rdev[1],
                  len(name_bytes), 0]
        self.ino += 1
        self.data += b"070701" + b"".join(b"%08x" % v for v in fields) + name_bytes
        self.data += b"\0" * (-len(self.data) % 4)
        self.data += body
        self.data += b"\0" * (-len(self.data) % 4)

    def finish(self):
        self.add("TRAILER!!!", 0)
        return bytes(self.data)


def build_initramfs(version, target):
    busybox = shutil.which("busybox") or "/bin/busybox"
    if not os.path.isfile(busybox):
        skip("busybox-static is not installed (scripts/install-deps.sh)")
    files, why = module_files(version)
    if files is None:
        skip(why)
    archive = Cpio()
    for d in ["bin", "dev", "proc", "sys", "modules"]:
        archive.add(d, stat.S_IFDIR | 0o755)
    archive.add("dev/console", stat.S_IFCHR | 0o600, rdev=(5, 1))
    archive.add("bin/busybox", stat.S_IFREG | 0o755, open(busybox, "rb").read())
    archive.add("init", stat.S_IFREG | 0o755, INIT.encode())
    names = []
    for rel in files:
        body = open(f"/lib/modules/{version}/{rel}", "rb").read()
        if rel.endswith(".xz"):
            body = lzma.decompress(body)
        elif rel.endswith(".zst"):
            skip(f"module {rel} is zstd-compressed")
        name = os.path.basename(rel).split(".ko")[0] + ".ko"
        archive.add(f"modules/{name}", stat.S_IFREG | 0o644, body)
        names.append(name)
    archive.add("modules.list", stat.S_IFREG | 0o644, ("\n".join(names) + "\n").encode())
    with open(target, "wb") as out:
        out.write(archive.finish())


def install_deps():
    """What the guest needs (qemu, the kernel, busybox-static, udev), as the project installs it."""
    script = os.path.join(os.path.dirname(os.path.abspath(__file__)), "install-deps.sh")
    subprocess.run(["bash", script], check=False)


def prepare(cache):
    """The kernel to boot and the initramfs, built once per kernel and init script."""
    qemu = shutil.which("qemu-system-x86_64")
    if not qemu:
        skip("qemu-system-x86_64 is not installed (scripts/install-deps.sh)")
    vmlinuz, version = find_kernel()
    if not vmlinuz:
        skip("no Debian kernel with its modules under /boot (linux-image-amd64)")
    os.makedirs(cache, exist_ok=True)
    key = hashlib.sha256((INIT + version + str(os.path.getmtime(vmlinuz))).encode()).hexdigest()
    kernel = os.path.join(cache, f"vmlinux-{version}")
    initrd = os.path.join(cache, f"initramfs-{key[:16]}.cpio")
    with open(os.path.join(cache, "lock"), "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)  # tests running side by side build it once
        if not os.path.exists(kernel) and not os.path.exists(kernel + ".none"):
            if extract_vmlinux(vmlinuz, kernel + ".tmp"):
                os.replace(kernel + ".tmp", kernel)
            else:
                open(kernel + ".none", "w").close()
        if not os.path.exists(initrd):
            for old in glob.glob(os.path.join(cache, "initramfs-*.cpio")):
                os.remove(old)  # of another init script or kernel
            build_initramfs(version, initrd + ".tmp")
            os.replace(initrd + ".tmp", initrd)
    return qemu, kernel if os.path.exists(kernel) else vmlinuz, initrd


def hidden_in_guest(path):
    """Whether the guest's own /tmp and /run hide path."""
    return any(path == p or path.startswith(p + "/") for p in ("/tmp", "/run"))


def folders_to_keep(paths):
    """The folders of paths that the guest must be shown, without those inside another."""
    wanted = sorted({os.path.realpath(p) for p in paths if hidden_in_guest(os.path.realpath(p))})
    kept = []
    for path in wanted:
        if not any(path.startswith(k.rstrip("/") + "/") for k in kept):
            kept.append(path)
    return kept


def checked_path(parser, path):
    """A path as the kernel's command line and QEMU's options can carry it."""
    if any(c.isspace() or c == '"' or not c.isprintable() for c in path):
        parser.error(f"paths with blanks, quotes or control characters are not supported: {path}")
    return path


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--share", required=True, help="host folder, writable in the guest")
    parser.add_argument("--timeout", type=float, default=180,
                        help="seconds the command may run (default 180)")
    parser.add_argument("--boot-timeout", type=float, default=120,
                        help="seconds the guest may take to reach the command (default 120)")
    parser.add_argument("--env", action="append", default=[], help="NAME=VALUE for the command")
    parser.add_argument("--no-udev", action="store_true", help="do not start udev")
    parser.add_argument("--cache", default=os.environ.get("KESTA_GUEST_CACHE") or os.path.join(
        os.environ.get("XDG_CACHE_HOME", os.path.expanduser("~/.cache")), "kesta-guest"),
        help="where the kernel and initramfs are kept (KESTA_GUEST_CACHE)")
    parser.add_argument("--memory", default="1024")
    parser.add_argument("--keep", action="append", default=[],
                        help="a host folder under /tmp or /run the command needs (this checkout "
                             "and the current folder are kept without asking)")
    parser.add_argument("--install", action="store_true",
                        help="first install what is missing with scripts/install-deps.sh")
    parser.add_argument("command", nargs=argparse.REMAINDER)
    args = parser.parse_args()
    command = args.command[1:] if args.command[:1] == ["--"] else args.command
    if not command:
        parser.error("no command")
    share = os.path.realpath(args.share)
    cwd = os.getcwd()
    if not os.path.isdir(share):
        parser.error(f"no folder {share}")
    # The guest has its own /tmp and /run; this checkout, the current folder
    # and the folders asked for are shown through them when they lie there.
    repo = os.path.dirname(os.path.dirname(os.path.realpath(__file__)))
    keep = folders_to_keep([repo, cwd] + args.keep)
    for path in [share, cwd] + keep:
        checked_path(parser, path)
    for path in keep:  # a layer's options separate folders with ':' and ','
        if ":" in path or "," in path:
            parser.error(f"a folder under /tmp or /run with ':' or ',' cannot be shown: {path}")
    for path in args.keep:
        if not os.path.isdir(path):
            parser.error(f"no folder {path}")

    if args.install:
        install_deps()
    qemu, kernel, initrd = prepare(args.cache)

    def attempt():
        """One boot: (run folder, seconds to the command or None, whether QEMU gave up)."""
        run = tempfile.mkdtemp(prefix=".guest-", dir=share)
        env = "\n".join(f"export {shlex.quote(e)}" for e in args.env)
        with open(os.path.join(run, "guest.sh"), "w") as f:
            f.write(GUEST_SH.format(cwd=shlex.quote(cwd), path=shlex.quote(os.environ.get(
                "PATH", "/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin") + ":/usr/sbin:/sbin"),
                env=env, udev="" if args.no_udev else UDEV,
                timeout=int(args.timeout), command=shlex.join(command)))
        console = os.path.join(run, "console.log")
        append = os.environ.get("KESTA_GUEST_APPEND", "quiet loglevel=3")  # for diagnosis
        qemu_cmd = [
            qemu, "-nodefaults", "-no-user-config", "-display", "none", "-no-reboot",
            "-accel", os.environ.get("KESTA_GUEST_ACCEL", "tcg,thread=multi"), "-cpu", "max",
            "-smp", "2", "-m", args.memory,
            "-kernel", kernel, "-initrd", initrd,
            # no_timer_check: on a busy host the emulated timer can miss the kernel's
            # IO-APIC check, which then panics
            "-append", f"console=ttyS0 {append} no_timer_check panic=-1 kesta.share={share} "
                       f"kesta.run={run}" + "".join(f" kesta.keep={k}" for k in keep),
            "-serial", f"file:{console}",
            "-virtfs", "local,path=/,mount_tag=hostroot,security_model=none,readonly=on,"
                       "multidevs=remap",
            # A comma is doubled in a QEMU option's value.
            "-virtfs", f"local,path={share.replace(',', ',,')},mount_tag=share,"
                       "security_model=none,multidevs=remap",
        ]
        started_at = time.monotonic()
        limit = args.boot_timeout + args.timeout + 30
        started = os.path.join(run, "started")
        boot_seconds = None
        with open(os.path.join(run, "qemu.log"), "w") as qemu_log:
            process = subprocess.Popen(qemu_cmd, stdin=subprocess.DEVNULL, stdout=qemu_log,
                                       stderr=subprocess.STDOUT, preexec_fn=die_with_parent)
            while process.poll() is None:
                now = time.monotonic() - started_at
                if boot_seconds is None and os.path.exists(started):
                    boot_seconds = now
                if (boot_seconds is None and now > args.boot_timeout) or now > limit:
                    break
                time.sleep(0.05)
            gave_up = process.poll() is not None
            if not gave_up:
                process.kill()
                process.wait()
        if boot_seconds is None and os.path.exists(started):
            boot_seconds = time.monotonic() - started_at
        return run, boot_seconds, gave_up and boot_seconds is None, started_at

    run, boot_seconds, failed_boot, started_at = attempt()
    if failed_boot:  # the kernel died on its way up (a busy host): once more
        print("guest: the kernel did not come up, booting again", file=sys.stderr)
        run, boot_seconds, failed_boot, started_at = attempt()

    def text(name):
        try:
            return open(os.path.join(run, name), errors="replace").read()
        except OSError:
            return ""

    if boot_seconds is None:
        tail = (text("qemu.log") + text("console.log")).strip().splitlines()[-1:] or ["no output"]
        skip(f"the guest did not reach its command within {args.boot_timeout:.0f} s "
             f"(QEMU or the kernel cannot boot here: {tail[0][:160]}); see {run}")
    sys.stdout.write(text("stdout"))
    sys.stderr.write(text("stderr"))
    total = time.monotonic() - started_at
    rc_text = text("rc").strip()
    print(f"guest: boot to command {boot_seconds:.1f} s, whole run {total:.1f} s", file=sys.stderr)
    if not rc_text:
        print(f"guest: the command did not finish within {args.timeout:.0f} s; console:",
              file=sys.stderr)
        sys.stderr.write("\n".join(text("console.log").splitlines()[-30:]) + "\n")
        return TIMED_OUT
    rc = int(rc_text)
    if rc == 0 and not os.environ.get("KESTA_GUEST_KEEP"):
        shutil.rmtree(run, ignore_errors=True)
    return rc


if __name__ == "__main__":
    sys.exit(main())
