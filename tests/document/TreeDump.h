// A canonical text form of a loaded tree, for comparing loads.
#ifndef NYXML_TESTS_DOCUMENT_TREEDUMP_H
#define NYXML_TESTS_DOCUMENT_TREEDUMP_H

#include <nyxml/document.h>

#include <string>

namespace nyxml_test {

// {ns}name[{ns}attr=value ...]"text"(children...)
inline std::wstring DumpTree(const NyXmlLib9::CXmlElement* e) {
    if (!e) return L"(null)";
    std::wstring out = L"{" + e->GetNamespaceURI() + L"}" + e->GetLocalName() + L"[";
    for (const NyXmlLib9::CXmlAttribute* a : e->GetAttributes())
        out += L"{" + a->GetNamespaceURI() + L"}" + a->GetLocalName() + L"=" + a->GetValue() + L";";
    out += L"]\"" + e->GetText() + L"\"(";
    for (const NyXmlLib9::CXmlElement* c = e->GetFirstElement(); c; c = c->GetNextSiblingElement())
        out += DumpTree(c);
    return out + L")";
}

}  // namespace nyxml_test

#endif
