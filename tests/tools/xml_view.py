#!/usr/bin/env python3
"""Prints, for each XML file given, an independent view of its content: one
line per element in document order with its depth, namespace URI, local name,
attributes (sorted; defaults declared in the internal DTD subset included, as
the XML infoset has them) and its direct text with all whitespace removed.
Used by the untyped round-trip tests to compare a document with the library's
rewrite of it."""
import sys
import xml.etree.ElementTree as ET

WHITESPACE = str.maketrans("", "", " \t\n\r")


def split(tag):
    if tag.startswith("{"):
        ns, local = tag[1:].split("}", 1)
        return ns, local
    return "", tag


def view(node, depth, out):
    attrs = sorted("{%s}%s=%s" % (*split(k), v) for k, v in node.attrib.items())
    text = (node.text or "") + "".join(c.tail or "" for c in node)
    ns, local = split(node.tag)
    out.append("%d {%s}%s [%s] %s" % (depth, ns, local, ";".join(attrs), text.translate(WHITESPACE)))
    for c in node:
        view(c, depth + 1, out)


def main():
    for path in sys.argv[1:]:
        print("=== " + path)
        try:
            root = ET.parse(path).getroot()
        except Exception as e:  # the caller treats an unreadable file as absent
            print("!!! " + type(e).__name__)
            continue
        out = []
        view(root, 0, out)
        print("\n".join(out))


if __name__ == "__main__":
    main()
