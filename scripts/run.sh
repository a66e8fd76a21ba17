#!/bin/sh
# Installs what is missing, builds Vorantel and starts it.
set -e
cd "$(dirname "$0")/.."
sh scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j"$(nproc)" --target vorantel
exec ./build/vorantel "$@"
