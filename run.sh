#!/usr/bin/env bash
# Builds the library and its command-line tool, then shows the tool at work on
# the shipped purchase-order sample: statistics, formatting, Fast Infoset, the
# schema compiler, and the classes it generated reading the sample.
set -euo pipefail
cd "$(dirname "$0")"
./tools/ensure-deps.sh
jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release > /dev/null
cmake --build build -j "$jobs" --target nyxml_tool nyxml example_po > /dev/null
tool=$PWD/build/bin/nyxml
sample=samples/po.xml
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

echo "\$ nyxml stats $sample"
"$tool" stats "$sample"
echo
echo "\$ nyxml format --gzip $sample po.xml.gz && nyxml stats po.xml.gz"
"$tool" format --gzip "$sample" "$out/po.xml.gz"
"$tool" stats "$out/po.xml.gz" | sed -n '2,4p'
echo
echo "\$ nyxml format --compact --encoding utf-16 $sample po16.xml && nyxml format po16.xml - | head"
"$tool" format --compact --encoding utf-16 "$sample" "$out/po16.xml"
"$tool" format "$out/po16.xml" - | head -n 12
echo
echo "\$ nyxml roundtrip $sample rt.xml && head rt.xml"
"$tool" roundtrip "$sample" "$out/rt.xml"
head -n 8 "$out/rt.xml"

echo
echo "\$ nyxml convert $sample po.fi && nyxml convert po.fi po-back.xml && nyxml stats po.fi"
cp "$sample" "$out/po.xml"
(cd "$out" && "$tool" convert po.xml po.fi && "$tool" convert po.fi po-back.xml && "$tool" stats po.fi | sed -n '2,4p')
echo
echo "\$ nyxml generate --namespace ExamplePO --output gen examples/po/po.xsd && wc -l gen/*"
"$tool" generate --namespace ExamplePO --output "$out/gen" examples/po/po.xsd
(cd "$out/gen" && wc -l ./*)
grep -n "^class\|^enum" "$out/gen/po.h" | head -n 12

echo
echo "\$ example_po $sample   (generated purchase-order classes: read, summarise, change, write, read again)"
build/bin/example_po "$sample"
