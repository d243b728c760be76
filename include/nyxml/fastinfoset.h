// Fast Infoset options and vocabulary tables.
#ifndef NYXML_FASTINFOSET_H
#define NYXML_FASTINFOSET_H

#include <nyxml/export.h>
#include <nyxml/types.h>

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

}  // namespace NyXmlLib9

#endif
