#!/usr/bin/env bash
# Installs what is missing, builds, and starts qtx-manager in its own folder beside lang.txt,
# with a copy of the demo card (demo-card/) ready to pick as the local folder.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target qtx-manager qtxctl

bin=build/bin
rm -rf "$bin/demo-card"
cp -r demo/card "$bin/demo-card"

if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}${QT_QPA_PLATFORM:-}" ]; then
  echo "No graphical display is set (DISPLAY is empty), so no window can open."
  echo "Run it from a desktop session, or under a virtual display:"
  echo "  xvfb-run -a -s '-screen 0 1280x1024x24' bash scripts/run.sh"
  exit 1
fi

cd "$bin"
exec ./qtx-manager "$@"
