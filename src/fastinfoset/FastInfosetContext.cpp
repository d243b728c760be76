#include <nyxml/fastinfoset.h>
#include <nyxml/foundation.h>

namespace NyXmlLib9 {

namespace {
const wchar_t kXmlNamespace[] = L"http://www.w3.org/XML/1998/namespace";
}

CFIVocabulary::CFIStringTable::~CFIStringTable() = default;
CFIVocabulary::CFIQNameTable::~CFIQNameTable() = default;

CFIVocabulary::CFIVocabulary() {
    m_restrictedAlphabets.push_back(L"0123456789-+.e ");
    m_restrictedAlphabets.push_back(L"0123456789-:TZ ");
    AddPrefixName(L"xml");
    AddNamespaceName(kXmlNamespace);
}

CFIVocabulary::CFIVocabulary(const CFIVocabulary& other) = default;
CFIVocabulary& CFIVocabulary::operator=(const CFIVocabulary& other) = default;
CFIVocabulary::~CFIVocabulary() = default;

std::wstring CFIVocabulary::QNameKey(const std::wstring& prefix, const std::wstring& namespaceName,
                                     const std::wstring& localName) {
    std::wstring key;
    key.reserve(prefix.size() + namespaceName.size() + localName.size() + 2);
    key += prefix;
    key += L'\0';
    key += namespaceName;
    key += L'\0';
    key += localName;
    return key;
}

void CFIVocabulary::AddValueToMap(const std::wstring& s, IndexMap& map) {
    if (map.size() < kMaxTableSize) map[s] = static_cast<uint32_t>(map.size() + 1);
}

void CFIVocabulary::AddValueToVector(const std::wstring& s, std::vector<std::wstring>& list) {
    if (list.size() < kMaxTableSize) list.push_back(s);
}

void CFIVocabulary::AddQNameToVector(uint32_t prefixIndex, uint32_t namespaceIndex, uint32_t localIndex,
                                     CFIQNameTable& list) {
    if (list.m_items.size() < kMaxTableSize) list.m_items.emplace_back(prefixIndex, namespaceIndex, localIndex);
}

uint32_t CFIVocabulary::IndexOrAdd(const std::wstring& s, IndexMap& map, CFIStringTable& table) {
    uint32_t index = 0;
    if (FindIndex(map, s, index)) return index;
    AddValueToMap(s, map);
    AddValueToVector(s, table.m_items);
    return static_cast<uint32_t>(table.m_items.size());
}

void CFIVocabulary::AddQName(const std::wstring& prefix, const std::wstring& namespaceName,
                             const std::wstring& localName, IndexMap& map, CFIQNameTable& list) {
    std::wstring key = QNameKey(prefix, namespaceName, localName);
    if (map.count(key)) return;
    uint32_t prefixIndex = prefix.empty() ? 0 : IndexOrAdd(prefix, m_prefixNamesMap, m_prefixNames);
    uint32_t namespaceIndex =
        namespaceName.empty() ? 0 : IndexOrAdd(namespaceName, m_namespaceNamesMap, m_namespaceNames);
    uint32_t localIndex = IndexOrAdd(localName, m_localNamesMap, m_localNames);
    AddValueToMap(key, map);
    AddQNameToVector(prefixIndex, namespaceIndex, localIndex, list);
}

void CFIVocabulary::AddElement(const std::wstring& prefix, const std::wstring& namespaceName,
                               const std::wstring& localName) {
    AddQName(prefix, namespaceName, localName, m_elementNamesMap, m_elementNames);
}

void CFIVocabulary::AddAttribute(const std::wstring& prefix, const std::wstring& namespaceName,
                                 const std::wstring& localName) {
    AddQName(prefix, namespaceName, localName, m_attributeNamesMap, m_attributeNames);
}

void CFIVocabulary::AddPrefixName(const std::wstring& s) {
    AddValueToMap(s, m_prefixNamesMap);
    AddValueToVector(s, m_prefixNames.m_items);
}

void CFIVocabulary::AddNamespaceName(const std::wstring& s) {
    AddValueToMap(s, m_namespaceNamesMap);
    AddValueToVector(s, m_namespaceNames.m_items);
}

void CFIVocabulary::AddLocalName(const std::wstring& s) {
    AddValueToMap(s, m_localNamesMap);
    AddValueToVector(s, m_localNames.m_items);
}

void CFIVocabulary::AddAttributeValue(const std::wstring& s) {
    AddValueToMap(s, m_attributeValuesMap);
    AddValueToVector(s, m_attributeValues.m_items);
}

void CFIVocabulary::AddElementValue(const std::wstring& s) {
    AddValueToMap(s, m_characterChunksMap);
    AddValueToVector(s, m_characterChunks.m_items);
}

void CFIVocabulary::AddRestrictedAlphabet(const std::wstring& alphabet) {
    if (m_restrictedAlphabets.size() < 256) m_restrictedAlphabets.push_back(alphabet);
}

bool CFIVocabulary::FindIndex(const IndexMap& map, const std::wstring& s, uint32_t& index) {
    auto it = map.find(s);
    if (it == map.end()) return false;
    index = it->second;
    return true;
}

bool CFIVocabulary::FindPrefixNameIndex(const std::wstring& s, uint32_t& index) const {
    return FindIndex(m_prefixNamesMap, s, index);
}

bool CFIVocabulary::FindNamespaceNameIndex(const std::wstring& s, uint32_t& index) const {
    return FindIndex(m_namespaceNamesMap, s, index);
}

bool CFIVocabulary::FindLocalNameIndex(const std::wstring& s, uint32_t& index) const {
    return FindIndex(m_localNamesMap, s, index);
}

CFastInfosetContext::CFastInfosetContext()
    : m_defaultStringEncoding(0),
      m_encodings(),
      m_attributeMaxAddLength(6),
      m_elementMaxAddLength(6),
      m_useGeneratedVocabulary(false) {}

CFastInfosetContext::~CFastInfosetContext() = default;

CFastInfosetContext::EncodedCharacterString CFastInfosetContext::GetEncoding(ItemType type) const {
    if (type < 0 || type >= kEncodingCount) throw CNyInvalidParamException(L"Index out of range");
    return m_encodings[type];
}

void CFastInfosetContext::SetEncoding(ItemType type, EncodedCharacterString encoding) {
    if (type < 0 || type >= kEncodingCount) throw CNyInvalidParamException(L"Index out of range");
    m_encodings[type] = encoding;
}

void CFastInfosetContext::SetSuggestedValues() {
    struct Choice {
        ItemType type;
        int32_t encoding;
        int32_t index;
    };
    static const Choice kChoices[] = {
        {ItemType_hexBinary, 2, 1}, {ItemType_base64Binary, 2, 2}, {ItemType_i1, 2, 3},
        {ItemType_i2, 2, 3},        {ItemType_ui1, 2, 3},          {ItemType_i4, 2, 4},
        {ItemType_ui2, 2, 4},       {ItemType_i8, 2, 5},           {ItemType_ui4, 2, 5},
        {ItemType_ui8, 2, 5},       {ItemType_r4, 2, 7},           {ItemType_r8, 2, 8},
        {ItemType_duration, 1, 2},  {ItemType_yearMonth, 1, 2},    {ItemType_monthDay, 1, 2},
        {ItemType_year, 1, 2},      {ItemType_month, 1, 2},        {ItemType_day, 1, 2},
        {ItemType_date, 1, 2},      {ItemType_datetime, 1, 2},     {ItemType_time, 1, 2},
        {ItemType_boolean, 2, 6},   {ItemType_decimal, 1, 1},      {ItemType_integer, 1, 1},
    };
    for (const Choice& c : kChoices) {
        m_encodings[c.type].Encoding = c.encoding;
        m_encodings[c.type].Index = c.index;
    }
}

}  // namespace NyXmlLib9
