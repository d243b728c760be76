// Fast Infoset options and vocabulary tables.
#ifndef NYXML_FASTINFOSET_H
#define NYXML_FASTINFOSET_H

#include <nyxml/binarydata.h>
#include <nyxml/export.h>
#include <nyxml/streams.h>
#include <nyxml/types.h>
#include <nyxml/writer.h>

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace NyXmlLib9 {

// The vocabulary tables of a Fast Infoset document. Every table is 1-based: an
// entry's index is the table's size after it was appended. A table holds at
// most 2^20 entries; additions beyond that are skipped.
class NYXML_API CFIVocabulary {
public:
    static const uint32_t kMaxTableSize = 1u << 20;

    struct CQNameParts {
        CQNameParts(uint32_t prefix = 0, uint32_t namespaceName = 0, uint32_t localName = 0)
            : PrefixIndex(prefix), NamespaceNameIndex(namespaceName), LocalNameIndex(localName) {}
        uint32_t PrefixIndex;
        uint32_t NamespaceNameIndex;
        uint32_t LocalNameIndex;
    };

    class NYXML_API CFIStringTable {
    public:
        typedef std::vector<std::wstring>::const_iterator const_iterator;
        virtual ~CFIStringTable();
        const_iterator begin() const { return m_items.begin(); }
        const_iterator end() const { return m_items.end(); }
        size_t size() const { return m_items.size(); }
        const std::wstring& operator[](size_t i) const { return m_items[i]; }

    private:
        friend class CFIVocabulary;
        std::vector<std::wstring> m_items;
    };

    class NYXML_API CFIQNameTable {
    public:
        typedef std::vector<CQNameParts>::const_iterator const_iterator;
        virtual ~CFIQNameTable();
        const_iterator begin() const { return m_items.begin(); }
        const_iterator end() const { return m_items.end(); }
        size_t size() const { return m_items.size(); }
        const CQNameParts& operator[](size_t i) const { return m_items[i]; }

    private:
        friend class CFIVocabulary;
        std::vector<CQNameParts> m_items;
    };

    typedef std::unordered_map<std::wstring, uint32_t> IndexMap;

    CFIVocabulary();
    CFIVocabulary(const CFIVocabulary& other);
    CFIVocabulary& operator=(const CFIVocabulary& other);
    virtual ~CFIVocabulary();

    void AddElement(const std::wstring& prefix, const std::wstring& namespaceName, const std::wstring& localName);
    void AddAttribute(const std::wstring& prefix, const std::wstring& namespaceName, const std::wstring& localName);
    void AddPrefixName(const std::wstring& s);
    void AddNamespaceName(const std::wstring& s);
    void AddLocalName(const std::wstring& s);
    void AddAttributeValue(const std::wstring& s);
    void AddElementValue(const std::wstring& s);
    // Appends an alphabet (entry i is restricted alphabet i + 1), for
    // documents whose vocabulary names more than the two built-in ones.
    void AddRestrictedAlphabet(const std::wstring& alphabet);

    bool FindPrefixNameIndex(const std::wstring& s, uint32_t& index) const;
    bool FindNamespaceNameIndex(const std::wstring& s, uint32_t& index) const;
    bool FindLocalNameIndex(const std::wstring& s, uint32_t& index) const;
    static bool FindIndex(const IndexMap& map, const std::wstring& s, uint32_t& index);

    // The key under which a qualified name is entered in the name maps.
    static std::wstring QNameKey(const std::wstring& prefix, const std::wstring& namespaceName,
                                 const std::wstring& localName);

    const std::vector<std::wstring>& GetRestrictedAlphabets() const { return m_restrictedAlphabets; }
    const IndexMap& GetAttributeNamesMap() const { return m_attributeNamesMap; }
    const IndexMap& GetAttributeValuesMap() const { return m_attributeValuesMap; }
    const IndexMap& GetElementNamesMap() const { return m_elementNamesMap; }
    const IndexMap& GetCharacterChunksMap() const { return m_characterChunksMap; }
    const IndexMap& GetLocalNamesMap() const { return m_localNamesMap; }
    const IndexMap& GetNamespaceNamesMap() const { return m_namespaceNamesMap; }
    const IndexMap& GetPrefixNamesMap() const { return m_prefixNamesMap; }

    const CFIQNameTable& GetAttributeNamesTable() const { return m_attributeNames; }
    const CFIStringTable& GetAttributeValuesTable() const { return m_attributeValues; }
    const CFIQNameTable& GetElementNamesTable() const { return m_elementNames; }
    const CFIStringTable& GetCharacterChunksTable() const { return m_characterChunks; }
    const CFIStringTable& GetLocalNamesTable() const { return m_localNames; }
    const CFIStringTable& GetNamespaceNamesTable() const { return m_namespaceNames; }
    const CFIStringTable& GetPrefixNamesTable() const { return m_prefixNames; }

protected:
    static void AddValueToMap(const std::wstring& s, IndexMap& map);
    static void AddValueToVector(const std::wstring& s, std::vector<std::wstring>& list);
    void AddQName(const std::wstring& prefix, const std::wstring& namespaceName, const std::wstring& localName,
                  IndexMap& map, CFIQNameTable& list);
    static void AddQNameToVector(uint32_t prefixIndex, uint32_t namespaceIndex, uint32_t localIndex,
                                 CFIQNameTable& list);

private:
    uint32_t IndexOrAdd(const std::wstring& s, IndexMap& map, CFIStringTable& table);

    std::vector<std::wstring> m_restrictedAlphabets;
    IndexMap m_attributeNamesMap;
    IndexMap m_attributeValuesMap;
    IndexMap m_elementNamesMap;
    IndexMap m_characterChunksMap;
    IndexMap m_localNamesMap;
    IndexMap m_namespaceNamesMap;
    IndexMap m_prefixNamesMap;
    CFIQNameTable m_attributeNames;
    CFIStringTable m_attributeValues;
    CFIQNameTable m_elementNames;
    CFIStringTable m_characterChunks;
    CFIStringTable m_localNames;
    CFIStringTable m_namespaceNames;
    CFIStringTable m_prefixNames;
};

// Fast Infoset options carried by every serialization context.
class NYXML_API CFastInfosetContext {
public:
    static const int kEncodingCount = 29;

    // How values of one item type are written: 0 literal text in the default
    // string encoding, 1 a restricted alphabet, 2 an encoding algorithm; the
    // index is the 1-based alphabet or algorithm number.
    struct EncodedCharacterString {
        int32_t Encoding = 0;
        int32_t Index = 0;
    };

    CFastInfosetContext();
    CFastInfosetContext(const CFastInfosetContext& other) = default;
    CFastInfosetContext& operator=(const CFastInfosetContext& other) = default;
    ~CFastInfosetContext();

    unsigned char GetDefaultStringEncoding() const { return m_defaultStringEncoding; }
    EncodedCharacterString GetEncoding(ItemType type) const;
    void SetEncoding(ItemType type, EncodedCharacterString encoding);
    uint32_t GetAttributeMaxAddLength() const { return m_attributeMaxAddLength; }
    void SetAttributeMaxAddLength(uint32_t length) { m_attributeMaxAddLength = length; }
    uint32_t GetElementMaxAddLength() const { return m_elementMaxAddLength; }
    void SetElementMaxAddLength(uint32_t length) { m_elementMaxAddLength = length; }
    bool GetUseGeneratedVocabulary() const { return m_useGeneratedVocabulary; }
    void SetUseGeneratedVocabulary(bool use) { m_useGeneratedVocabulary = use; }
    CFIVocabulary* GetVocabulary() { return &m_vocabulary; }
    const CFIVocabulary* GetVocabulary() const { return &m_vocabulary; }
    std::wstring GetExternalVocabularyURI() const { return m_externalVocabularyURI; }
    void SetExternalVocabularyURI(std::wstring uri) { m_externalVocabularyURI = std::move(uri); }
    // Fills the encodings with the recommended choice per item type.
    void SetSuggestedValues();

private:
    unsigned char m_defaultStringEncoding;
    EncodedCharacterString m_encodings[kEncodingCount];
    uint32_t m_attributeMaxAddLength;
    uint32_t m_elementMaxAddLength;
    bool m_useGeneratedVocabulary;
    CFIVocabulary m_vocabulary;
    std::wstring m_externalVocabularyURI;
};


// Octets of a value under one of the built-in encoding algorithms of Fast
// Infoset (1 hexadecimal, 2 base64, 3 short, 4 int, 5 long, 6 boolean, 7 float,
// 8 double, 9 uuid, 10 cdata), and its lexical text back.
class NYXML_API CFastInfosetBinaryData : public CBinaryData {
public:
    CFastInfosetBinaryData() = default;
    CFastInfosetBinaryData(const CFastInfosetBinaryData& other) = default;
    CFastInfosetBinaryData(const CBinaryData& other) : CBinaryData(other) {}
    CFastInfosetBinaryData(unsigned char* const bytes, unsigned long length, bool adopt)
        : CBinaryData(bytes, static_cast<uint32_t>(length), adopt) {}
    explicit CFastInfosetBinaryData(const wchar_t* text) : CBinaryData(text) {}
    CFastInfosetBinaryData& operator=(const CFastInfosetBinaryData& other) = default;
    ~CFastInfosetBinaryData() override;

    // Clears the value, then fills it with the octets of `text` under the
    // algorithm; conversion errors propagate and leave the value empty.
    // Raises "Unknown byte encoding." for an algorithm outside 1-10.
    void SetAsEncodedString(unsigned long algorithm, const wchar_t* text);
    // The text of the octets under the algorithm (1-9); list items are joined
    // by one space. An empty value gives an empty text.
    std::wstring GetAsString(unsigned long algorithm) const;
    // The same for any octets.
    static std::wstring GetAsString(unsigned long algorithm, const unsigned char* bytes, uint32_t length);
};

// The Fast Infoset form of the writer interface: the same element, attribute
// and text events as the text writer, written as the octets of a Fast Infoset
// document into a binary stream. Both the stream and the options must outlive
// the writer; the options are read when the writer is made. The octets are
// counted in 32 bits: writing past 4 GiB - 1 of them raises std::length_error.
class NYXML_API CFastInfosetWriter : public CXmlWriter {
public:
    // The writer starts from a copy of `vocabulary` (null: a new initial one).
    CFastInfosetWriter(CBinaryStream* stream, const CFastInfosetContext* options,
                       const CFIVocabulary* vocabulary = nullptr);
    ~CFastInfosetWriter() override;

    // The optional declaration, the identification and the optional components.
    void WriteDocumentHeader(FInfoDecl declaration);
    // The octet that ends the document.
    void WriteDocumentEnd();
    // Moves the octets written so far into the stream.
    void Flush();

    void StartDocument() override;
    void EndDocument() override;
    void WriteComment(const std::wstring& text) override;
    void WriteProcessingInstruction(const std::wstring& text) override;
    void WriteInLineSchema(const std::wstring& text) override;
    void StartElement(const std::wstring& localName, const std::wstring& namespaceURI) override;
    void WriteText(const std::wstring& text, ItemType type) override;
    void EndElement() override;
    void WriteAttribute(const std::wstring& localName, const std::wstring& namespaceURI, const std::wstring& value,
                        ItemType type) override;
    // A type in a namespace other than the default one is written as
    // prefix:name; when no prefix is declared for that namespace, one is
    // generated and declared by a namespace attribute on the element. The
    // writer keeps its generated prefixes itself: the element contexts'
    // FindPrefix and GetEffectiveNamespaces do not list them.
    void WriteXsiType(const std::wstring& typeNamespaceURI, const std::wstring& typeName, ItemType type) override;
    void WriteXsiNil() override;

    // The text of the declaration of a value 1-9; null for other values.
    static const char* DeclarationText(FInfoDecl declaration);
    // URI announced for a generated vocabulary when the options name none.
    static const wchar_t* const kDefaultExternalVocabularyURI;

private:
    struct Impl;
    Impl* m_impl;
};

}  // namespace NyXmlLib9

#endif
