// The writer interface that all output goes through, its XML text form, and
// the in-memory text stream with its chunked character buffer.
#ifndef NYXML_WRITER_H
#define NYXML_WRITER_H

#include <nyxml/binarydata.h>
#include <nyxml/export.h>
#include <nyxml/foundation.h>
#include <nyxml/types.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace NyXmlLib9 {

class CByteTextStream;

// Wide-character buffer made of fixed-size chunks that never move while the
// text grows; GetString joins them once at the end. The running total is
// 32-bit: appending past 4 GiB - 1 characters raises std::length_error.
class NYXML_API CStringBuffer : public CInstanceMonitor {
public:
    static const uint32_t kDefaultChunkSize = 4095;

    explicit CStringBuffer(uint32_t chunkSize = kDefaultChunkSize);
    CStringBuffer(const CStringBuffer&) = delete;
    CStringBuffer& operator=(const CStringBuffer&) = delete;
    ~CStringBuffer() override;

    // NUL-terminated text.
    void Append(const wchar_t* text);
    void Append(const wchar_t* text, size_t length) {
        if (length <= static_cast<size_t>(m_capacity - m_used) && length <= UINT32_MAX - m_total) {
            wchar_t* out = m_current + m_used;
            // Names, prefixes and tabs are short: a plain loop beats a call.
            if (length <= 16) {
                for (size_t i = 0; i < length; ++i) out[i] = text[i];
            } else {
                std::memcpy(out, text, length * sizeof(wchar_t));
            }
            m_used += static_cast<uint32_t>(length);
            m_total += static_cast<uint32_t>(length);
        } else {
            AppendSlow(text, length);
        }
    }
    void Append(const std::wstring& text) { Append(text.data(), text.size()); }
    void Append(wchar_t c) {
        if (m_used < m_capacity && m_total < UINT32_MAX) {
            m_current[m_used++] = c;
            ++m_total;
        } else {
            AppendSlow(&c, 1);
        }
    }

    // Direct filling of the current chunk, for writers that assemble a piece
    // in place: up to GetRoom() characters may be stored at GetCursor(), and
    // Commit(count) then makes the first `count` of them part of the text.
    // The room is 0 when the current chunk is full; the next Append starts a
    // new one.
    size_t GetRoom() const {
        uint32_t room = m_capacity - m_used, left = UINT32_MAX - m_total;
        return room < left ? room : left;
    }
    wchar_t* GetCursor() { return m_current + m_used; }
    void Commit(size_t count) {
        m_used += static_cast<uint32_t>(count);
        m_total += static_cast<uint32_t>(count);
    }

    // The whole text, NUL-terminated; several chunks are joined into one first.
    // Valid until the next change of the buffer.
    const wchar_t* GetString();
    // Releases every chunk.
    void Clear();
    // Empties the buffer: a single chunk is zero-filled and kept, several are
    // released.
    void Reset();
    // Empties the buffer but keeps its first chunk for reuse.
    void Empty();

    // Characters appended since the buffer was last emptied.
    uint32_t GetTotal() const { return m_total; }
    uint32_t GetChunkSize() const { return m_chunkSize; }
    // The chunks in order, with the characters used in each; for encoders
    // that read the text without joining it.
    size_t GetChunkCount() const { return m_chunks.size(); }
    const wchar_t* GetChunk(size_t index, uint32_t& used) const;

private:
    void AppendSlow(const wchar_t* text, size_t length);
    void AddChunk();

    // A chunk for the text, and the release of one.
    wchar_t* NewChunk();
    void FreeChunk(wchar_t* chunk);

    std::vector<wchar_t*> m_chunks;
    std::vector<uint32_t> m_chunkLengths;
    // Chunks of the default size left by Empty, reused before new ones.
    std::vector<wchar_t*> m_spareChunks;
    // Once the text is long, chunks are cut from large mapped slabs (see
    // StringBuffer.cpp); null until then.
    void* m_slabs;
    uint32_t m_chunkSize;
    uint32_t m_used;
    uint32_t m_capacity;
    wchar_t* m_current;
    uint32_t m_total;
};

// Text sink of the text writer. In memory, End and Flush do nothing, so the
// buffer holds the whole document; file streams override them.
class NYXML_API CTextStream : public CInstanceMonitor {
public:
    explicit CTextStream(XmlEncoding encoding = XmlEncoding_None);
    CTextStream(const CTextStream&) = delete;
    CTextStream& operator=(const CTextStream&) = delete;
    ~CTextStream() override;

    // Empties the buffer.
    virtual void Begin();
    virtual void End();
    virtual void Flush();

    CStringBuffer& GetBuffer() { return m_buffer; }
    XmlEncoding GetEncoding() const { return m_encoding; }
    void SetEncoding(XmlEncoding encoding) { m_encoding = encoding; }
    // The text of the buffer as bytes in the stream's encoding: UTF-8 (1) or
    // UTF-16 little-endian without byte order mark (2, 3). Other encodings
    // raise "Unknown Encoding, select UTF-8 (contact ... for support)".
    virtual CBinaryData GetBytes() const;

protected:
    CStringBuffer m_buffer;
    XmlEncoding m_encoding;
};

// Push interface of element, attribute and text events, with the bookkeeping
// every implementation shares: the open elements, their namespace scopes
// (copied from the parent only when changed) and prefix generation.
class NYXML_API CXmlWriter : public CInstanceMonitor {
public:
    // Namespace URI -> prefix, ordered by code unit.
    typedef std::map<std::wstring, std::wstring> NamespaceMap;

    // One open element.
    class NYXML_API CXmlWriterContext : public CInstanceMonitor {
    public:
        CXmlWriterContext();
        CXmlWriterContext(const CXmlWriterContext&) = delete;
        CXmlWriterContext& operator=(const CXmlWriterContext&) = delete;
        // Also destroys the still-open ancestors it owns.
        ~CXmlWriterContext() override;

        int32_t GetChildCount() const { return m_childCount; }
        void IncrementChildCount() { ++m_childCount; }
        bool IsStartTagOpen() const { return m_startTagOpen; }
        void SetStartTagOpen(bool open) { m_startTagOpen = open; }
        int32_t GetDepth() const { return m_depth; }
        // The names are kept as characters in one block that the context
        // reuses from element to element; these strings are made from them
        // when first asked for, and stay valid while the element is open.
        const std::wstring& GetNamespaceURI() const {
            if (m_namespaceKey) return *m_namespaceKey;
            return MadeString(kNamespaceMade, m_namespaceURI, m_names + m_localLength, m_namespaceLength);
        }
        const std::wstring& GetLocalName() const { return MadeString(kLocalMade, m_localName, m_names, m_localLength); }
        CXmlWriterContext* GetParent() const { return m_parent; }
        // Prefix the element's name was written with; empty when unprefixed.
        const std::wstring& GetPrefix() const {
            return MadeString(kPrefixMade, m_prefix, m_names + m_localLength + m_namespaceLength, m_prefixLength);
        }
        void SetPrefix(const std::wstring& prefix) { SetPrefix(prefix.data(), prefix.size()); }
        void SetPrefix(const wchar_t* prefix, size_t length) {
            size_t names = static_cast<size_t>(m_localLength) + m_namespaceLength;
            if (names + length > m_namesCapacity) GrowNames(names + length, names);
            CopyName(m_names + names, prefix, length);
            m_prefixLength = static_cast<uint32_t>(length);
            m_made &= ~kPrefixMade;
            m_endTagLength = 0;
        }
        // The same names without making strings.
        const wchar_t* GetLocalNameData() const { return m_names; }
        size_t GetLocalNameLength() const { return m_localLength; }
        const wchar_t* GetPrefixData() const { return m_names + m_localLength + m_namespaceLength; }
        size_t GetPrefixLength() const { return m_prefixLength; }
        bool Inherits() const { return m_inherits; }

        const std::wstring& GetEffectiveDefaultNamespace() const { return m_scope->m_defaultNamespace; }
        // Every URI in scope with its prefix, the innermost declaration of a
        // URI winning. Made on request: each scope keeps only what it adds.
        const NamespaceMap& GetEffectiveNamespaces() const;
        // The prefix in scope for the URI, or null. The few entries found last
        // are remembered by the scope, so that a document that keeps using the
        // same namespaces is not searching its map for every name.
        const std::wstring* FindPrefix(const std::wstring& namespaceURI) const {
            const NamespaceMap::value_type* entry = FindEntry(namespaceURI);
            return entry ? &entry->second : nullptr;
        }
        // These change this element's own scope, copying the parent's first.
        void AddNamespace(const std::wstring& prefix, const std::wstring& namespaceURI);
        void SetDefaultNamespace(const std::wstring& namespaceURI);
        // Enters the first free generated prefix (AA, AB, ... AZ, BA, ... ZZ,
        // then AAA, AAB, ...) for the URI and returns it.
        const std::wstring& GeneratePrefix(const std::wstring& namespaceURI);

    private:
        friend class CXmlWriter;
        friend class CXmlTextWriter;
        friend class CFastInfosetWriter;
        // The entry of the map in scope for the URI, or null.
        const NamespaceMap::value_type* FindEntry(const std::wstring& namespaceURI) const {
            const CXmlWriterContext* scope = m_scope;
            for (const NamespaceMap::value_type* entry : scope->m_recent) {
                if (entry && SameText(entry->first, namespaceURI)) return entry;
            }
            return scope->FindEntryInMap(namespaceURI);
        }
        const NamespaceMap::value_type& GenerateEntry(const std::wstring& namespaceURI);
        // The element's URI is the key of `entry`, an entry of a map in scope
        // (which outlives the element, and whose keys never change): it is
        // not copied. The entry's prefix is the element's.
        void UseEntry(const NamespaceMap::value_type& entry) {
            m_namespaceKey = &entry.first;
            SetPrefix(entry.second.data(), entry.second.size());
        }
        // The element's URI copied after its local name (no prefix yet).
        void CopyNamespace(const std::wstring& namespaceURI) {
            size_t localLength = m_localLength, length = namespaceURI.size();
            if (localLength + length > m_namesCapacity) GrowNames(localLength + length, localLength);
            CopyName(m_names + localLength, namespaceURI.data(), length);
            m_namespaceLength = static_cast<uint32_t>(length);
            m_made &= ~kNamespaceMade;
        }
        // The URIs in scope, with the declarations of every open scope.
        struct NamespaceIndex;
        void MakeOwnScope();
        void ReleaseScope();
        // Enters an entry of this scope's own map in the index.
        void IndexEntry(const NamespaceMap::value_type& entry);
        const NamespaceMap::value_type* FindEntryInMap(const std::wstring& namespaceURI) const;
        void Remember(const NamespaceMap::value_type* entry) const;
        void ForgetRecent();

        // Stores the local name and the namespace URI (unless `copyNamespace`
        // is false: then none yet), and no prefix.
        void SetNames(const std::wstring& localName, const std::wstring& namespaceURI, bool copyNamespace = true) {
            size_t localLength = localName.size(), namespaceLength = copyNamespace ? namespaceURI.size() : 0;
            if (localLength + namespaceLength > m_namesCapacity) GrowNames(localLength + namespaceLength, 0);
            CopyName(m_names, localName.data(), localLength);
            CopyName(m_names + localLength, namespaceURI.data(), namespaceLength);
            m_localLength = static_cast<uint32_t>(localLength);
            m_namespaceLength = static_cast<uint32_t>(namespaceLength);
            m_prefixLength = 0;
            m_made = 0;
            m_namespaceKey = nullptr;
            m_endTagLength = 0;
        }
        // Equality of two texts, compared sixteen bytes at a time in line
        // (namespace URIs are compared for every name written); the last
        // sixteen bytes of a longer text are compared as one block, overlapping
        // the one before.
        static bool SameText(const std::wstring& a, const std::wstring& b) {
            if (a.size() != b.size()) return false;
            const unsigned char* p = reinterpret_cast<const unsigned char*>(a.data());
            const unsigned char* q = reinterpret_cast<const unsigned char*>(b.data());
            size_t bytes = a.size() * sizeof(wchar_t);
            if (bytes < 16) {
                for (size_t i = 0; i < bytes; i += sizeof(wchar_t)) {
                    if (std::memcmp(p + i, q + i, sizeof(wchar_t)) != 0) return false;
                }
                return true;
            }
            if (!Same16(p + bytes - 16, q + bytes - 16)) return false;
            return bytes <= 16 || std::memcmp(p, q, bytes - 16) == 0;
        }
        static bool Same16(const unsigned char* p, const unsigned char* q) {
            uint64_t p0, p1, q0, q1;
            std::memcpy(&p0, p, 8);
            std::memcpy(&p1, p + 8, 8);
            std::memcpy(&q0, q, 8);
            std::memcpy(&q1, q + 8, 8);
            return !((p0 ^ q0) | (p1 ^ q1));
        }
        // Makes room for `length` characters, keeping the first `keep`.
        void GrowNames(size_t length, size_t keep);
        // Names are short: copied in line, sixteen bytes at a time, the last
        // block overlapping the one before (nothing outside the name is read
        // or written).
        static void CopyName(wchar_t* out, const wchar_t* text, size_t length) {
            size_t bytes = length * sizeof(wchar_t);
            if (bytes < 16) {
                // Up to three: two overlapping pairs, or one.
                if (length >= 2) {
                    uint64_t first, last;
                    std::memcpy(&first, text, 8);
                    std::memcpy(&last, text + length - 2, 8);
                    std::memcpy(out, &first, 8);
                    std::memcpy(out + length - 2, &last, 8);
                } else if (length == 1) {
                    out[0] = text[0];
                }
            } else if (bytes <= 256) {
                unsigned char* o = reinterpret_cast<unsigned char*>(out);
                const unsigned char* t = reinterpret_cast<const unsigned char*>(text);
                unsigned char last[16];
                std::memcpy(last, t + bytes - 16, 16);
                for (size_t i = 0; i + 16 < bytes; i += 16) std::memcpy(o + i, t + i, 16);
                std::memcpy(o + bytes - 16, last, 16);
            } else {
                std::memcpy(out, text, bytes);
            }
        }
        const std::wstring& MadeString(uint32_t flag, std::wstring& text, const wchar_t* characters,
                                       uint32_t length) const {
            if (!(m_made & flag)) {
                text.assign(characters, length);
                m_made |= flag;
            }
            return text;
        }

        static const uint32_t kLocalMade = 1, kNamespaceMade = 2, kPrefixMade = 4;

        int32_t m_childCount;
        bool m_startTagOpen;
        int32_t m_depth;
        // Local name, namespace URI and prefix, one after the other.
        wchar_t* m_names;
        uint32_t m_namesCapacity;
        uint32_t m_localLength;
        uint32_t m_namespaceLength;
        uint32_t m_prefixLength;
        // Which of the strings below hold the names above.
        mutable uint32_t m_made;
        // Set: the namespace URI is this map key, and not among the names.
        const std::wstring* m_namespaceKey;
        mutable std::wstring m_namespaceURI;
        mutable std::wstring m_localName;
        mutable std::wstring m_prefix;
        CXmlWriterContext* m_parent;
        std::wstring m_defaultNamespace;
        // The declarations this scope adds to the scope around it (the
        // document element's: the root namespaces); null without own scope.
        NamespaceMap* m_namespaceMap;
        // Shared by the contexts of one document element, which owns it:
        // lookups cost the same at any depth and with any number of scopes.
        NamespaceIndex* m_index;
        bool m_ownsIndex;
        mutable NamespaceMap m_effective;
        bool m_inherits;
        bool m_ownsMap;
        // The context whose default namespace and map are in effect here.
        CXmlWriterContext* m_scope;
        // Entries of this context's own map found last (map nodes never move
        // and are never erased while the map lives); null slots are unused.
        static const int kRecentCount = 4;
        mutable const NamespaceMap::value_type* m_recent[kRecentCount];
        mutable uint32_t m_recentNext;
        // The name of the end tag as the text writer's UTF-8 output spells it
        // ("prefix:local"), kept when it is short and ASCII so that the end
        // tag is a copy; 0 when not kept. Any change of the names drops it.
        static const uint32_t kEndTagRoom = 48;
        uint32_t m_endTagLength;
        unsigned char m_endTag[kEndTagRoom];
    };

    CXmlWriter();
    CXmlWriter(const CXmlWriter&) = delete;
    CXmlWriter& operator=(const CXmlWriter&) = delete;
    ~CXmlWriter() override;

    virtual void StartDocument();
    // Raises "An Element has not been closed." while an element is open.
    virtual void EndDocument();
    // Before the document element: its default namespace; later: the current
    // element's scope. Writes nothing.
    virtual void SetDefaultNamespace(const std::wstring& namespaceURI);
    // Before the document element: a declaration written on it; later: the
    // current element's scope. Writes nothing.
    virtual void AddNamespace(const std::wstring& prefix, const std::wstring& namespaceURI);
    virtual void WriteComment(const std::wstring& text) = 0;
    virtual void WriteProcessingInstruction(const std::wstring& text) = 0;
    virtual void WriteInLineSchema(const std::wstring& text) = 0;
    virtual void StartElement(const std::wstring& localName, const std::wstring& namespaceURI) = 0;
    virtual void WriteText(const std::wstring& text, ItemType type) = 0;
    virtual void EndElement() = 0;
    virtual void WriteAttribute(const std::wstring& localName, const std::wstring& namespaceURI,
                                const std::wstring& value, ItemType type) = 0;
    virtual void WriteXsiType(const std::wstring& typeNamespaceURI, const std::wstring& typeName, ItemType type) = 0;
    virtual void WriteXsiNil() = 0;

    CXmlWriterContext* GetCurrentElement() const { return m_current; }
    const std::wstring& GetDefaultNamespace() const { return m_defaultNamespace; }
    const NamespaceMap& GetRootNamespaces() const { return m_rootNamespaces; }

    static const wchar_t* const kXmlNamespace;
    static const wchar_t* const kXsiNamespace;

protected:
    // Opens a context for a new element (the document element copies the root
    // map and default namespace; a child shares its parent's scope) and makes
    // it current.
    // A child element with a closed context to reuse is opened in line.
    // With `copyNamespace` false the context has no URI until the caller
    // gives it one (CopyNamespace or UseEntry).
    CXmlWriterContext* OpenContext(const std::wstring& localName, const std::wstring& namespaceURI,
                                   bool copyNamespace = true) {
        if (!m_current || m_spare.empty()) return OpenNewContext(localName, namespaceURI, copyNamespace);
        CXmlWriterContext* c = m_spare.back();
        c->SetNames(localName, namespaceURI, copyNamespace);
        m_spare.pop_back();
        c->m_childCount = 0;
        c->m_startTagOpen = true;
        c->m_depth = m_current->m_depth + 1;
        c->m_inherits = true;
        c->m_scope = m_current->m_scope;
        c->m_index = m_current->m_index;
        c->m_parent = m_current;
        m_current = c;
        return c;
    }
    // Makes the parent current and disposes of the innermost context. One
    // that shared its parent's scope has nothing to release and is kept in
    // line while the list of spare contexts has room.
    void CloseContext() {
        CXmlWriterContext* closed = m_current;
        if (!closed || !closed->m_inherits || m_spare.size() == m_spare.capacity()) {
            CloseContextFully();
            return;
        }
        m_current = closed->m_parent;
        closed->m_parent = nullptr;
        closed->m_inherits = false;
        closed->m_scope = closed;
        m_spare.push_back(closed);
    }
    // Creates an empty context; a writer that keeps more per-element state
    // returns its own subclass.
    virtual CXmlWriterContext* NewContext();

    std::wstring m_defaultNamespace;
    CXmlWriterContext* m_current;
    NamespaceMap m_rootNamespaces;

private:
    CXmlWriterContext* OpenNewContext(const std::wstring& localName, const std::wstring& namespaceURI,
                                      bool copyNamespace);
    void CloseContextFully();

    // Closed contexts kept for reuse, so that writing an element allocates
    // nothing once the deepest level has been reached.
    std::vector<CXmlWriterContext*> m_spare;
};

// Writes XML text into a CTextStream: tags, namespace declarations, escaping,
// tab indentation, the end-of-line style and the declaration. Into a
// CByteTextStream in UTF-8 or UTF-16 it writes the bytes directly, without
// the stream's character buffer (same bytes).
//
// Two choices keep the output well-formed where writing the names and URIs
// literally would not, and are kept on purpose: the namespace URI of an xmlns
// declaration is escaped like an attribute value ("&", "<" and '"'), and an
// end tag always repeats the prefix its start tag was written with, whatever
// declarations were made in between.
class NYXML_API CXmlTextWriter : public CXmlWriter {
public:
    // The stream must outlive the writer. New writers use line feeds and indent.
    explicit CXmlTextWriter(CTextStream* stream);
    ~CXmlTextWriter() override;

    void StartDocument() override;
    void EndDocument() override;
    void WriteComment(const std::wstring& text) override;
    void WriteProcessingInstruction(const std::wstring& text) override;
    void WriteInLineSchema(const std::wstring& text) override;
    void StartElement(const std::wstring& localName, const std::wstring& namespaceURI) override;
    void WriteText(const std::wstring& text, ItemType type) override;
    // Raises "There is no open element to end." when none is open.
    void EndElement() override;
    void WriteAttribute(const std::wstring& localName, const std::wstring& namespaceURI, const std::wstring& value,
                        ItemType type) override;
    void WriteXsiType(const std::wstring& typeNamespaceURI, const std::wstring& typeName, ItemType type) override;
    void WriteXsiNil() override;

    // 0 carriage return + line feed, 1 line feed; others raise "Invalid EOL type.".
    void SetEOLType(EOLType type);
    EOLType GetEOLType() const { return m_eolType; }
    void SetFormatted(bool formatted) { m_formatted = formatted; }
    bool GetFormatted() const { return m_formatted; }
    void WriteXmlDeclaration();

private:
    // The byte encoding and the writer calls that use it.
    struct ByteOutput;
    struct ByteCalls;

    // What StartElement settles before it writes: the element's context, the
    // prefix of its name (null when unprefixed) and whether that prefix is
    // declared here.
    struct StartedElement {
        CXmlWriterContext* element;
        const std::wstring* prefix;
        bool closeParent;
        bool declare;
    };
    StartedElement OpenElement(const std::wstring& localName, const std::wstring& namespaceURI);
    // The prefix of a namespaced attribute, generated (and `declare` set) when
    // the scope has none.
    const std::wstring* AttributePrefix(const std::wstring& namespaceURI, bool& declare);

    void AppendEscaped(const wchar_t* text, size_t length, bool attribute);
    void AppendEscapedSlowly(const wchar_t* text, const wchar_t* end, bool attribute);
    void AppendEscape(wchar_t c, bool attribute);
    void AppendEol();
    void AppendTabs(int32_t count);
    void AppendDeclaration(const std::wstring& prefix, const std::wstring& namespaceURI);
    void AppendRootDeclarations();
    void CheckFlush() {
        if (m_buffer->GetTotal() >= 4096 && !m_flushDoesNothing) m_stream->Flush();
    }
    void RequireOpenStartTag() const;

    std::wstring m_eol;
    EOLType m_eolType;
    bool m_formatted;
    CTextStream* m_stream;
    CStringBuffer* m_buffer;
    // True when the stream is exactly the in-memory CTextStream, whose Flush
    // does nothing: the call is skipped.
    bool m_flushDoesNothing;
    // The stream when it is exactly a CByteTextStream: written directly.
    CByteTextStream* m_byteStream;
};

}  // namespace NyXmlLib9

#endif
