#!/usr/bin/env bash
# Builds the Debian package: only the three programs and the manuals, with the flags Debian builds
# its own packages with (dpkg-buildflags, every hardening feature including bind now), in a build
# folder of its own (BUILD_DIR, default build-package). Prints the path of the .deb.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build-package}
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQTX_BENCH=OFF \
    -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
    -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
cmake --build "$build" -j "$(nproc)" --target qtx-manager qtxctl qtx-recorder-sim manuals >&2
rm -f "$build"/qtx-manager_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
version=$(sed -n 's/^project(qtx_manager VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
echo "$build/qtx-manager_${version}_$(dpkg --print-architecture).deb"
