// Classes in the generator's shape for the metadata tests. For the sequence,
// choice and all-group element infos, each schema is a small struct that builds its
// metadata and names the kind of each property; TGroupClass<Schema> is the
// class the generator would emit for it: metadata built once under m_csInit,
// Init resetting the properties (mandatory members get fresh objects), one
// AccessProperty switch over the property kinds, a create function that the
// metadata carries, and a factory for abstract members.
#ifndef NYXML_TESTS_METADATA_TESTCLASSES_H
#define NYXML_TESTS_METADATA_TESTCLASSES_H

#include <nyxml/nyxml.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cxxabi.h>
#include <cstdlib>
#include <initializer_list>
#include <map>
#include <functional>
#include <string>
#include <typeinfo>
#include <vector>

#include "TestSupport.h"

namespace GroupTest {

using namespace NyXmlLib9;
using namespace NyXmlLib9Data;

// ------------------------------------------------------------------ properties

enum SlotKind {
    Slot_Value,       // primitive or enumeration value; an empty variant when unset
    Slot_Object,      // optional class, abstract class or wildcard: an object or an empty object
    Slot_Held,        // mandatory class or wildcard: Init gives it a fresh object
    Slot_Collection,  // made by the first Init, emptied by every later one
};

struct SlotDef {
    SlotKind kind;
    // Slot_Held: a new child; Slot_Collection: the collection.
    std::function<CSmartPtr<CXmlObjectBase>()> make;
};

inline SlotDef ValueSlot() { return SlotDef{Slot_Value, nullptr}; }
inline SlotDef ObjectSlot() { return SlotDef{Slot_Object, nullptr}; }
inline SlotDef HeldSlot(std::function<CSmartPtr<CXmlObjectBase>()> make) { return SlotDef{Slot_Held, make}; }
inline SlotDef CollectionSlot(std::function<CSmartPtr<CXmlObjectBase>()> make) {
    return SlotDef{Slot_Collection, make};
}

// The metadata of one class, as generated statics hold it: a parent info and
// two null-terminated arrays, freed through CleanMetaData.
class CTestMetadata {
public:
    CTestMetadata(CParentElementInfo* parent, CElementInfo** elements, CAttributeInfo** attributes)
        : parent(parent), elements(elements), attributes(attributes) {}
    CTestMetadata(CParentElementInfo* parent, std::initializer_list<CElementInfo*> elements,
                  std::initializer_list<CAttributeInfo*> attributes)
        : CTestMetadata(parent, NullTerminated(elements), NullTerminated(attributes)) {}
    template <class T>
    static T** NullTerminated(std::initializer_list<T*> infos) {
        T** array = new T*[infos.size() + 1];
        std::copy(infos.begin(), infos.end(), array);
        array[infos.size()] = nullptr;
        return array;
    }
    CTestMetadata(const CTestMetadata&) = delete;
    CTestMetadata& operator=(const CTestMetadata&) = delete;
    inline ~CTestMetadata();

    CParentElementInfo* parent;
    CElementInfo** elements;
    CAttributeInfo** attributes;
};

// The class the tests derive from: one variant per property index, kept as the
// kind of each property says (a property without a definition is a value),
// and metadata from Metadata().
class CBagClass : public CXmlGeneratedClass {
public:
    CXmlObjectBase* GetBase() override { return this; }
    CParentElementInfo* GetClassInfo() override { return Metadata()->parent; }
    CElementInfo** GetClassElementInfo() override { return Metadata()->elements; }
    CAttributeInfo** GetClassAttributeInfo() override { return Metadata()->attributes; }

    void AccessProperty(int propertyIndex, bool read, NyVariant& value) override {
        if (propertyIndex < 0) throw CNyException(FormatString(L"No property %d", propertyIndex));
        NyVariant& slot = values[propertyIndex];
        switch (static_cast<size_t>(propertyIndex) < m_defs.size() ? m_defs[propertyIndex].kind : Slot_Value) {
            case Slot_Value:
                if (read)
                    value = slot;
                else
                    slot = value;
                break;
            case Slot_Object:
            case Slot_Held:
                if (read) {
                    value.SetXmlObject(slot.PeekXmlObject());
                } else {
                    slot.SetXmlObject(value.PeekXmlObject());
                    ++m_objectStores;
                }
                break;
            case Slot_Collection:
                if (read) value.SetXmlCollection(slot.PeekXmlCollection());
                break;
        }
    }

    void Init() override {
        for (size_t i = 0; i < m_defs.size(); ++i) {
            NyVariant& slot = values[static_cast<int>(i)];
            switch (m_defs[i].kind) {
                case Slot_Value: slot.Clear(); break;
                case Slot_Object: slot.SetXmlObject(nullptr); break;
                case Slot_Held: slot.SetXmlObject(m_defs[i].make().Get()); break;
                case Slot_Collection:
                    if (CXmlCollectionBase* collection = slot.PeekXmlCollection()) {
                        collection->Clear();
                    } else {
                        CSmartPtr<CXmlObjectBase> made = m_defs[i].make();
                        slot.SetXmlCollection(dynamic_cast<CXmlCollectionBase*>(made.Get()));
                    }
                    break;
            }
        }
    }

    // ---- test access ----
    NyVariant Get(int index) const {
        auto it = values.find(index);
        return it == values.end() ? NyVariant() : it->second;
    }
    bool Has(int index) const { return Get(index).IsValid(); }
    // The string form of a value property, "(unset)" when it is empty.
    std::wstring Text(int index) const { return Has(index) ? Get(index).ToString(nullptr) : L"(unset)"; }
    void SetText(int index, const std::wstring& text) { values[index].SetString(text); }
    void SetI4(int index, int32_t number) { values[index].SetI4(number); }
    void SetCollection(int index, CXmlCollectionBase* collection) { values[index].SetXmlCollection(collection); }
    CXmlObjectBase* Object(int index) const { return Get(index).PeekXmlObject(); }
    template <class T>
    T* ObjectAs(int index) const {
        return dynamic_cast<T*>(Object(index));
    }
    CBagClass* Child(int index) const { return ObjectAs<CBagClass>(index); }
    template <class T>
    T* CollectionAs(int index) const {
        return dynamic_cast<T*>(Get(index).PeekXmlCollection());
    }
    // Puts an object into an object property, under the element name it is written with when one is given.
    void SetObject(int index, CXmlObjectBase* object, const wchar_t* elementName = nullptr) {
        if (object && elementName) Name(object, elementName);
        values[index].SetXmlObject(object);
    }
    // How often the engine stored an object property.
    int ObjectStores() const { return m_objectStores; }

    static void Name(CXmlObjectBase* object, const wchar_t* elementName) { SetElementName(object, elementName); }

    // The protected engine operation, for direct checks.
    bool ElementInList(const CXmlSerializationContext& ctx, CXmlElement* element) const {
        return IsElementInList(ctx, element);
    }

    std::map<int, NyVariant> values;

protected:
    explicit CBagClass(std::vector<SlotDef> defs) : m_defs(std::move(defs)) {}
    virtual const CTestMetadata* Metadata() = 0;
    std::wstring GetTargetNamespace() override { return GetNamespace(); }

private:
    std::vector<SlotDef> m_defs;
    int m_objectStores = 0;
};

// ------------------------------------------------------------------ metadata

// Frees every class's metadata when the test program ends.
inline std::vector<void (*)()>& MetaDataCleaners() {
    static std::vector<void (*)()> cleaners;
    return cleaners;
}

class CMetaDataCleaner : public ::testing::Environment {
public:
    void TearDown() override {
        std::vector<void (*)()> cleaners;
        cleaners.swap(MetaDataCleaners());
        for (void (*clean)() : cleaners) clean();
    }
};

inline ::testing::Environment* const kMetaDataCleaner = ::testing::AddGlobalTestEnvironment(new CMetaDataCleaner);

// A schema supplies: kElementName, kNamespace, Slots(), Parent(), Elements(), Attributes().
template <class Schema>
class TGroupClass : public CBagClass {
public:
    TGroupClass() : CBagClass(Schema::Slots()) {
        SetElementName(Schema::kElementName);
        Init();
    }

    std::wstring GetNamespace() override { return Schema::kNamespace; }

    static void CleanMetaData() {
        CNYLock lock(m_csInit);
        delete ms_metadata;
        ms_metadata = nullptr;
        ms_built.store(false, std::memory_order_release);
    }

protected:
    const CTestMetadata* Metadata() override {
        if (ms_built.load(std::memory_order_acquire)) return ms_metadata;
        CNYLock lock(m_csInit);
        if (!ms_built.load(std::memory_order_relaxed)) {
            ms_metadata = new CTestMetadata(Schema::Parent(), Schema::Elements(), Schema::Attributes());
            MetaDataCleaners().push_back(&TGroupClass::CleanMetaData);
            ms_built.store(true, std::memory_order_release);
        }
        return ms_metadata;
    }

private:
    static inline std::atomic<bool> ms_built{false};
    static inline CTestMetadata* ms_metadata = nullptr;
};

// The class info of a class with its own element: no text member, and the
// flag for unknown attributes as given.
inline CParentElementInfo* ElementParent(XmlElementGroupType group, const wchar_t* name, const wchar_t* ns,
                                         bool failIfAttributeUnknown) {
    return new CParentElementInfo(group, XmlElementType_Element, name, ns, -1, failIfAttributeUnknown, false);
}

// A null-terminated element info array.
template <class... T>
CElementInfo** ElementArray(T*... infos) {
    return new CElementInfo* [sizeof...(T) + 1] { infos..., nullptr };
}
template <class... T>
CAttributeInfo** AttributeArray(T*... infos) {
    return new CAttributeInfo* [sizeof...(T) + 1] { infos..., nullptr };
}

// A schema's defaults: no namespace and no attributes; with a group, the class
// info ElementParent gives for the schema's element, unknown attributes refused.
struct SchemaBase {
    static constexpr const wchar_t* kNamespace = L"";
    static CAttributeInfo** Attributes() { return AttributeArray(); }
};
template <class Schema, XmlElementGroupType Group>
struct ElementSchema : SchemaBase {
    static CParentElementInfo* Parent() { return ElementParent(Group, Schema::kElementName, L"", true); }
};

inline const CPrimitiveRestrictions& NoFacets() {
    static const CPrimitiveRestrictions none;
    return none;
}
inline const CPrimitiveRestrictions& MaxLength3() {
    static const CPrimitiveRestrictions facets(L"", -1, 3, L"", L"", L"", L"", -1);
    return facets;
}

const CWhitespaceUtils::WhitespaceRule kPreserve = CWhitespaceUtils::WhitespaceRule_Preserve;
const CWhitespaceUtils::WhitespaceRule kCollapse = CWhitespaceUtils::WhitespaceRule_Collapse;

// ------------------------------------------------------------------ generated functions

// What the last create and factory calls received.
struct CallLog {
    int createCalls = 0;
    int lastClassId = 0;
    std::wstring lastName;
};
inline CallLog& Calls() {
    static CallLog log;
    return log;
}

// The create function the metadata carries: a new object named after the member.
template <class Schema>
CSmartPtr<CXmlObjectBase> Create(int classId, const wchar_t* elementName) {
    ++Calls().createCalls;
    Calls().lastClassId = classId;
    Calls().lastName = elementName ? elementName : L"";
    CSmartPtr<CXmlObjectBase> object(new TGroupClass<Schema>);
    CBagClass::Name(object, elementName);
    return object;
}

// A mandatory child made by Init, named as the member it fills.
template <class Schema>
std::function<CSmartPtr<CXmlObjectBase>()> Held(const wchar_t* elementName) {
    return [elementName]() {
        CSmartPtr<CXmlObjectBase> object(new TGroupClass<Schema>);
        CBagClass::Name(object, elementName);
        return object;
    };
}

// A mandatory wildcard member's element.
inline std::function<CSmartPtr<CXmlObjectBase>()> HeldElement(const wchar_t* name, const wchar_t* allowed,
                                                              const wchar_t* target) {
    return [=]() { return CSmartPtr<CXmlObjectBase>(new CElement(name, L"", allowed, target)); };
}

// Colours, the enumeration of the tests.
inline const wchar_t* ColorToText(int value) {
    switch (value) {
        case 0: return L"red";
        case 1: return L"green";
        case 2: return L"blue";
    }
    throw CNyInvalidValueException(FormatString(L"Invalid value [%d] for the enumeration Color", value));
}
inline int ColorFromText(const wchar_t* text) {
    std::wstring t = CWhitespaceUtils::Collapse(text ? text : L"");
    if (t == L"red") return 0;
    if (t == L"green") return 1;
    if (t == L"blue") return 2;
    throw CNyInvalidValueException(FormatString(L"Invalid value [%s] for the enumeration Color", t.c_str()));
}

// ------------------------------------------------------------------ collections

// A collection of primitive or enumeration values, read from and written as a
// run of elements of its name (the shape of the typed primitive collections).
class CValueCol : public CXmlCollectionBase {
public:
    CValueCol(const wchar_t* elementName, const wchar_t* namespaceUri, int minOccurs, int maxOccurs, ItemType type,
              EnumToTextFunction toText = nullptr, EnumFromTextFunction fromText = nullptr)
        : CXmlCollectionBase(elementName, namespaceUri, minOccurs, maxOccurs), m_type(type), m_toText(toText),
          m_fromText(fromText) {}

    int GetCount() const override { return static_cast<int>(m_items.size()); }
    void Clear() override { m_items.clear(); }
    void Remove(int index) override {
        if (index < 0 || index >= GetCount())
            throw CNyInvalidParamException(
                FormatString(L"Index %d is out of range, use 0 - %d", index, GetCount() - 1));
        m_items.erase(m_items.begin() + index);
    }
    void AddFromString(const std::wstring& text) {
        NyVariant value;
        if (m_fromText)
            value.SetI4(m_fromText(text.c_str()));
        else
            value.FromString(text, m_type, m_type == ItemType_string ? kPreserve : kCollapse);
        m_items.push_back(value);
    }
    const NyVariant& Item(int index) const { return m_items.at(static_cast<size_t>(index)); }
    // The items as text, joined by '|'.
    std::wstring Joined() const {
        std::wstring all;
        for (size_t i = 0; i < m_items.size(); ++i) {
            if (i) all += L'|';
            all += ItemText(m_items[i]);
        }
        return all;
    }

protected:
    void ToXml_Int(CXmlWriter* writer, bool, const wchar_t* namespaceUri, const CXmlSerializationContext& ctx,
                   bool) const override {
        ValidateCount(ctx);
        const std::wstring ns = namespaceUri ? namespaceUri : NamespaceField();
        for (const NyVariant& item : m_items) {
            writer->StartElement(GetElementName(), ns);
            writer->WriteText(ItemText(item), m_toText ? ItemType_string : m_type);
            writer->EndElement();
        }
    }
    CXmlElement* FromXml_Int(CXmlElement*, CXmlElement* current, const CXmlSerializationContext& ctx, bool) override {
        const std::wstring name = GetElementName();
        const std::wstring ns = NamespaceField();
        while (current && DoesElementNameMatch(ctx, current, name.c_str(), ns.c_str())) {
            AddFromString(current->GetText());
            current = XmlNextSiblingElement(current);
        }
        return current;
    }

private:
    std::wstring ItemText(const NyVariant& item) const {
        return m_toText ? std::wstring(m_toText(item.GetI4())) : item.ToString(nullptr);
    }

    ItemType m_type;
    EnumToTextFunction m_toText;
    EnumFromTextFunction m_fromText;
    std::vector<NyVariant> m_items;
};

// A generated collection of one class.
class CObjectCol : public CXmlTypedObjectCollection<CBagClass> {
public:
    CObjectCol(const wchar_t* elementName, const wchar_t* namespaceUri, int minOccurs, int maxOccurs,
               CreateFunction create, int classId)
        : CXmlTypedObjectCollection<CBagClass>(elementName, namespaceUri, minOccurs, maxOccurs, create, classId) {}
};

// A collection of an abstract class: each element of the collection's name
// becomes the object the factory picks for it; the run ends at the first
// element the factory refuses.
class CAbsObjectCol : public CXmlCollection {
public:
    CAbsObjectCol(const wchar_t* elementName, const wchar_t* namespaceUri, int minOccurs, int maxOccurs,
                  CreateFromElementFunction factory)
        : CXmlCollection(elementName, namespaceUri, minOccurs, maxOccurs), m_factory(factory) {}

    void Add(CXmlObjectBase* item, const wchar_t* elementName) {
        CSmartPtr<CXmlObjectBase> held(item);
        SetElementName(item, elementName);
        AppendItem(item);
    }
    CBagClass* Item(int index) const { return dynamic_cast<CBagClass*>(GetItemAt(index)); }

protected:
    void ToXml_Int(CXmlWriter* writer, bool, const wchar_t* namespaceUri, const CXmlSerializationContext& ctx,
                   bool) const override {
        const wchar_t* ns = namespaceUri ? namespaceUri : NamespaceField().c_str();
        for (const CNode* n = GetHead(); n; n = n->next)
            if (n->item) CXmlObjectBase::ToXml_Int(n->item, writer, false, ns, ctx, false);
    }
    CXmlElement* FromXml_Int(CXmlElement*, CXmlElement* current, const CXmlSerializationContext& ctx, bool) override {
        const std::wstring name = GetElementName();
        const std::wstring ns = NamespaceField();
        while (current && DoesElementNameMatch(ctx, current, name.c_str(), ns.c_str())) {
            CSmartPtr<CXmlObjectBase> item = m_factory(current);
            if (!item) break;
            CXmlObjectBase::FromXml_Int(item, current, XmlFirstChildElement(current), ctx);
            AppendItem(item);
            current = XmlNextSiblingElement(current);
        }
        return current;
    }

private:
    CreateFromElementFunction m_factory;
};

template <class T, class... Args>
std::function<CSmartPtr<CXmlObjectBase>()> MakeCollection(Args... args) {
    return [=]() { return CSmartPtr<CXmlObjectBase>(new T(args...)); };
}

// ------------------------------------------------------------------ shared schemas

// A class with its own element: <Child><v>…</v><w>…</w>?</Child>.
struct ChildSchema : ElementSchema<ChildSchema, XmlElementGroupType_Sequence> {
    static constexpr const wchar_t* kElementName = L"Child";
    enum { V, W };
    static std::vector<SlotDef> Slots() { return {ValueSlot(), ValueSlot()}; }
    static CElementInfo** Elements() {
        return ElementArray(
            new CElementInfoSeqPrimMnd(L"v", kNamespace, V, ItemType_string, nullptr, kPreserve, NoFacets()),
            new CElementInfoSeqPrimOpt(L"w", kNamespace, W, ItemType_i4, nullptr, kCollapse, NoFacets()));
    }
};

// Groups without an element of their own (types 1 and 2): a sequence of g1
// (mandatory) and g2 (optional), and an attribute "code".
template <XmlElementType Type>
struct GroupSchemaT : SchemaBase {
    static constexpr const wchar_t* kElementName = Type == XmlElementType_NoElement ? L"Group1" : L"Group2";
    enum { G1, G2, CODE };
    static std::vector<SlotDef> Slots() { return {ValueSlot(), ValueSlot(), ValueSlot()}; }
    static CParentElementInfo* Parent() {
        // Such a group sees its holder's attributes: it does not reject those it does not know.
        return new CParentElementInfo(XmlElementGroupType_Sequence, Type, kElementName, kNamespace, -1, false, false);
    }
    static CElementInfo** Elements() {
        return ElementArray(
            new CElementInfoSeqPrimMnd(L"g1", kNamespace, G1, ItemType_string, nullptr, kPreserve, NoFacets()),
            new CElementInfoSeqPrimOpt(L"g2", kNamespace, G2, ItemType_string, nullptr, kPreserve, NoFacets()));
    }
    static CAttributeInfo** Attributes() {
        return AttributeArray(new CAttributeInfoPrimitive(L"code", L"", CODE, true, ItemType_string, nullptr, kCollapse,
                                                          NoFacets(), nullptr));
    }
};
typedef GroupSchemaT<XmlElementType_NoElement> Group1Schema;

// Two derived types of an abstract "Party", told apart by xsi:type.
struct PersonSchema : SchemaBase {
    static constexpr const wchar_t* kElementName = L"Person";
    enum { NAME };
    static std::vector<SlotDef> Slots() { return {ValueSlot()}; }
    static CParentElementInfo* Parent() {
        return new CParentElementInfo(XmlElementGroupType_Sequence, XmlElementType_Element, kElementName, kNamespace,
                                      -1, true, true);
    }
    static CElementInfo** Elements() {
        return ElementArray(
            new CElementInfoSeqPrimMnd(L"name", kNamespace, NAME, ItemType_string, nullptr, kPreserve, NoFacets()));
    }
};
struct CompanySchema : SchemaBase {
    static constexpr const wchar_t* kElementName = L"Company";
    enum { NAME, VAT };
    static std::vector<SlotDef> Slots() { return {ValueSlot(), ValueSlot()}; }
    static CParentElementInfo* Parent() {
        return new CParentElementInfo(XmlElementGroupType_Sequence, XmlElementType_Element, kElementName, kNamespace,
                                      -1, true, true);
    }
    static CElementInfo** Elements() {
        return ElementArray(
            new CElementInfoSeqPrimMnd(L"name", kNamespace, NAME, ItemType_string, nullptr, kPreserve, NoFacets()),
            new CElementInfoSeqPrimMnd(L"vat", kNamespace, VAT, ItemType_string, nullptr, kCollapse, NoFacets()));
    }
};
typedef TGroupClass<PersonSchema> CPerson;
typedef TGroupClass<CompanySchema> CCompany;

// The generated factory of Party: the class named by xsi:type, nothing without one.
class CPartyFactory : public CClassfactoryBase {
public:
    static CSmartPtr<CXmlObjectBase> Create(CXmlElement* element) {
        std::wstring type = GetElementType(element);
        if (type == L"Person") return CSmartPtr<CXmlObjectBase>(new CPerson);
        if (type == L"Company") return CSmartPtr<CXmlObjectBase>(new CCompany);
        return CSmartPtr<CXmlObjectBase>();
    }
};

// ------------------------------------------------------------------ helpers

// Options of one read or write, named for table rows.
enum Options : unsigned {
    Opt_None = 0,
    Opt_IgnoreUnknown = 1,
    Opt_IgnoreMissingMandatory = 2,
    Opt_IgnoreMissingChoice = 4,
    Opt_IgnoreCounts = 8,
    Opt_IgnoreNamespaces = 16,
    Opt_NoNamespacesSchema = 32,
};

inline CXmlSerializationContext MakeContext(unsigned options) {
    CXmlSerializationContext ctx;
    if (options & Opt_IgnoreUnknown) ctx.SetIgnoreUnknownElements(true);
    if (options & Opt_IgnoreMissingMandatory) ctx.SetIgnoreMissingMandatoryElements(true);
    if (options & Opt_IgnoreMissingChoice) ctx.SetIgnoreMissingChoice(true);
    if (options & Opt_IgnoreCounts) ctx.SetIgnoreInvalidCollectionCounts(true);
    if (options & Opt_IgnoreNamespaces) ctx.SetIgnoreNamespaces(true);
    if (options & Opt_NoNamespacesSchema) ctx.SetSchemaType(SchemaType_NoNamespaces);
    return ctx;
}

// What a statement threw: the exception class and the whole chain, outermost
// first; both empty when nothing was thrown.
struct Thrown {
    std::string type;
    std::wstring full;
};

inline Thrown Catch(const std::function<void()>& statement) {
    try {
        statement();
    } catch (const CNyException& e) {
        return Thrown{typeid(e).name(), e.GetFullMessage()};
    }
    return Thrown{};
}

// The chain of messages, joined as GetFullMessage joins them.
inline std::wstring Chain(std::initializer_list<std::wstring> messages) {
    std::wstring all;
    for (const std::wstring& m : messages) {
        if (!all.empty()) all += L'\n';
        all += m;
    }
    return all;
}

inline std::wstring ReadWrap(const wchar_t* element) {
    return FormatString(L"Failed to process the element [%s]", element);
}
inline std::wstring WriteWrap(const wchar_t* element) {
    return FormatString(L"Failed to convert the element [%s] to XML", element);
}
inline std::wstring Required(const wchar_t* element) {
    return FormatString(L"Failed to find a required element [%s]", element);
}
inline std::wstring Leftover(const wchar_t* element, const wchar_t* left) {
    return FormatString(
        L"Failed read all the elements held within the element [%s]. The unexpected element [%s] "
        L"remains un processed",
        element, left);
}
inline std::wstring MinCount(const wchar_t* element, int count) {
    return FormatString(L"The Minimum number of [%s] elements allowed in this collection is %d", element, count);
}
inline std::wstring MaxCount(const wchar_t* element, int count) {
    return FormatString(L"The Maximum number of [%s] elements allowed in this collection is %d", element, count);
}

// Writes an object compactly (no declaration, no indentation).
inline std::wstring Write(const CXmlObjectBase& object, unsigned options = Opt_None) {
    return object.ToXml(false, false, EOL_LF, MakeContext(options));
}

inline void Read(CXmlObjectBase& object, const wchar_t* xml, unsigned options = Opt_None) {
    object.FromXml(xml, MakeContext(options));
}

// Whether `thrown` is exactly an `E` with the chain `full`.
template <class E>
::testing::AssertionResult IsThrown(const Thrown& thrown, const std::wstring& full) {
    if (thrown.type.empty()) return ::testing::AssertionFailure() << "nothing was thrown";
    if (thrown.type != typeid(E).name())
        return ::testing::AssertionFailure() << "thrown " << thrown.type << " instead of " << typeid(E).name() << ": "
                                             << nyxml_test::Utf8(thrown.full);
    if (thrown.full != full)
        return ::testing::AssertionFailure()
               << "message\n  " << nyxml_test::Utf8(thrown.full) << "\nexpected\n  " << nyxml_test::Utf8(full);
    return ::testing::AssertionSuccess();
}

inline ::testing::AssertionResult NothingThrown(const Thrown& thrown) {
    if (thrown.type.empty()) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "thrown " << thrown.type << ": " << nyxml_test::Utf8(thrown.full);
}

// Reads `xml` into `object`. With an empty `error` the read must succeed; otherwise it
// must fail with a CNyValidationException of that chain. True when it read.
inline bool ReadsOrFails(CXmlObjectBase& object, const wchar_t* xml, unsigned options, const std::wstring& error) {
    Thrown thrown = Catch([&] { Read(object, xml, options); });
    if (!error.empty()) {
        EXPECT_TRUE(IsThrown<CNyValidationException>(thrown, error));
        return false;
    }
    EXPECT_TRUE(NothingThrown(thrown));
    return thrown.type.empty();
}

// ------------------------------------------------------------------ objects with per-test metadata

// A class whose metadata the test builds. Init restores `initial` (where
// mandatory members keep the objects they read into).
class CTestObject : public CBagClass {
public:
    CTestObject(const CTestMetadata* metadata, const wchar_t* elementName, const wchar_t* namespaceUri = L"",
                const wchar_t* targetNamespace = L"")
        : CBagClass({}), m_metadata(metadata), m_namespace(namespaceUri), m_target(targetNamespace) {
        SetElementName(elementName);
    }

    void Init() override {
        values = initial;
        ++initCount;
    }
    std::wstring GetNamespace() override { return m_namespace; }

    // ---- protected parts of the engine, opened for the tests ----
    using CXmlGeneratedClass::CleanMetaData;
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

    std::map<int, NyVariant> initial;
    int initCount = 0;

protected:
    const CTestMetadata* Metadata() override { return m_metadata; }
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

// The lines of a log joined with " | ".
inline std::wstring JoinedLines(const std::vector<std::wstring>& lines) {
    std::wstring all;
    for (const std::wstring& line : lines) all += (all.empty() ? L"" : L" | ") + line;
    return all;
}

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

    std::wstring Joined() const { return JoinedLines(events); }

    std::vector<std::wstring> events;

private:
    void Log(const std::wstring& line) { events.push_back(line); }
};

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
private:
    std::vector<std::wstring>* m_log;
    bool m_mandatory;
};

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

}  // namespace GroupTest

#endif
