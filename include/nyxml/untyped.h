// Untyped elements and attributes: the content of xs:any and xs:anyAttribute,
// held under a namespace restriction in the wildcard syntax.
#ifndef NYXML_UNTYPED_H
#define NYXML_UNTYPED_H

#include <nyxml/collections.h>
#include <nyxml/export.h>
#include <nyxml/objectbase.h>

#include <string>

namespace NyXmlLib9Data {
class CElementInfo;
}

namespace NyXmlLib9 {

class CAttributeCol;
class CElementCol;

class NYXML_API CAttribute : public CXmlObjectBase, private CInstanceMonitor {
public:
    CAttribute(const CAttribute& other);
    CAttribute& operator=(const CAttribute& other);
    ~CAttribute() override;

    CXmlObjectBase* GetBase() override { return this; }
    std::wstring GetNamespace() override { return m_namespace; }

    std::wstring GetName() const { return m_name; }
    void SetName(const wchar_t* name) { m_name = name ? name : L""; }
    std::wstring GetValue() const { return m_value; }
    void SetValue(const wchar_t* value) { m_value = value ? value : L""; }
    const std::wstring& GetNamespaceURI() const { return m_namespace; }
    void SetNamespace(const wchar_t* ns) { m_namespace = ns ? ns : L""; }

    CSmartPtr<CAttribute> Clone() const;

protected:
    CAttribute(const wchar_t* name, const wchar_t* value, const wchar_t* namespaceUri);

    std::wstring GetTargetNamespace() override { return m_namespace; }
    void ToXml_Int(CXmlWriter* writer, bool isDocumentRoot, const wchar_t* namespaceUri,
                   const CXmlSerializationContext& ctx, bool flag) const override;
    CXmlElement* FromXml_Int(CXmlElement* element, CXmlElement* firstChild, const CXmlSerializationContext& ctx,
                             bool flag) override;

private:
    friend class CAttributeCol;

    std::wstring m_name;
    std::wstring m_value;
    std::wstring m_namespace;
};

class NYXML_API CAttributeCol : public CXmlCollection, private CInstanceMonitor {
public:
    typedef CNyIterator<CAttribute> iterator;

    // An empty namespace takes the first token of the restriction when that is
    // a URI (at least two characters, neither of the first two a '#').
    CAttributeCol(const wchar_t* namespaceUri, const wchar_t* namespaceRestriction, const wchar_t* targetNamespace);
    CAttributeCol(const CAttributeCol& other);
    CAttributeCol& operator=(const CAttributeCol& other);
    ~CAttributeCol() override;

    // Checks the namespace against the restriction, then appends.
    CSmartPtr<CAttribute> Add(const wchar_t* name, const wchar_t* value, const wchar_t* namespaceUri);
    CSmartPtr<CAttribute> Add(const wchar_t* name, const wchar_t* value);
    CSmartPtr<CAttribute> Add(const wchar_t* name);
    // Appends without a namespace check.
    CSmartPtr<CAttribute> Add(CAttribute* attribute);
    CSmartPtr<CAttribute> Item(int index) const;
    void AddBefore(const CAttribute* existing, CAttribute* attribute);
    void AddAfter(const CAttribute* existing, CAttribute* attribute);
    iterator begin() const { return iterator(GetHead()); }
    iterator end() const { return iterator(nullptr); }
    CSmartPtr<CAttributeCol> Clone() const;

    const std::wstring& GetNamespaceRestriction() const { return m_restriction; }
    std::wstring GetTargetNamespace() override { return m_targetNamespace; }

protected:
    void ToXml_Int(CXmlWriter* writer, bool isDocumentRoot, const wchar_t* namespaceUri,
                   const CXmlSerializationContext& ctx, bool flag) const override;
    // Takes every attribute of the element; one outside the restriction fails.
    CXmlElement* FromXml_Int(CXmlElement* element, CXmlElement* firstChild, const CXmlSerializationContext& ctx,
                             bool flag) override;

private:
    CSharedText m_restriction;
    CSharedText m_targetNamespace;
};

class NYXML_API CElement : public CXmlObjectBase, private CInstanceMonitor {
public:
    explicit CElement(const wchar_t* name);
    // The namespace may not be one of the four wildcard keywords.
    CElement(const wchar_t* name, const wchar_t* namespaceUri);
    CElement(const wchar_t* name, const wchar_t* namespaceUri, const wchar_t* namespaceRestriction,
             const wchar_t* targetNamespace);
    // An untyped copy of any bindable object, written and read back.
    CElement(CXmlObjectBase* object, const wchar_t* defaultNamespace);
    // Copies the strings and shares the attribute and child collections.
    CElement(const CElement& other);
    CElement& operator=(const CElement& other);
    ~CElement() override;

    CXmlObjectBase* GetBase() override { return this; }
    std::wstring GetNamespace() override { return m_namespace; }

    std::wstring GetName() const { return m_name; }
    void SetName(const wchar_t* name) { m_name = name ? name : L""; }
    std::wstring GetText() const { return m_text; }
    void SetText(const wchar_t* text) { m_text = text ? text : L""; }
    const std::wstring& GetNamespaceURI() const { return m_namespace; }
    void SetNamespace(const wchar_t* ns) { m_namespace = ns ? ns : L""; }
    std::wstring GetDefaultNamespace() const { return m_defaultNamespace; }
    CSmartPtr<CAttributeCol> GetAttributes() const { return m_attributes; }
    CSmartPtr<CElementCol> GetChildElements() const { return m_children; }
    void SetNamespaceRestrictions(const wchar_t* restriction, const wchar_t* targetNamespace);
    const std::wstring& GetNamespaceRestriction() const { return m_restriction; }
    CSmartPtr<CElement> Clone() const;
    // Reads the element from XML text under the default context.
    void FromXml(const wchar_t* xml);
    using CXmlObjectBase::FromXml;

protected:
    std::wstring GetTargetNamespace() override { return m_namespace; }
    void ToXml_Int(CXmlWriter* writer, bool isDocumentRoot, const wchar_t* namespaceUri,
                   const CXmlSerializationContext& ctx, bool flag) const override;
    CXmlElement* FromXml_Int(CXmlElement* element, CXmlElement* firstChild, const CXmlSerializationContext& ctx,
                             bool flag) override;
    void ReadRoot(CXmlElement* root, const CXmlSerializationContext& ctx) override;
    void CopyXmlElement(CXmlElement* element);
    void Init(const wchar_t* name, const wchar_t* namespaceUri, const wchar_t* namespaceRestriction,
              const wchar_t* targetNamespace);

private:
    friend class CElementCol;

    std::wstring m_name;
    std::wstring m_text;
    std::wstring m_namespace;
    std::wstring m_restriction;
    std::wstring m_targetNamespace;
    CSmartPtr<CAttributeCol> m_attributes;
    CSmartPtr<CElementCol> m_children;
    std::wstring m_defaultNamespace;
};

class NYXML_API CElementCol : public CXmlCollection, private CInstanceMonitor {
public:
    typedef CNyIterator<CElement> iterator;

    // The occurrence bounds are not kept: the collection accepts any count.
    CElementCol(const wchar_t* namespaceUri, const wchar_t* namespaceRestriction, const wchar_t* targetNamespace,
                int minOccurs = 0, int maxOccurs = -1);
    CElementCol(const CElementCol& other);
    CElementCol& operator=(const CElementCol& other);
    ~CElementCol() override;

    CSmartPtr<CElement> Add(const wchar_t* name, const wchar_t* namespaceUri);
    CSmartPtr<CElement> Add(const wchar_t* name);
    CSmartPtr<CElement> Add(CElement* element);
    CSmartPtr<CElement> Item(int index) const;
    void AddBefore(const CElement* existing, CElement* element);
    void AddAfter(const CElement* existing, CElement* element);
    iterator begin() const { return iterator(GetHead()); }
    iterator end() const { return iterator(nullptr); }
    CSmartPtr<CElementCol> Clone() const;

    std::wstring GetNamespace() override { return m_targetNamespace; }
    std::wstring GetTargetNamespace() override { return m_targetNamespace; }
    // Namespace of the elements that Add(name) creates.
    const std::wstring& GetElementNamespace() const { return m_elementNamespace; }

protected:
    void ToXml_Int(CXmlWriter* writer, bool isDocumentRoot, const wchar_t* namespaceUri,
                   const CXmlSerializationContext& ctx, bool flag) const override;
    CXmlElement* FromXml_Int(CXmlElement* element, CXmlElement* firstChild, const CXmlSerializationContext& ctx,
                             bool flag) override;
    // Reads the run of elements with exactly this name and namespace.
    virtual CXmlElement* FromXmlLockElementName_Int(std::wstring localName, std::wstring namespaceUri,
                                                    CXmlElement* parent, CXmlElement* firstElement,
                                                    const CXmlSerializationContext& ctx);

private:
    friend class CElement;
    friend class NyXmlLib9Data::CElementInfo;  // reads named wildcard runs
    CXmlElement* ReadRun(CXmlElement* first, const std::wstring* localName, const std::wstring* namespaceUri,
                         const CXmlSerializationContext& ctx);

    std::wstring m_elementNamespace;
    std::wstring m_elementRestriction;
    std::wstring m_targetNamespace;
};

}  // namespace NyXmlLib9

#endif
