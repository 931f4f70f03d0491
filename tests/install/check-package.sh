#!/usr/bin/env bash
# Builds the Debian package into a temporary folder and checks it:
# its file list (dpkg-deb -c), its dependencies (dpkg-deb -I) and lintian.
# Arguments: build folder, cmake, the run-time dependencies (a ;-list).
set -euo pipefail
build="$1"
cmake="$2"
IFS=';' read -r -a runtime <<< "$3"
cpack="$(dirname "$cmake")/cpack"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

"$cpack" --config "$build/CPackConfig.cmake" -B "$work/cpack" -D CPACK_OUTPUT_FILE_PREFIX="$work" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack"; }
deb="$(ls "$work"/*.deb)"
echo "package: $(basename "$deb")"

files="$(dpkg-deb -c "$deb" | awk '{print $6}')"
for f in ./usr/bin/kesta-config ./usr/bin/kesta-ctl \
         ./usr/share/kesta-config/modules/setting/apConfig.bin \
         ./usr/share/kesta-config/modules/i18n/English.ini \
         ./usr/share/kesta-config/modules/macro/ \
         ./usr/lib/udev/rules.d/70-kesta.rules \
         ./usr/share/applications/com.zorvant.KestaConfig.desktop \
         ./usr/share/metainfo/com.zorvant.KestaConfig.metainfo.xml \
         ./usr/share/icons/hicolor/scalable/apps/kesta-config.svg \
         ./usr/share/icons/hicolor/48x48/apps/kesta-config.png \
         ./usr/share/man/man1/kesta-config.1.gz ./usr/share/man/man1/kesta-ctl.1.gz \
         ./usr/share/doc/kesta-config/copyright ./usr/share/doc/kesta-config/changelog.gz \
         ./usr/share/bash-completion/completions/kesta-ctl \
         ./usr/share/zsh/vendor-completions/_kesta-ctl; do
  grep -qxF "$f" <<< "$files" || fail "$f is not in the package"
done
if grep -E 'virtual-mouse|bench|tst_|\.qml$' <<< "$files"; then
  fail "files for tests only are in the package"
fi

info="$(dpkg-deb -I "$deb")"
depends="$(sed -n 's/^ Depends: //p' <<< "$info")"
echo "Depends: $depends"
names="$(sed 's/ ([^)]*)//g' <<< "$depends" | tr ',' '\n' | sed 's/^ *//')"
# What dpkg-shlibdeps finds, and what the scene loads at run time.
for p in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6quick6 libqt6widgets6 libhidapi-hidraw0 \
         libudev1 libx11-6 libxtst6 "${runtime[@]}"; do
  grep -qxF "$p" <<< "$names" || fail "Depends lacks $p"
done
dpkg-deb -I "$deb" postinst | grep -q 'udevadm control --reload-rules' || fail "postinst"
dpkg-deb -I "$deb" postrm | grep -q 'udevadm control --reload-rules' || fail "postrm"

if ! command -v lintian >/dev/null; then
  echo "lintian is not installed: skipped"
  exit 0
fi
# No errors or warnings; the informational tags are explained in docs/architecture.md.
lintian --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1 || true
cat "$work/lintian.log"
if grep -E '^[EW]: ' "$work/lintian.log"; then
  fail "lintian reports errors or warnings"
fi
echo "package checks passed"
