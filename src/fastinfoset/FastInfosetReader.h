// The binary reader: turns a Fast Infoset document into the element tree.
#ifndef NYXML_SRC_FASTINFOSET_FASTINFOSETREADER_H
#define NYXML_SRC_FASTINFOSET_FASTINFOSETREADER_H

#include <nyxml/document.h>

#include "platform/Memory.h"

#include <cstdint>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

namespace NyXmlLib9 {

// Builds the tree of `document` when the bytes are a Fast Infoset document and
// returns true; returns false, touching nothing, for any other input.
bool ReadFastInfosetDocument(CXmlDocument* document, const unsigned char* bytes, uint32_t length,
                             const CFastInfosetContext& options);

// True when the bytes start like a Fast Infoset document (the identification,
// optionally after one of the declarations naming the encoding "finf").
bool IsFastInfosetDocument(const unsigned char* bytes, uint32_t length);

class CFastInfosetReader : public CInstanceMonitor {
public:
    CFastInfosetReader(const CFastInfosetContext& options, CXmlDocument* document);
    ~CFastInfosetReader() override;

    void SetInput(const unsigned char* bytes, uint32_t length);
    // Consumes the declaration and the identification when they are there.
    bool IsFastInfoset();
    void ReadOptionalComponents();
    void ReadDocumentChildren();

private:
    // The tables of a reading grow in blocks of the thread's pool.
    template <typename T>
    using Table = std::vector<T, Platform::ThreadBlockAllocator<T>>;
    // A string of a name table, with its copy in the document's name pool
    // (null when the pool is full).
    struct Name {
        std::wstring text;
        const std::wstring* pooled;
    };
    struct QName {
        const Name* namespaceName;  // null: no namespace
        const Name* localName;
        // The pooled strings of both parts, resolved once for the table entry
        // (the empty string for no namespace); null when a part is not pooled.
        const std::wstring* pooledNamespace;
        const std::wstring* pooledLocal;
    };
    static QName MakeQName(const Name* namespaceName, const Name* localName);
    // The strings of a value table, carved in turn from blocks that grow from
    // 16 KiB and are, from 1 MiB on, the slabs that documents keep for the next
    // ones: no allocation per entry, no copy as the table grows, and no fresh
    // pages to fault in when one large document follows another.
    class ValueTable {
    public:
        ValueTable() = default;
        ValueTable(const ValueTable&) = delete;
        ValueTable& operator=(const ValueTable&) = delete;
        ~ValueTable() { clear(); }
        // Entries beyond the millionth are not kept.
        void Add(const wchar_t* text, size_t length) {
            if (m_count >= kMaxEntries) return;
            if (m_count % kSpansPerBlock == 0)
                m_spanBlocks.push_back(static_cast<Span*>(Carve(kSpansPerBlock * sizeof(Span))));
            wchar_t* to = static_cast<wchar_t*>(Carve(length * sizeof(wchar_t)));
            if (length) std::memcpy(to, text, length * sizeof(wchar_t));
            m_spanBlocks.back()[m_count % kSpansPerBlock] = Span{to, length};
            ++m_count;
        }
        size_t size() const { return m_count; }
        const wchar_t* Data(size_t i) const { return At(i).data; }
        size_t Length(size_t i) const { return At(i).length; }
        void clear();

    private:
        struct Span {
            const wchar_t* data;
            size_t length;
        };
        static const size_t kMaxEntries = size_t(1) << 20;
        static const size_t kSpansPerBlock = 512;
        const Span& At(size_t i) const { return m_spanBlocks[i / kSpansPerBlock][i % kSpansPerBlock]; }
        // Room for `bytes` bytes, 8-byte aligned.
        void* Carve(size_t bytes) {
            bytes = (bytes + 7) & ~size_t(7);
            if (bytes > m_left) NewBlock(bytes);
            unsigned char* at = m_cursor;
            m_cursor += bytes;
            m_left -= bytes;
            return at;
        }
        void NewBlock(size_t bytes);

        Table<Platform::ByteBlock> m_blocks;
        Table<Span*> m_spanBlocks;
        unsigned char* m_cursor = nullptr;
        size_t m_left = 0;
        size_t m_count = 0;
    };
    // Entry `index` (1-based) of the table; an index beyond it ends the parse.
    static size_t Check(size_t size, uint32_t index) {
        if (index == 0 || index > size) BadIndex(index);
        return index - 1;
    }
    [[noreturn]] static void BadIndex(uint32_t index);

    // An attribute read before its element is made. An indexed value stays
    // in its table (`indexed`, then the entry); a literal one is in `value`.
    struct PendingAttribute {
        QName name{};
        std::wstring value;
        bool indexed = false;
        size_t entry = 0;
    };

    [[noreturn]] void EndOfFile();
    [[noreturn]] static void Fail(const wchar_t* what);
    static void CheckName(const std::wstring& name);
    unsigned char Next() {
        if (m_p == m_end) EndOfFile();
        return *m_p++;
    }
    unsigned char Peek() {
        if (m_p == m_end) EndOfFile();
        return *m_p;
    }
    const unsigned char* Take(uint64_t n) {
        if (n > static_cast<uint64_t>(m_end - m_p)) EndOfFile();
        const unsigned char* start = m_p;
        m_p += n;
        return start;
    }
    uint32_t Next32();

    uint32_t Index2(unsigned char o);
    uint32_t Index3(unsigned char o);
    uint32_t Index4(unsigned char o);
    // The text of a character chunk in UTF-8 (its octets read) or from the
    // table, appended to the element.
    void Utf8Chunk(CXmlElement* element, unsigned char o, const unsigned char* data, size_t octets);
    void TableChunk(CXmlElement* element, size_t entry);
    uint64_t Length2(unsigned char o);
    uint64_t Length5(unsigned char o);
    uint64_t Length7(unsigned char o);
    uint32_t SequenceLength();

    const Name* AddName(Table<const Name*>& table, const unsigned char* utf8, uint64_t length);
    const Name* Identifying(Table<const Name*>& table);
    void SkipIdentifying();
    void SkipOctetString2();
    void SkipNonIdentifying();
    const QName* QualifiedName3(unsigned char o, Table<QName>& table);
    const QName* QualifiedName2(unsigned char o, Table<QName>& table);
    const QName* LiteralQName(bool prefix, bool namespaceName, Table<QName>& table);
    template <typename T>
    static const T& Entry(const Table<T>& table, uint32_t index) {
        return table[Check(table.size(), index)];
    }

    // Encoded character strings: from the 3rd bit (attribute values) or from
    // the 5th bit (character chunks), appended to `out`.
    void Encoded3(unsigned char o, std::wstring& out);
    void Encoded5(unsigned char o, std::wstring& out);
    void Decode(int encoding, uint32_t field, const unsigned char* data, uint64_t length, std::wstring& out);
    void DecodeAlphabet(const std::wstring& alphabet, const unsigned char* data, uint64_t length, std::wstring& out);

    void SkipProcessingInstruction();
    void SkipDocumentType();
    void SkipEntityReference();
    void SkipVocabulary();

    // Reads the element whose first octet is next and everything inside it.
    void ReadElement();
    // Opens an element: returns false when it also ended at once.
    bool StartElement();
    void CloseElement();
    void Characters(unsigned char o);

    CXmlDocument* m_document;
    const unsigned char* m_begin;
    const unsigned char* m_p;
    const unsigned char* m_end;
    // Name strings live here, at fixed addresses, for every table.
    std::deque<Name> m_names;
    Table<const Name*> m_prefixes;
    Table<const Name*> m_namespaceNames;
    Table<const Name*> m_localNames;
    Table<QName> m_elementNames;
    Table<QName> m_attributeNames;
    ValueTable m_attributeValues;
    ValueTable m_characterChunks;
    std::vector<std::wstring> m_alphabets;
    std::vector<PendingAttribute> m_pendingAttributes;
    std::wstring m_text;
    QName m_literal;
    size_t m_depth;
    bool m_documentEnded;
};

}  // namespace NyXmlLib9

#endif
