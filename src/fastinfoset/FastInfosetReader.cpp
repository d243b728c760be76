#include "fastinfoset/FastInfosetReader.h"

#include <nyxml/fastinfoset.h>
#include <nyxml/foundation.h>

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <new>

#include "document/ElementArena.h"
#include "document/NamePool.h"
#include "fastinfoset/FastInfosetUtf.h"

namespace NyXmlLib9 {

namespace {
const uint32_t kMaxTable = 1u << 20;
const unsigned char kIdentification[4] = {0xE0, 0x00, 0x00, 0x01};

// Length of the declaration (or 0) when the bytes are Fast Infoset; -1 if not.
long long Recognise(const unsigned char* bytes, uint32_t length) {
    if (length >= 4 && std::memcmp(bytes, kIdentification, 4) == 0) return 0;
    for (int d = 1; d <= 9; ++d) {
        const char* text = CFastInfosetWriter::DeclarationText(static_cast<FInfoDecl>(d));
        size_t n = std::strlen(text);
        if (length >= n + 4 && std::memcmp(bytes, text, n) == 0 && std::memcmp(bytes + n, kIdentification, 4) == 0)
            return static_cast<long long>(n);
    }
    return -1;
}
}  // namespace

bool IsFastInfosetDocument(const unsigned char* bytes, uint32_t length) {
    return bytes && Recognise(bytes, length) >= 0;
}

bool ReadFastInfosetDocument(CXmlDocument* document, const unsigned char* bytes, uint32_t length,
                             const CFastInfosetContext& options) {
    if (!IsFastInfosetDocument(bytes, length)) return false;
    CFastInfosetReader reader(options, document);
    reader.SetInput(bytes, length);
    reader.IsFastInfoset();
    reader.ReadOptionalComponents();
    reader.ReadDocumentChildren();
    return true;
}

CFastInfosetReader::CFastInfosetReader(const CFastInfosetContext& options, CXmlDocument* document)
    : CInstanceMonitor("CFastInfosetReader"),
      m_document(document),
      m_begin(nullptr),
      m_p(nullptr),
      m_end(nullptr),
      m_literal{nullptr, nullptr, nullptr, nullptr},
      m_depth(0),
      m_documentEnded(false) {
    CFIVocabulary initial;
    const CFIVocabulary& v = options.GetUseGeneratedVocabulary() ? *options.GetVocabulary() : initial;
    auto fill = [this](Table<const Name*>& table, const CFIVocabulary::CFIStringTable& source) {
        for (const std::wstring& s : source) {
            std::string utf8 = FastInfosetUtf::ToUtf8(s);
            AddName(table, reinterpret_cast<const unsigned char*>(utf8.data()), utf8.size());
        }
    };
    fill(m_prefixes, v.GetPrefixNamesTable());
    fill(m_namespaceNames, v.GetNamespaceNamesTable());
    fill(m_localNames, v.GetLocalNamesTable());
    auto names = [this](Table<QName>& table, const CFIVocabulary::CFIQNameTable& source) {
        for (const CFIVocabulary::CQNameParts& q : source) {
            const Name* ns = nullptr;
            const Name* local = nullptr;
            if (q.NamespaceNameIndex && q.NamespaceNameIndex <= m_namespaceNames.size())
                ns = m_namespaceNames[q.NamespaceNameIndex - 1];
            if (q.LocalNameIndex && q.LocalNameIndex <= m_localNames.size())
                local = m_localNames[q.LocalNameIndex - 1];
            if (!local) {
                m_names.push_back(Name{std::wstring(), &CNamePool::Empty()});
                local = &m_names.back();
            }
            table.push_back(MakeQName(ns, local));
        }
    };
    names(m_elementNames, v.GetElementNamesTable());
    names(m_attributeNames, v.GetAttributeNamesTable());
    for (const std::wstring& s : v.GetAttributeValuesTable()) m_attributeValues.Add(s.data(), s.size());
    for (const std::wstring& s : v.GetCharacterChunksTable()) {
        std::wstring text;
        for (wchar_t c : s)
            if (c != L'\r') text += c;
        m_characterChunks.Add(text.data(), text.size());
    }
    m_alphabets = v.GetRestrictedAlphabets();
}

CFastInfosetReader::~CFastInfosetReader() = default;

void CFastInfosetReader::ValueTable::NewBlock(size_t bytes) {
    const size_t kFirst = size_t(16) << 10, kLargest = size_t(32) << 20;
    size_t size = m_blocks.empty() ? kFirst : std::min(size_t(m_blocks.back().capacity) * 2, kLargest);
    if (size < bytes) size = bytes;
    m_blocks.reserve(m_blocks.size() + 1);
    Platform::ByteBlock block = CElementArena::TakeBlock(size);
    m_blocks.push_back(block);
    m_cursor = block.bytes;
    m_left = block.capacity;
}

void CFastInfosetReader::ValueTable::clear() {
    for (Platform::ByteBlock& block : m_blocks) CElementArena::GiveBackBlock(block);
    Table<Platform::ByteBlock>().swap(m_blocks);
    Table<Span*>().swap(m_spanBlocks);
    m_cursor = nullptr;
    m_left = 0;
    m_count = 0;
}

void CFastInfosetReader::SetInput(const unsigned char* bytes, uint32_t length) {
    m_begin = m_p = bytes;
    m_end = bytes + length;
}

bool CFastInfosetReader::IsFastInfoset() {
    long long declaration = Recognise(m_p, static_cast<uint32_t>(m_end - m_p));
    if (declaration < 0) return false;
    m_p += declaration + 4;
    return true;
}

void CFastInfosetReader::EndOfFile() {
    // The tables go first: they may be large.
    m_names.clear();
    m_attributeValues.clear();
    m_characterChunks.clear();
    throw CNyException(L"Failed to parse FastInfoset. Unexpected End of File.");
}

void CFastInfosetReader::Fail(const wchar_t* what) { throw CNyException(what); }

uint32_t CFastInfosetReader::Next32() {
    const unsigned char* q = Take(4);
    return (static_cast<uint32_t>(q[0]) << 24) | (static_cast<uint32_t>(q[1]) << 16) |
           (static_cast<uint32_t>(q[2]) << 8) | q[3];
}

// ---- integers and lengths ----

uint32_t CFastInfosetReader::Index2(unsigned char o) {
    if (!(o & 0x40)) return (o & 0x3Fu) + 1;
    if ((o & 0x60) == 0x40) return (((o & 0x1Fu) << 8) | Next()) + 65;
    if ((o & 0x70) == 0x60) {
        uint32_t v = (o & 0x0Fu) << 16;
        v |= static_cast<uint32_t>(Next()) << 8;
        v |= Next();
        return v + 8257;
    }
    Fail(L"Failed to parse FastInfoset. Invalid Encoding of integers 1 To 2^20 type  on the second bit of an octet.");
}

uint32_t CFastInfosetReader::Index3(unsigned char o) {
    if (!(o & 0x20)) return (o & 0x1Fu) + 1;
    switch (o & 0x38) {
        case 0x20:
            return (((o & 0x07u) << 8) | Next()) + 33;
        case 0x28: {
            uint32_t v = (o & 0x07u) << 16;
            v |= static_cast<uint32_t>(Next()) << 8;
            v |= Next();
            return v + 2081;
        }
        case 0x30: {
            uint32_t v = (Next() & 0x0Fu) << 16;
            v |= static_cast<uint32_t>(Next()) << 8;
            v |= Next();
            return v + 526369;
        }
        default:
            Fail(L"Failed to parse FastInfoset. Invalid Encoding of integers 1 To 2^20 type  on the third bit of an "
                 L"octet.");
    }
}

uint32_t CFastInfosetReader::Index4(unsigned char o) {
    if (!(o & 0x10)) return (o & 0x0Fu) + 1;
    switch (o & 0x1C) {
        case 0x10:
            return (((o & 0x03u) << 8) | Next()) + 17;
        case 0x14: {
            uint32_t v = (o & 0x03u) << 16;
            v |= static_cast<uint32_t>(Next()) << 8;
            v |= Next();
            return v + 1041;
        }
        case 0x18: {
            uint32_t v = (Next() & 0x0Fu) << 16;
            v |= static_cast<uint32_t>(Next()) << 8;
            v |= Next();
            return v + 263185;
        }
        default:
            Fail(L"Failed to parse FastInfoset. Invalid Encoding of integers 1 To 2^20 type  on the fourth bit of an "
                 L"octet.");
    }
}

uint64_t CFastInfosetReader::Length2(unsigned char o) {
    if (!(o & 0x40)) return (o & 0x3Fu) + 1;
    if ((o & 0x7F) == 0x40) return static_cast<uint64_t>(Next()) + 65;
    if ((o & 0x7F) == 0x60) return static_cast<uint64_t>(Next32()) + 321;
    Fail(L"Failed to parse FastInfoset. Invalid NonEmptyOctetString type  on the second bit of an octet.");
}

uint64_t CFastInfosetReader::Length5(unsigned char o) {
    if (!(o & 0x08)) return (o & 0x07u) + 1;
    if ((o & 0x0F) == 0x08) return static_cast<uint64_t>(Next()) + 9;
    if ((o & 0x0F) == 0x0C) return static_cast<uint64_t>(Next32()) + 265;
    Fail(L"Failed to parse FastInfoset. Invalid NonEmptyOctetString type  on the fifth bit of an octet.");
}

uint64_t CFastInfosetReader::Length7(unsigned char o) {
    if (!(o & 0x02)) return (o & 0x01u) + 1;
    if ((o & 0x03) == 0x02) return static_cast<uint64_t>(Next()) + 3;
    return static_cast<uint64_t>(Next32()) + 259;
}

uint32_t CFastInfosetReader::SequenceLength() {
    unsigned char o = Next();
    if (!(o & 0x80)) return (o & 0x7Fu) + 1;
    uint32_t v = (o & 0x0Fu) << 16;
    v |= static_cast<uint32_t>(Next()) << 8;
    v |= Next();
    return v + 129;
}

void CFastInfosetReader::BadIndex(uint32_t index) {
    throw CNyException(FormatString(L"Failed to parse FastInfoset. Index [%u] refers to no entry of its table.",
                                    static_cast<unsigned>(index)));
}

// ---- strings ----

const CFastInfosetReader::Name* CFastInfosetReader::AddName(Table<const Name*>& table,
                                                            const unsigned char* utf8, uint64_t length) {
    m_names.push_back(Name{std::wstring(), nullptr});
    Name& name = m_names.back();
    FastInfosetUtf::AppendUtf8(utf8, static_cast<size_t>(length), name.text);
    name.pooled = static_cast<CNamePool*>(m_document->m_namePool)->Intern(name.text);
    if (table.size() < kMaxTable) table.push_back(&name);
    return &name;
}

const CFastInfosetReader::Name* CFastInfosetReader::Identifying(Table<const Name*>& table) {
    unsigned char o = Next();
    if (o & 0x80) return Entry(table, Index2(o));
    uint64_t n = Length2(o);
    return AddName(table, Take(n), n);
}

void CFastInfosetReader::SkipIdentifying() {
    unsigned char o = Next();
    if (o & 0x80)
        Index2(o);
    else
        Take(Length2(o));
}

void CFastInfosetReader::SkipOctetString2() { Take(Length2(Next())); }

void CFastInfosetReader::SkipNonIdentifying() {
    unsigned char o = Next();
    if (o == 0xFF) return;
    if (o & 0x80) {
        Index2(o);
        return;
    }
    // Decoded for its checks, then dropped.
    m_text.clear();
    Encoded3(o, m_text);
}

void CFastInfosetReader::Encoded3(unsigned char o, std::wstring& out) {
    int encoding = (o >> 4) & 3;
    uint32_t field = 0;
    if (encoding >= 2) {
        unsigned char next = Next();
        field = ((o & 0x0Fu) << 4) | (next >> 4);
        o = next;
    }
    uint64_t n = Length5(o);
    const unsigned char* data = Take(n);
    Decode(encoding, field, data, n, out);
}

void CFastInfosetReader::Encoded5(unsigned char o, std::wstring& out) {
    int encoding = (o >> 2) & 3;
    uint32_t field = 0;
    if (encoding >= 2) {
        unsigned char next = Next();
        field = ((o & 0x03u) << 6) | (next >> 2);
        o = next;
    }
    uint64_t n = Length7(o);
    const unsigned char* data = Take(n);
    Decode(encoding, field, data, n, out);
}

namespace {

// Appends big-endian UTF-16 units; an unpaired surrogate becomes U+FFFD, as
// a malformed UTF-8 sequence does, so that what is read can be written again.
void AppendUtf16Be(const unsigned char* data, size_t length, std::wstring& out) {
    size_t at = out.size();
    out.resize(at + length / 2);
    for (size_t i = 0; i < length; i += 2, ++at) {
        wchar_t unit = static_cast<wchar_t>((data[i] << 8) | data[i + 1]);
        if (unit >= 0xD800 && unit <= 0xDFFF) {
            bool high = unit < 0xDC00;
            bool paired = high ? i + 3 < length && (data[i + 2] & 0xFC) == 0xDC
                               : at > 0 && out[at - 1] >= 0xD800 && out[at - 1] < 0xDC00 && i > 0;
            if (!paired) unit = 0xFFFD;
        }
        out[at] = unit;
    }
}

}  // namespace

void CFastInfosetReader::Decode(int encoding, uint32_t field, const unsigned char* data, uint64_t length,
                                std::wstring& out) {
    switch (encoding) {
        case 0:
            FastInfosetUtf::AppendUtf8(data, static_cast<size_t>(length), out);
            return;
        case 1:
            if (length % 2) Fail(L"Failed to parse FastInfoset. Invalid length of a UTF-16 string.");
            AppendUtf16Be(data, static_cast<size_t>(length), out);
            return;
        case 2:
            if (field >= m_alphabets.size())
                throw CNyException(FormatString(
                    L"Failed to parse FastInfoset. Restricted Alphabet [%u] is not in the vocabulary.", field + 1));
            DecodeAlphabet(m_alphabets[field], data, length, out);
            return;
        default:
            if (field + 1 == 10) {
                FastInfosetUtf::AppendUtf8(data, static_cast<size_t>(length), out);
                return;
            }
            out += CFastInfosetBinaryData::GetAsString(field + 1, data, static_cast<uint32_t>(length));
            return;
    }
}

void CFastInfosetReader::DecodeAlphabet(const std::wstring& alphabet, const unsigned char* data, uint64_t length,
                                        std::wstring& out) {
    size_t n = alphabet.size();
    if (n < 2 || n > kMaxTable)
        Fail(L"Failed to parse FastInfoset. Invalid Encoding of Restricted Alphabet. Alphabet must contain between 2 "
             L"and 2^20 characters.");
    int k = 2;
    while ((static_cast<size_t>(1) << k) <= n) ++k;
    const uint32_t stop = (1u << k) - 1;
    auto put = [&](uint32_t code) {
        if (code >= n) Fail(L"Failed to parse FastInfoset. Invalid character code of a Restricted Alphabet.");
        out += alphabet[code];
    };
    if (k == 8) {
        for (uint64_t i = 0; i < length; ++i) put(data[i]);
    } else if (k == 4) {
        for (uint64_t i = 0; i < length; ++i) {
            if ((data[i] >> 4) == 0xF) break;
            put(data[i] >> 4);
            if ((data[i] & 0x0F) == 0x0F) break;
            put(data[i] & 0x0F);
        }
    } else {
        uint64_t bits = length * 8;
        for (uint64_t at = 0; at + k <= bits; at += k) {
            uint32_t code = 0;
            for (int b = 0; b < k; ++b) {
                uint64_t bit = at + b;
                code = (code << 1) | ((data[bit / 8] >> (7 - bit % 8)) & 1);
            }
            if (code == stop) break;
            put(code);
        }
    }
}

// ---- names ----

CFastInfosetReader::QName CFastInfosetReader::MakeQName(const Name* namespaceName, const Name* localName) {
    QName name{namespaceName, localName, nullptr, nullptr};
    if (localName->pooled && (!namespaceName || namespaceName->pooled)) {
        name.pooledLocal = localName->pooled;
        name.pooledNamespace = namespaceName ? namespaceName->pooled : &CNamePool::Empty();
    }
    return name;
}

namespace {

// The characters of XML names (fifth edition), without the colon; the
// library's strings are UTF-16 units, so a surrogate stands for a character
// of the supplementary planes, which are all name characters.
bool IsNameStart(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || c == L'_' || (c >= 0xC0 && c <= 0xD6) ||
           (c >= 0xD8 && c <= 0xF6) || (c >= 0xF8 && c <= 0x2FF) || (c >= 0x370 && c <= 0x37D) ||
           (c >= 0x37F && c <= 0x1FFF) || (c >= 0x200C && c <= 0x200D) || (c >= 0x2070 && c <= 0x218F) ||
           (c >= 0x2C00 && c <= 0x2FEF) || (c >= 0x3001 && c <= 0xDFFF) || (c >= 0xF900 && c <= 0xFDCF) ||
           (c >= 0xFDF0 && c <= 0xFFFD);
}

bool IsNameChar(wchar_t c) {
    return IsNameStart(c) || (c >= L'0' && c <= L'9') || c == L'-' || c == L'.' || c == 0xB7 ||
           (c >= 0x300 && c <= 0x36F) || (c >= 0x203F && c <= 0x2040);
}

}  // namespace

// Refuses a prefix or local name that is no XML name without a colon: XML
// text written from the tree could not carry it.
void CFastInfosetReader::CheckName(const std::wstring& name) {
    bool valid = !name.empty() && IsNameStart(name[0]);
    for (size_t i = 1; valid && i < name.size(); ++i) valid = IsNameChar(name[i]);
    if (!valid)
        throw CNyException(FormatString(L"Failed to parse FastInfoset. Invalid name [%s].", name.c_str()));
}

const CFastInfosetReader::QName* CFastInfosetReader::LiteralQName(bool prefix, bool namespaceName,
                                                                  Table<QName>& table) {
    if (prefix && !namespaceName) Fail(L"Failed to parse FastInfoset. Invalid QName type Prefix without Namespace.");
    if (prefix) CheckName(Identifying(m_prefixes)->text);
    const Name* ns = namespaceName ? Identifying(m_namespaceNames) : nullptr;
    const Name* local = Identifying(m_localNames);
    CheckName(local->text);
    QName name = MakeQName(ns, local);
    if (table.size() < kMaxTable) {
        table.push_back(name);
        return &table.back();
    }
    m_literal = name;
    return &m_literal;
}

const CFastInfosetReader::QName* CFastInfosetReader::QualifiedName3(unsigned char o, Table<QName>& table) {
    if ((o & 0x3C) == 0x3C) return LiteralQName(o & 0x02, o & 0x01, table);
    return &Entry(table, Index3(o));
}

const CFastInfosetReader::QName* CFastInfosetReader::QualifiedName2(unsigned char o, Table<QName>& table) {
    if ((o & 0x7C) == 0x78) return LiteralQName(o & 0x02, o & 0x01, table);
    return &Entry(table, Index2(o));
}

// ---- header ----

void CFastInfosetReader::ReadOptionalComponents() {
    unsigned char components = Next();
    if (components & 0x40) {
        for (uint32_t i = SequenceLength(); i > 0; --i) {
            SkipIdentifying();
            SkipOctetString2();
        }
    }
    if (components & 0x20) SkipVocabulary();
    if (components & 0x10) {
        while ((Peek() & 0xFC) == 0xC0) {
            unsigned char o = Next();
            SkipIdentifying();
            if (o & 0x02) SkipIdentifying();
            if (o & 0x01) SkipIdentifying();
        }
        Next();
    }
    if (components & 0x08) {
        while ((Peek() & 0xFE) == 0xD0) {
            unsigned char o = Next();
            SkipIdentifying();  // name
            SkipIdentifying();  // system identifier
            if (o & 0x01) SkipIdentifying();
            SkipIdentifying();  // notation name
        }
        Next();
    }
    if (components & 0x04) SkipOctetString2();
    if (components & 0x02) Next();
    if (components & 0x01) SkipNonIdentifying();
}

void CFastInfosetReader::SkipVocabulary() {
    unsigned char a = Next(), b = Next();
    uint32_t present = (static_cast<uint32_t>(a & 0x1F) << 8) | b;
    auto has = [present](int item) { return (present >> (12 - item)) & 1; };
    // 0 external vocabulary, 1 restricted alphabets, 2 encoding algorithms,
    // 3-7 prefixes, namespace names, local names, other NCNames, other URIs,
    // 8-10 attribute values, content character chunks, other strings,
    // 11-12 element and attribute name surrogates.
    if (has(0)) SkipOctetString2();
    for (int item = 1; item <= 7; ++item) {
        if (!has(item)) continue;
        for (uint32_t i = SequenceLength(); i > 0; --i) SkipOctetString2();
    }
    for (int item = 8; item <= 10; ++item) {
        if (!has(item)) continue;
        for (uint32_t i = SequenceLength(); i > 0; --i) {
            m_text.clear();
            Encoded3(Next(), m_text);
        }
    }
    for (int item = 11; item <= 12; ++item) {
        if (!has(item)) continue;
        for (uint32_t i = SequenceLength(); i > 0; --i) {
            unsigned char o = Next();
            if (o & 0x02) Index2(Next());
            if (o & 0x01) Index2(Next());
            Index2(Next());
        }
    }
}

// ---- document ----

void CFastInfosetReader::SkipProcessingInstruction() {
    SkipIdentifying();
    SkipNonIdentifying();
}

void CFastInfosetReader::SkipDocumentType() {
    unsigned char o = Next();
    if (o & 0x02) SkipIdentifying();
    if (o & 0x01) SkipIdentifying();
    while (Peek() == 0xE1) {
        Next();
        SkipProcessingInstruction();
    }
    if (Next() == 0xFF) m_documentEnded = true;
}

void CFastInfosetReader::SkipEntityReference() {
    unsigned char o = Next();
    SkipIdentifying();
    if (o & 0x02) SkipIdentifying();
    if (o & 0x01) SkipIdentifying();
}

void CFastInfosetReader::ReadDocumentChildren() {
    while (!m_documentEnded) {
        unsigned char o = Peek();
        if (o < 0x80) {
            ReadElement();
        } else if (o == 0xF0 || o == 0xFF) {
            Next();
            break;
        } else if (o == 0xE1) {
            Next();
            SkipProcessingInstruction();
        } else if (o == 0xE2) {
            Next();
            SkipNonIdentifying();
        } else if ((o & 0xFC) == 0xC4) {
            SkipDocumentType();
        } else {
            Next();
        }
    }
    m_names.clear();
}

void CFastInfosetReader::CloseElement() {
    CXmlElement* top = m_document->TopElement();
    if (top) {
        top->TrimText();
        m_document->m_openElements.pop_back();
    }
    --m_depth;
}

bool CFastInfosetReader::StartElement() {
    unsigned char first = Next();
    unsigned char o = first;
    if ((first & 0x3C) == 0x38) {
        while ((Peek() & 0xFC) == 0xCC) {
            unsigned char d = Next();
            std::wstring prefix, uri;
            if (d & 0x02) prefix = Identifying(m_prefixes)->text;
            if (d & 0x01) uri = Identifying(m_namespaceNames)->text;
            m_document->SetNamespaceAlias(prefix, uri);
        }
        Next();  // the terminator of the namespace attributes
        o = Next();
    }
    const QName* name = QualifiedName3(o, m_elementNames);
    bool endsAtOnce = false;
    // The entries of earlier elements are reused, their strings keeping
    // their room: reading attributes allocates nothing once warm.
    size_t count = 0;
    size_t valueUnits = 0;
    if (first & 0x40) {
        while (Peek() < 0x80) {
            const QName* attributeName = QualifiedName2(Next(), m_attributeNames);
            if (count == m_pendingAttributes.size()) m_pendingAttributes.push_back(PendingAttribute{});
            PendingAttribute& pending = m_pendingAttributes[count++];
            pending.name = *attributeName;
            pending.indexed = false;
            std::wstring& value = pending.value;
            value.clear();
            unsigned char v = Next();
            if (v == 0xFF) {
                valueUnits += 1;
                continue;
            }
            if (v & 0x80) {
                pending.indexed = true;
                pending.entry = Check(m_attributeValues.size(), Index2(v));
                valueUnits += m_attributeValues.Length(pending.entry) + 1;
                continue;
            }
            Encoded3(v, value);
            valueUnits += value.size() + 1;
            if (v & 0x40) m_attributeValues.Add(value.data(), value.size());
        }
        unsigned char end = Next();
        if (end == 0xFF)
            endsAtOnce = true;
        else if (end != 0xF0)
            Fail(L"Failed to parse FastInfoset. Invalid Encoding of Element type.");
    }
    // A chunk of text that comes first in the element, from the table or in
    // UTF-8 (at most one unit an octet), is read with it: the element is
    // made with room for the text.
    size_t textUnits = 0;
    unsigned char chunk = 0;
    size_t entry = 0;
    const unsigned char* utf8 = nullptr;
    if (!endsAtOnce && m_p != m_end && (*m_p & 0xC0) == 0x80) {
        const unsigned char c = *m_p;
        if (c & 0x20) {
            ++m_p;
            chunk = c;
            entry = Check(m_characterChunks.size(), Index4(c));
            textUnits = m_characterChunks.Length(entry);
        } else if (((c >> 2) & 3) == 0) {
            ++m_p;
            chunk = c;
            const uint64_t octets = Length7(c);
            utf8 = Take(octets);
            textUnits = static_cast<size_t>(octets);
        }
    }
    CXmlElement* element = m_document->OpenElement(count, valueUnits, textUnits);
    ++m_depth;
    if (name->pooledLocal) {
        element->m_localName = name->pooledLocal;
        element->m_namespaceURI = name->pooledNamespace;
    } else {
        element->SetElementName(name->localName->text);
        element->SetNamespace(name->namespaceName ? name->namespaceName->text : CNamePool::Empty());
    }
    if (count) {
        CXmlAttribute* block = element->ReserveAttributeBlock(count);
        wchar_t* values = block ? element->ValueRoom() : nullptr;
        for (size_t i = 0; i < count; ++i) {
            PendingAttribute& a = m_pendingAttributes[i];
            const Name* local = a.name.localName;
            const Name* ns = a.name.namespaceName;
            // Table entries are stable: later entries never move earlier ones.
            const wchar_t* text = a.indexed ? m_attributeValues.Data(a.entry) : a.value.data();
            const size_t n = a.indexed ? m_attributeValues.Length(a.entry) : a.value.size();
            if (block && a.name.pooledLocal && n < UINT32_MAX) {
                std::memcpy(values, text, n * sizeof(wchar_t));
                values[n] = L'\0';
                new (block + element->m_blockCount) CXmlAttribute(a.name.pooledLocal, false, a.name.pooledNamespace,
                                                                  false, values, static_cast<uint32_t>(n));
                values += n + 1;
                ++element->m_blockCount;
            } else {
                block = nullptr;
                if (a.indexed) a.value.assign(text, n);
                element->AddAttribute(local->text, a.value, ns ? ns->text : CNamePool::Empty());
            }
        }
    }
    if (chunk) {
        if (utf8)
            Utf8Chunk(element, chunk, utf8, textUnits);
        else
            TableChunk(element, entry);
    }
    if (endsAtOnce) {
        CloseElement();
        return false;
    }
    return true;
}

void CFastInfosetReader::TableChunk(CXmlElement* element, size_t entry) {
    // Table entries hold no carriage returns.
    element->AppendTextUnits(m_characterChunks.Data(entry), m_characterChunks.Length(entry));
}

void CFastInfosetReader::Utf8Chunk(CXmlElement* element, unsigned char o, const unsigned char* data, size_t octets) {
    wchar_t* to = element->ReserveText(octets);
    const size_t length = static_cast<size_t>(FastInfosetUtf::DecodeUtf8(data, octets, to) - to);
    // Carriage returns are dropped, as the text reader's line-end handling does.
    size_t kept = length;
    if (std::memchr(data, '\r', octets)) {
        kept = 0;
        for (size_t r = 0; r < length; ++r) {
            to[kept] = to[r];
            kept += to[r] != L'\r';
        }
    }
    element->CommitText(kept);
    if (o & 0x10) m_characterChunks.Add(to, kept);
}

void CFastInfosetReader::Characters(unsigned char o) {
    CXmlElement* element = m_document->TopElement();
    if (o & 0x20) {
        TableChunk(element, Check(m_characterChunks.size(), Index4(o)));
        return;
    }
    if (((o >> 2) & 3) == 0) {
        const uint64_t octets = Length7(o);
        Utf8Chunk(element, o, Take(octets), static_cast<size_t>(octets));
        return;
    }
    m_text.clear();
    Encoded5(o, m_text);
    wchar_t* to = element->ReserveText(m_text.size());
    // Carriage returns are dropped, as the text reader's line-end handling does.
    size_t kept = 0;
    for (wchar_t c : m_text) {
        to[kept] = c;
        kept += c != L'\r';
    }
    element->CommitText(kept);
    if (o & 0x10) m_characterChunks.Add(to, kept);
}

void CFastInfosetReader::ReadElement() {
    size_t base = m_depth;
    if (!StartElement()) return;
    while (m_depth > base) {
        unsigned char o = Next();
        if (o < 0x80) {
            --m_p;
            StartElement();
        } else if (o < 0xC0) {
            Characters(o);
        } else if (o == 0xF0) {
            CloseElement();
        } else if (o == 0xFF) {
            CloseElement();
            if (m_depth == base)
                m_documentEnded = true;
            else
                CloseElement();
        } else if (o == 0xE1) {
            SkipProcessingInstruction();
        } else if (o == 0xE2) {
            SkipNonIdentifying();
        } else if ((o & 0xFC) == 0xC8) {
            --m_p;
            SkipEntityReference();
        } else {
            Fail(L"Failed to parse FastInfoset. Invalid Encoding of Element type.");
        }
    }
}

}  // namespace NyXmlLib9
