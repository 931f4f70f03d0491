#!/usr/bin/env bash
# Installs the Debian packages the build, the program and the tests need.
# Idempotent: when everything is present it only asks dpkg and returns.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang-format
  qt6-base-dev qt6-base-dev-tools qt6-declarative-dev qt6-declarative-dev-tools
  qml6-module-qtquick qml6-module-qtquick-window qml6-module-qtqml qml6-module-qtqml-models qml6-module-qtqml-workerscript
  qml6-module-qttest qml6-module-qtquick-controls qml6-module-qtquick-templates
  qml6-module-qtquick-layouts qml6-module-qtquick-shapes libgl-dev
  libhidapi-dev libudev-dev libx11-dev libxtst-dev libxcb1-dev
  xvfb xauth fonts-dejavu-core fonts-noto-cjk qt6-translations-l10n trayer xdotool x11-utils imagemagick libbenchmark-dev
  # the installed program and its Debian package
  librsvg2-bin desktop-file-utils appstream lintian dpkg-dev file
  python3
  # the transfer benchmark's slow disk (a delay injected into every sync)
  strace
  # the session bus the tests start for the program and kesta-ctl
  dbus-daemon dbus-bin
  # the guest tests (tests/guest): a Debian kernel booted by QEMU, with udev inside
  qemu-system-x86 linux-image-amd64 busybox-static udev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

echo "install-deps: installing ${missing[*]}"
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
