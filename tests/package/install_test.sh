#!/usr/bin/env bash
# Makes the Debian package from a built tree with CPack, installs it into a
# scratch root with dpkg, checks what it holds, and starts the installed
# Velmora from there: it must find its data under usr/share and write nothing
# under usr/.
# Usage: install_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() {
  echo "PackageInstallTest: $*" >&2
  exit 1
}

# The package, as scripts/package.sh makes it, from this tree's programs.
if ! cpack --config "$build/CPackConfig.cmake" -G DEB -B "$scratch/out" >"$scratch/cpack.log" 2>&1; then
  cat "$scratch/cpack.log" >&2
  fail "cpack failed"
fi
debs=("$scratch"/out/velmora_*.deb)
if [ ${#debs[@]} -ne 1 ] || [ ! -f "${debs[0]}" ]; then
  fail "cpack made no velmora_*.deb"
fi
deb=${debs[0]}
echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes"

control=$(dpkg-deb --field "$deb")
for field in "Package: velmora" "Section: sound" "Version: "; do
  grep -q "^$field" <<<"$control" || fail "the control file has no '$field'"
done
depends=$(dpkg-deb --field "$deb" Depends)
for lib in libqt6widgets6 libqt6sql6-sqlite librtmidi libjack libasound2; do
  grep -q "$lib" <<<"$depends" || fail "Depends lacks $lib: $depends"
done

# A real install into an empty root with its own dpkg database. The root has
# none of the dependencies, so they are not checked.
root=$scratch/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status"
dpkg --root="$root" --force-not-root --force-script-chrootless --force-depends \
  --log=/dev/null -i "$deb" >"$scratch/dpkg.log" 2>&1 || {
  cat "$scratch/dpkg.log" >&2
  fail "dpkg could not install the package"
}
dpkg --root="$root" -s velmora | grep -q "^Status: install ok installed" ||
  fail "dpkg does not list velmora as installed"

# Exactly these files: the programs, the desktop integration, the man pages,
# the help pages and the initial patch; no libraries, tests or benchmarks.
expected=(
  usr/bin/velmora usr/bin/velmora-instrument usr/bin/velmora-syx
  usr/share/applications/velmora.desktop
  usr/share/icons/hicolor/scalable/apps/velmora.svg
  usr/share/man/man1/velmora-instrument.1.gz usr/share/man/man1/velmora-syx.1.gz
  usr/share/man/man1/velmora.1.gz
  usr/share/mime/packages/velmora.xml
  usr/share/velmora/default.syx
)
for page in "$source"/resources/help/*.html; do
  expected+=("usr/share/doc/velmora/help/$(basename "$page")")
done
printf '%s\n' "${expected[@]}" | sort >"$scratch/expected"
(cd "$root" && find usr -type f | sort) >"$scratch/installed"
diff -u "$scratch/expected" "$scratch/installed" || fail "the package holds other files than expected"

# The desktop entry opens .syx files in Velmora, the MIME type covers them,
# and the man pages format without warnings.
desktop-file-validate "$root/usr/share/applications/velmora.desktop" ||
  fail "the desktop entry is not valid"
grep -qx "Exec=velmora %F" "$root/usr/share/applications/velmora.desktop" ||
  fail "the desktop entry does not pass files to velmora"
mime=$(sed -n 's/^MimeType=\(.*\);$/\1/p' "$root/usr/share/applications/velmora.desktop")
cp -r "$root/usr/share/mime" "$scratch/mime"
update-mime-database "$scratch/mime" >"$scratch/mime.log" 2>&1 || {
  cat "$scratch/mime.log" >&2
  fail "update-mime-database failed"
}
grep -qx "$mime:\*\.syx" "$scratch/mime/globs" || fail "$mime does not cover *.syx"
for page in "$root"/usr/share/man/man1/*.1.gz; do
  warnings=$(zcat "$page" | groff -man -Tutf8 -ww -z 2>&1)
  [ -z "$warnings" ] || fail "$(basename "$page"): $warnings"
done

# The installed programs run from the scratch root: the system's libraries
# are all they need.
"$root/usr/bin/velmora-syx" info "$root/usr/share/velmora/default.syx" >"$scratch/info.txt" ||
  fail "the installed velmora-syx cannot read the installed default.syx"
"$root/usr/bin/velmora-instrument" --help >/dev/null || fail "velmora-instrument --help failed"

# Velmora as a user would start it: its own home, configuration and
# temporary folders (the single-instance socket lives in the last, so a copy
# started by another test is not mistaken for this one).
home=$scratch/home
mkdir -p "$home/tmp" "$home/run"
chmod 700 "$home/run"
snapshot() { (cd "$root" && find usr -printf '%p %s %T@\n' | sort); }
snapshot >"$scratch/before"
status=0
env -u VELMORA_HOME HOME="$home" XDG_CONFIG_HOME="$home/.config" TMPDIR="$home/tmp" \
  XDG_RUNTIME_DIR="$home/run" QT_QPA_PLATFORM=offscreen JACK_NO_START_SERVER=1 \
  JACK_DEFAULT_SERVER=velmora-test-no-server \
  timeout 60 "$root/usr/bin/velmora" --exit-after-start >"$scratch/velmora.log" 2>&1 || status=$?
if [ "$status" -ne 0 ]; then
  cat "$scratch/velmora.log" >&2
  fail "the installed velmora --exit-after-start ended with $status (124: it did not quit)"
fi
snapshot >"$scratch/after"
diff -u "$scratch/before" "$scratch/after" || fail "velmora wrote under the scratch root's usr/"
[ -d "$home/.config/Velmora" ] || fail "velmora did not use the per-user configuration folder"
