#!/usr/bin/env bash
# Installs what is missing, builds everything from scratch with warnings as
# errors and runs every test:
#   build/        Release (what CI and the package use), all tests
#   build-san/    Debug with AddressSanitizer and UndefinedBehaviorSanitizer, all tests
#   build-clang/  Debug with clang, all tests
# and then builds and checks the Debian package (scripts/check-package.sh).
# First of all, every C++ file must be formatted with .clang-format; after
# the Release build, clang-tidy must find nothing in the changed files.
set -euo pipefail
cd "$(dirname "$0")/.."
started=$SECONDS

scripts/install-deps.sh --test
scripts/check-format.sh

jobs=$(nproc)
rm -rf build build-san build-clang

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DTELVANE_WERROR=ON
cmake --build build -j"$jobs"
(cd build && ctest --output-on-failure -j"$jobs")
# clang-tidy over the files changed since main (at main's tip: its last
# commit), with the Release build's compile database: zero findings.
scripts/check-tidy.sh build

cmake -S . -B build-san -DCMAKE_BUILD_TYPE=Debug -DTELVANE_SANITIZE=ON -DTELVANE_BENCH=OFF -DTELVANE_WERROR=ON
cmake --build build-san -j"$jobs"
(cd build-san && ctest --output-on-failure -j"$jobs")

CC=clang CXX=clang++ cmake -S . -B build-clang -DCMAKE_BUILD_TYPE=Debug -DTELVANE_BENCH=OFF -DTELVANE_WERROR=ON
cmake --build build-clang -j"$jobs"
(cd build-clang && ctest --output-on-failure -j"$jobs")

scripts/check-package.sh build

echo "Every build, test and package check passed in $((SECONDS - started)) s."
