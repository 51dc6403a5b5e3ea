#!/usr/bin/env bash
# Installs what is missing, builds, and starts qtx-manager in its own folder beside lang.txt,
# with a copy of the demo card (demo-card/) ready to pick as the local folder and a simulated
# recorder on port COM99 serving another copy (recorder-card/) as its SD card.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target qtx-manager qtxctl qtx-recorder-sim

bin=build/bin
# The local folder is copied only once, so what the operator changed there survives a restart.
if [ ! -d "$bin/demo-card" ]; then
  cp -r demo/card "$bin/demo-card"
fi
rm -rf "$bin/recorder-card"
cp -r demo/card "$bin/recorder-card"

if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}${QT_QPA_PLATFORM:-}" ]; then
  echo "No graphical display is set (DISPLAY is empty), so no window can open."
  echo "Run it from a desktop session, or under a virtual display:"
  echo "  xvfb-run -a -s '-screen 0 1280x1024x24' bash scripts/run.sh"
  exit 1
fi

cd "$bin"

# The simulated recorder prints its terminal, then the QTX_COM99=... line the manager needs.
sim_out=$(mktemp)
./qtx-recorder-sim --card recorder-card --com 99 --baud-pace 115200 >"$sim_out" &
sim_pid=$!
trap 'kill "$sim_pid" 2>/dev/null || true; rm -f "$sim_out"' EXIT
for _ in $(seq 50); do
  grep -q '^QTX_COM99=' "$sim_out" && break
  kill -0 "$sim_pid" 2>/dev/null || break
  sleep 0.1
done
if setting=$(grep -m1 '^QTX_COM99=' "$sim_out"); then
  export "${setting?}"
  echo "Simulated recorder on COM99 (${setting#QTX_COM99=}), serving $bin/recorder-card"
else
  echo "The simulated recorder did not start; the manager runs without it."
fi

./qtx-manager "$@"
