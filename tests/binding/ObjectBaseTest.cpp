#include <nyxml/collections.h>
#include <nyxml/document.h>
#include <nyxml/objectbase.h>

#include "TestSupport.h"

#include <memory>
#include <string>
#include "binding/SharedNames.h"
#include <gtest/gtest.h>
#include <thread>
#include <vector>
#include <nyxml/streams.h>
#include <nyxml/untyped.h>
#include <sys/stat.h>
#include <nyxml/context.h>

using namespace NyXmlLib9;
using nyxml_test::Utf8;
using nyxml_test::ReadFile;
using nyxml_test::TempDir;

namespace {

class Probe : public CXmlObjectBase {
public:
    static int live;
    Probe() { ++live; }
    Probe(const Probe& other) : CXmlObjectBase(other) { ++live; }
    Probe& operator=(const Probe&) = default;
    ~Probe() override { --live; }
    CXmlObjectBase* GetBase() override { return this; }
    std::wstring GetNamespace() override { return L""; }
    using CXmlObjectBase::Choice_CollectionChanged;
    using CXmlObjectBase::Choice_SelectElement;
    using CXmlObjectBase::Choice_SetElementValid;
    using CXmlObjectBase::DoesElementNameMatch;
    using CXmlObjectBase::FireOnCollectionAddEvent;
    using CXmlObjectBase::FireOnCollectionRemoveCompleteEvent;
    using CXmlObjectBase::FireOnCollectionRemoveEvent;
    using CXmlObjectBase::SetElementName;
    using CXmlObjectBase::Throw_IfElementNameDiffers;
    using CXmlObjectBase::Throw_IfPropertyIsNull;

protected:
    std::wstring GetTargetNamespace() override { return L""; }
    void ToXml_Int(CXmlWriter*, bool, const wchar_t*, const CXmlSerializationContext&, bool) const override {}
    CXmlElement* FromXml_Int(CXmlElement*, CXmlElement* first, const CXmlSerializationContext&, bool) override {
        return first;
    }
};
int Probe::live = 0;

const wchar_t kAlreadySet[] =
    L"The Property [a] is already set. Only one element within this class bay be set at a time";

}  // namespace

TEST(CXmlObjectBase, ElementNamesShortAndLongSurviveCopiesAndTheirOriginals) {
    // Short names are shared by the process, names past 128 units are the
    // object's own: either way a copy keeps the name when the original goes.
    const std::wstring longName(200, L'n');
    for (const std::wstring& name : {std::wstring(L"shipTo"), longName, std::wstring()}) {
        SCOPED_TRACE(name.size());
        std::unique_ptr<Probe> original(new Probe);
        original->SetElementName(name.c_str());
        Probe copied(*original);
        Probe assigned;
        assigned.SetElementName(L"other");
        assigned = *original;
        original.reset();
        EXPECT_EQ(name, copied.ElementName());
        EXPECT_EQ(name, assigned.GetElementName());
        // Renaming one leaves the other as it was.
        copied.SetElementName(L"billTo");
        EXPECT_EQ(L"billTo", copied.ElementName());
        EXPECT_EQ(name, assigned.ElementName());
        assigned.SetElementName(longName.c_str());
        EXPECT_EQ(longName, assigned.ElementName());
    }
    Probe unnamed;
    EXPECT_EQ(L"", unnamed.ElementName());
    unnamed.SetElementName(nullptr);
    EXPECT_EQ(L"", unnamed.ElementName());
}

TEST(CXmlObjectBase, WildcardNamespaceRule) {
    struct Case {
        const wchar_t* ns;
        const wchar_t* allowed;
        bool expected;
    } cases[] = {
        {L"", L"##local", true}, {L"urn:x", L"##local", false}, {L"urn:x", L"##other", true},
        {L"urn:t", L"##other", false}, {L"", L"##other", true}, {L"urn:b", L"urn:a urn:b", true},
        {L"urn:c", L"urn:a urn:b", false}, {L"", L"urn:a", true}, {L"anything", L"##any", true},
        {L"urn:t", L"##targetNamespace", true}, {L"urn:x", L"##targetNamespace", false},
        {L"urn:x", L"##local ##targetNamespace urn:x", true}, {L"", L"", true}, {L"urn:x", L"", false},
        {L"urn:x", L"##ANY", false},
        {L"urn:x", L"##local  urn:x", true},  // empty token between double blanks accepts only ""
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Utf8(std::wstring(c.ns) + L" in [" + c.allowed + L"]"));
        EXPECT_EQ(c.expected, CXmlObjectBase::IsNamespaceValid(c.ns, c.allowed, L"urn:t"));
    }
}

TEST(CXmlObjectBase, ElementNameMatch) {
    CXmlDocument d;
    d.LoadXml("<r xmlns='urn:r'/>");
    Probe p;
    CXmlSerializationContext ctx;
    EXPECT_TRUE(p.DoesElementNameMatch(ctx, d.GetDocumentElement(), L"r", L"urn:r"));
    EXPECT_FALSE(p.DoesElementNameMatch(ctx, d.GetDocumentElement(), L"r", L"urn:other"));
    EXPECT_FALSE(p.DoesElementNameMatch(ctx, d.GetDocumentElement(), L"R", L"urn:r"));
    ctx.SetSchemaType(SchemaType_NoNamespaces);
    EXPECT_TRUE(p.DoesElementNameMatch(ctx, d.GetDocumentElement(), L"r", L"urn:other"));
    EXPECT_FALSE(p.DoesElementNameMatch(ctx, nullptr, L"r", L"urn:r"));
}

TEST(CXmlObjectBase, PropertySetterChecks) {
    Probe p;
    EXPECT_NY_THROW(Probe::Throw_IfPropertyIsNull(nullptr, L"Customer"), CNyInvalidParamException,
                    L"The Property [Customer] is mandatory, it may node be NULL");
    EXPECT_NO_THROW(Probe::Throw_IfPropertyIsNull(&p, L"Customer"));
    p.SetElementName(L"billTo");
    EXPECT_NO_THROW(Probe::Throw_IfElementNameDiffers(&p, L"billTo"));
    EXPECT_NO_THROW(Probe::Throw_IfElementNameDiffers(nullptr, L"billTo"));
    EXPECT_NY_THROW(Probe::Throw_IfElementNameDiffers(&p, L"shipTo"), CNyInvalidParamException,
                    L"This property requrires an element with the name shipTo the element being set has the element "
                    L"name billTo");
}

TEST(CXmlObjectBase, ChoiceSelectElement) {
    Probe value;
    std::wstring selected = L"a";
    EXPECT_NY_THROW(Probe::Choice_SelectElement(L"b", &value, selected), CNyInvalidStateException, kAlreadySet);
    Probe::Choice_SelectElement(L"b", nullptr, selected);
    EXPECT_EQ(L"a", selected);
    Probe::Choice_SelectElement(L"a", &value, selected);
    EXPECT_EQ(L"a", selected);
    Probe::Choice_SelectElement(L"a", nullptr, selected);
    EXPECT_EQ(L"", selected);
    Probe::Choice_SelectElement(L"c", nullptr, selected);
    EXPECT_EQ(L"c", selected);
}

TEST(CXmlObjectBase, ChoiceCollectionChanged) {
    // Each step: the member whose collection changed, its new count, the selection after it.
    const struct { const wchar_t* name; int count; const wchar_t* after; } steps[] = {
        {L"a", 3, L"a"}, {L"a", 0, L""}, {L"b", 0, L""}, {L"a", 1, L"a"}, {L"b", 0, L"a"}};
    std::wstring selected = L"a";
    for (const auto& step : steps) {
        Probe::Choice_CollectionChanged(step.name, step.count, selected);
        EXPECT_EQ(step.after, selected);
    }
    EXPECT_NY_THROW(Probe::Choice_CollectionChanged(L"b", 2, selected), CNyInvalidStateException, kAlreadySet);
}

TEST(CXmlObjectBase, ChoiceSetElementValid) {
    std::wstring selected;
    Probe::Choice_SetElementValid(true, L"a", selected);
    EXPECT_EQ(L"a", selected);
    EXPECT_NY_THROW(Probe::Choice_SetElementValid(true, L"b", selected), CNyInvalidStateException,
                    L"The Property a is already set. Only one element within this class bay be set at a time");
    Probe::Choice_SetElementValid(false, L"b", selected);
    EXPECT_EQ(L"", selected);
}

namespace {

struct Sink : IEventSink {
    CXmlObjectBase* sender = nullptr;
    MsgType type = MsgType_Change;
    void* data = reinterpret_cast<void*>(1);
    int index = -100;
    void OnEvent(CXmlObjectBase* s, MsgType t, void* d) override {
        sender = s;
        type = t;
        data = d;
        index = d && t >= MsgType_Remove ? *static_cast<int*>(d) : -100;
    }
};

class Bag : public CXmlCollection {
public:
    Bag() : CXmlCollection(L"x", L"", 0, -1) {}

protected:
    void ToXml_Int(CXmlWriter*, bool, const wchar_t*, const CXmlSerializationContext&, bool) const override {}
    CXmlElement* FromXml_Int(CXmlElement*, CXmlElement* f, const CXmlSerializationContext&, bool) override {
        return f;
    }
};

}  // namespace

TEST(CXmlObjectBase, EventDispatchers) {
    CSmartPtr<Bag> bag(new Bag);
    Sink sink;
    int item = 7;
    Probe::FireOnCollectionAddEvent(&sink, bag, &item);
    EXPECT_EQ(bag.Get(), sink.sender);
    EXPECT_EQ(IEventSink::MsgType_Add, sink.type);
    EXPECT_EQ(&item, sink.data);
    Probe::FireOnCollectionRemoveEvent(&sink, bag, -1);
    EXPECT_EQ(IEventSink::MsgType_Remove, sink.type);
    EXPECT_EQ(nullptr, sink.data);
    Probe::FireOnCollectionRemoveCompleteEvent(&sink, bag, 3);
    EXPECT_EQ(IEventSink::MsgType_RemoveComplete, sink.type);
    EXPECT_EQ(3, sink.index);
}

TEST(CSharedNameTable, OneCopyPerNameUpToItsLimits) {
    CSharedNameTable table(3, 8);
    const std::wstring* a = table.Find(L"alpha", 5);
    ASSERT_NE(nullptr, a);
    EXPECT_EQ(L"alpha", *a);
    EXPECT_EQ(a, table.Find(L"alphabet", 5));  // only the first five units count
    const std::wstring* b = table.Find(L"beta", 4);
    ASSERT_NE(nullptr, b);
    EXPECT_NE(a, b);
    EXPECT_EQ(nullptr, table.Find(L"ninechars", 9));  // longer than the table takes
    EXPECT_NE(nullptr, table.Find(L"", 0));
    // Full: names it holds are still found, new ones are not taken.
    EXPECT_EQ(nullptr, table.Find(L"gamma", 5));
    EXPECT_EQ(b, table.Find(L"beta", 4));
    EXPECT_EQ(L"alpha", *a);
}

TEST(SharedElementName, TheSameNameIsTheSameCopyOnEveryThread) {
    const std::wstring* item = SharedElementName(L"item");
    ASSERT_NE(nullptr, item);
    EXPECT_EQ(L"item", *item);
    EXPECT_EQ(item, SharedElementName(std::wstring(L"item").c_str()));
    EXPECT_NE(item, SharedElementName(L"items"));
    EXPECT_EQ(L"items", *SharedElementName(L"items"));
    EXPECT_NE(nullptr, SharedElementName(std::wstring(128, L'x').c_str()));
    EXPECT_EQ(nullptr, SharedElementName(std::wstring(129, L'x').c_str()));
    // Many names hashed into the same few recent slots of a thread, on two threads.
    auto lookUp = [] {
        std::vector<const std::wstring*> found;
        for (int round = 0; round < 2; ++round)
            for (int i = 0; i < 600; ++i) found.push_back(SharedElementName((L"name" + std::to_wstring(i)).c_str()));
        return found;
    };
    std::vector<const std::wstring*> here = lookUp(), there;
    std::thread other([&] { there = lookUp(); });
    other.join();
    ASSERT_EQ(1200u, here.size());
    for (int i = 0; i < 600; ++i) {
        SCOPED_TRACE(i);
        ASSERT_NE(nullptr, here[i]);
        EXPECT_EQ(L"name" + std::to_wstring(i), *here[i]);
        EXPECT_EQ(here[i], here[600 + i]);
        EXPECT_EQ(here[i], there[i]);
    }
}

namespace {

// A small bindable object that counts how many of its kind are alive.
class Item : public CXmlObjectBase {
public:
    static int live;
    explicit Item(std::wstring n) : name(std::move(n)) { ++live; }
    ~Item() override { --live; }
    CXmlObjectBase* GetBase() override { return this; }
    std::wstring GetNamespace() override { return L""; }
    std::wstring name;

protected:
    std::wstring GetTargetNamespace() override { return L""; }
    void ToXml_Int(CXmlWriter*, bool, const wchar_t*, const CXmlSerializationContext&, bool) const override {}
    CXmlElement* FromXml_Int(CXmlElement*, CXmlElement* first, const CXmlSerializationContext&, bool) override {
        return first;
    }
};
int Item::live = 0;

class ItemCol : public CXmlCollection {
public:
    ItemCol(int minOccurs = 0, int maxOccurs = -1) : CXmlCollection(L"item", L"urn:i", minOccurs, maxOccurs) {}
    ItemCol(const ItemCol& other) = default;
    ItemCol& operator=(const ItemCol& other) = default;
    using CXmlCollection::AddAfterItem;
    using CXmlCollection::AddBeforeItem;
    using CXmlCollection::AddItemAt;
    using CXmlCollection::AppendItem;
    using CXmlCollection::GetItemAt;
    using CXmlCollection::PrependItem;
    using CXmlCollectionBase::GetTargetNamespace;

    std::wstring Names() const {
        std::wstring out;
        for (const CNode* n = GetHead(); n; n = n->next) out += n->item ? static_cast<Item*>(n->item)->name : L"-";
        return out;
    }

protected:
    void ToXml_Int(CXmlWriter*, bool, const wchar_t*, const CXmlSerializationContext&, bool) const override {}
    CXmlElement* FromXml_Int(CXmlElement*, CXmlElement* first, const CXmlSerializationContext&, bool) override {
        return first;
    }
};

struct Recorder : IEventSink {
    struct Event {
        CXmlObjectBase* sender;
        MsgType type;
        void* data;
        int index;
    };
    std::vector<Event> events;
    void OnEvent(CXmlObjectBase* sender, MsgType type, void* data) override {
        int index = (type >= 3 && data) ? *static_cast<int*>(data) : -99;
        events.push_back({sender, type, data, index});
    }
    std::string Types() const {
        std::string s;
        for (const Event& e : events) s += static_cast<char>('0' + e.type);
        return s;
    }
};

}  // namespace

TEST(CXmlCollection, InsertForms) {
    {
        CSmartPtr<ItemCol> col(new ItemCol);
        CSmartPtr<Item> a(new Item(L"A")), b(new Item(L"B")), c(new Item(L"C")), d(new Item(L"D"));
        col->AppendItem(a);
        col->AppendItem(b);
        col->AddAfterItem(nullptr, c);
        EXPECT_EQ(L"CAB", col->Names());
        col->AddBeforeItem(nullptr, d);
        EXPECT_EQ(L"CABD", col->Names());
        col->AddAfterItem(a, new Item(L"x"));
        col->AddBeforeItem(a, new Item(L"y"));
        EXPECT_EQ(L"CyAxBD", col->Names());
        col->PrependItem(new Item(L"p"));
        col->AddItemAt(col->GetCount(), new Item(L"e"));
        col->AddItemAt(1, new Item(L"1"));
        EXPECT_EQ(L"p1CyAxBDe", col->Names());
        EXPECT_EQ(9, col->GetCount());
        EXPECT_EQ(2, a->GetRefCount());
    }
    EXPECT_EQ(0, Item::live);
}

TEST(CXmlCollection, IndexErrors) {
    CSmartPtr<ItemCol> col(new ItemCol);
    col->AppendItem(new Item(L"A"));
    col->AppendItem(new Item(L"B"));
    Recorder r;
    col->AddEventListener(&r);
    CSmartPtr<Item> x(new Item(L"X"));
    EXPECT_NY_THROW(col->AddItemAt(3, x), CNyInvalidParamException, L"Index out of range");
    EXPECT_NY_THROW(col->AddItemAt(-1, x), CNyInvalidParamException, L"Index out of range");
    EXPECT_TRUE(r.events.empty());
    EXPECT_NY_THROW(col->Remove(2), CNyInvalidParamException, L"Index 2 is out of range, use 0 - 1");
    EXPECT_NY_THROW(col->Remove(-1), CNyInvalidParamException, L"Index -1 is out of range, use 0 - 1");
    EXPECT_NY_THROW(col->GetItemAt(5), CNyInvalidParamException, L"Index 5 is out of range, use 0 - 1");
    EXPECT_EQ(1, x->GetRefCount());
    col->Clear();
    EXPECT_NY_THROW(col->Remove(0), CNyInvalidParamException, L"Index 0 is out of range, use 0 - -1");
    col->RemoveEventListener(&r);
}

TEST(CXmlCollection, NotFoundSendsOnlyTheFirstEvent) {
    CSmartPtr<ItemCol> col(new ItemCol);
    col->AppendItem(new Item(L"A"));
    CSmartPtr<Item> stranger(new Item(L"S"));
    CSmartPtr<Item> x(new Item(L"X"));
    Recorder r;
    col->AddEventListener(&r);
    EXPECT_NY_THROW(col->AddAfterItem(stranger, x), CNyInvalidParamException,
                    L"The object was not found in the collection");
    EXPECT_NY_THROW(col->AddBeforeItem(stranger, x), CNyInvalidParamException,
                    L"The object was not found in the collection");
    EXPECT_EQ("11", r.Types());
    EXPECT_EQ(L"A", col->Names());
    EXPECT_EQ(1, x->GetRefCount());
    col->RemoveEventListener(&r);
}

TEST(CXmlCollection, TargetNamespaceIsALogicError) {
    ItemCol col;
    EXPECT_NY_THROW(col.GetTargetNamespace(), CNyException,
                    L"CXmlCollectionBase::GetTargetNamespace Should not be used from within a Collection (program "
                    L"logic error)");
    EXPECT_EQ(L"urn:i", col.GetNamespace());
}

TEST(CXmlCollection, NullItemsAreKept) {
    CSmartPtr<ItemCol> col(new ItemCol);
    col->AppendItem(nullptr);
    col->AppendItem(new Item(L"A"));
    EXPECT_EQ(L"-A", col->Names());
    col->AddBeforeItem(nullptr, nullptr);
    EXPECT_EQ(3, col->GetCount());
}

TEST(CXmlCollection, CopySharesItemsWithNewReferences) {
    {
        CSmartPtr<ItemCol> col(new ItemCol);
        CSmartPtr<Item> a(new Item(L"A"));
        col->AppendItem(a);
        col->AppendItem(new Item(L"B"));
        ItemCol copy(*col);
        EXPECT_EQ(L"AB", copy.Names());
        EXPECT_EQ(3, a->GetRefCount());
        ItemCol assigned;
        assigned.AppendItem(new Item(L"Z"));
        assigned = *col;
        EXPECT_EQ(L"AB", assigned.Names());
        ItemCol& self = assigned;
        assigned = self;
        EXPECT_EQ(L"AB", assigned.Names());
        col->Clear();
        EXPECT_EQ(L"AB", copy.Names());
    }
    EXPECT_EQ(0, Item::live);
}

namespace {

const CXmlSerializationContext& Default() { return CXmlSerializationContext::GetDefaultContext(); }

CSmartPtr<CElement> Sample() {
    CSmartPtr<CElement> e(new CElement(L"order", L"urn:po"));
    e->FromXml(L"<order xmlns='urn:po' id='7'><item n='1'>caf\u00e9 &amp; more</item><note/></order>");
    return e;
}

bool Exists(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

std::wstring Xml(CElement* e) { return e->ToXml(false, false, EOL_LF, Default()); }
CSmartPtr<CElement> Blank() { return new CElement(L"x"); }

}  // namespace

TEST(EntryPoints, ToXmlCompactAndDeclaration) {
    CSmartPtr<CElement> e = Sample();
    EXPECT_EQ(L"<AA:order xmlns:AA=\"urn:po\" id=\"7\"><AA:item n=\"1\">caf\u00e9 &amp; more</AA:item><AA:note/>"
              L"</AA:order>",
              Xml(e.Get()));
    std::wstring withDeclaration = e->ToXml(true, false, EOL_CRLF, Default());
    EXPECT_EQ(0u, withDeclaration.find(L"<?xml version=\"1.0\"?>\r\n<AA:order"));
    EXPECT_NY_THROW(e->ToXml(false, false, static_cast<EOLType>(7), Default()), CNyException, L"Invalid EOL type.");
}

TEST(EntryPoints, UnknownEncodingIsRefused) {
    CSmartPtr<CElement> e = Sample();
    try {
        e->ToXmlStream(false, false, XmlEncoding_None, EOL_LF, Default(), Compression_None);
        FAIL() << "no exception";
    } catch (CNyException& ex) {
        EXPECT_EQ(0u, ex.GetMessage().find(L"Unknown Encoding, select UTF-8 (contact "));
    }
}

TEST(EntryPoints, FilesInBothModes) {
    TempDir dir;
    CSmartPtr<CElement> e = Sample();
    std::wstring expected = Xml(e.Get());
    for (bool async : {false, true}) {
        SCOPED_TRACE(async);
        AsyncToXmlFile(async);
        for (XmlEncoding enc : {XmlEncoding_UTF8, XmlEncoding_UTF16}) {
            std::wstring name = dir.WidePath("out.xml");
            e->ToXmlFile(name.c_str(), true, false, enc, EOL_LF, Default(), Compression_None);
            // UTF-16 files carry the byte order mark
            EXPECT_EQ(enc == XmlEncoding_UTF16 ? "\xff\xfe" : "<?", ReadFile(dir.Path("out.xml")).substr(0, 2));
            CSmartPtr<CElement> back = Blank();
            back->FromXmlFile(name.c_str(), Default());
            EXPECT_EQ(expected, Xml(back.Get()));
        }
        AsyncToXmlFile(false);
    }
    std::wstring gz = dir.WidePath("out.xml.gz");
    CSmartPtr<CElement> big = Sample();
    for (int i = 0; i < 50; ++i) big->GetChildElements()->Add(L"filler", L"urn:po");
    big->ToXmlFile(gz.c_str(), false, false, XmlEncoding_UTF8, EOL_LF, Default(), Compression_GZip);
    EXPECT_EQ("\x1f\x8b", ReadFile(dir.Path("out.xml.gz")).substr(0, 2));
    CSmartPtr<CElement> back = Blank();
    back->FromXmlFile(gz.c_str(), Default());
    EXPECT_EQ(52, back->GetChildElements()->GetCount());
}

TEST(EntryPoints, FileWriteFailures) {
    TempDir dir;
    CSmartPtr<CElement> e = Sample();
    std::wstring z = dir.WidePath("z.xml");
    const wchar_t* zlib = L"ZLIB Compression only available for To Stream methods.";
    EXPECT_NY_THROW(e->ToXmlFile(z.c_str(), false, false, XmlEncoding_UTF8, EOL_LF, Default(), Compression_ZLib),
                    CNyException, zlib);
    EXPECT_NY_THROW(e->ToFastInfosetFile(z.c_str(), FInfoDecl_None, Default(), Compression_ZLib), CNyException, zlib);
    EXPECT_FALSE(Exists(dir.Path("z.xml")));
    nyxml_test::WriteFile(dir.Path("plain"), "x");
    std::wstring name = dir.WidePath("plain/inner.xml");
    for (bool async : {false, true}) {
        SCOPED_TRACE(async);
        AsyncToXmlFile(async);
        EXPECT_NY_THROW(
            e->ToXmlFile(name.c_str(), false, false, XmlEncoding_UTF8, EOL_LF, Default(), Compression_None),
            CNyException, L"Failed to write data to the file [" + name + L"] error [0x00000014]");
        AsyncToXmlFile(false);
    }
}

TEST(EntryPoints, ReadingEveryInputForm) {
    const char* xml = "<r a='1'><c>t</c></r>";
    std::string bytes = xml;
    CXmlDocument d;
    d.LoadXml(xml);
    CSmartPtr<CElement> e = Sample();
    CBinaryData fi = e->ToFastInfosetStream(FInfoDecl_V10, Default(), Compression_None);
    CSmartPtr<CElement> read[7];
    for (auto& r : read) r = Blank();
    read[0]->FromXml(xml, Default());
    read[1]->FromXml(L"<r a='1'><c>t</c></r>", Default());
    read[2]->FromXmlStream(reinterpret_cast<unsigned char*>(&bytes[0]), static_cast<uint32_t>(bytes.size()),
                           Default());
    read[3]->FromXmlElement(d.GetDocumentElement(), Default());
    read[4]->FromXmlElement(read[3].Get(), Default());
    for (int i = 0; i < 5; ++i) EXPECT_EQ(L"<r a=\"1\"><c>t</c></r>", Xml(read[i].Get())) << i;
    read[5]->FromXmlStream(fi, Default());  // Fast Infoset is recognised by the byte entry point
    EXPECT_EQ(Xml(e.Get()), Xml(read[5].Get()));
    EXPECT_NY_THROW(read[6]->FromXmlStream(CBinaryData(), Default()), CNyException, L"XML Stream is empty!");
    EXPECT_THROW(read[6]->FromXml(L"<r><a/>", Default()), CNyException);
    EXPECT_EQ(L"x", read[6]->GetName());  // the parse failed before anything was read
}

TEST(EntryPoints, AdditionalRootAttributesAreShared) {
    CXmlSerializationContext a;
    EXPECT_EQ(nullptr, a.PeekAdditionalRootAttributes());
    CSmartPtr<CAttributeCol> attrs = a.GetAdditionalRootAttributes();
    EXPECT_EQ(attrs.Get(), a.GetAdditionalRootAttributes().Get());
    CXmlSerializationContext b;
    b = a;
    a.GetAdditionalRootAttributes()->Add(L"extra", L"1");
    EXPECT_EQ(1, b.GetAdditionalRootAttributes()->GetCount());
    CXmlSerializationContext c(b);
    EXPECT_EQ(attrs.Get(), c.PeekAdditionalRootAttributes());
    EXPECT_EQ(L"##any", attrs->GetNamespaceRestriction());
}

namespace {

const wchar_t kBothIgnoredElements[] =
    L"The parser can only ignore additional elements, or ignore the fact that some required ones are missing, "
    L"you can not ignore both\nSet IgnoreMissingMandatoryElements to false before setting IgnoreUnknownElements "
    L"to true";
const wchar_t kBothIgnoredMandatory[] =
    L"The parser can only ignore additional elements, or ignore the fact that some required ones are missing, "
    L"you can not ignore both\nSet IgnoreUnknownElements to false before setting IgnoreMissingMandatoryElements "
    L"to true";

}  // namespace

TEST(CXmlSerializationContext, MutuallyExclusiveIgnoreOptions) {
    CXmlSerializationContext c;
    c.SetIgnoreMissingMandatoryElements(true);
    EXPECT_NY_THROW(c.SetIgnoreUnknownElements(true), CNyInvalidStateException, kBothIgnoredElements);
    EXPECT_TRUE(c.GetIgnoreMissingMandatoryElements());
    EXPECT_FALSE(c.GetIgnoreUnknownElements());
    c.SetIgnoreUnknownElements(false);  // false is always accepted
    c.SetIgnoreMissingMandatoryElements(false);
    c.SetIgnoreUnknownElements(true);
    EXPECT_TRUE(c.GetIgnoreUnknownElements());
    EXPECT_NY_THROW(c.SetIgnoreMissingMandatoryElements(true), CNyInvalidStateException, kBothIgnoredMandatory);
    EXPECT_FALSE(c.GetIgnoreMissingMandatoryElements());
    c.SetIgnoreMissingMandatoryElements(false);
}

TEST(CNamespaceAliasMap, OrderedByNamespaceUri) {
    CNamespaceAliasMap m;
    m.Add(L"b", L"urn:z");
    m.Add(L"a", L"urn:a");
    m.Add(L"c", L"urn:ab");
    ASSERT_EQ(3, m.GetNamespaceCount());
    EXPECT_EQ(L"urn:a", m.GetNamespaceAt(0));
    EXPECT_EQ(L"urn:ab", m.GetNamespaceAt(1));  // shorter string first on a common prefix
    EXPECT_EQ(L"urn:z", m.GetNamespaceAt(2));
    EXPECT_EQ(L"urn:a", m.GetNamespaceAt(-5));  // below 1 gives the first entry
    m.Add(L"y", L"urn:z");
    EXPECT_EQ(3, m.GetNamespaceCount());
    EXPECT_EQ(L"y", m.GetAliasFromNamespace(L"urn:z"));
    EXPECT_FALSE(m.DoesAliasExist(L"b"));
}

TEST(CNamespaceAliasMap, LookupsAndRemoval) {
    CNamespaceAliasMap m;
    m.Add(L"p", L"urn:p");
    m.Add(L"q", L"urn:q");
    EXPECT_EQ(L"urn:q", m.GetNamespaceFromAlias(L"q"));
    EXPECT_NY_THROW(m.GetNamespaceFromAlias(L"zz"), CNyException, L"Namespace alias [zz] not found");
    EXPECT_EQ(L"", m.GetAliasFromNamespace(L"urn:none"));
    EXPECT_TRUE(m.DoesNamespaceExist(L"urn:p"));
    EXPECT_TRUE(m.DoesAliasExist(L"p"));
    m.RemoveNamespace(L"urn:p");
    m.RemoveNamespace(L"urn:absent");
    EXPECT_FALSE(m.DoesNamespaceExist(L"urn:p"));
    EXPECT_EQ(1, m.GetNamespaceCount());
    CNamespaceAliasMap copy(m);
    CNamespaceAliasMap assigned;
    assigned.Add(L"old", L"urn:old");
    assigned = m;
    EXPECT_FALSE(assigned.DoesNamespaceExist(L"urn:old"));
    EXPECT_EQ(L"urn:q", copy.GetNamespaceFromAlias(L"q"));
    CNamespaceAliasMap& self = assigned;
    assigned = self;
    EXPECT_EQ(1, assigned.GetNamespaceCount());
}
