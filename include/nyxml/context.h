// Options of every read and write, and the prefix table written on the root element.
#ifndef NYXML_CONTEXT_H
#define NYXML_CONTEXT_H

#include <nyxml/export.h>
#include <nyxml/fastinfoset.h>
#include <nyxml/foundation.h>
#include <nyxml/types.h>

#include <map>
#include <string>
#include <vector>

namespace NyXmlLib9 {

// Namespace URI -> alias, ordered by plain code-unit comparison of the URIs.
class NYXML_API CNamespaceAliasMap {
public:
    CNamespaceAliasMap();
    CNamespaceAliasMap(const CNamespaceAliasMap& other);
    CNamespaceAliasMap& operator=(const CNamespaceAliasMap& other);
    virtual ~CNamespaceAliasMap();

    void Add(const wchar_t* alias, const wchar_t* namespaceUri);
    void RemoveNamespace(const wchar_t* namespaceUri);
    std::wstring GetNamespaceFromAlias(const wchar_t* alias) const;
    std::wstring GetAliasFromNamespace(const wchar_t* namespaceUri) const;
    bool DoesNamespaceExist(const wchar_t* namespaceUri) const;
    bool DoesAliasExist(const wchar_t* alias) const;
    int GetNamespaceCount() const;
    std::wstring GetNamespaceAt(int index) const;

private:
    std::map<std::wstring, std::wstring> m_map;
};

class CAttributeCol;

class NYXML_API CXmlSerializationContext {
public:
    CXmlSerializationContext();
    CXmlSerializationContext(const CXmlSerializationContext& other);
    CXmlSerializationContext& operator=(const CXmlSerializationContext& other);
    virtual ~CXmlSerializationContext();

    static CXmlSerializationContext& GetDefaultContext();
    static CXmlSerializationContext m_defaultContext;

    bool GetIgnoreUnknownAttributes() const { return m_ignoreUnknownAttributes; }
    void SetIgnoreUnknownAttributes(bool value) { m_ignoreUnknownAttributes = value; }
    bool GetIgnoreUnknownElements() const { return m_ignoreUnknownElements; }
    void SetIgnoreUnknownElements(bool value);
    bool GetIgnoreMissingMandatoryElements() const { return m_ignoreMissingMandatoryElements; }
    void SetIgnoreMissingMandatoryElements(bool value);
    bool GetIgnoreMissingChoice() const { return m_ignoreMissingChoice; }
    void SetIgnoreMissingChoice(bool value) { m_ignoreMissingChoice = value; }
    bool GetIgnoreInvalidCollectionCounts() const { return m_ignoreInvalidCollectionCounts; }
    void SetIgnoreInvalidCollectionCounts(bool value) { m_ignoreInvalidCollectionCounts = value; }
    // True when IgnoreNamespaces is set or the schema type is 2.
    bool GetIgnoreNamespaces() const { return m_ignoreNamespaces || m_schemaType == SchemaType_NoNamespaces; }
    void SetIgnoreNamespaces(bool value) { m_ignoreNamespaces = value; }
    bool GetNoOptionalAttributeDefaultOutput() const { return m_noOptionalAttributeDefaultOutput; }
    void SetNoOptionalAttributeDefaultOutput(bool value) { m_noOptionalAttributeDefaultOutput = value; }
    bool GetWriteTypeAttribute() const { return m_writeTypeAttribute; }
    void SetWriteTypeAttribute(bool value) { m_writeTypeAttribute = value; }
    SchemaType GetSchemaType() const { return m_schemaType; }
    void SetSchemaType(SchemaType value) { m_schemaType = value; }
    bool GetStripCDATA() const { return m_stripCDATA; }
    void SetStripCDATA(bool value) { m_stripCDATA = value; }
    std::wstring GetInLineSchema() const { return m_inLineSchema; }
    void SetInLineSchema(const wchar_t* schema) { m_inLineSchema = schema ? schema : L""; }
    std::wstring GetDefaultNamespaceURI() const { return m_defaultNamespaceURI; }
    void SetDefaultNamespaceURI(const wchar_t* uri) { m_defaultNamespaceURI = uri ? uri : L""; }

    // The deepest nesting of generated classes that reading and writing
    // follow. A class reads and writes the classes of its members by calling
    // them, so each level takes room on the calling thread's stack (a few
    // hundred bytes in an optimised build, several times that with sanitizers);
    // a document or an object tree nested deeper ends in a
    // CNyValidationException naming the limit instead of overflowing the
    // stack. The default, kDefaultMaxDepth, uses about a tenth of the default
    // 8 MiB stack of Linux threads. To accept deeper documents, read them on a
    // thread with a larger stack (`ulimit -s` for the main thread,
    // pthread_attr_setstacksize for another) and raise the limit by about 250
    // levels per MiB, which keeps the same margin; threads with small stacks
    // (musl's 128 KiB default) should lower it. Untyped content (CElement) is
    // read and written without recursion and has no such limit. Values below
    // 1 raise CNyInvalidParamException.
    static const int32_t kDefaultMaxDepth = 2000;
    int32_t GetMaxDepth() const { return m_maxDepth; }
    void SetMaxDepth(int32_t depth);

    CFastInfosetContext& GetFIContext() { return m_fiContext; }
    const CFastInfosetContext& GetFIContext() const { return m_fiContext; }
    CNamespaceAliasMap& GetNamespaceAliases() { return m_namespaceAliases; }
    const CNamespaceAliasMap& GetNamespaceAliases() const { return m_namespaceAliases; }
    // Untyped attributes written on the root element. Created empty (namespace
    // rule "##any") on the first call, or by the first write of a document
    // element with this context; every call returns the same collection, which
    // contexts assigned from each other share. The creation is guarded, so
    // writes on several threads may share one context.
    CSmartPtr<CAttributeCol> GetAdditionalRootAttributes() const;
    // The collection when one was created, else null; never creates one.
    CAttributeCol* PeekAdditionalRootAttributes() const { return m_additionalRootAttributes.Get(); }
    std::vector<std::wstring>& GetProcessingInstructions() { return m_processingInstructions; }
    const std::vector<std::wstring>& GetProcessingInstructions() const { return m_processingInstructions; }

    // Name match under this context: local names equal and, unless namespaces
    // are ignored, namespace URIs equal too.
    bool NamesMatch(const std::wstring& localName1, const std::wstring& namespace1,
                    const std::wstring& localName2, const std::wstring& namespace2) const {
        if (localName1 != localName2) return false;
        return GetIgnoreNamespaces() || namespace1 == namespace2;
    }

private:
    std::wstring m_defaultNamespaceURI;
    bool m_writeTypeAttribute;
    CNamespaceAliasMap m_namespaceAliases;
    mutable CSmartPtr<CAttributeCol> m_additionalRootAttributes;
    std::vector<std::wstring> m_processingInstructions;
    std::wstring m_inLineSchema;
    bool m_ignoreInvalidCollectionCounts;
    bool m_ignoreMissingChoice;
    bool m_ignoreMissingMandatoryElements;
    bool m_ignoreUnknownElements;
    bool m_ignoreUnknownAttributes;
    bool m_ignoreNamespaces;
    SchemaType m_schemaType;
    bool m_noOptionalAttributeDefaultOutput;
    CFastInfosetContext m_fiContext;
    bool m_stripCDATA;
    int32_t m_maxDepth;
};

}  // namespace NyXmlLib9

#endif
