#include <nyxml/collections.h>

#include "TestSupport.h"

#include <string>
#include <vector>

using namespace NyXmlLib9;

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
