#include "binding/SharedNames.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

using namespace NyXmlLib9;

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
