#!/usr/bin/env bash
# Install and package test: installs a built tree into a temporary prefix and checks its files,
# validates the desktop entry, builds the Debian package with cpack and, when run as root,
# installs it with dpkg, runs a program from it and removes it again.
# Usage: bash scripts/package_test.sh [build folder, default build]
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
work=$(mktemp -d)
installed_here=0
cleanup() {
  if [ "$installed_here" = 1 ]; then
    dpkg -r halyard >/dev/null 2>&1 || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# The program the package is tried with: the headless logger when it is built, else the simulator.
probe=kestrel-sim
if [ -x "$build/halyard-log" ]; then
  probe=halyard-log
fi

echo "== install into a temporary prefix"
cmake --install "$build" --prefix "$work/prefix" >/dev/null
p="$work/prefix"
for f in bin/halyard bin/kestrel-sim bin/$probe \
         share/applications/halyard.desktop \
         share/icons/hicolor/scalable/apps/halyard.svg \
         share/man/man1/halyard.1 \
         share/doc/halyard/help/index.html; do
  [ -e "$p/$f" ] || fail "missing after install: $f"
done
desktop-file-validate "$p/share/applications/halyard.desktop" || fail "desktop entry"
python3 -c 'import sys, xml.etree.ElementTree as E; r = E.parse(sys.argv[1]).getroot(); assert r.tag.endswith("svg")' \
  "$p/share/icons/hicolor/scalable/apps/halyard.svg" || fail "icon is no SVG"
"$p/bin/$probe" --help >/dev/null || fail "$probe --help from the prefix"
# The service program and its manual page, when it is built.
service_built=0
if [ -x "$build/halyard-service" ]; then
  service_built=1
  for f in bin/halyard-service share/man/man1/halyard-service.1; do
    [ -e "$p/$f" ] || fail "missing after install: $f"
  done
  "$p/bin/halyard-service" --help >/dev/null || fail "halyard-service --help from the prefix"
fi

echo "== Debian package"
rm -f "$build"/halyard_*.deb
(cd "$build" && cpack -G DEB >/dev/null) || fail "cpack"
deb=$(ls "$build"/halyard_*.deb | head -n 1)
[ -f "$deb" ] || fail "no package built"
[ "$(dpkg-deb -f "$deb" Package)" = halyard ] || fail "package name"
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6widgets6 libqt6serialport6 libqt6printsupport6 libqcustomplot2.1-qt6 qt6-qpa-plugins; do
  grep -q "$lib" <<<"$depends" || fail "Depends lacks $lib: $depends"
done
contents=$(dpkg-deb -c "$deb")
for f in ./usr/bin/halyard ./usr/bin/kestrel-sim ./usr/share/applications/halyard.desktop \
         ./usr/share/icons/hicolor/scalable/apps/halyard.svg; do
  grep -q " $f\$" <<<"$contents" || fail "package lacks $f"
done
if [ "$service_built" = 1 ]; then
  grep -q " ./usr/bin/halyard-service\$" <<<"$contents" || fail "package lacks ./usr/bin/halyard-service"
fi
echo "built $(basename "$deb"), Depends: $depends"

if [ "$(id -u)" -ne 0 ]; then
  echo "== not root: dpkg -i skipped"
  exit 0
fi
if dpkg-query -W -f='${Status}' halyard 2>/dev/null | grep -q "install ok installed"; then
  echo "== a halyard package is installed already: dpkg -i skipped, it is left as it is"
  exit 0
fi
echo "== dpkg -i"
installed_here=1
dpkg -i "$deb" >/dev/null || fail "dpkg -i $deb"
"/usr/bin/$probe" --help >/dev/null || fail "/usr/bin/$probe --help"
if ldd /usr/bin/halyard | grep -q "not found"; then
  fail "halyard lacks libraries: $(ldd /usr/bin/halyard | grep 'not found')"
fi
dpkg -r halyard >/dev/null || fail "dpkg -r halyard"
installed_here=0
[ ! -e /usr/bin/halyard ] || fail "/usr/bin/halyard left after dpkg -r"
echo "package test passed"
