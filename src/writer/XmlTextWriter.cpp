// CXmlTextWriter: XML text into a CTextStream. Each tag is measured first and,
// when the current chunk of the buffer has room for it, stored there in one
// go; text is escaped straight into the chunk, four characters per step.
// Near the end of a chunk the same output is appended piece by piece.
#include <nyxml/writer.h>

#include <typeinfo>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace NyXmlLib9 {
namespace {

static_assert(sizeof(wchar_t) == 4, "the text writer handles wchar_t as 32-bit units");

// The characters that escaping changes all lie below 64: line feed, carriage
// return, '"', '&', '<' and '>'. One bit per character.
const uint64_t kSpecial = (uint64_t(1) << '\n') | (uint64_t(1) << '\r') | (uint64_t(1) << '"') |
                          (uint64_t(1) << '&') | (uint64_t(1) << '<') | (uint64_t(1) << '>');

inline bool IsSpecial(wchar_t c) {
    uint32_t u = static_cast<uint32_t>(c);
    return u < 64 && ((kSpecial >> u) & 1);
}

#if defined(__SSE2__)
// Bit 4k set when element k of the four at p is special. '<' and '>' differ
// only in bit 1, '"' and '&' only in bit 2, so four comparisons cover six.
inline int SpecialMask(__m128i v) {
    const __m128i notBit1 = _mm_set1_epi32(~2), notBit2 = _mm_set1_epi32(~4);
    const __m128i angle = _mm_set1_epi32('<'), quoteAmp = _mm_set1_epi32('"');
    const __m128i lineFeed = _mm_set1_epi32('\n'), carriageReturn = _mm_set1_epi32('\r');
    __m128i hit = _mm_or_si128(
        _mm_or_si128(_mm_cmpeq_epi32(_mm_and_si128(v, notBit1), angle),
                     _mm_cmpeq_epi32(_mm_and_si128(v, notBit2), quoteAmp)),
        _mm_or_si128(_mm_cmpeq_epi32(v, lineFeed), _mm_cmpeq_epi32(v, carriageReturn)));
    return _mm_movemask_epi8(hit);
}
#endif

// The first special character at or after p (or end).
inline const wchar_t* FindSpecial(const wchar_t* p, const wchar_t* end) {
#if defined(__SSE2__)
    while (end - p >= 4) {
        int mask = SpecialMask(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
        if (mask) return p + __builtin_ctz(static_cast<unsigned>(mask)) / 4;
        p += 4;
    }
#endif
    while (p < end && !IsSpecial(*p)) ++p;
    return p;
}

// Short copies (names, prefixes, line ends) are faster as a loop than as a call.
inline wchar_t* Put(wchar_t* out, const wchar_t* text, size_t length) {
    for (size_t i = 0; i < length; ++i) out[i] = text[i];
    return out + length;
}

inline wchar_t* Put(wchar_t* out, const std::wstring& text) { return Put(out, text.data(), text.size()); }

inline wchar_t* PutTabs(wchar_t* out, size_t count) {
    for (size_t i = 0; i < count; ++i) out[i] = L'\t';
    return out + count;
}

// Stores the replacement of a special character (at most six characters).
inline wchar_t* PutEscape(wchar_t* out, wchar_t c, bool attribute, const std::wstring& eol) {
    switch (c) {
    case L'\n':
        if (attribute) return Put(out, L"&#xA;", 5);
        return Put(out, eol);
    case L'\r':
        return out;
    case L'"':
        return Put(out, L"&quot;", 6);
    case L'&':
        return Put(out, L"&amp;", 5);
    case L'<':
        return Put(out, L"&lt;", 4);
    default:
        return Put(out, L"&gt;", 4);
    }
}

// Free characters kept in reserve while escaping into a chunk: a block of
// eight characters stopped after seven, then the longest replacement.
const size_t kEscapeSlack = 14;

const wchar_t kTabs[] = L"\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t\t";
const size_t kTabRun = sizeof kTabs / sizeof kTabs[0] - 1;
const wchar_t kCData[] = L"<![CDATA[";
const size_t kCDataLength = 9;

inline bool IsCData(const std::wstring& text) {
    if (text.size() < kCDataLength || text[0] != L'<') return false;
    for (size_t i = 1; i < kCDataLength; ++i) {
        if (text[i] != kCData[i]) return false;
    }
    return true;
}

const std::wstring& XsiNamespace() {
    static const std::wstring ns(CXmlWriter::kXsiNamespace);
    return ns;
}

}  // namespace

CXmlTextWriter::CXmlTextWriter(CTextStream* stream)
    : m_eol(L"\n"), m_eolType(EOL_LF), m_formatted(true), m_stream(stream), m_buffer(nullptr),
      m_flushDoesNothing(false) {
    if (!stream) throw CNyInvalidParamException(L"The text writer needs a stream");
    m_buffer = &stream->GetBuffer();
    m_flushDoesNothing = typeid(*stream) == typeid(CTextStream);
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

void CXmlTextWriter::AppendEol() { m_buffer->Append(m_eol.data(), m_eol.size()); }

void CXmlTextWriter::AppendTabs(int32_t count) {
    size_t left = count > 0 ? static_cast<size_t>(count) : 0;
    while (left > 0) {
        size_t n = left < kTabRun ? left : kTabRun;
        m_buffer->Append(kTabs, n);
        left -= n;
    }
}

void CXmlTextWriter::AppendEscape(wchar_t c, bool attribute) {
    switch (c) {
    case L'\n':
        if (attribute) {
            m_buffer->Append(L"&#xA;", 5);
        } else {
            if (m_eolType != EOL_CRLF && m_eolType != EOL_LF) throw CNyException(L"Invalid EOL type.");
            AppendEol();
        }
        break;
    case L'\r':
        break;
    case L'"':
        m_buffer->Append(L"&quot;", 6);
        break;
    case L'&':
        m_buffer->Append(L"&amp;", 5);
        break;
    case L'<':
        m_buffer->Append(L"&lt;", 4);
        break;
    default:
        m_buffer->Append(L"&gt;", 4);
        break;
    }
}

void CXmlTextWriter::AppendEscaped(const wchar_t* text, size_t length, bool attribute) {
    const wchar_t* p = text;
    const wchar_t* end = text + length;
    size_t room = m_buffer->GetRoom();
    if (room >= kEscapeSlack) {
        // Straight into the chunk while it has room for the next step.
        wchar_t* const start = m_buffer->GetCursor();
        wchar_t* out = start;
        wchar_t* const limit = start + (room - kEscapeSlack);
        while (p < end && out <= limit) {
#if defined(__SSE2__)
            if (end - p >= 8) {
                // Eight at a time while the text is long enough.
                __m128i v0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
                __m128i v1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 4));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out), v0);
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4), v1);
                unsigned mask = static_cast<unsigned>(SpecialMask(v0)) | static_cast<unsigned>(SpecialMask(v1)) << 16;
                if (!mask) {
                    p += 8;
                    out += 8;
                    continue;
                }
                size_t clean = static_cast<size_t>(__builtin_ctz(mask)) / 4;
                p += clean;
                out += clean;
            } else if (end - p >= 4) {
                __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(out), v);
                int mask = SpecialMask(v);
                if (!mask) {
                    p += 4;
                    out += 4;
                    continue;
                }
                size_t clean = static_cast<size_t>(__builtin_ctz(static_cast<unsigned>(mask))) / 4;
                p += clean;
                out += clean;
            } else if (!IsSpecial(*p)) {
                *out++ = *p++;
                continue;
            }
#else
            if (!IsSpecial(*p)) {
                *out++ = *p++;
                continue;
            }
#endif
            if (*p == L'\n' && !attribute && m_eolType != EOL_CRLF && m_eolType != EOL_LF) {
                m_buffer->Commit(static_cast<size_t>(out - start));
                throw CNyException(L"Invalid EOL type.");
            }
            out = PutEscape(out, *p, attribute, m_eol);
            ++p;
        }
        m_buffer->Commit(static_cast<size_t>(out - start));
    }
    if (p < end) AppendEscapedSlowly(p, end, attribute);
}

// Runs of plain characters appended in one copy each, across chunks.
void CXmlTextWriter::AppendEscapedSlowly(const wchar_t* p, const wchar_t* end, bool attribute) {
    while (p < end) {
        const wchar_t* run = p;
        p = FindSpecial(p, end);
        m_buffer->Append(run, static_cast<size_t>(p - run));
        if (p == end) break;
        AppendEscape(*p, attribute);
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

void CXmlTextWriter::AppendRootDeclarations() {
    if (!m_defaultNamespace.empty()) {
        m_buffer->Append(L" xmlns=\"", 8);
        AppendEscaped(m_defaultNamespace.data(), m_defaultNamespace.size(), true);
        m_buffer->Append(L'"');
    }
    for (const auto& entry : m_rootNamespaces) {
        if (entry.first == kXmlNamespace) continue;
        m_buffer->Append(L' ');
        AppendDeclaration(entry.second, entry.first);
    }
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
    CXmlWriterContext* parent = m_current;
    bool closeParent = parent && parent->IsStartTagOpen();
    CXmlWriterContext* element = OpenContext(localName, namespaceURI);
    if (parent) {
        parent->IncrementChildCount();
        parent->SetStartTagOpen(false);
    }
    const std::wstring* prefix = nullptr;
    bool declare = false;
    if (!namespaceURI.empty() && namespaceURI != element->GetEffectiveDefaultNamespace()) {
        prefix = element->FindPrefix(namespaceURI);
        if (!prefix) {
            prefix = &element->GeneratePrefix(namespaceURI);
            declare = true;
        }
        element->SetPrefix(prefix->data(), prefix->size());
    }
    // '>' and the line end that close the parent's start tag, the indentation,
    // '<' and the name.
    size_t lineEnd = closeParent && m_formatted ? m_eol.size() : 0;
    size_t tabs = m_formatted ? static_cast<size_t>(element->GetDepth()) : 0;
    size_t prefixLength = prefix ? prefix->size() + 1 : 0;
    size_t length = (closeParent ? 1 : 0) + lineEnd + tabs + 1 + prefixLength + localName.size();
    if (length <= m_buffer->GetRoom()) {
        wchar_t* const start = m_buffer->GetCursor();
        wchar_t* out = start;
        if (closeParent) *out++ = L'>';
        out = Put(out, m_eol.data(), lineEnd);
        out = PutTabs(out, tabs);
        *out++ = L'<';
        if (prefix) {
            out = Put(out, *prefix);
            *out++ = L':';
        }
        out = Put(out, localName);
        m_buffer->Commit(static_cast<size_t>(out - start));
    } else {
        if (closeParent) m_buffer->Append(L'>');
        m_buffer->Append(m_eol.data(), lineEnd);
        AppendTabs(static_cast<int32_t>(tabs));
        m_buffer->Append(L'<');
        if (prefix) {
            m_buffer->Append(*prefix);
            m_buffer->Append(L':');
        }
        m_buffer->Append(localName);
    }
    if (declare) {
        m_buffer->Append(L' ');
        AppendDeclaration(*prefix, namespaceURI);
    }
    if (element->GetDepth() == 0) AppendRootDeclarations();
    CheckFlush();
}

void CXmlTextWriter::WriteText(const std::wstring& text, ItemType type) {
    if (text.empty()) return;
    if (m_current && m_current->IsStartTagOpen()) {
        m_buffer->Append(L'>');
        m_current->SetStartTagOpen(false);
    }
    // Text that the reader kept as a CDATA section goes back unchanged.
    if (IsCData(text))
        m_buffer->Append(text);
    else
        AppendEscaped(text.data(), text.size(), false);
    CheckFlush();
}

void CXmlTextWriter::EndElement() {
    CXmlWriterContext* element = m_current;
    if (!element) throw CNyException(L"There is no open element to end.");
    size_t lineEnd = m_formatted ? m_eol.size() : 0;
    if (element->IsStartTagOpen()) {
        if (2 + lineEnd <= m_buffer->GetRoom()) {
            wchar_t* out = m_buffer->GetCursor();
            out[0] = L'/';
            out[1] = L'>';
            Put(out + 2, m_eol.data(), lineEnd);
            m_buffer->Commit(2 + lineEnd);
        } else {
            m_buffer->Append(L"/>", 2);
            m_buffer->Append(m_eol.data(), lineEnd);
        }
    } else {
        // The prefix the start tag was written with, so the tags always match.
        const wchar_t* prefix = element->GetPrefixData();
        const wchar_t* localName = element->GetLocalNameData();
        size_t localLength = element->GetLocalNameLength();
        size_t tabs = m_formatted && element->GetChildCount() > 0 ? static_cast<size_t>(element->GetDepth()) : 0;
        size_t prefixLength = element->GetPrefixLength();
        size_t length = tabs + 2 + (prefixLength ? prefixLength + 1 : 0) + localLength + 1 + lineEnd;
        if (length <= m_buffer->GetRoom()) {
            wchar_t* const start = m_buffer->GetCursor();
            wchar_t* out = PutTabs(start, tabs);
            out[0] = L'<';
            out[1] = L'/';
            out += 2;
            if (prefixLength) {
                out = Put(out, prefix, prefixLength);
                *out++ = L':';
            }
            out = Put(out, localName, localLength);
            *out++ = L'>';
            out = Put(out, m_eol.data(), lineEnd);
            m_buffer->Commit(static_cast<size_t>(out - start));
        } else {
            AppendTabs(static_cast<int32_t>(tabs));
            m_buffer->Append(L"</", 2);
            if (prefixLength) {
                m_buffer->Append(prefix, prefixLength);
                m_buffer->Append(L':');
            }
            m_buffer->Append(localName, localLength);
            m_buffer->Append(L'>');
            m_buffer->Append(m_eol.data(), lineEnd);
        }
    }
    CloseContext();
    CheckFlush();
}

void CXmlTextWriter::WriteAttribute(const std::wstring& localName, const std::wstring& namespaceURI,
                                    const std::wstring& value, ItemType type) {
    RequireOpenStartTag();
    const std::wstring* prefix = nullptr;
    if (!namespaceURI.empty()) {
        // The default namespace does not apply to attributes: always prefixed.
        prefix = m_current->FindPrefix(namespaceURI);
        if (!prefix) {
            prefix = &m_current->GeneratePrefix(namespaceURI);
            // The declaration comes first.
            m_buffer->Append(L' ');
            AppendDeclaration(*prefix, namespaceURI);
        }
    }
    // ' ', the prefix and ':', the name and '="'.
    size_t prefixLength = prefix ? prefix->size() + 1 : 0;
    size_t length = 1 + prefixLength + localName.size() + 2;
    if (length <= m_buffer->GetRoom()) {
        wchar_t* const start = m_buffer->GetCursor();
        wchar_t* out = start;
        *out++ = L' ';
        if (prefix) {
            out = Put(out, *prefix);
            *out++ = L':';
        }
        out = Put(out, localName);
        out[0] = L'=';
        out[1] = L'"';
        m_buffer->Commit(static_cast<size_t>(out + 2 - start));
    } else {
        m_buffer->Append(L' ');
        if (prefix) {
            m_buffer->Append(*prefix);
            m_buffer->Append(L':');
        }
        m_buffer->Append(localName);
        m_buffer->Append(L"=\"", 2);
    }
    AppendEscaped(value.data(), value.size(), true);
    m_buffer->Append(L'"');
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
