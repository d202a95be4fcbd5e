#!/usr/bin/env bash
# Installs what Quillbox needs, builds it and starts it. With no X display it starts a virtual one
# (Xvfb with openbox and trayer) and says so.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)

bash scripts/install-deps.sh run
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQB_BUILD_TESTS=OFF
cmake --build build -j "$(nproc)"

# Quillbox keeps its data file and fm.tmp in the folder it starts in, and opens its help page there.
data="${XDG_DATA_HOME:-$HOME/.local/share}/quillbox"
mkdir -p "$data"
cp -f "$root/res/qbhlp.html" "$data/" 2>/dev/null || true

pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
}
trap cleanup EXIT

if [ -z "${DISPLAY:-}" ]; then
  n=42
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  # -noreset: without it the server resets when its first client (the check below) leaves.
  Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp -noreset &
  pids+=($!)
  export DISPLAY=":$n"
  for _ in $(seq 100); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
  openbox &
  pids+=($!)
  trayer --edge top --align right --widthtype pixel --width 200 --heighttype pixel --height 32 \
         --SetDockType true --SetPartialStrut true --transparent false &
  pids+=($!)
  echo "No X display was found: Quillbox runs on the virtual display $DISPLAY (Xvfb, openbox, trayer)."
  echo "Look at it with e.g. 'DISPLAY=$DISPLAY import -window root shot.png'."
fi
export QT_QPA_PLATFORM=xcb

echo "Quillbox runs in $data; stop it with its tray menu's Quit, or Ctrl+C here."
cd "$data"
"$root/build/src/app/quillbox"
