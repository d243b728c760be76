// Hand-written classes in the shape of generated code, whose metadata each test
// builds, and a writer that records the calls the engine makes.
#ifndef NYXML_TESTS_METADATA_TESTCLASSES_H
#define NYXML_TESTS_METADATA_TESTCLASSES_H

#include <nyxml/collections.h>
#include <nyxml/document.h>
#include <nyxml/generated.h>
#include <nyxml/metadata.h>
#include <nyxml/writer.h>

#include <gtest/gtest.h>

#include <cxxabi.h>

#include <cstdlib>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

namespace testclasses {

using namespace NyXmlLib9;
using namespace NyXmlLib9Data;

class CTestObject;

// The metadata of one class, as generated statics hold it: a parent info and
// two null-terminated arrays, freed through CleanMetaData.
class CTestMetadata {
public:
    CTestMetadata(CParentElementInfo* parent, std::initializer_list<CElementInfo*> elements,
                  std::initializer_list<CAttributeInfo*> attributes)
        : parent(parent), elements(new CElementInfo*[elements.size() + 1]),
          attributes(new CAttributeInfo*[attributes.size() + 1]) {
        size_t i = 0;
        for (CElementInfo* e : elements) this->elements[i++] = e;
        this->elements[i] = nullptr;
        i = 0;
        for (CAttributeInfo* a : attributes) this->attributes[i++] = a;
        this->attributes[i] = nullptr;
    }
    CTestMetadata(const CTestMetadata&) = delete;
    CTestMetadata& operator=(const CTestMetadata&) = delete;
    inline ~CTestMetadata();

    CParentElementInfo* parent;
    CElementInfo** elements;
    CAttributeInfo** attributes;
};

// A generated-style class whose properties live in a map from property index
// to variant. Init restores `initial` (where mandatory members keep the
// objects they read into).
class CTestObject : public CXmlGeneratedClass {
public:
    CTestObject(const CTestMetadata* metadata, const wchar_t* elementName, const wchar_t* namespaceUri = L"",
                const wchar_t* targetNamespace = L"")
        : m_metadata(metadata), m_namespace(namespaceUri), m_target(targetNamespace) {
        SetElementName(elementName);
    }

    // ---- the contract with the library ----
    void AccessProperty(int propertyIndex, bool read, NyVariant& value) override {
        if (read) {
            auto it = values.find(propertyIndex);
            if (it == values.end())
                value.Clear();
            else
                value = it->second;
        } else {
            values[propertyIndex] = value;
            stores.push_back(propertyIndex);
        }
    }
    CParentElementInfo* GetClassInfo() override { return m_metadata->parent; }
    CElementInfo** GetClassElementInfo() override { return m_metadata->elements; }
    CAttributeInfo** GetClassAttributeInfo() override { return m_metadata->attributes; }
    void Init() override {
        values = initial;
        ++initCount;
    }
    CXmlObjectBase* GetBase() override { return this; }
    std::wstring GetNamespace() override { return m_namespace; }

    // ---- property helpers for the tests ----
    void SetString(int index, const std::wstring& text) { values[index].SetString(text); }
    void SetI4(int index, int32_t value) { values[index].SetI4(value); }
    void SetObject(int index, CXmlObjectBase* object) { values[index].SetXmlObject(object); }
    void SetCollection(int index, CXmlCollectionBase* collection) { values[index].SetXmlCollection(collection); }
    bool Has(int index) const { return values.count(index) && values.at(index).IsValid(); }
    NyVariant Get(int index) const { return Has(index) ? values.at(index) : NyVariant(); }
    std::wstring GetString(int index) const { return Has(index) ? values.at(index).GetString() : L"(unset)"; }
    template <class T>
    T* GetObject(int index) const {
        return Has(index) ? dynamic_cast<T*>(values.at(index).PeekXmlObject()) : nullptr;
    }

    // ---- protected parts of the engine, opened for the tests ----
    using CXmlGeneratedClass::CleanMetaData;
    using CXmlGeneratedClass::DoesElementContainOptionalElements;
    using CXmlGeneratedClass::IsElementInList;
    void Write(CXmlWriter* writer, bool isDocumentRoot, const wchar_t* namespaceUri,
               const CXmlSerializationContext& ctx, bool flag) const {
        ToXml_Int(writer, isDocumentRoot, namespaceUri, ctx, flag);
    }
    void WriteAttributes(CXmlWriter* writer, const CXmlSerializationContext& ctx) const {
        AttributesToXml_Int(writer, ctx);
    }
    CXmlElement* Read(CXmlElement* element, CXmlElement* firstChild, const CXmlSerializationContext& ctx,
                      bool flag) {
        return FromXml_Int(element, firstChild, ctx, flag);
    }
    void Rename(const wchar_t* name) { SetElementName(name); }
    static void Rename(CXmlObjectBase* object, const wchar_t* name) { SetElementName(object, name); }

    std::map<int, NyVariant> values;
    std::map<int, NyVariant> initial;
    int initCount = 0;
    // Property indexes stored through AccessProperty, in order.
    std::vector<int> stores;

protected:
    std::wstring GetTargetNamespace() override { return m_target; }

private:
    const CTestMetadata* m_metadata;
    std::wstring m_namespace;
    std::wstring m_target;
};

// The same, for a class whose element may be nil.
class CNillableTestObject : public CTestObject, public INillable {
public:
    using CTestObject::CTestObject;
    bool IsNil() override { return nil; }
    void SetNil(bool value) override {
        nil = value;
        ++setNilCount;
    }
    void Init() override {
        CTestObject::Init();
        nil = false;
    }
    bool nil = false;
    int setNilCount = 0;
};

CTestMetadata::~CTestMetadata() { CTestObject::CleanMetaData(parent, elements, attributes); }

// Records every call the engine makes on a writer, one line per call.
class CRecordingWriter : public CXmlWriter {
public:
    void SetDefaultNamespace(const std::wstring& uri) override {
        Log(L"default " + uri);
        CXmlWriter::SetDefaultNamespace(uri);
    }
    void AddNamespace(const std::wstring& prefix, const std::wstring& uri) override {
        Log(L"alias " + prefix + L"=" + uri);
        CXmlWriter::AddNamespace(prefix, uri);
    }
    void WriteComment(const std::wstring& text) override { Log(L"comment " + text); }
    void WriteProcessingInstruction(const std::wstring& text) override { Log(L"pi " + text); }
    void WriteInLineSchema(const std::wstring& text) override { Log(L"schema " + text); }
    void StartElement(const std::wstring& localName, const std::wstring& uri) override {
        Log(L"start {" + uri + L"}" + localName);
        OpenContext(localName, uri);
    }
    void WriteText(const std::wstring& text, ItemType type) override {
        Log(L"text " + text + L" #" + std::to_wstring(type));
    }
    void EndElement() override {
        Log(L"end");
        CloseContext();
    }
    void WriteAttribute(const std::wstring& localName, const std::wstring& uri, const std::wstring& value,
                        ItemType type) override {
        Log(L"attr {" + uri + L"}" + localName + L"=" + value + L" #" + std::to_wstring(type));
    }
    void WriteXsiType(const std::wstring& uri, const std::wstring& name, ItemType type) override {
        Log(L"xsi:type {" + uri + L"}" + name);
    }
    void WriteXsiNil() override { Log(L"xsi:nil"); }

    // The calls joined with " | ".
    std::wstring Joined() const;

    std::vector<std::wstring> events;

private:
    void Log(const std::wstring& line) { events.push_back(line); }
};

inline std::wstring JoinedLines(const std::vector<std::wstring>& lines);
inline std::wstring CRecordingWriter::Joined() const { return JoinedLines(events); }

// A document parsed from text, owned by the test.
inline CXmlElement* Parse(CXmlDocument& document, const wchar_t* xml) {
    document.LoadXml(xml);
    return document.GetDocumentElement();
}

// An element info that logs its calls. Reading takes one element of its name
// into its property as text; a mandatory probe returns false when its element
// is not at the cursor, an optional one true. Writing writes the property as
// an element when it is set.
class CProbeInfo : public CElementInfo {
public:
    CProbeInfo(const wchar_t* name, const wchar_t* namespaceUri, int propertyIndex, std::vector<std::wstring>* log,
               bool mandatory)
        : CElementInfo(name, namespaceUri, propertyIndex), m_log(log), m_mandatory(mandatory) {}

    bool ElementToXml(const CXmlSerializationContext&, const CXmlGeneratedClass* object,
                      CXmlWriter* writer) const override {
        NyVariant value;
        ReadProperty(object, value);
        m_log->push_back(L"write " + ElementName() + (value.IsValid() ? L" set" : L" unset"));
        if (!value.IsValid()) return false;
        writer->StartElement(ElementName(), ElementNamespace());
        writer->WriteText(value.ToString(nullptr), value.GetTypeAsEnum());
        writer->EndElement();
        return true;
    }
    bool ElementFromXml(const CXmlSerializationContext& ctx, CXmlGeneratedClass* object, CXmlElement* element,
                        CXmlElement** cursor, const wchar_t* classNamespace,
                        XmlElementType elementType) override {
        CXmlElement* current = *cursor;
        m_log->push_back(L"read " + ElementName() + L" at " + (current ? current->GetLocalName() : L"(end)") +
                         L" in " + (element ? element->GetLocalName() : L"(none)") + L" ns=" + classNamespace +
                         L" type=" + std::to_wstring(elementType));
        if (!IsThisElement(ctx, current)) return !m_mandatory;
        NyVariant value;
        value.SetString(current->GetText());
        AccessProperty(object, false, value);
        *cursor = current->GetNextSiblingElement();
        return true;
    }
    bool Validate(const CXmlSerializationContext&, const CXmlGeneratedClass*, bool found,
                  bool strict) const override {
        m_log->push_back(L"validate " + ElementName() + (found ? L" found" : L" missing") +
                         (strict ? L" strict" : L""));
        return found || !m_mandatory;
    }
    void PseudoChildAttributeToXml(const CXmlSerializationContext&, const CXmlGeneratedClass*,
                                   CXmlWriter*) const override {
        m_log->push_back(L"pseudo " + ElementName());
    }
    using CElementInfo::IsThisElement;

private:
    std::vector<std::wstring>* m_log;
    bool m_mandatory;
};

// The lines of a log joined with " | ".
inline std::wstring JoinedLines(const std::vector<std::wstring>& lines) {
    std::wstring all;
    for (const std::wstring& line : lines) all += (all.empty() ? L"" : L" | ") + line;
    return all;
}

// The class name of an exception, without its namespace.
inline std::wstring ExceptionClass(const CNyException& e) {
    int status = 0;
    char* demangled = abi::__cxa_demangle(typeid(e).name(), nullptr, nullptr, &status);
    std::string name = status == 0 && demangled ? demangled : typeid(e).name();
    std::free(demangled);
    size_t colon = name.rfind(':');
    if (colon != std::string::npos) name = name.substr(colon + 1);
    return std::wstring(name.begin(), name.end());
}

// What `action` throws, one line per link of the chain, outermost first, each
// "Class: message". Also checks that GetFullMessage joins the same messages.
template <class Action>
std::wstring Chain(Action action) {
    try {
        action();
    } catch (const CNyException& e) {
        std::wstring out, messages;
        for (const CNyException* link = &e; link; link = link->GetInnerException()) {
            if (!out.empty()) {
                out += L"\n";
                messages += L"\n";
            }
            out += ExceptionClass(*link) + L": " + link->GetMessage();
            messages += link->GetMessage();
        }
        EXPECT_TRUE(messages == e.GetFullMessage()) << "GetFullMessage differs from the chain";
        return out;
    }
    return L"(no exception)";
}

}  // namespace testclasses

#endif
