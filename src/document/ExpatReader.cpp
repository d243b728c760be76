#include "document/ExpatReader.h"
#include "document/NamePool.h"

#include <expat.h>

#include <climits>
#include <new>
#include <string>

static_assert(sizeof(XML_Char) == 2, "the wide Expat build (XML_UNICODE) is required");

namespace NyXmlLib9 {
namespace {

const XML_Char kSeparator = u'|';

size_t Length(const XML_Char* s) {
    const XML_Char* p = s;
    while (*p) ++p;
    return static_cast<size_t>(p - s);
}

void Assign(std::wstring& out, const XML_Char* s, size_t length) {
    out.resize(length);
    wchar_t* d = &out[0];
    for (size_t i = 0; i < length; ++i) d[i] = static_cast<wchar_t>(s[i]);
}

std::wstring Widen(const XML_Char* s) {
    std::wstring out;
    if (s) Assign(out, s, Length(s));
    return out;
}

// Splits "uri|local" at the first separator; a name without one is all local name.
void SplitName(const XML_Char* name, std::wstring& ns, std::wstring& local) {
    const XML_Char* p = name;
    while (*p && *p != kSeparator) ++p;
    if (*p == kSeparator) {
        Assign(ns, name, static_cast<size_t>(p - name));
        Assign(local, p + 1, Length(p + 1));
    } else {
        ns.clear();
        Assign(local, name, static_cast<size_t>(p - name));
    }
}

}  // namespace

CExpatReader::CExpatReader(CXmlDocument* document)
    : m_document(document), m_parser(nullptr), m_namespaces(true) {}

CExpatReader::~CExpatReader() { Release(); }

void CExpatReader::Release() {
    if (m_parser) {
        XML_ParserFree(m_parser);
        m_parser = nullptr;
    }
}

void CExpatReader::Initialise() {
    Release();
    m_namespaces = m_document->m_schemaType != SchemaType_NoNamespaces;
    m_parser = m_namespaces ? XML_ParserCreateNS(nullptr, kSeparator) : XML_ParserCreate(nullptr);
    if (!m_parser) throw std::bad_alloc();
    XML_SetUserData(m_parser, this);
    XML_SetElementHandler(m_parser, &CExpatReader::StartElement, &CExpatReader::EndElement);
    XML_SetNamespaceDeclHandler(m_parser, &CExpatReader::StartNamespace, &CExpatReader::EndNamespace);
    XML_SetCharacterDataHandler(m_parser, &CExpatReader::CharacterData);
    if (!m_document->m_context->GetStripCDATA())
        XML_SetCdataSectionHandler(m_parser, &CExpatReader::StartCData, &CExpatReader::EndCData);
}

void CExpatReader::Parse(bool last) { ParseBytes(m_document->m_input, m_document->m_inputLength, last); }

void CExpatReader::ParseBytes(const unsigned char* data, uint32_t length, bool last) {
    if (!m_parser) Initialise();
    // Expat copies what it is given into a buffer of its own: pieces of 1 MiB
    // keep that copy small instead of a second whole input.
    const uint32_t kPiece = 1u << 20;
    do {
        uint32_t piece = length > kPiece ? kPiece : length;
        bool final = last && piece == length;
        enum XML_Status status =
            XML_Parse(m_parser, reinterpret_cast<const char*>(data), static_cast<int>(piece), final ? 1 : 0);
        if (m_handlerError) {
            std::exception_ptr error = m_handlerError;
            m_handlerError = nullptr;
            Release();
            std::rethrow_exception(error);
        }
        if (status != XML_STATUS_OK) {
            unsigned long line = static_cast<unsigned long>(XML_GetCurrentLineNumber(m_parser));
            const XML_LChar* text = XML_ErrorString(XML_GetErrorCode(m_parser));
            std::wstring message =
                FormatString(L"%S at line %d", text ? text : "unknown error", static_cast<int>(line));
            Release();
            throw CNyException(message);
        }
        data += piece;
        length -= piece;
    } while (length > 0);
    if (last) Release();
}

void CExpatReader::Fail(std::exception_ptr error) {
    if (!m_handlerError) m_handlerError = error;
    XML_StopParser(m_parser, XML_FALSE);
}

void CExpatReader::StartElement(void* userData, const XML_Char* name, const XML_Char** attributes) {
    CExpatReader* self = static_cast<CExpatReader*>(userData);
    try {
        CXmlDocument* document = self->m_document;
        CNamePool& pool = *static_cast<CNamePool*>(document->m_namePool);
        const XML_Char separator = self->m_namespaces ? kSeparator : 0;
        size_t count = 0;
        size_t valueUnits = 0;
        for (; attributes[2 * count]; ++count) valueUnits += Length(attributes[2 * count + 1]) + 1;
        CXmlElement* element = document->OpenElement(count, valueUnits);
        CNamePool::SplitName split;
        if (pool.Split(name, separator, split)) {
            element->m_namespaceURI = split.namespaceURI;
            element->m_localName = split.localName;
        } else {
            std::wstring ns, local;
            SplitName(name, ns, local);
            element->SetNamespace(ns);
            element->SetElementName(local);
        }
        if (count == 0) return;
        CXmlAttribute* block = element->ReserveAttributeBlock(count);
        // The values go into the element's block, after its attributes.
        wchar_t* values = block ? element->ValueRoom() : nullptr;
        for (const XML_Char** a = attributes; *a; a += 2) {
            size_t n = Length(a[1]);
            if (block && n < UINT32_MAX && pool.Split(a[0], separator, split)) {
                for (size_t i = 0; i < n; ++i) values[i] = static_cast<wchar_t>(a[1][i]);
                values[n] = L'\0';
                // Constructed in place; counted once it exists.
                new (block + element->m_blockCount) CXmlAttribute(split.localName, false, split.namespaceURI, false,
                                                                  values, static_cast<uint32_t>(n));
                values += n + 1;
                ++element->m_blockCount;
            } else {
                block = nullptr;  // the block only holds a leading run
                std::wstring value, attrNs, attrLocal;
                Assign(value, a[1], n);
                SplitName(a[0], attrNs, attrLocal);
                element->AddAttribute(attrLocal, value, attrNs);
            }
        }
    } catch (...) {
        self->Fail(std::current_exception());
    }
}

void CExpatReader::EndElement(void* userData, const XML_Char*) {
    CExpatReader* self = static_cast<CExpatReader*>(userData);
    try {
        // A text that arrived in pieces (around references, at buffer ends)
        // grew with room to spare: it keeps just its size.
        if (CXmlElement* top = self->m_document->TopElement()) top->TrimText();
        self->m_document->EndElement();
    } catch (...) {
        self->Fail(std::current_exception());
    }
}

void CExpatReader::StartNamespace(void* userData, const XML_Char* prefix, const XML_Char* uri) {
    CExpatReader* self = static_cast<CExpatReader*>(userData);
    try {
        self->m_document->SetNamespaceAlias(Widen(prefix), Widen(uri));
    } catch (...) {
        self->Fail(std::current_exception());
    }
}

void CExpatReader::EndNamespace(void*, const XML_Char*) {}

void CExpatReader::CharacterData(void* userData, const XML_Char* text, int length) {
    if (length <= 0) return;
    CExpatReader* self = static_cast<CExpatReader*>(userData);
    CXmlElement* top = self->m_document->TopElement();
    if (!top) return;
    try {
        wchar_t* d = top->ReserveText(static_cast<size_t>(length));
        size_t n = 0;
        // Carriage returns are dropped, as XML line-end handling does for literal ones.
        for (int i = 0; i < length; ++i) {
            XML_Char c = text[i];
            if (c == 0) break;
            d[n] = static_cast<wchar_t>(c);
            n += c != u'\r';
        }
        top->CommitText(n);
    } catch (...) {
        self->Fail(std::current_exception());
    }
}

void CExpatReader::StartCData(void* userData) {
    CExpatReader* self = static_cast<CExpatReader*>(userData);
    if (CXmlElement* top = self->m_document->TopElement()) {
        try {
            CXmlDocument::AppendTextExcludingCR(top, L"<![CDATA[");
        } catch (...) {
            self->Fail(std::current_exception());
        }
    }
}

void CExpatReader::EndCData(void* userData) {
    CExpatReader* self = static_cast<CExpatReader*>(userData);
    if (CXmlElement* top = self->m_document->TopElement()) {
        try {
            CXmlDocument::AppendTextExcludingCR(top, L"]]>");
        } catch (...) {
            self->Fail(std::current_exception());
        }
    }
}

}  // namespace NyXmlLib9
