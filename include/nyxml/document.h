// The element tree that every input is read into, and its loader.
#ifndef NYXML_DOCUMENT_H
#define NYXML_DOCUMENT_H

#include <nyxml/context.h>
#include <nyxml/export.h>
#include <nyxml/foundation.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace NyXmlLib9 {

class CXmlDocument;
class CXmlElement;
class CExpatReader;
class CFastInfosetReader;
class CElement;

// Chooses how CXmlDocument::Load reads files: false (the default) reads the
// whole file at once; true reads XML text in 128 KiB chunks, the next chunk
// being read while the current one is parsed, on the calling thread: through
// io_uring where the build and the kernel allow it, the kernel reading ahead
// meanwhile. Without io_uring the chunks are read plainly when needed (after
// asking the kernel to read ahead): not overlapped otherwise. No thread is
// started either way.
NYXML_API void AsyncFromXmlFile(bool async);
NYXML_API bool GetAsyncFromXmlFile();

class NYXML_API CXmlAttribute : public CInstanceMonitor {
public:
    CXmlAttribute(const CXmlAttribute& other);
    CXmlAttribute& operator=(const CXmlAttribute& other);
    ~CXmlAttribute() override;

    const std::wstring& GetLocalName() const { return *m_localName; }
    // A value read from a document is kept in the block of its element; the
    // string is made at the first call and kept with the attribute.
    const std::wstring& GetValue() const;
    const std::wstring& GetNamespaceURI() const { return *m_namespaceURI; }

    // xmlns, type, schemaLocation or noNamespaceSchemaLocation in the schema
    // instance namespace or the namespace of namespace declarations.
    bool IsNamespaceAttribute() const;
    // nil in one of those two namespaces.
    bool IsNilAttribute() const;

protected:
    CXmlAttribute(const std::wstring& localName, const std::wstring& value, const std::wstring& namespaceURI);

private:
    friend class CXmlElement;
    friend class CExpatReader;
    friend class CFastInfosetReader;
    friend struct CXmlTreeAccess;

    // Names shared through the document's name pool (not owned) or owned; the
    // value's NUL-terminated units where the reader put them.
    CXmlAttribute(const std::wstring* localName, bool ownsLocalName, const std::wstring* namespaceURI,
                  bool ownsNamespace, const wchar_t* value, uint32_t valueLength);
    void ReleaseNames();

    const std::wstring* m_localName;
    const std::wstring* m_namespaceURI;
    // The value: NUL-terminated units, in the element's block or in the
    // attribute's own string, which GetValue makes when there is none.
    const wchar_t* m_valueData;
    mutable std::atomic<std::wstring*> m_valueString;
    uint32_t m_valueLength;
    bool m_ownsLocalName;
    bool m_ownsNamespace;
};

class NYXML_API CXmlElement : public CInstanceMonitor {
public:
    CXmlElement(const CXmlElement&) = delete;
    CXmlElement& operator=(const CXmlElement&) = delete;
    ~CXmlElement() override;

    // Elements of a document live in its arena, an element made by a reader
    // with the room for its attributes in the same block; delete frees any
    // element whole, wherever it came from.
    static void* operator new(size_t size);
    static void operator delete(void* p);

    const CXmlDocument* GetDocument() const { return m_document; }
    CXmlElement* GetFirstElement() const { return m_firstChild; }
    CXmlElement* GetNextSiblingElement() const { return m_nextSibling; }
    const std::wstring& GetNamespaceURI() const { return *m_namespaceURI; }
    const std::wstring& GetLocalName() const { return *m_localName; }
    // The text is kept in the document's memory; the string is made at the
    // first call and kept until the text changes or the element goes.
    const std::wstring& GetText() const;
    // The attributes in document order. An element read from a document
    // keeps them in its own block; the list is made at the first call.
    const std::vector<CXmlAttribute*>& GetAttributes() const;
    // Value of the first attribute with exactly this local name and namespace
    // URI; an empty string when there is none.
    const std::wstring& GetAttribute(const std::wstring& localName, const std::wstring& namespaceURI) const;

protected:
    explicit CXmlElement(const CXmlDocument* document);

    CXmlElement* CreateNewChildElement();
    void AddAttribute(const std::wstring& localName, const std::wstring& value, const std::wstring& namespaceURI);
    void AppendText(const wchar_t* text);
    void AppendText(const wchar_t* text, int length);
    void SetElementName(const std::wstring& name);
    void SetNamespace(const std::wstring& namespaceURI);
    // Unlinks the last child and hands it to the caller; null without children.
    CXmlElement* RemoveLastChildElement();

private:
    friend class CXmlDocument;
    friend class CExpatReader;
    friend class CFastInfosetReader;
    friend class CElement;
    friend struct CXmlTreeAccess;

    struct AttributeRoom {
        size_t bytes;
        void* arena;  // CElementArena of the document, or null
    };
    static void* operator new(size_t size, AttributeRoom room);
    static void operator delete(void* p, AttributeRoom room);
    // A new element with room for `attributes` attributes right after it,
    // which ReserveAttributeBlock then hands out, followed by room for
    // `valueUnits` units of their values and then for `textUnits` units of
    // its text (and the NUL), which ReserveText hands out first.
    static CXmlElement* NewElement(const CXmlDocument* document, size_t attributes, size_t valueUnits = 0,
                                   size_t textUnits = 0);
    CXmlElement* CreateNewChildElement(size_t attributes, size_t valueUnits = 0, size_t textUnits = 0);

    // Room for `extra` more units of text (growing geometrically), returned
    // as the place where they go; CommitText then counts those written.
    wchar_t* ReserveText(size_t extra);
    void CommitText(size_t written);
    void AppendTextUnits(const wchar_t* text, size_t length);
    // Gives back the room a text grown in pieces has to spare.
    void TrimText();
    void ReleaseText();
    void DropTextString();
    // Room for `units` units and the NUL, from the document's memory.
    wchar_t* NewTextBlock(size_t units) const;
    // Points a name at a pooled string, or at an owned copy when the pool is full.
    void AssignName(const std::wstring*& slot, bool& owned, const std::wstring& value);
    // The room for count attributes made with the element, which the reader
    // fills in order; null when the element has no such room.
    CXmlAttribute* ReserveAttributeBlock(size_t count);
    CXmlAttribute* AttributeBlock() const {
        return reinterpret_cast<CXmlAttribute*>(const_cast<char*>(reinterpret_cast<const char*>(this)) +
                                                sizeof(CXmlElement));
    }
    // Where the readers put the values of the block's attributes: after the
    // room for m_blockRoom attributes.
    wchar_t* ValueRoom() const { return reinterpret_cast<wchar_t*>(AttributeBlock() + m_blockRoom); }
    size_t AttributeCount() const {
        const std::vector<CXmlAttribute*>* list = m_attributeList.load(std::memory_order_acquire);
        return list ? list->size() : m_blockCount;
    }
    CXmlAttribute* AttributeAt(size_t i) const {
        const std::vector<CXmlAttribute*>* list = m_attributeList.load(std::memory_order_acquire);
        return list ? (*list)[i] : AttributeBlock() + i;
    }
    const std::vector<CXmlAttribute*>& MakeAttributeList() const;

    const CXmlDocument* m_document;
    CXmlElement* m_nextSibling;
    CXmlElement* m_prevSibling;
    CXmlElement* m_firstChild;
    CXmlElement* m_lastChild;
    // All attributes, made by GetAttributes or by adding one beyond the
    // block: the block's first, in order, then those added; null while the
    // block holds them all.
    mutable std::atomic<std::vector<CXmlAttribute*>*> m_attributeList;
    // The text: NUL-terminated units in a block of the document's memory
    // (null while empty), or in the element's own block (m_textInBlock), and
    // the string GetText made of it.
    wchar_t* m_textData;
    uint32_t m_textLength;
    uint32_t m_textCapacity;  // units, the NUL not counted
    mutable std::atomic<std::wstring*> m_textString;
    const std::wstring* m_localName;
    const std::wstring* m_namespaceURI;
    // The first m_blockCount attributes live in the room for m_blockRoom
    // attributes right after the element, in the same block.
    uint16_t m_blockCount;
    uint16_t m_blockRoom;
    bool m_ownsLocalName;
    bool m_ownsNamespace;
    bool m_textInBlock;
};

// A document keeps its elements in memory of its own, taken in reading order
// from blocks that grow to huge pages for large trees; elements a callback
// discards are reused, and a further load reuses the blocks. When a document
// is destroyed, its blocks stay in the process for the documents loaded after
// it, which then need not fault in fresh pages: up to 4 MiB as they are, and
// up to 1 GiB more with their pages lazily freed, which the system takes back
// whenever it runs short of memory (ReleaseKeptMemory gives all of them back).
class NYXML_API CXmlDocument : public CInstanceMonitor {
public:
    typedef bool (*ElementCallback)(CXmlElement*);

    CXmlDocument();
    explicit CXmlDocument(const CXmlSerializationContext& context);
    explicit CXmlDocument(ElementCallback callback);
    CXmlDocument(ElementCallback callback, const CXmlSerializationContext& context);
    CXmlDocument(const CXmlDocument&) = delete;
    CXmlDocument& operator=(const CXmlDocument&) = delete;
    ~CXmlDocument() override;

    // Reads and parses a file: XML text, compressed (gzip or zlib) or Fast
    // Infoset; only XML text when asynchronous file reading is on.
    void Load(const wchar_t* fileName);
    // Parses a NUL-terminated byte string as XML text (encoding from the byte
    // order mark or the declaration, UTF-8 by default).
    void LoadXml(const char* text);
    // Parses a NUL-terminated wide string as XML text.
    void LoadXml(const wchar_t* text);
    // Parses bytes: compressed, Fast Infoset or XML text.
    void LoadXmlStream(unsigned char* const bytes, uint32_t length);

    CXmlElement* GetDocumentElement() const { return m_documentElement; }
    // URI of the last declaration of the prefix in the document; empty if none.
    std::wstring LookupNamespaceFromAlias(const wchar_t* prefix) const;

    const CXmlSerializationContext& GetContext() const { return *m_context; }

    // Gives back to the system all memory the library keeps in the process
    // once documents are gone: the element memory (at most 4 MiB, and up to
    // 1 GiB lazily freed) that the next documents would otherwise reuse,
    // sparing them fresh page faults.
    // Documents still alive keep theirs. Any thread may call it at any time.
    static void ReleaseKeptMemory();

protected:
    virtual void Cleanup();

private:
    friend class CExpatReader;
    friend class CFastInfosetReader;
    friend struct CXmlTreeAccess;

    CXmlElement* AddDocElement(const wchar_t* namespaceURI, const wchar_t* localName);
    CXmlElement* AddChildElement(const wchar_t* namespaceURI, const wchar_t* localName);
    // Creates the document element or a child of the open element; used by the readers.
    CXmlElement* OpenElement(const std::wstring& namespaceURI, const std::wstring& localName);
    // With room for `attributes` attributes, `valueUnits` units of their
    // values and `textUnits` units of text in the element's allocation.
    CXmlElement* OpenElement(size_t attributes = 0, size_t valueUnits = 0, size_t textUnits = 0);
    void EndElement();
    static void AddElementAttribute(CXmlElement* element, const std::wstring& localName, const std::wstring& value,
                                    const std::wstring& namespaceURI);
    static void AppendTextExcludingCR(CXmlElement* element, const wchar_t* text, uint32_t length);
    static void AppendTextExcludingCR(CXmlElement* element, const wchar_t* text);
    void SetNamespaceAlias(const std::wstring& prefix, const std::wstring& namespaceURI);
    CXmlElement* TopElement() const { return m_openElements.empty() ? nullptr : m_openElements.back(); }

    // Both read `bytes` where they are: the caller's, or the document's own
    // buffer (a file's contents, an inflated or converted input).
    void Parse(const unsigned char* bytes, uint32_t length);
    void ParseText(const unsigned char* bytes, uint32_t length);
    void AsyncLoad(const wchar_t* fileName);
    void AsyncParse(bool last);
    bool ReadChunkFromFile(unsigned char* buffer);
    void SyncLoad(const wchar_t* fileName);
    bool Inflate(const unsigned char* bytes, uint32_t length);
    void ReleaseInput();

    static const uint32_t kChunkSize = 131072;


    // Asynchronous read state, used only inside Load.
    void* m_asyncIo;  // Platform::AsyncIo
    uint64_t m_filePosition;
    int m_fileHandle;
    std::wstring m_fileName;

    CXmlElement* m_documentElement;
    std::vector<CXmlElement*> m_openElements;
    std::map<std::wstring, std::wstring, std::less<>> m_namespaceAliases;
    unsigned char* m_input;
    uint32_t m_inputLength;
    SchemaType m_schemaType;
    ElementCallback m_callback;
    const CXmlSerializationContext* m_context;
    void* m_namePool;  // CNamePool: names shared by the nodes of this document
    void* m_elementArena;  // CElementArena: memory of the elements of this document

    friend class CXmlElement;
};

}  // namespace NyXmlLib9

#endif
