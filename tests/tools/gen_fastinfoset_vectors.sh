#!/bin/sh
# Regenerates the Fast Infoset interoperability vectors under
# tests/data/fastinfoset with Java Fast Infoset (Debian libfastinfoset-java)
# as an independent oracle. Run by hand after a build in ./build; the test
# suite only reads the committed results.
#   NAME.java.fi        the reference serializer's encoding of NAME.xml
#   NAME.java.dump      the reference parser's reading of NAME.java.fi
#   NAME.nyxml.fi       the library's encoding of NAME.xml
#   NAME.nyxml.dump     the reference parser's reading of NAME.nyxml.fi
#   typed.*             a document of typed values written by each side
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
data=$root/tests/data/fastinfoset
jar=/usr/share/java/FastInfoset.jar
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

javac -cp "$jar" -d "$work" "$root/tests/tools/fastinfoset/FastInfosetOracle.java"
g++ -std=c++17 -O1 -I"$root/include" -I"$root/tests/fastinfoset" \
    "$root/tests/tools/fastinfoset/fi_vectors.cpp" "$root/tests/fastinfoset/FastInfosetSupport.cpp" \
    -L"$root/build" -lnyxml -Wl,-rpath,"$root/build" -o "$work/fi_vectors"
oracle() { java -cp "$jar:$work" FastInfosetOracle "$@"; }

for xml in "$data"/*.xml; do
    stem=${xml%.xml}
    oracle encode "$xml" "$stem.java.fi"
    oracle decode "$stem.java.fi" "$stem.java.dump"
done
oracle typed "$data/typed.java.fi"
oracle decode "$data/typed.java.fi" "$data/typed.java.dump"

"$work/fi_vectors" "$data"/*.xml
for fi in "$data"/*.nyxml.fi; do
    oracle decode "$fi" "${fi%.fi}.dump"
done
ls -l "$data"
