// CXmlTextWriter: XML text into a CTextStream. Each tag is measured first and,
// when the current chunk of the buffer has room for it, stored there in one
// go; text is escaped straight into the chunk, four characters per step.
// Near the end of a chunk the same output is appended piece by piece.
// Into a CByteTextStream in UTF-8 or UTF-16 each call stores its bytes in the
// stream's block instead (ByteCalls below), escaping and encoding in one pass.
#include <nyxml/streams.h>
#include <nyxml/writer.h>

#include "writer/ByteOutput.h"

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

// Out of line: the check itself is in line in every caller.
[[noreturn]] [[gnu::noinline]] void ThrowAttributesAfterContent() {
    throw CNyException(L"Attributes must be added before elements");
}

}  // namespace

inline void CXmlTextWriter::RequireOpenStartTag() const {
    if (!m_current || !m_current->IsStartTagOpen()) ThrowAttributesAfterContent();
}


inline CXmlTextWriter::StartedElement CXmlTextWriter::OpenElement(const std::wstring& localName,
                                                         const std::wstring& namespaceURI) {
    CXmlWriterContext* parent = m_current;
    StartedElement started{nullptr, nullptr, parent && parent->IsStartTagOpen(), false};
    // The URI of a prefixed name is not copied: the context refers to the
    // map entry that gives the prefix.
    CXmlWriterContext* element = started.element = OpenContext(localName, namespaceURI, false);
    if (parent) {
        parent->IncrementChildCount();
        parent->SetStartTagOpen(false);
    }
    if (namespaceURI.empty()) return started;
    if (CXmlWriterContext::SameText(namespaceURI, element->GetEffectiveDefaultNamespace())) {
        element->CopyNamespace(namespaceURI);
        return started;
    }
    const NamespaceMap::value_type* entry = element->FindEntry(namespaceURI);
    if (!entry) {
        entry = &element->GenerateEntry(namespaceURI);
        started.declare = true;
    }
    element->UseEntry(*entry);
    started.prefix = &entry->second;
    return started;
}

inline const std::wstring* CXmlTextWriter::AttributePrefix(const std::wstring& namespaceURI, bool& declare) {
    declare = false;
    if (namespaceURI.empty()) return nullptr;
    // The default namespace does not apply to attributes: always prefixed.
    const std::wstring* prefix = m_current->FindPrefix(namespaceURI);
    if (prefix) return prefix;
    declare = true;
    return &m_current->GeneratePrefix(namespaceURI);
}

// The writer calls that store bytes directly, for the form F (UTF-8 or
// UTF-16) of ByteOutput. The context work is shared with the character
// output; only the storing differs.
struct __attribute__((visibility("hidden"))) CXmlTextWriter::ByteCalls {
    typedef ByteOutput::Cursor Cursor;
    typedef ByteOutput::Utf8 Utf8;
    typedef ByteOutput::Utf16 Utf16;

    // How the stream takes this call's output: 0 through its character
    // buffer, 1 UTF-8, 2 UTF-16 directly. `text` is the user's text that the
    // call's output starts with, if any: its first element may complete a
    // high surrogate waiting from the previous call, and is then encoded here
    // and counted in `taken`.
    static int Form(CByteTextStream* s, const wchar_t* text = nullptr, size_t length = 0, size_t* taken = nullptr) {
        uint32_t encoding = static_cast<uint32_t>(s->m_encoding);
        if (encoding - 1u > 2u) return 0;  // UTF-8 (1) or UTF-16 (2, 3) only
        int form = encoding == XmlEncoding_UTF8 ? 1 : 2;
        // One test for everything that is not the plain case.
        if ((s->m_buffer.GetTotal() | s->m_pendingHigh | static_cast<uint32_t>(s->m_ended) |
             static_cast<uint32_t>(s->m_handedOver)) != 0)
            return Settle(s, form, text, length, taken);
        return form;
    }

    // After the end, pieces are appended to the bytes handed over, through
    // the buffer. Text appended to the buffer by other code goes out first.
    // A high surrogate still waiting is completed by the call's text or is
    // unpaired. Once the output has ended, calls go through the buffer, whose
    // pieces the stream drops.
    [[gnu::noinline]] static int Settle(CByteTextStream* s, int form, const wchar_t* text, size_t length,
                                        size_t* taken) {
        if (s->m_handedOver) return 0;
        if (s->m_buffer.GetTotal() != 0) s->CByteTextStream::Flush();
        if (s->m_pendingHigh && form == 1 && !s->m_ended && length > 0 &&
            static_cast<uint32_t>(text[0]) - 0xDC00u < 0x400u) {
            CompleteHigh(s, static_cast<uint32_t>(text[0]));
            *taken = 1;
        }
        if (s->m_pendingHigh) {
            s->m_pendingHigh = 0;
            if (form == 1) s->m_ended = true;
        }
        return s->m_ended ? 0 : form;
    }

    static void CompleteHigh(CByteTextStream* s, uint32_t low) {
        Cursor c(s);
        unsigned char* out = c.Room(4);
        uint32_t u = 0x10000 + ((s->m_pendingHigh - 0xD800) << 10) + (low - 0xDC00);
        out[0] = static_cast<unsigned char>(0xF0 | u >> 18);
        out[1] = static_cast<unsigned char>(0x80 | ((u >> 12) & 0x3F));
        out[2] = static_cast<unsigned char>(0x80 | ((u >> 6) & 0x3F));
        out[3] = static_cast<unsigned char>(0x80 | (u & 0x3F));
        s->m_pendingHigh = 0;
        c.Advance(out + 4);
        c.Commit();
    }

    template <class F>
    static unsigned char* PutEol(const CXmlTextWriter& w, unsigned char* out) {
        return w.m_eolType == EOL_CRLF ? F::Put(out, "\r\n", 2) : F::Put(out, '\n');
    }

    // xmlns:prefix="uri"
    template <class F>
    static void Declare(CXmlTextWriter& w, Cursor& c, const std::wstring& prefix, const std::wstring& namespaceURI) {
        unsigned char* out = c.Room(8 * F::kAscii + prefix.size() * F::kElement);
        out = F::Put(out, "xmlns:", 6);
        out = F::Plain(c, out, prefix.data(), prefix.size());
        c.Advance(F::Put(out, "=\"", 2));
        ByteOutput::PutEscaped<F>(c, namespaceURI.data(), namespaceURI.size(), true, w.m_eolType);
        ByteOutput::Put<F>(c, '"');
    }

    template <class F>
    static void RootDeclarations(CXmlTextWriter& w, Cursor& c) {
        if (!w.m_defaultNamespace.empty()) {
            ByteOutput::Put<F>(c, " xmlns=\"", 8);
            ByteOutput::PutEscaped<F>(c, w.m_defaultNamespace.data(), w.m_defaultNamespace.size(), true,
                                      w.m_eolType);
            ByteOutput::Put<F>(c, '"');
        }
        for (const auto& entry : w.m_rootNamespaces) {
            if (entry.first == kXmlNamespace) continue;
            ByteOutput::Put<F>(c, ' ');
            Declare<F>(w, c, entry.second, entry.first);
        }
    }

    template <class F>
    static void Declaration(CXmlTextWriter& w) {
        Cursor c(w.m_byteStream);
        ByteOutput::Put<F>(c, "<?xml version=\"1.0\"", 19);
        XmlEncoding encoding = w.m_stream->GetEncoding();
        if (encoding == XmlEncoding_UTF8)
            ByteOutput::Put<F>(c, " encoding=\"UTF-8\"", 17);
        else if (encoding == XmlEncoding_UTF16)
            ByteOutput::Put<F>(c, " encoding=\"UTF-16\"", 18);
        c.Advance(PutEol<F>(w, F::Put(c.Room(4 * F::kAscii), "?>", 2)));
        c.Commit();
    }

    template <class F>
    static void Comment(CXmlTextWriter& w, const std::wstring& text) {
        Cursor c(w.m_byteStream);
        ByteOutput::Put<F>(c, "<!--", 4);
        ByteOutput::PutEscaped<F>(c, text.data(), text.size(), false, w.m_eolType);
        c.Advance(PutEol<F>(w, F::Put(c.Room(5 * F::kAscii), "-->", 3)));
        c.Commit();
    }

    template <class F>
    static void ProcessingInstruction(CXmlTextWriter& w, const wchar_t* text, size_t length) {
        Cursor c(w.m_byteStream);
        ByteOutput::PutPlain<F>(c, text, length);
        c.Advance(PutEol<F>(w, PutEol<F>(w, c.Room(4 * F::kAscii))));
        c.Commit();
    }

    template <class F>
    static void InLineSchema(CXmlTextWriter& w, const std::wstring& text) {
        Cursor c(w.m_byteStream);
        c.Advance(PutEol<F>(w, F::Put(c.Room(3 * F::kAscii), ' ')));
        ByteOutput::PutPlain<F>(c, text.data(), text.size());
        c.Advance(PutEol<F>(w, c.Room(2 * F::kAscii)));
        c.Commit();
    }

    template <class F>
    static void StartElement(CXmlTextWriter& w, const StartedElement& started, const std::wstring& localName,
                             const std::wstring& namespaceURI) {
        Cursor c(w.m_byteStream);
        CXmlWriterContext* element = started.element;
        // '>' and the line end that close the parent's start tag, the
        // indentation, '<' and the name, in one piece of room.
        size_t lineEnd = started.closeParent && w.m_formatted ? w.m_eol.size() : 0;
        size_t tabs = w.m_formatted ? static_cast<size_t>(element->GetDepth()) : 0;
        size_t prefixLength = started.prefix ? started.prefix->size() : 0;
        unsigned char* out =
            c.Room((3 + lineEnd + tabs) * F::kAscii + (prefixLength + localName.size()) * F::kElement);
        if (started.closeParent) {
            out = F::Put(out, '>');
            if (lineEnd) out = PutEol<F>(w, out);
        }
        out = F::Put(F::Tabs(out, tabs), '<');
        unsigned char* name = out;
        if (started.prefix) out = F::Put(F::Plain(c, out, started.prefix->data(), prefixLength), ':');
        out = F::Plain(c, out, localName.data(), localName.size());
        if (F::kAscii == 1) KeepEndTag(c, element, name, out, prefixLength + (started.prefix ? 1 : 0) + localName.size());
        c.Advance(out);
        if (started.declare) {
            ByteOutput::Put<F>(c, ' ');
            Declare<F>(w, c, *started.prefix, namespaceURI);
        }
        if (element->GetDepth() == 0) RootDeclarations<F>(w, c);
        c.Commit();
    }

    template <class F>
    static void Text(CXmlTextWriter& w, const wchar_t* text, size_t length, bool closeStartTag, bool cdata) {
        Cursor c(w.m_byteStream);
        if (!cdata && length <= ByteOutput::kSlice) {
            // The common case in one piece of room.
            unsigned char* out = c.Room(F::kAscii + length * F::kEscaped);
            if (closeStartTag) out = F::Put(out, '>');
            c.Advance(F::Escaped(c, out, text, length, false, w.m_eolType));
            c.Commit();
            return;
        }
        if (closeStartTag) ByteOutput::Put<F>(c, '>');
        // Text that the reader kept as a CDATA section goes back unchanged.
        if (cdata)
            ByteOutput::PutPlain<F>(c, text, length);
        else
            ByteOutput::PutEscaped<F>(c, text, length, false, w.m_eolType);
        c.Commit();
    }

    // UTF-8 only: the bytes of the start tag's name [name, end), when they are
    // one per character (ASCII) and few, kept for the end tag.
    static void KeepEndTag(Cursor& c, CXmlWriterContext* element, const unsigned char* name, const unsigned char* end,
                           size_t characters) {
        size_t length = static_cast<size_t>(end - name);
        if (length != characters || length > CXmlWriterContext::kEndTagRoom) return;
        if (c.Readable(name, CXmlWriterContext::kEndTagRoom))
            std::memcpy(element->m_endTag, name, CXmlWriterContext::kEndTagRoom);
        else
            std::memcpy(element->m_endTag, name, length);
        element->m_endTagLength = static_cast<uint32_t>(length);
    }

    template <class F>
    static void EndElement(CXmlTextWriter& w, const CXmlWriterContext* element) {
        Cursor c(w.m_byteStream);
        size_t lineEnd = w.m_formatted ? w.m_eol.size() : 0;
        unsigned char* out;
        if (element->IsStartTagOpen()) {
            out = F::Put(c.Room((2 + lineEnd) * F::kAscii), "/>", 2);
        } else if (F::kAscii == 1 && element->m_endTagLength) {
            // The name as the start tag wrote it, copied whole into the room.
            size_t tabs = w.m_formatted && element->GetChildCount() > 0 ? static_cast<size_t>(element->GetDepth()) : 0;
            out = c.Room(tabs + 3 + lineEnd + CXmlWriterContext::kEndTagRoom);
            out = F::Put(F::Tabs(out, tabs), "</", 2);
            std::memcpy(out, element->m_endTag, CXmlWriterContext::kEndTagRoom);
            out = F::Put(out + element->m_endTagLength, '>');
        } else {
            // The prefix the start tag was written with, so the tags always match.
            size_t prefixLength = element->GetPrefixLength(), localLength = element->GetLocalNameLength();
            size_t tabs = w.m_formatted && element->GetChildCount() > 0 ? static_cast<size_t>(element->GetDepth()) : 0;
            out = c.Room((tabs + 4 + lineEnd) * F::kAscii + (prefixLength + localLength) * F::kElement);
            out = F::Put(F::Tabs(out, tabs), "</", 2);
            if (prefixLength) out = F::Put(F::Plain(c, out, element->GetPrefixData(), prefixLength), ':');
            out = F::Put(F::Plain(c, out, element->GetLocalNameData(), localLength), '>');
        }
        if (lineEnd) out = PutEol<F>(w, out);
        c.Advance(out);
        c.Commit();
    }

    template <class F>
    static void Attribute(CXmlTextWriter& w, const std::wstring* prefix, bool declare, const std::wstring& localName,
                          const std::wstring& namespaceURI, const std::wstring& value) {
        Cursor c(w.m_byteStream);
        if (declare) {
            // The declaration comes first.
            ByteOutput::Put<F>(c, ' ');
            Declare<F>(w, c, *prefix, namespaceURI);
        }
        // ' ', the prefix and ':', the name, '="', the value and '"'; a value
        // of up to a slice in the same piece of room.
        size_t prefixLength = prefix ? prefix->size() : 0;
        bool whole = value.size() <= ByteOutput::kSlice;
        unsigned char* out = c.Room(6 * F::kAscii + (prefixLength + localName.size()) * F::kElement +
                                    (whole ? value.size() * F::kEscaped : 0));
        out = F::Put(out, ' ');
        if (prefix) out = F::Put(F::Plain(c, out, prefix->data(), prefixLength), ':');
        out = F::Put(F::Plain(c, out, localName.data(), localName.size()), "=\"", 2);
        if (whole) {
            c.Advance(F::Put(F::Escaped(c, out, value.data(), value.size(), true, w.m_eolType), '"'));
        } else {
            c.Advance(out);
            ByteOutput::PutEscaped<F>(c, value.data(), value.size(), true, w.m_eolType);
            ByteOutput::Put<F>(c, '"');
        }
        c.Commit();
    }

    // ' xmlns:prefix="uri" ' before the xsi:type attribute that uses the prefix.
    template <class F>
    static void XsiTypeDeclaration(CXmlTextWriter& w, const std::wstring& prefix, const std::wstring& namespaceURI) {
        Cursor c(w.m_byteStream);
        ByteOutput::Put<F>(c, ' ');
        Declare<F>(w, c, prefix, namespaceURI);
        ByteOutput::Put<F>(c, ' ');
        c.Commit();
    }
};

CXmlTextWriter::CXmlTextWriter(CTextStream* stream)
    : m_eol(L"\n"), m_eolType(EOL_LF), m_formatted(true), m_stream(stream), m_buffer(nullptr),
      m_flushDoesNothing(false), m_byteStream(nullptr) {
    if (!stream) throw CNyInvalidParamException(L"The text writer needs a stream");
    m_buffer = &stream->GetBuffer();
    m_flushDoesNothing = typeid(*stream) == typeid(CTextStream);
    // A class derived from it may do more in Flush: it gets the characters.
    if (typeid(*stream) == typeid(CByteTextStream)) m_byteStream = static_cast<CByteTextStream*>(stream);
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


void CXmlTextWriter::StartDocument() { m_stream->Begin(); }

void CXmlTextWriter::EndDocument() {
    m_stream->End();
    CXmlWriter::EndDocument();
}

void CXmlTextWriter::WriteXmlDeclaration() {
    if (m_byteStream) {
        if (int form = ByteCalls::Form(m_byteStream)) {
            form == 1 ? ByteCalls::Declaration<ByteCalls::Utf8>(*this) : ByteCalls::Declaration<ByteCalls::Utf16>(*this);
            return;
        }
    }
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
    if (m_byteStream) {
        if (int form = ByteCalls::Form(m_byteStream)) {
            form == 1 ? ByteCalls::Comment<ByteCalls::Utf8>(*this, text)
                      : ByteCalls::Comment<ByteCalls::Utf16>(*this, text);
            return;
        }
    }
    m_buffer->Append(L"<!--", 4);
    AppendEscaped(text.data(), text.size(), false);
    m_buffer->Append(L"-->", 3);
    AppendEol();
    CheckFlush();
}

void CXmlTextWriter::WriteProcessingInstruction(const std::wstring& text) {
    if (m_byteStream) {
        size_t taken = 0;
        if (int form = ByteCalls::Form(m_byteStream, text.data(), text.size(), &taken)) {
            form == 1 ? ByteCalls::ProcessingInstruction<ByteCalls::Utf8>(*this, text.data() + taken, text.size() - taken)
                      : ByteCalls::ProcessingInstruction<ByteCalls::Utf16>(*this, text.data() + taken,
                                                                            text.size() - taken);
            return;
        }
    }
    m_buffer->Append(text);
    AppendEol();
    AppendEol();
    CheckFlush();
}

void CXmlTextWriter::WriteInLineSchema(const std::wstring& text) {
    if (m_byteStream) {
        if (int form = ByteCalls::Form(m_byteStream)) {
            form == 1 ? ByteCalls::InLineSchema<ByteCalls::Utf8>(*this, text)
                      : ByteCalls::InLineSchema<ByteCalls::Utf16>(*this, text);
            return;
        }
    }
    m_buffer->Append(L' ');
    AppendEol();
    m_buffer->Append(text);
    AppendEol();
    CheckFlush();
}

void CXmlTextWriter::StartElement(const std::wstring& localName, const std::wstring& namespaceURI) {
    if (m_byteStream) {
        if (int form = ByteCalls::Form(m_byteStream)) {
            StartedElement started = OpenElement(localName, namespaceURI);
            form == 1 ? ByteCalls::StartElement<ByteCalls::Utf8>(*this, started, localName, namespaceURI)
                      : ByteCalls::StartElement<ByteCalls::Utf16>(*this, started, localName, namespaceURI);
            return;
        }
    }
    StartedElement started = OpenElement(localName, namespaceURI);
    CXmlWriterContext* element = started.element;
    const std::wstring* prefix = started.prefix;
    bool closeParent = started.closeParent, declare = started.declare;
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

void CXmlTextWriter::WriteText(const std::wstring& text, ItemType /*type*/) {
    if (text.empty()) return;
    bool closeStartTag = m_current && m_current->IsStartTagOpen();
    if (m_byteStream) {
        // After '>' a waiting high surrogate cannot be completed.
        size_t taken = 0;
        if (int form = ByteCalls::Form(m_byteStream, text.data(), closeStartTag ? 0 : text.size(), &taken)) {
            if (closeStartTag) m_current->SetStartTagOpen(false);
            bool cdata = IsCData(text);
            const wchar_t* rest = text.data() + taken;
            size_t length = text.size() - taken;
            form == 1 ? ByteCalls::Text<ByteCalls::Utf8>(*this, rest, length, closeStartTag, cdata)
                      : ByteCalls::Text<ByteCalls::Utf16>(*this, rest, length, closeStartTag, cdata);
            return;
        }
    }
    if (closeStartTag) {
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
    if (m_byteStream) {
        if (int form = ByteCalls::Form(m_byteStream)) {
            form == 1 ? ByteCalls::EndElement<ByteCalls::Utf8>(*this, element)
                      : ByteCalls::EndElement<ByteCalls::Utf16>(*this, element);
            CloseContext();
            return;
        }
    }
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
                                    const std::wstring& value, ItemType /*type*/) {
    RequireOpenStartTag();
    bool declare;
    if (m_byteStream) {
        if (int form = ByteCalls::Form(m_byteStream)) {
            const std::wstring* prefix = AttributePrefix(namespaceURI, declare);
            form == 1 ? ByteCalls::Attribute<ByteCalls::Utf8>(*this, prefix, declare, localName, namespaceURI, value)
                      : ByteCalls::Attribute<ByteCalls::Utf16>(*this, prefix, declare, localName, namespaceURI, value);
            return;
        }
    }
    const std::wstring* prefix = AttributePrefix(namespaceURI, declare);
    if (declare) {
        // The declaration comes first.
        m_buffer->Append(L' ');
        AppendDeclaration(*prefix, namespaceURI);
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
        int form = m_byteStream ? ByteCalls::Form(m_byteStream) : 0;
        if (form == 1) {
            ByteCalls::XsiTypeDeclaration<ByteCalls::Utf8>(*this, *prefix, typeNamespaceURI);
        } else if (form == 2) {
            ByteCalls::XsiTypeDeclaration<ByteCalls::Utf16>(*this, *prefix, typeNamespaceURI);
        } else {
            m_buffer->Append(L' ');
            AppendDeclaration(*prefix, typeNamespaceURI);
            m_buffer->Append(L' ');
        }
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
