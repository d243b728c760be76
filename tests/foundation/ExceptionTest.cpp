#include <nyxml/foundation.h>

#include "TestSupport.h"

#include <memory>
#include <typeinfo>
#include <atomic>
#include <thread>
#include <vector>

using namespace NyXmlLib9;

namespace {

template <class T>
void ExpectClassOf(const CNyException* e) {
    ASSERT_NE(nullptr, e);
    EXPECT_STREQ(typeid(T).name(), typeid(*e).name());
}

}  // namespace

TEST(CNyException, FullMessageJoinsChainOutermostFirst) {
    CNyException empty;
    EXPECT_EQ(L"", empty.GetFullMessage());
    EXPECT_EQ(nullptr, empty.GetInnerException());
    CNyException only(L"only");
    EXPECT_EQ(L"only", only.GetFullMessage());
    CNyException outer(L"first", CNyValidationException(L"second", CNyInvalidValueException(L"third")));
    EXPECT_EQ(L"first\nsecond\nthird", outer.GetFullMessage());
    EXPECT_EQ(L"first", outer.GetMessage());
}

TEST(CNyException, InnerChainKeepsItsClassesThroughCopies) {
    std::unique_ptr<CNyException> source(
        new CNyException(L"a", CNyInvalidNamespaceException(L"b", CNyOverFlowException(L"c"))));
    CNyException copy(*source);
    CNyException assigned;
    assigned = *source;
    source.reset();  // the copies own their chains
    for (const CNyException* e : {&copy, &assigned}) {
        ExpectClassOf<CNyInvalidNamespaceException>(e->GetInnerException());
        ExpectClassOf<CNyOverFlowException>(e->GetInnerException()->GetInnerException());
        EXPECT_EQ(L"a\nb\nc", e->GetFullMessage());
    }
    // The converting constructor turns any exception into a subclass with the same chain.
    CNyInvalidStateException state(copy);
    EXPECT_EQ(L"a\nb\nc", state.GetFullMessage());
    ExpectClassOf<CNyInvalidNamespaceException>(state.GetInnerException());
}

TEST(CNyException, AssignmentFromItselfItsOwnChainOrAPlainOne) {
    CNyException e(L"outer", CNyException(L"inner", CNyException(L"deep")));
    CNyException& alias = e;
    e = alias;
    EXPECT_EQ(L"outer\ninner\ndeep", e.GetFullMessage());
    e = *e.GetInnerException();  // the source is freed by the assignment it feeds
    EXPECT_EQ(L"inner\ndeep", e.GetFullMessage());
    e = CNyException(L"plain");
    EXPECT_EQ(nullptr, e.GetInnerException());
    EXPECT_EQ(L"plain", e.GetFullMessage());
}

TEST(CNyException, HierarchyAndThrowByValue) {
    EXPECT_THROW(throw CNyInvalidValueException(L"v"), CNyValidationException);
    EXPECT_THROW(throw CNyInvalidNamespaceException(L"n"), CNyValidationException);
    try {
        throw CNyOverFlowException(L"o");
    } catch (CNyValidationException&) {
        FAIL() << "overflow is not a validation exception";
    } catch (CNyException& e) {
        EXPECT_EQ(L"o", e.GetMessage());
    }
    try {
        try {
            throw CNyInvalidValueException(L"inner");
        } catch (CNyException& e) {
            throw CNyValidationException(L"outer", e);
        }
    } catch (CNyException& e) {
        ExpectClassOf<CNyValidationException>(&e);
        ExpectClassOf<CNyInvalidValueException>(e.GetInnerException());
    }
}

namespace {

struct Counted {
    static int live;
    std::atomic<int32_t> refs{0};
    Counted() { ++live; }
    virtual ~Counted() { --live; }
    int32_t AddRef() { return ++refs; }
    int32_t Release() {
        int32_t n = --refs;
        if (n == 0) delete this;
        return n;
    }
};
int Counted::live = 0;

struct Derived : Counted {};

}  // namespace

TEST(CSmartPtr, TakesAndDropsReferences) {
    {
        CSmartPtr<Counted> a(new Counted);
        CSmartPtr<Counted> b = a;
        EXPECT_EQ(2, a->refs.load());
        CSmartPtr<Counted> c(std::move(b));
        EXPECT_TRUE(b.IsNull());
        EXPECT_EQ(2, c->refs.load());
        CSmartPtr<Counted>& alias = a;
        a = alias;  // self-assignment keeps the object
        a = a.Get();
        EXPECT_EQ(2, a->refs.load());
        c = nullptr;
        EXPECT_EQ(1, a->refs.load());
        Counted* raw = a.Detach();
        EXPECT_TRUE(a.IsNull());
        b.Attach(raw);
        EXPECT_EQ(1, b->refs.load());
        CSmartPtr<Derived> d(new Derived);
        CSmartPtr<Counted> base = d;
        EXPECT_EQ(2, d->refs.load());
        EXPECT_EQ(static_cast<Counted*>(d.Get()), base.Get());
    }
    EXPECT_EQ(0, Counted::live);
}

TEST(CSmartPtr, ReferencesDroppedOnManyThreads) {
    CSmartPtr<Counted> shared(new Counted);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&shared] {
            for (int i = 0; i < 20000; ++i) CSmartPtr<Counted> copy(shared);
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(1, shared->refs.load());
    shared = nullptr;
    EXPECT_EQ(0, Counted::live);
}

TEST(CNYCriticalSection, IsReentrant) {
    CNYCriticalSection cs;
    cs.Enter();
    cs.Enter();
    cs.Leave();
    cs.Leave();
    int counter = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 10000; ++i) {
                CNYLock lock(cs);
                ++counter;
            }
        });
    for (auto& t : threads) t.join();
    EXPECT_EQ(40000, counter);
}
