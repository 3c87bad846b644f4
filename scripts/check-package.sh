#!/usr/bin/env bash
# Installs the Debian package, runs what it installed and purges it again, the way a user
# would: `apt-get install ./vellumora_*.deb` with its dependencies from Debian,
# vellumora-cli from /usr/bin, the program under Xvfb finding its guide and masks in
# /usr/share/vellumora (with the checkout hidden: /work is covered by an empty file system
# while it runs), then `apt-get purge vellumora`, after which nothing of it is left but the
# user's own folder. Needs root.
#
#   scripts/check-package.sh --root [DIR] [DEB]
#       in a clean Debian root: DIR (default /var/tmp/vellumora-check-root) is made with
#       debootstrap when it is not one yet, from the suite and mirror this machine's apt
#       sources name, and every run works on a copy of it, so DIR stays clean.
#   scripts/check-package.sh --host [DEB]
#       on this machine itself. It refuses when vellumora is installed already, so it only
#       ever purges what it installed.
#
# DEB defaults to the one scripts/package.sh made (build/release/package). Without --root or
# --host it only says how to call it.
set -euo pipefail

self="$(readlink -f "$0")"
# What the check runs with, installed into the clean root (scripts/deps.sh has them here).
tools=(xvfb xauth xdotool x11-utils openbox strace bash-completion)

fail() {
  echo "check-package: $*" >&2
  exit 1
}
step() { echo "=== $*" >&2; }

# Waits until a window whose title matches is shown and prints its id. The program starts
# in its own time: the bound is only there so that a program that never shows one ends
# the check instead of hanging it.
await_window() {
  local id
  for _ in $(seq 1 "${tries:-600}"); do
    id="$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1)" && [ -n "$id" ] &&
      { echo "$id"; return; }
    sleep 0.1
  done
  echo "no window named '$1'" >&2
  return 1
}

# --- Under Xvfb: start the program on a photo, close the about box, open the guide (F1).
# A key may reach a window before it takes keys: each is given again, to a window made
# active first, until what it opens is there.
gui() {
  local photo=$1 trace=$2
  openbox >/dev/null 2>&1 &
  strace -f -qq -e trace=%file -o "$trace" vellumora "$photo" >/dev/null 2>&1 &
  local program=$! about main
  about="$(await_window '^About Vellumora$')"
  xdotool windowactivate --sync "$about" key Escape 2>/dev/null || true
  main="$(await_window '^Vellumora - ')"
  for _ in $(seq 1 20); do
    xdotool windowactivate --sync "$main" key F1 2>/dev/null || true
    tries=30 await_window '^Vellumora Help$' >/dev/null 2>&1 && break
  done
  await_window '^Vellumora Help$' >/dev/null
  # strace's child is the program; ending it ends strace too.
  kill "$(pgrep -P "$program")"
  wait "$program" 2>/dev/null || true
}

# What dpkg and the user could notice: the files under the folders packages install to.
snapshot() {
  find /usr /etc /opt /var/lib/dpkg/info 2>/dev/null | LC_ALL=C sort
}

# --- The check itself, as root on the system that gets the package.
inside() {
  local deb=$1 hide=${2:-}
  export DEBIAN_FRONTEND=noninteractive LC_ALL=C.UTF-8
  local work
  work="$(mktemp -d)"
  if [ -n "$hide" ]; then
    mount -t tmpfs -o size=1m hidden "$hide"
    [ -z "$(ls -A "$hide")" ] || fail "$hide is still visible"
  fi
  local version
  version="$(dpkg-deb -f "$deb" Version)"

  step "install $(basename "$deb") with its dependencies"
  dpkg-query -W -f '${Package}\n' | LC_ALL=C sort >"$work/packages.before"
  snapshot >"$work/files.before"
  apt-get install -y -q "$deb" >"$work/install.log" 2>&1 ||
    { cat "$work/install.log" >&2; fail "apt-get install failed"; }
  grep -c '^Unpacking' "$work/install.log" | sed 's/^/packages unpacked: /' >&2
  # Whatever fails from here on, what was installed goes again.
  trap 'apt-get purge -y -q vellumora >/dev/null 2>&1 || true' EXIT

  step "vellumora-cli from /usr/bin"
  [ "$(command -v vellumora-cli)" = /usr/bin/vellumora-cli ] || fail "vellumora-cli is $(command -v vellumora-cli)"
  [ "$(vellumora-cli --version)" = "vellumora-cli $version" ] || fail "vellumora-cli --version: $(vellumora-cli --version)"
  local home="$work/home"
  mkdir -p "$home"
  export HOME="$home" XDG_DATA_HOME="$home/data" XDG_CONFIG_HOME="$home/config"
  local photo=/usr/share/vellumora/masks/oval.png
  printf '[P]\nFILENAME=%s\nMAX=64\nMASK=star.png\n' "$photo" >"$work/render.ini"
  vellumora-cli render "$work/render.ini" P "$work/out.jpg" || fail "vellumora-cli render failed"
  [ -s "$work/out.jpg" ] || fail "vellumora-cli render wrote nothing"
  # The first run fills the user's Masks folder from the shipped ones.
  diff <(ls /usr/share/vellumora/masks) <(ls "$XDG_DATA_HOME/Vellumora/Masks") ||
    fail "the Masks folder is not the shipped masks"
  echo "vellumora-cli $version rendered $(stat -c %s "$work/out.jpg") bytes; Masks filled from /usr/share" >&2

  step "manual pages and completion"
  for page in vellumora vellumora-cli; do
    zcat "/usr/share/man/man1/$page.1.gz" | grep -q "^\.TH .*\"Vellumora $version\"" ||
      fail "no manual page $page(1) for $version"
  done
  local completed
  completed="$(bash -c 'source /usr/share/bash-completion/bash_completion
    source /usr/share/bash-completion/completions/vellumora-cli
    COMP_WORDS=(vellumora-cli batch --ca); COMP_CWORD=2; COMP_LINE="${COMP_WORDS[*]}"
    COMP_POINT=${#COMP_LINE}; _vellumora_cli; echo "${COMPREPLY[*]}"')"
  [ "$completed" = "--case" ] || fail "completion of 'vellumora-cli batch --ca' gave '$completed'"
  echo "vellumora(1), vellumora-cli(1); vellumora-cli batch --ca<Tab> gives --case" >&2

  step "the program under Xvfb"
  # xvfb-run -a picks a free display by its lock file, a race with others starting one at
  # the same moment (the program then finds no display): a second try settles that.
  local tries=0
  until rm -rf "$XDG_DATA_HOME" && xvfb-run -a -s "-screen 0 1024x768x24" env QT_QPA_PLATFORM=xcb \
    bash "$self" --gui "$photo" "$work/trace"; do
    tries=$((tries + 1))
    [ $tries -lt 3 ] || fail "the program did not show its windows under Xvfb"
    echo "again, on another display" >&2
  done
  grep -v -E 'ENOENT|EACCES' "$work/trace" >"$work/found"
  grep -q '"/usr/share/vellumora/help/index.html"' "$work/found" ||
    fail "the guide was not read from /usr/share/vellumora/help"
  grep -q '"/usr/share/vellumora/masks/star.png"' "$work/found" ||
    fail "the masks were not read from /usr/share/vellumora/masks"
  diff <(ls /usr/share/vellumora/masks) <(ls "$XDG_DATA_HOME/Vellumora/Masks") ||
    fail "the program did not fill the Masks folder"
  if [ -n "$hide" ] && grep -q "\"$hide/" "$work/trace"; then
    grep "\"$hide/" "$work/trace" | head >&2
    fail "the program looked into $hide"
  fi
  echo "started on $photo, closed the about box, F1 showed the guide from /usr/share/vellumora/help" >&2

  step "apt-get purge vellumora"
  apt-get purge -y -q vellumora >"$work/purge.log" 2>&1 || { cat "$work/purge.log" >&2; fail "purge failed"; }
  trap - EXIT
  [ "$(dpkg-query -W -f '${Status}' vellumora 2>/dev/null || true)" != "install ok installed" ] ||
    fail "vellumora is still installed"
  snapshot >"$work/files.after"
  dpkg-query -W -f '${Package}\n' | LC_ALL=C sort >"$work/packages.after"
  ! comm -13 "$work/files.before" "$work/files.after" | grep -i vellumora ||
    fail "files named after vellumora are left"
  # The dependencies stay, with what their own scripts made (alternatives, certificates,
  # configuration). What vellumora alone leaves shows in a second round, its dependencies
  # in place: the files after its purge must be those before its install, but for the
  # caches that triggers rebuild (icons, desktop files, MIME types, manual pages).
  apt-get install -y -q "$deb" >"$work/install2.log" 2>&1 ||
    { cat "$work/install2.log" >&2; fail "the second install failed"; }
  trap 'apt-get purge -y -q vellumora >/dev/null 2>&1 || true' EXIT
  [ "$(grep -c '^Unpacking' "$work/install2.log")" = 1 ] || fail "the second install unpacked more than vellumora"
  snapshot >"$work/files.between"
  grep -qx /usr/bin/vellumora "$work/files.between" || fail "the second install is not in the snapshot"
  apt-get purge -y -q vellumora >"$work/purge2.log" 2>&1 || { cat "$work/purge2.log" >&2; fail "second purge failed"; }
  trap - EXIT
  snapshot >"$work/files.again"
  local left
  left="$(diff "$work/files.after" "$work/files.again" |
    grep -v -E '^[<>] .*(\.cache|/ld\.so\.cache|/var/cache/.*)$' | grep '^[<>]' || true)"
  [ -z "$left" ] || { echo "$left" | head -20 >&2; fail "install and purge changed the system"; }
  [ -d "$XDG_DATA_HOME/Vellumora/Masks" ] || fail "the user's own folder went too"
  echo "nothing left but the user's folder $XDG_DATA_HOME/Vellumora" \
    "($(comm -13 "$work/packages.before" "$work/packages.after" | wc -l) dependencies stay installed)" >&2
  rm -rf "$work"
}

# --- The two ways in.
prepare_root() {
  local root=$1
  # Made by an earlier run. One this script began and did not finish is made again; any
  # other folder with something in it is left alone.
  [ -f "$root/etc/vellumora-check-root" ] && return
  if [ -f "$root/.vellumora-check-partial" ]; then
    rm -rf "$root"
  elif [ -n "$(ls -A "$root" 2>/dev/null)" ]; then
    fail "$root has files and is not a root this script made: give an empty or new folder"
  fi
  mkdir -p "$root"
  touch "$root/.vellumora-check-partial"
  # The machine's own apt sources say where Debian is: the main archive of its release.
  local mirror suite
  read -r mirror suite < <(apt-get indextargets --format '$(REPO_URI) $(RELEASE)' \
    'Created-By: Packages' | grep -v -E -- '-(security|updates|backports)$' | head -1)
  [ -n "${mirror:-}" ] || fail "no Debian archive in this machine's apt sources"
  step "debootstrap $suite from $mirror into $root"
  debootstrap --variant=minbase "$suite" "$root" "$mirror" >"$root.debootstrap.log" 2>&1 ||
    { tail "$root.debootstrap.log" >&2; fail "debootstrap failed"; }
  # A root thrown away after each run needs no sync after every file dpkg writes.
  echo force-unsafe-io >"$root/etc/dpkg/dpkg.cfg.d/unsafe-io"
  # The same sources as this machine (security and updates too), read now, never stored.
  rm -f "$root/etc/apt/sources.list"
  cp -a /etc/apt/sources.list /etc/apt/sources.list.d "$root/etc/apt/" 2>/dev/null || true
  cp -a /etc/apt/trusted.gpg.d "$root/etc/apt/" 2>/dev/null || true
  chroot "$root" apt-get update -q >/dev/null
  DEBIAN_FRONTEND=noninteractive chroot "$root" apt-get install -y -q --no-install-recommends \
    "${tools[@]}" >/dev/null
  echo "a clean Debian root and the check's tools (${tools[*]})" >"$root/etc/vellumora-check-root"
  rm "$root/.vellumora-check-partial"
}

in_root() {
  local base=$1 deb=$2
  prepare_root "$base"
  local copy
  copy="$(mktemp -d /var/tmp/vellumora-check.XXXXXX)"
  step "a copy of $base in $copy"
  cp -a "$base/." "$copy/"
  cp "$deb" "$copy/tmp/"
  cp "$self" "$copy/tmp/check-package.sh"
  cp /etc/resolv.conf "$copy/etc/resolv.conf"
  local status=0
  unshare --mount --propagation private bash -c '
    set -e
    mount --bind /dev "$1/dev"; mount -t proc proc "$1/proc"; mount -t sysfs sys "$1/sys"
    mount -t devpts devpts "$1/dev/pts" -o newinstance 2>/dev/null || true
    mount -t tmpfs tmpfs "$1/tmp/.X11-unix" 2>/dev/null || { mkdir -p "$1/tmp/.X11-unix"; chmod 1777 "$1/tmp/.X11-unix"; }
    chroot "$1" apt-get update -q >/dev/null
    chroot "$1" bash /tmp/check-package.sh --inside "/tmp/$2"' bash "$copy" "$(basename "$deb")" || status=$?
  rm -rf "$copy"
  return $status
}

on_host() {
  local deb=$1
  if [ "$(dpkg-query -W -f '${Status}' vellumora 2>/dev/null || true)" = "install ok installed" ]; then
    fail "vellumora is installed on this machine already; not touching it"
  fi
  bash "$(dirname "$self")/deps.sh"
  # The checkout is hidden while the check runs, so the script and the package go first
  # to a folder of their own.
  local copy
  copy="$(mktemp -d)"
  cp "$self" "$copy/check-package.sh"
  cp "$deb" "$copy/"
  local status=0
  unshare --mount --propagation private bash "$copy/check-package.sh" --inside \
    "$copy/$(basename "$deb")" /work || status=$?
  rm -rf "$copy"
  return $status
}

usage() {
  sed -n '2,/^set -euo/p' "$self" | sed '$d; s/^# \{0,1\}//' >&2
  exit 2
}

default_deb() {
  local found
  found="$(ls "$(dirname "$self")"/../build/release/package/vellumora_*_amd64.deb 2>/dev/null | tail -1)"
  [ -n "$found" ] || fail "no package: run scripts/package.sh first"
  readlink -f "$found"
}

case "${1:-}" in
  --inside) inside "$2" "${3:-}" ;;
  --gui) gui "$2" "$3" ;;
  --root)
    [ "$(id -u)" -eq 0 ] || fail "needs root"
    bash "$(dirname "$self")/deps.sh"
    root=/var/tmp/vellumora-check-root
    if [ -n "${2:-}" ] && [[ $2 != *.deb ]]; then root="$2"; shift; fi
    deb="$(readlink -f "${2:-$(default_deb)}")"
    in_root "$root" "$deb" && echo "check-package: passed in a clean Debian root" >&2
    ;;
  --host)
    [ "$(id -u)" -eq 0 ] || fail "needs root"
    deb="$(readlink -f "${2:-$(default_deb)}")"
    on_host "$deb" && echo "check-package: passed on this machine" >&2
    ;;
  *) usage ;;
esac
