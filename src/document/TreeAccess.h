// Gives the library's own classes (untyped content, the binary reader, tests)
// the tree-building operations that the public interface keeps protected.
#ifndef NYXML_SRC_DOCUMENT_TREEACCESS_H
#define NYXML_SRC_DOCUMENT_TREEACCESS_H

#include <nyxml/document.h>

#include "document/ElementArena.h"

#include <cstddef>

namespace NyXmlLib9 {

struct CXmlTreeAccess {
    static CXmlElement* NewElement(const CXmlDocument* document) { return new CXmlElement(document); }
    static CXmlElement* CreateNewChildElement(CXmlElement* e) { return e->CreateNewChildElement(); }
    static void AddAttribute(CXmlElement* e, const std::wstring& localName, const std::wstring& value,
                             const std::wstring& namespaceURI) {
        e->AddAttribute(localName, value, namespaceURI);
    }
    static void AppendText(CXmlElement* e, const wchar_t* text, int length) { e->AppendText(text, length); }
    static void SetElementName(CXmlElement* e, const std::wstring& name) { e->SetElementName(name); }
    static void SetNamespace(CXmlElement* e, const std::wstring& ns) { e->SetNamespace(ns); }
    static CXmlElement* RemoveLastChildElement(CXmlElement* e) { return e->RemoveLastChildElement(); }

    static CXmlElement* AddDocElement(CXmlDocument* d, const wchar_t* ns, const wchar_t* name) {
        return d->AddDocElement(ns, name);
    }
    static CXmlElement* AddChildElement(CXmlDocument* d, const wchar_t* ns, const wchar_t* name) {
        return d->AddChildElement(ns, name);
    }
    static CXmlElement* OpenElement(CXmlDocument* d, const std::wstring& ns, const std::wstring& name) {
        return d->OpenElement(ns, name);
    }
    static void EndElement(CXmlDocument* d) { d->EndElement(); }
    // Closes the open element without offering it to the element callback.
    static void CloseElement(CXmlDocument* d) {
        if (!d->m_openElements.empty()) d->m_openElements.pop_back();
    }
    static CXmlElement* TopElement(const CXmlDocument* d) { return d->TopElement(); }
    static const CElementArena& Arena(const CXmlDocument* d) {
        return *static_cast<const CElementArena*>(d->m_elementArena);
    }
    static void AppendTextExcludingCR(CXmlElement* e, const wchar_t* text, uint32_t length) {
        CXmlDocument::AppendTextExcludingCR(e, text, length);
    }
    // The namespace the document maps `prefix` to, without a copy; null
    // without one.
    static const std::wstring* NamespaceOfAlias(const CXmlDocument* d, std::wstring_view prefix) {
        auto it = d->m_namespaceAliases.find(prefix);
        return it == d->m_namespaceAliases.end() ? nullptr : &it->second;
    }
    static void SetNamespaceAlias(CXmlDocument* d, const std::wstring& prefix, const std::wstring& uri) {
        d->SetNamespaceAlias(prefix, uri);
    }

    // The element's text without making its string: NUL-terminated units.
    static const wchar_t* TextData(const CXmlElement* e) { return e->m_textData ? e->m_textData : L""; }
    static size_t TextLength(const CXmlElement* e) { return e->m_textLength; }
    // The element's text in a string of the calling thread, valid until the
    // next call on that thread: what binding converts from, so that reading
    // a tree makes no string per element that it throws away.
    static const std::wstring& TextInScratch(const CXmlElement* e);

    // The attributes of an element without making the list GetAttributes
    // returns, and their values without making their strings.
    static size_t AttributeCount(const CXmlElement* e) { return e->AttributeCount(); }
    static CXmlAttribute* Attribute(const CXmlElement* e, size_t i) { return e->AttributeAt(i); }
    // NUL-terminated units.
    static const wchar_t* ValueData(const CXmlAttribute* a) { return a->m_valueData; }
    static size_t ValueLength(const CXmlAttribute* a) { return a->m_valueLength; }
    // The value in a string of the calling thread (not the one TextInScratch
    // uses), valid until the next call on that thread.
    static const std::wstring& ValueInScratch(const CXmlAttribute* a);
};

}  // namespace NyXmlLib9

#endif
