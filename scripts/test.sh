#!/usr/bin/env bash
# Installs what is missing, builds everything from scratch and runs every
# test twice: in the normal build, and in a build with AddressSanitizer and
# UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

jobs=$(nproc)
rm -rf build build-san

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTELVANE_WERROR=ON
cmake --build build -j"$jobs"
(cd build && ctest --output-on-failure -j"$jobs")

cmake -S . -B build-san -DCMAKE_BUILD_TYPE=Debug -DTELVANE_SANITIZE=ON -DTELVANE_BENCH=OFF -DTELVANE_WERROR=ON
cmake --build build-san -j"$jobs"
(cd build-san && ctest --output-on-failure -j"$jobs")
