#!/usr/bin/env bash
# Builds the Debian package, checks its desktop entry and metadata, installs
# it, starts both installed programs headless for a few seconds to see that
# they stay up, and removes the package again. Needs root (or sudo).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh desktop-file-utils appstream dpkg-dev
cmake --build build -j "$(nproc)" --target lumeri-taulut lumeri-varmuuskopiot

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
package_dir=build/package
rm -rf "$package_dir"
(cd build && cpack -G DEB -B package >/dev/null)
deb=$(ls "$package_dir"/lumeri-taulut_*.deb)
echo "Package: $deb"
dpkg-deb --info "$deb" | grep -E '^ (Package|Version|Depends):'

for entry in data/*.desktop; do desktop-file-validate "$entry"; done
for metainfo in data/*.metainfo.xml; do appstreamcli validate --no-net "$metainfo"; done

remove() { DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get purge -y -qq lumeri-taulut >/dev/null 2>&1 || true; }
remove
trap remove EXIT
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "./$deb" >/dev/null

for file in /usr/bin/lumeri-taulut /usr/share/applications/lumeri-taulut.desktop \
            /usr/bin/lumeri-varmuuskopiot /usr/share/applications/lumeri-varmuuskopiot.desktop \
            /usr/share/icons/hicolor/scalable/apps/lumeri-taulut.svg /usr/share/metainfo/fi.lumeri.taulut.metainfo.xml; do
  [ -f "$file" ] || { echo "not installed: $file"; exit 1; }
done
# Each installed desktop entry starts a program the package installed.
for entry in /usr/share/applications/lumeri-taulut.desktop /usr/share/applications/lumeri-varmuuskopiot.desktop; do
  exec_line=$(grep -m1 '^Exec=' "$entry" | cut -d= -f2- | cut -d' ' -f1)
  command -v "$exec_line" >/dev/null || { echo "$entry starts $exec_line, which is not installed"; exit 1; }
done

# Still running after five seconds means it started and is waiting for a click.
for program in /usr/bin/lumeri-taulut /usr/bin/lumeri-varmuuskopiot; do
  status=0
  (cd /tmp && QT_QPA_PLATFORM=offscreen timeout 5 "$program") || status=$?
  if [ "$status" -ne 124 ]; then
    echo "the installed $program ended with status $status instead of staying up"
    exit 1
  fi
done
echo "package check: both installed programs started and stayed up"
