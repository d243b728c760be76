#include <nyxml/foundation.h>

#include "TestSupport.h"

#include <atomic>
#include <thread>
#include <vector>

using namespace NyXmlLib9;

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
