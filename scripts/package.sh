#!/usr/bin/env bash
# Makes the Debian package vellumora_VERSION_amd64.deb from the release build (CPack:
# what `cmake --install` installs, under /usr, its dependencies from dpkg-shlibdeps) and
# checks it with the tools made for it: desktop-file-validate, appstreamcli (the
# metainfo alone and the installed tree), gtk-update-icon-cache on its icons, and lintian,
# which fails it on any error. Prints the package's path last.
#   scripts/package.sh [OUTPUT_DIR]     (default build/release/package)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
out="${1:-build/release/package}"
mkdir -p "$out"
out=$(cd "$out" && pwd)

cmake --preset release >/dev/null
# Only what the package holds: the programs and the generated documents.
cmake --build --preset release --target vellumora vellumora-cli vellumora_documents
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/release/CMakeCache.txt)
rm -f "$out"/vellumora_*.deb
(cd build/release && cpack -G DEB -B "$out" >/dev/null)
rm -rf "$out/_CPack_Packages"
deb="$out/vellumora_${version}_amd64.deb"
[ -f "$deb" ] || { echo "no $deb made" >&2; exit 1; }

tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT
dpkg-deb -x "$deb" "$tree"
echo "=== desktop-file-validate" >&2
desktop-file-validate "$tree"/usr/share/applications/*.desktop
echo "=== appstreamcli validate" >&2
appstreamcli validate --no-net --pedantic "$tree"/usr/share/metainfo/*.metainfo.xml
appstreamcli validate-tree --no-net "$tree"
echo "=== icons" >&2
for size in 16 22 24 32 48 64 128 256 512; do
  icon="$tree/usr/share/icons/hicolor/${size}x${size}/apps/vellumora.png"
  [ "$(file -b "$icon" | cut -d, -f2)" = " $size x $size" ] ||
    { echo "$icon is not $size x $size: $(file -b "$icon")" >&2; exit 1; }
done
[ -f "$tree/usr/share/icons/hicolor/scalable/apps/vellumora.svg" ]
cp /usr/share/icons/hicolor/index.theme "$tree/usr/share/icons/hicolor/"
gtk-update-icon-cache --force --quiet "$tree/usr/share/icons/hicolor"
grep -q vellumora "$tree/usr/share/icons/hicolor/icon-theme.cache" ||
  { echo "gtk-update-icon-cache did not take the icon" >&2; exit 1; }
echo "=== man" >&2
for page in "$tree"/usr/share/man/man1/*.1.gz; do
  warnings=$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$page" 2>&1 >/dev/null)
  [ -z "$warnings" ] || { echo "$page: $warnings" >&2; exit 1; }
done
echo "=== lintian" >&2
lintian --fail-on error --no-tag-display-limit --info "$deb" || { echo "lintian found errors" >&2; exit 1; }
echo "$deb"
