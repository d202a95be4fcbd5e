#!/usr/bin/env bash
# Installs the Debian packages Quillbox needs. "run" is enough to build and start it; "test" adds
# what the tests drive: a virtual display, a window manager, a tray host, real editors and terminals.
set -euo pipefail

build=(cmake ninja-build g++ pkg-config
       qt6-base-dev qt6-svg-dev libsqlite3-dev
       libx11-dev libx11-xcb-dev libxcb1-dev libxtst-dev libxfixes-dev libxi-dev libxkbcommon-dev)
runtime=(qt6-qpa-plugins libqt6svg6 xdg-utils)
display=(xvfb openbox trayer x11-utils x11-xserver-utils)
tests=(mousepad featherpad gedit xterm lxterminal xfce4-terminal xdotool xclip python3 imagemagick
       dpkg-dev lintian appstream desktop-file-utils man-db
       clang libclang-rt-14-dev)

case "${1:-test}" in
  run) packages=("${build[@]}" "${runtime[@]}" "${display[@]}") ;;
  test) packages=("${build[@]}" "${runtime[@]}" "${display[@]}" "${tests[@]}") ;;
  *) echo "usage: $0 [run|test]" >&2; exit 2 ;;
esac

sudo=()
if [ "$(id -u)" -ne 0 ]; then
  sudo=(sudo)
fi
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -q
"${sudo[@]}" apt-get install -y -q --no-install-recommends "${packages[@]}"
