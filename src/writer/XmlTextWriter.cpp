// CXmlTextWriter: XML text into a CTextStream. Text is escaped by scanning runs
// of plain characters and appending each run in one copy.
#include <nyxml/writer.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace NyXmlLib9 {
namespace {

// The characters that escaping changes all lie below 64: line feed, carriage
// return, '"', '&', '<' and '>'. One bit per character.
const uint64_t kSpecial = (uint64_t(1) << '\n') | (uint64_t(1) << '\r') | (uint64_t(1) << '"') |
                          (uint64_t(1) << '&') | (uint64_t(1) << '<') | (uint64_t(1) << '>');

inline bool IsSpecial(wchar_t c) {
    uint32_t u = static_cast<uint32_t>(c);
    return u < 64 && ((kSpecial >> u) & 1);
}

// The first special character at or after p (or end).
inline const wchar_t* FindSpecial(const wchar_t* p, const wchar_t* end) {
#if defined(__SSE2__)
    // Four elements per step: '<' and '>' differ only in bit 1, '"' and '&'
    // only in bit 2, so four comparisons cover the six characters.
    const __m128i notBit1 = _mm_set1_epi32(~2), notBit2 = _mm_set1_epi32(~4);
    const __m128i angle = _mm_set1_epi32('<'), quoteAmp = _mm_set1_epi32('"');
    const __m128i lineFeed = _mm_set1_epi32('\n'), carriageReturn = _mm_set1_epi32('\r');
    while (end - p >= 4) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        __m128i hit = _mm_or_si128(
            _mm_or_si128(_mm_cmpeq_epi32(_mm_and_si128(v, notBit1), angle),
                         _mm_cmpeq_epi32(_mm_and_si128(v, notBit2), quoteAmp)),
            _mm_or_si128(_mm_cmpeq_epi32(v, lineFeed), _mm_cmpeq_epi32(v, carriageReturn)));
        int mask = _mm_movemask_epi8(hit);
        if (mask) return p + __builtin_ctz(static_cast<unsigned>(mask)) / 4;
        p += 4;
    }
#endif
    while (p < end && !IsSpecial(*p)) ++p;
    return p;
}

const wchar_t kTabs[] = L"\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t";
const size_t kTabRun = sizeof kTabs / sizeof kTabs[0] - 1;
const wchar_t kCData[] = L"<![CDATA[";
const size_t kCDataLength = 9;

const std::wstring& XsiNamespace() {
    static const std::wstring ns(CXmlWriter::kXsiNamespace);
    return ns;
}

}  // namespace

CXmlTextWriter::CXmlTextWriter(CTextStream* stream)
    : m_eol(L"\n"), m_eolType(EOL_LF), m_formatted(true), m_stream(stream), m_buffer(nullptr) {
    if (!stream) throw CNyInvalidParamException(L"The text writer needs a stream");
    m_buffer = &stream->GetBuffer();
}

CXmlTextWriter::~CXmlTextWriter() = default;

void CXmlTextWriter::SetEOLType(EOLType type) {
    switch (type) {
    case EOL_CRLF:
        m_eol = L"\r\n";
        break;
    case EOL_LF:
        m_eol = L"\n";
        break;
    default:
        throw CNyException(L"Invalid EOL type.");
    }
    m_eolType = type;
}

void CXmlTextWriter::CheckFlush() {
    if (m_buffer->GetTotal() >= 4096) m_stream->Flush();
}

void CXmlTextWriter::AppendEol() { m_buffer->Append(m_eol.data(), m_eol.size()); }

void CXmlTextWriter::AppendTabs(int32_t count) {
    size_t left = count > 0 ? static_cast<size_t>(count) : 0;
    if (left <= kTabRun) {
        m_buffer->Append(kTabs, left);
        return;
    }
    while (left > 0) {
        size_t n = left < kTabRun ? left : kTabRun;
        m_buffer->Append(kTabs, n);
        left -= n;
    }
}

void CXmlTextWriter::AppendEscaped(const wchar_t* text, size_t length, bool attribute) {
    CStringBuffer& out = *m_buffer;
    const wchar_t* p = text;
    const wchar_t* end = text + length;
    while (p < end) {
        const wchar_t* run = p;
        p = FindSpecial(p, end);
        out.Append(run, static_cast<size_t>(p - run));
        if (p == end) break;
        switch (*p) {
        case L'\n':
            if (attribute) {
                out.Append(L"&#xA;", 5);
            } else {
                if (m_eolType != EOL_CRLF && m_eolType != EOL_LF) throw CNyException(L"Invalid EOL type.");
                AppendEol();
            }
            break;
        case L'\r':
            break;
        case L'"':
            out.Append(L"&quot;", 6);
            break;
        case L'&':
            out.Append(L"&amp;", 5);
            break;
        case L'<':
            out.Append(L"&lt;", 4);
            break;
        default:
            out.Append(L"&gt;", 4);
            break;
        }
        ++p;
    }
}

void CXmlTextWriter::AppendDeclaration(const std::wstring& prefix, const std::wstring& namespaceURI) {
    m_buffer->Append(L"xmlns:", 6);
    m_buffer->Append(prefix);
    m_buffer->Append(L"=\"", 2);
    AppendEscaped(namespaceURI.data(), namespaceURI.size(), true);
    m_buffer->Append(L'"');
}

void CXmlTextWriter::RequireOpenStartTag() const {
    if (!m_current || !m_current->IsStartTagOpen()) throw CNyException(L"Attributes must be added before elements");
}

void CXmlTextWriter::StartDocument() { m_stream->Begin(); }

void CXmlTextWriter::EndDocument() {
    m_stream->End();
    CXmlWriter::EndDocument();
}

void CXmlTextWriter::WriteXmlDeclaration() {
    m_buffer->Append(L"<?xml version=\"1.0\"");
    if (m_stream->GetEncoding() == XmlEncoding_UTF8)
        m_buffer->Append(L" encoding=\"UTF-8\"");
    else if (m_stream->GetEncoding() == XmlEncoding_UTF16)
        m_buffer->Append(L" encoding=\"UTF-16\"");
    m_buffer->Append(L"?>", 2);
    AppendEol();
    CheckFlush();
}

void CXmlTextWriter::WriteComment(const std::wstring& text) {
    m_buffer->Append(L"<!--", 4);
    AppendEscaped(text.data(), text.size(), false);
    m_buffer->Append(L"-->", 3);
    AppendEol();
    CheckFlush();
}

void CXmlTextWriter::WriteProcessingInstruction(const std::wstring& text) {
    m_buffer->Append(text);
    AppendEol();
    AppendEol();
    CheckFlush();
}

void CXmlTextWriter::WriteInLineSchema(const std::wstring& text) {
    m_buffer->Append(L' ');
    AppendEol();
    m_buffer->Append(text);
    AppendEol();
    CheckFlush();
}

void CXmlTextWriter::StartElement(const std::wstring& localName, const std::wstring& namespaceURI) {
    CStringBuffer& out = *m_buffer;
    if (CXmlWriterContext* parent = m_current) {
        parent->IncrementChildCount();
        if (parent->IsStartTagOpen()) {
            out.Append(L'>');
            parent->SetStartTagOpen(false);
            if (m_formatted) AppendEol();
        }
    }
    CXmlWriterContext* element = OpenContext(localName, namespaceURI);
    if (m_formatted) AppendTabs(element->GetDepth());
    out.Append(L'<');
    if (namespaceURI.empty() || namespaceURI == element->GetEffectiveDefaultNamespace()) {
        out.Append(localName);
    } else {
        const std::wstring* prefix = element->FindPrefix(namespaceURI);
        bool declare = !prefix;
        if (declare) prefix = &element->GeneratePrefix(namespaceURI);
        element->SetPrefix(*prefix);
        out.Append(*prefix);
        out.Append(L':');
        out.Append(localName);
        if (declare) {
            out.Append(L' ');
            AppendDeclaration(*prefix, namespaceURI);
        }
    }
    if (element->GetDepth() == 0) {
        if (!m_defaultNamespace.empty()) {
            out.Append(L" xmlns=\"", 8);
            AppendEscaped(m_defaultNamespace.data(), m_defaultNamespace.size(), true);
            out.Append(L'"');
        }
        for (const auto& entry : m_rootNamespaces) {
            if (entry.first == kXmlNamespace) continue;
            out.Append(L' ');
            AppendDeclaration(entry.second, entry.first);
        }
    }
    CheckFlush();
}

void CXmlTextWriter::WriteText(const std::wstring& text, ItemType type) {
    if (text.empty()) return;
    if (m_current && m_current->IsStartTagOpen()) {
        m_buffer->Append(L'>');
        m_current->SetStartTagOpen(false);
    }
    // Text that the reader kept as a CDATA section goes back unchanged.
    if (text.compare(0, kCDataLength, kCData) == 0)
        m_buffer->Append(text);
    else
        AppendEscaped(text.data(), text.size(), false);
    CheckFlush();
}

void CXmlTextWriter::EndElement() {
    CXmlWriterContext* element = m_current;
    if (!element) throw CNyException(L"There is no open element to end.");
    CStringBuffer& out = *m_buffer;
    if (element->IsStartTagOpen()) {
        out.Append(L"/>", 2);
    } else {
        if (m_formatted && element->GetChildCount() > 0) AppendTabs(element->GetDepth());
        out.Append(L"</", 2);
        // The prefix the start tag was written with, so the tags always match.
        if (!element->GetPrefix().empty()) {
            out.Append(element->GetPrefix());
            out.Append(L':');
        }
        out.Append(element->GetLocalName());
        out.Append(L'>');
    }
    if (m_formatted) AppendEol();
    CloseContext();
    CheckFlush();
}

void CXmlTextWriter::WriteAttribute(const std::wstring& localName, const std::wstring& namespaceURI,
                                    const std::wstring& value, ItemType type) {
    RequireOpenStartTag();
    CStringBuffer& out = *m_buffer;
    out.Append(L' ');
    if (!namespaceURI.empty()) {
        // The default namespace does not apply to attributes: always prefixed.
        const std::wstring* prefix = m_current->FindPrefix(namespaceURI);
        if (!prefix) {
            prefix = &m_current->GeneratePrefix(namespaceURI);
            AppendDeclaration(*prefix, namespaceURI);
            out.Append(L' ');
        }
        out.Append(*prefix);
        out.Append(L':');
    }
    out.Append(localName);
    out.Append(L"=\"", 2);
    AppendEscaped(value.data(), value.size(), true);
    out.Append(L'"');
    CheckFlush();
}

void CXmlTextWriter::WriteXsiType(const std::wstring& typeNamespaceURI, const std::wstring& typeName, ItemType type) {
    RequireOpenStartTag();
    static const std::wstring kType(L"type");
    if (typeNamespaceURI.empty() || typeNamespaceURI == m_current->GetEffectiveDefaultNamespace()) {
        WriteAttribute(kType, XsiNamespace(), typeName, type);
        return;
    }
    const std::wstring* prefix = m_current->FindPrefix(typeNamespaceURI);
    if (!prefix) {
        prefix = &m_current->GeneratePrefix(typeNamespaceURI);
        m_buffer->Append(L' ');
        AppendDeclaration(*prefix, typeNamespaceURI);
        m_buffer->Append(L' ');
    }
    std::wstring value;
    value.reserve(prefix->size() + 1 + typeName.size());
    value.append(*prefix).append(1, L':').append(typeName);
    WriteAttribute(kType, XsiNamespace(), value, type);
}

void CXmlTextWriter::WriteXsiNil() {
    RequireOpenStartTag();
    static const std::wstring kNil(L"nil");
    static const std::wstring kTrue(L"true");
    WriteAttribute(kNil, XsiNamespace(), kTrue, ItemType_boolean);
}

}  // namespace NyXmlLib9
