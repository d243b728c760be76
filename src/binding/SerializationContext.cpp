#include <nyxml/context.h>

#include <nyxml/untyped.h>

#include <mutex>

namespace NyXmlLib9 {

namespace {

// Guards the creation of the root attribute collection, which a write through a
// shared (for example the default) context may do on any thread.
std::mutex& RootAttributesLock() {
    static std::mutex lock;
    return lock;
}

}  // namespace

// ---- CNamespaceAliasMap ----

CNamespaceAliasMap::CNamespaceAliasMap() = default;
CNamespaceAliasMap::CNamespaceAliasMap(const CNamespaceAliasMap& other) = default;

CNamespaceAliasMap& CNamespaceAliasMap::operator=(const CNamespaceAliasMap& other) {
    if (this != &other) m_map = other.m_map;
    return *this;
}

CNamespaceAliasMap::~CNamespaceAliasMap() = default;

void CNamespaceAliasMap::Add(const wchar_t* alias, const wchar_t* namespaceUri) {
    m_map[namespaceUri ? namespaceUri : L""] = alias ? alias : L"";
}

void CNamespaceAliasMap::RemoveNamespace(const wchar_t* namespaceUri) {
    m_map.erase(namespaceUri ? namespaceUri : L"");
}

std::wstring CNamespaceAliasMap::GetNamespaceFromAlias(const wchar_t* alias) const {
    const wchar_t* a = alias ? alias : L"";
    for (const auto& entry : m_map)
        if (entry.second == a) return entry.first;
    throw CNyException(FormatString(L"Namespace alias [%s] not found", a));
}

std::wstring CNamespaceAliasMap::GetAliasFromNamespace(const wchar_t* namespaceUri) const {
    auto it = m_map.find(namespaceUri ? namespaceUri : L"");
    return it == m_map.end() ? std::wstring() : it->second;
}

bool CNamespaceAliasMap::DoesNamespaceExist(const wchar_t* namespaceUri) const {
    return m_map.count(namespaceUri ? namespaceUri : L"") != 0;
}

bool CNamespaceAliasMap::DoesAliasExist(const wchar_t* alias) const {
    const wchar_t* a = alias ? alias : L"";
    for (const auto& entry : m_map)
        if (entry.second == a) return true;
    return false;
}

int CNamespaceAliasMap::GetNamespaceCount() const { return static_cast<int>(m_map.size()); }

std::wstring CNamespaceAliasMap::GetNamespaceAt(int index) const {
    if (m_map.empty()) return std::wstring();
    auto it = m_map.begin();
    for (int i = 1; i <= index && std::next(it) != m_map.end(); ++i) ++it;
    return it->first;
}

// ---- CXmlSerializationContext ----

CXmlSerializationContext CXmlSerializationContext::m_defaultContext;

CXmlSerializationContext::CXmlSerializationContext()
    : m_writeTypeAttribute(true),
      m_ignoreInvalidCollectionCounts(false),
      m_ignoreMissingChoice(false),
      m_ignoreMissingMandatoryElements(false),
      m_ignoreUnknownElements(false),
      m_ignoreUnknownAttributes(false),
      m_ignoreNamespaces(false),
      m_schemaType(SchemaType_XSD),
      m_noOptionalAttributeDefaultOutput(false),
      m_stripCDATA(true),
      m_maxDepth(kDefaultMaxDepth) {}

CXmlSerializationContext::CXmlSerializationContext(const CXmlSerializationContext& other)
    : CXmlSerializationContext() {
    *this = other;
}

CXmlSerializationContext& CXmlSerializationContext::operator=(const CXmlSerializationContext& other) {
    if (this == &other) return *this;
    m_defaultNamespaceURI = other.m_defaultNamespaceURI;
    m_writeTypeAttribute = other.m_writeTypeAttribute;
    m_namespaceAliases = other.m_namespaceAliases;
    {
        std::lock_guard<std::mutex> guard(RootAttributesLock());
        m_additionalRootAttributes = other.m_additionalRootAttributes;  // shared, not cloned
    }
    m_processingInstructions = other.m_processingInstructions;
    m_inLineSchema = other.m_inLineSchema;
    m_ignoreInvalidCollectionCounts = other.m_ignoreInvalidCollectionCounts;
    m_ignoreMissingChoice = other.m_ignoreMissingChoice;
    m_ignoreMissingMandatoryElements = other.m_ignoreMissingMandatoryElements;
    m_ignoreUnknownElements = other.m_ignoreUnknownElements;
    m_ignoreUnknownAttributes = other.m_ignoreUnknownAttributes;
    m_ignoreNamespaces = other.m_ignoreNamespaces;
    m_schemaType = other.m_schemaType;
    m_noOptionalAttributeDefaultOutput = other.m_noOptionalAttributeDefaultOutput;
    m_fiContext = other.m_fiContext;
    m_stripCDATA = other.m_stripCDATA;
    m_maxDepth = other.m_maxDepth;
    return *this;
}

CXmlSerializationContext::~CXmlSerializationContext() = default;

CXmlSerializationContext& CXmlSerializationContext::GetDefaultContext() { return m_defaultContext; }

CSmartPtr<CAttributeCol> CXmlSerializationContext::GetAdditionalRootAttributes() const {
    std::lock_guard<std::mutex> guard(RootAttributesLock());
    if (!m_additionalRootAttributes) m_additionalRootAttributes = new CAttributeCol(L"", L"##any", L"");
    return m_additionalRootAttributes;
}

void CXmlSerializationContext::SetMaxDepth(int32_t depth) {
    if (depth < 1)
        throw CNyInvalidParamException(FormatString(L"The maximum depth must be at least 1 [%d]", depth));
    m_maxDepth = depth;
}

void CXmlSerializationContext::SetIgnoreUnknownElements(bool value) {
    if (value && m_ignoreMissingMandatoryElements)
        throw CNyInvalidStateException(
            L"The parser can only ignore additional elements, or ignore the fact that some required ones are "
            L"missing, you can not ignore both\nSet IgnoreMissingMandatoryElements to false before setting "
            L"IgnoreUnknownElements to true");
    m_ignoreUnknownElements = value;
}

void CXmlSerializationContext::SetIgnoreMissingMandatoryElements(bool value) {
    if (value && m_ignoreUnknownElements)
        throw CNyInvalidStateException(
            L"The parser can only ignore additional elements, or ignore the fact that some required ones are "
            L"missing, you can not ignore both\nSet IgnoreUnknownElements to false before setting "
            L"IgnoreMissingMandatoryElements to true");
    m_ignoreMissingMandatoryElements = value;
}

}  // namespace NyXmlLib9
