#!/usr/bin/env bash
# Installs what the tests need, builds from scratch and runs every test (unit, ui, x11, e2e).
# Ends with CTest's summary; exits non-zero when any test fails.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh test

build=build-test
rm -rf "$build"
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQB_WERROR=ON
cmake --build "$build" -j "$(nproc)"
# The end-to-end tests each start their own display, but share the keyboard helper's shared
# block name; they run one at a time.
ctest --test-dir "$build" --output-on-failure --no-tests=error
