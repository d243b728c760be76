#include <nyxml/objectbase.h>

#include <nyxml/collections.h>
#include <nyxml/document.h>
#include <nyxml/streams.h>
#include <nyxml/untyped.h>
#include <nyxml/writer.h>

#include "binding/SharedNames.h"
#include "foundation/TextInternal.h"
#include "platform/Memory.h"

#include <cwchar>

namespace NyXmlLib9 {

CXmlObjectBase::CXmlObjectBase() : m_elementName(&SharedEmptyName()), m_refCount(0), m_ownsElementName(false) {}

// A copy is a new object: it starts without owners, and assignment leaves the
// target's owners alone. Copying the count would leak a copy handed to a
// CSmartPtr, and assigning it would free an object that still has owners.
// A name of the object's own is copied into the copy's own.
CXmlObjectBase::CXmlObjectBase(const CXmlObjectBase& other)
    : IEventSink(),
      m_elementName(other.m_ownsElementName ? new std::wstring(*other.m_elementName) : other.m_elementName),
      m_refCount(0),
      m_ownsElementName(other.m_ownsElementName) {}

CXmlObjectBase& CXmlObjectBase::operator=(const CXmlObjectBase& other) {
    if (this == &other) return *this;
    if (other.m_ownsElementName)
        SetOwnElementName(other.m_elementName->data(), other.m_elementName->size());
    else
        SetSharedElementName(other.m_elementName);
    return *this;
}

CXmlObjectBase::~CXmlObjectBase() {
    if (m_ownsElementName) delete m_elementName;
    Platform::NoteObjectFreed();
}

void CXmlObjectBase::OnEvent(CXmlObjectBase*, MsgType, void*) {}

const CXmlObjectBase* CXmlObjectBase::GetBase() const { return const_cast<CXmlObjectBase*>(this)->GetBase(); }

int32_t CXmlObjectBase::AddRef() { return ++m_refCount; }

int32_t CXmlObjectBase::Release() {
    int32_t count = --m_refCount;
    if (count == 0) delete this;
    return count;
}

void CXmlObjectBase::AttributesToXml_Int(CXmlWriter*, const CXmlSerializationContext&) const {}

void CXmlObjectBase::SetElementName(const wchar_t* name) {
    if (!name) name = L"";
    if (const std::wstring* shared = SharedElementName(name))
        SetSharedElementName(shared);
    else
        SetOwnElementName(name, std::wcslen(name));
}

void CXmlObjectBase::SetSharedElementName(const std::wstring* shared) {
    if (m_ownsElementName) delete m_elementName;
    m_elementName = shared;
    m_ownsElementName = false;
}

void CXmlObjectBase::SetOwnElementName(const wchar_t* name, size_t length) {
    if (m_ownsElementName) {
        const_cast<std::wstring*>(m_elementName)->assign(name, length);
        return;
    }
    m_elementName = new std::wstring(name, length);
    m_ownsElementName = true;
}

void CXmlObjectBase::SetElementName(CXmlObjectBase* object, const wchar_t* name) { object->SetElementName(name); }

// ---- dispatchers ----

void CXmlObjectBase::ToXml_Int(const CXmlObjectBase* object, CXmlWriter* writer, bool isDocumentRoot,
                               const wchar_t* namespaceUri, const CXmlSerializationContext& ctx, bool flag) {
    object->ToXml_Int(writer, isDocumentRoot, namespaceUri, ctx, flag);
}

CXmlElement* CXmlObjectBase::FromXml_Int(CXmlObjectBase* object, CXmlElement* element, CXmlElement* firstChild,
                                         const CXmlSerializationContext& ctx) {
    return object->FromXml_Int(element, firstChild, ctx, false);
}

void CXmlObjectBase::AttributesToXml_Int(const CXmlObjectBase* object, CXmlWriter* writer,
                                         const CXmlSerializationContext& ctx) {
    object->AttributesToXml_Int(writer, ctx);
}

std::wstring CXmlObjectBase::GetTargetNamespace(const CXmlObjectBase* object) {
    return const_cast<CXmlObjectBase*>(object)->GetTargetNamespace();
}

// ---- namespace and name checks ----

bool CXmlObjectBase::IsNamespaceValid(const wchar_t* namespaceUri, const wchar_t* allowed,
                                      const wchar_t* targetNamespace) {
    const wchar_t* ns = namespaceUri ? namespaceUri : L"";
    const wchar_t* target = targetNamespace ? targetNamespace : L"";
    const wchar_t* p = allowed ? allowed : L"";
    const size_t nsLength = std::wcslen(ns);
    // Tokens are separated by single blanks; an empty list is one empty token.
    for (;;) {
        const wchar_t* end = p;
        while (*end && *end != L' ') ++end;
        const size_t length = static_cast<size_t>(end - p);
        auto is = [p, length](const wchar_t* word) {
            return std::wcslen(word) == length && std::wmemcmp(p, word, length) == 0;
        };
        bool accepted;
        if (is(L"##any"))
            accepted = true;
        else if (is(L"##other"))
            accepted = std::wcscmp(ns, target) != 0;
        else if (is(L"##local"))
            accepted = nsLength == 0;
        else if (is(L"##targetNamespace"))
            accepted = std::wcscmp(ns, target) == 0;
        else
            accepted = nsLength == 0 || (nsLength == length && std::wmemcmp(ns, p, length) == 0);
        if (accepted) return true;
        if (!*end) return false;
        p = end + 1;
    }
}

void CXmlObjectBase::TestNamespace(const wchar_t* namespaceUri, const wchar_t* allowed,
                                   const wchar_t* targetNamespace) const {
    if (!IsNamespaceValid(namespaceUri, allowed, targetNamespace))
        throw CNyInvalidNamespaceException(
            FormatString(L"Invalid namespace [%s]. The namespace must be one of [%s] where the target namespace is [%s]",
                         namespaceUri ? namespaceUri : L"", allowed ? allowed : L"",
                         targetNamespace ? targetNamespace : L""));
}

bool CXmlObjectBase::DoesElementNameMatch(const CXmlSerializationContext& ctx, const CXmlElement* element,
                                          const wchar_t* name, const wchar_t* namespaceUri) const {
    if (!element || !SameText(element->GetLocalName(), name ? name : L"")) return false;
    return ctx.GetIgnoreNamespaces() || SameText(element->GetNamespaceURI(), namespaceUri ? namespaceUri : L"");
}

// ---- property setter checks ----

void CXmlObjectBase::Throw_IfPropertyIsNull(CXmlObjectBase* value, const wchar_t* propertyName) {
    if (!value)
        throw CNyInvalidParamException(
            FormatString(L"The Property [%s] is mandatory, it may node be NULL", propertyName ? propertyName : L""));
}

void CXmlObjectBase::Throw_IfElementNameDiffers(CXmlObjectBase* value, const wchar_t* expectedName) {
    if (!value) return;
    std::wstring actual = value->GetBase()->ElementName();
    std::wstring expected = expectedName ? expectedName : L"";
    if (actual != expected)
        throw CNyInvalidParamException(FormatString(
            L"This property requrires an element with the name %s the element being set has the element name %s",
            expected.c_str(), actual.c_str()));
}

// ---- choice bookkeeping ----

namespace {

[[noreturn]] void ThrowAlreadySet(const std::wstring& selected) {
    throw CNyInvalidStateException(FormatString(
        L"The Property [%s] is already set. Only one element within this class bay be set at a time", selected.c_str()));
}

}  // namespace

void CXmlObjectBase::Choice_SelectElement(const wchar_t* elementName, CXmlObjectBase* value, std::wstring& selected) {
    std::wstring name = elementName ? elementName : L"";
    if (selected == name) {
        if (!value) selected.clear();
    } else if (selected.empty()) {
        selected = name;
    } else if (value) {
        ThrowAlreadySet(selected);
    }
}

void CXmlObjectBase::Choice_CollectionChanged(const wchar_t* elementName, int32_t count, std::wstring& selected) {
    std::wstring name = elementName ? elementName : L"";
    if (selected == name) {
        if (count == 0) selected.clear();
    } else if (selected.empty()) {
        if (count >= 1) selected = name;
    } else if (count != 0) {
        ThrowAlreadySet(selected);
    }
}

void CXmlObjectBase::Choice_SetElementValid(bool valid, const wchar_t* elementName, std::wstring& selected) {
    std::wstring name = elementName ? elementName : L"";
    if (!valid) {
        selected.clear();
        return;
    }
    if (!selected.empty() && selected != name)
        throw CNyInvalidStateException(FormatString(
            L"The Property %s is already set. Only one element within this class bay be set at a time",
            selected.c_str()));
    selected = name;
}

void CXmlObjectBase::Choice_Read_Collection(CXmlCollectionBase* collection, CXmlElement* element,
                                            CXmlElement*& cursor, int32_t& count,
                                            const CXmlSerializationContext& ctx) {
    if (count >= 1) return;
    CXmlElement* next = FromXml_Int(collection, element, cursor, ctx);
    if (next != cursor) {
        cursor = next;
        collection->ValidateCount(ctx);
        ++count;
    }
}

// ---- collection events ----

void CXmlObjectBase::FireOnCollectionChangeEvent(IEventSink* sink, CXmlCollectionBase* collection) {
    sink->OnEvent(collection->GetBase(), MsgType_Change, nullptr);
}

void CXmlObjectBase::FireOnCollectionAddEvent(IEventSink* sink, CXmlCollectionBase* collection, void* item) {
    sink->OnEvent(collection->GetBase(), MsgType_Add, item);
}

void CXmlObjectBase::FireOnCollectionAddCompleteEvent(IEventSink* sink, CXmlCollectionBase* collection, void* item) {
    sink->OnEvent(collection->GetBase(), MsgType_AddComplete, item);
}

void CXmlObjectBase::FireOnCollectionRemoveEvent(IEventSink* sink, CXmlCollectionBase* collection, int index) {
    int copy = index;
    sink->OnEvent(collection->GetBase(), MsgType_Remove, index == -1 ? nullptr : &copy);
}

void CXmlObjectBase::FireOnCollectionRemoveCompleteEvent(IEventSink* sink, CXmlCollectionBase* collection,
                                                         int index) {
    int copy = index;
    sink->OnEvent(collection->GetBase(), MsgType_RemoveComplete, index == -1 ? nullptr : &copy);
}

}  // namespace NyXmlLib9

// ---- entry points ----

namespace NyXmlLib9 {

void CXmlObjectBase::WriteDocument(CXmlTextWriter* writer, bool writeDeclaration,
                                   const CXmlSerializationContext& ctx) const {
    writer->StartDocument();
    if (writeDeclaration) writer->WriteXmlDeclaration();
    std::wstring target = GetTargetNamespace(this);
    ToXml_Int(writer, true, target.c_str(), ctx, false);
    writer->EndDocument();
}

std::wstring CXmlObjectBase::ToXml(bool writeDeclaration, bool formatted, EOLType eol,
                                   const CXmlSerializationContext& ctx) const {
    CTextStream stream(XmlEncoding_None);
    CXmlTextWriter writer(&stream);
    writer.SetFormatted(formatted);
    writer.SetEOLType(eol);
    WriteDocument(&writer, writeDeclaration, ctx);
    return stream.GetBuffer().GetString();
}

std::wstring CXmlObjectBase::ToXml(bool writeDeclaration, bool formatted, EOLType eol) const {
    return ToXml(writeDeclaration, formatted, eol, CXmlSerializationContext::GetDefaultContext());
}

CBinaryData CXmlObjectBase::ToXmlStream(bool writeDeclaration, bool formatted, XmlEncoding encoding, EOLType eol,
                                        const CXmlSerializationContext& ctx, CompressionType compression) const {
    // Encodes each flushed piece at once, so the wide text never piles up.
    CByteTextStream stream(encoding);
    CXmlTextWriter writer(&stream);
    writer.SetFormatted(formatted);
    writer.SetEOLType(eol);
    WriteDocument(&writer, writeDeclaration, ctx);
    CBinaryData bytes = stream.GetBytes();
    if (compression != Compression_None) CCompression::Compress(bytes, compression);
    return bytes;
}

void CXmlObjectBase::ToXmlFile(const wchar_t* fileName, bool writeDeclaration, bool formatted, XmlEncoding encoding,
                               EOLType eol, const CXmlSerializationContext& ctx,
                               CompressionType compression) const {
    if (compression == Compression_ZLib)
        throw CNyException(L"ZLIB Compression only available for To Stream methods.");
    if (GetAsyncToXmlFile() && compression == Compression_None) {
        CFileTextStream stream(fileName, encoding);
        CXmlTextWriter writer(&stream);
        writer.SetFormatted(formatted);
        writer.SetEOLType(eol);
        WriteDocument(&writer, writeDeclaration, ctx);
        return;
    }
    CBinaryData bytes = ToXmlStream(writeDeclaration, formatted, encoding, eol, ctx, compression);
    CFileBinaryStream file(fileName, encoding, bytes);
    file.Write();
}

CBinaryData CXmlObjectBase::ToFastInfosetStream(FInfoDecl declaration, const CXmlSerializationContext& ctx,
                                                CompressionType compression) const {
    if (compression != Compression_None && compression != Compression_GZip && compression != Compression_ZLib)
        throw CNyInvalidParamException(FormatString(L"Unknown compression type [%d]", static_cast<int>(compression)));
    const CFastInfosetContext& options = ctx.GetFIContext();
    CBinaryStream stream;
    CFastInfosetWriter writer(&stream, &options,
                              options.GetUseGeneratedVocabulary() ? options.GetVocabulary() : nullptr);
    writer.WriteDocumentHeader(declaration);
    writer.StartDocument();
    std::wstring target = GetTargetNamespace(this);
    ToXml_Int(&writer, true, target.c_str(), ctx, false);
    writer.WriteDocumentEnd();
    writer.EndDocument();
    CBinaryData bytes = stream.GetData();
    if (compression != Compression_None) CCompression::Compress(bytes, compression);
    return bytes;
}

void CXmlObjectBase::ToFastInfosetFile(const wchar_t* fileName, FInfoDecl declaration,
                                       const CXmlSerializationContext& ctx, CompressionType compression) const {
    if (compression == Compression_ZLib)
        throw CNyException(L"ZLIB Compression only available for To Stream methods.");
    CBinaryData bytes = ToFastInfosetStream(declaration, ctx, compression);
    CFileBinaryStream file(fileName, XmlEncoding_UTF8, bytes);
    file.Write();
}

void CXmlObjectBase::ReadRoot(CXmlElement* root, const CXmlSerializationContext& ctx) {
    FromXml_Int(root, root ? root->GetFirstElement() : nullptr, ctx, false);
}

void CXmlObjectBase::FromXmlFile(const wchar_t* fileName, const CXmlSerializationContext& ctx) {
    CXmlDocument document(ctx);
    document.Load(fileName);
    ReadRoot(document.GetDocumentElement(), ctx);
}

void CXmlObjectBase::FromXml(const wchar_t* xml, const CXmlSerializationContext& ctx) {
    CXmlDocument document(ctx);
    document.LoadXml(xml);
    ReadRoot(document.GetDocumentElement(), ctx);
}

void CXmlObjectBase::FromXml(const char* xml, const CXmlSerializationContext& ctx) {
    CXmlDocument document(ctx);
    document.LoadXml(xml);
    ReadRoot(document.GetDocumentElement(), ctx);
}

void CXmlObjectBase::FromXmlStream(unsigned char* const data, uint32_t length, const CXmlSerializationContext& ctx) {
    CXmlDocument document(ctx);
    document.LoadXmlStream(data, length);
    ReadRoot(document.GetDocumentElement(), ctx);
}

void CXmlObjectBase::FromXmlStream(const CBinaryData& data, const CXmlSerializationContext& ctx) {
    FromXmlStream(const_cast<unsigned char*>(data.GetData()), data.GetLength(), ctx);
}

void CXmlObjectBase::FromXmlElement(const CXmlElement* element, const CXmlSerializationContext& ctx) {
    ReadRoot(const_cast<CXmlElement*>(element), ctx);
}

void CXmlObjectBase::FromXmlElement(const CElement* element, const CXmlSerializationContext& ctx) {
    std::wstring xml = element->ToXml(false, false, EOL_LF, CXmlSerializationContext::GetDefaultContext());
    FromXml(xml.c_str(), ctx);
}

}  // namespace NyXmlLib9
