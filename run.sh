#!/usr/bin/env bash
# Builds the library and its command-line tool, then shows the tool on the shipped sample.
set -euo pipefail
cd "$(dirname "$0")"
./tools/ensure-deps.sh
jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release > /dev/null
cmake --build build -j "$jobs" --target nyxml_tool nyxml > /dev/null
tool=build/bin/nyxml
sample=samples/po.xml

echo "\$ nyxml stats $sample"
"$tool" stats "$sample"
