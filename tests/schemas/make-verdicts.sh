#!/bin/sh
# Records the verdict of xmllint (Debian libxml2-utils), an independent
# validator, on every instance document of the schema corpus. The corpus test
# reads the result and checks that the generated classes agree; it does not
# need xmllint itself. Each directory holds one schema named after the
# directory (plus the files it includes or imports) and its documents.
set -e
cd "$(dirname "$0")"
out=../data/schema-verdicts.txt
tmp=$out.tmp
: > "$tmp"
for dir in */; do
    row=${dir%/}
    for doc in "$row"/*.xml; do
        if xmllint --noout --schema "$row/$row.xsd" "$doc" 2>/dev/null; then
            echo "$doc valid" >> "$tmp"
        else
            echo "$doc invalid" >> "$tmp"
        fi
    done
done
mv "$tmp" "$out"
