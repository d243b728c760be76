#include <nyxml/document.h>

#include "document/ElementArena.h"
#include "document/TreeAccess.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

using namespace NyXmlLib9;

namespace {

// Holds an arena for one test and lets go of it at the end.
struct ArenaHolder {
    CElementArena* arena = CElementArena::Create();
    ~ArenaHolder() { arena->ReleaseOwner(); }
};

std::string Items(int count, const char* item) {
    std::string xml = "<r>";
    for (int i = 0; i < count; ++i) xml += item;
    return xml + "</r>";
}

bool DiscardItems(CXmlElement* e) { return e->GetLocalName() == L"item"; }

}  // namespace

TEST(CElementArena, BlocksAreAlignedAndKeepTheirBytes) {
    ArenaHolder holder;
    std::vector<std::pair<unsigned char*, size_t>> blocks;
    for (size_t size = 1; size <= CElementArena::kLargestBlock + 64; size += 37) {
        SCOPED_TRACE(size);
        auto* block = static_cast<unsigned char*>(holder.arena->Allocate(size));
        EXPECT_EQ(0u, reinterpret_cast<uintptr_t>(block) % 16);
        std::memset(block, static_cast<int>(size & 0xFF), size);
        blocks.emplace_back(block, size);
    }
    // No block overlaps another: each still holds its own pattern.
    for (const auto& b : blocks) {
        SCOPED_TRACE(b.second);
        for (size_t i = 0; i < b.second; ++i) ASSERT_EQ(static_cast<unsigned char>(b.second & 0xFF), b.first[i]);
    }
    for (const auto& b : blocks) CElementArena::Free(b.first);
    EXPECT_EQ(0u, holder.arena->GetLiveBlocks());
}

TEST(CElementArena, AGivenBackBlockServesTheNextOfItsSize) {
    ArenaHolder holder;
    void* a = holder.arena->Allocate(200);
    void* b = holder.arena->Allocate(200);
    CElementArena::Free(a);
    EXPECT_EQ(1u, holder.arena->GetLiveBlocks());
    void* wider = holder.arena->Allocate(400);
    EXPECT_NE(a, wider);
    EXPECT_EQ(a, holder.arena->Allocate(199));  // the same 16-byte size class
    CElementArena::Free(b);
    CElementArena::Free(wider);
    CElementArena::Free(a);
}

TEST(CElementArena, WhenEverythingIsBackTheSlabsAreReusedFromTheStart) {
    ArenaHolder holder;
    std::vector<void*> blocks;
    // Far more than the first slab: several slabs, the later ones mapped.
    for (int i = 0; i < 40000; ++i) blocks.push_back(holder.arena->Allocate(144 + 64 * (i % 4)));
    size_t reserved = holder.arena->GetReservedBytes();
    EXPECT_GE(reserved, size_t(40000) * 240);
    void* first = blocks.front();
    for (void* block : blocks) CElementArena::Free(block);
    EXPECT_EQ(0u, holder.arena->GetLiveBlocks());
    EXPECT_EQ(reserved, holder.arena->GetReservedBytes());
    blocks.clear();
    for (int i = 0; i < 40000; ++i) blocks.push_back(holder.arena->Allocate(144 + 64 * (i % 4)));
    EXPECT_EQ(first, blocks.front());
    EXPECT_EQ(reserved, holder.arena->GetReservedBytes());
    for (void* block : blocks) CElementArena::Free(block);
}

TEST(CElementArena, LargeAndUnownedBlocksComeFromTheHeap) {
    ArenaHolder holder;
    void* large = holder.arena->Allocate(CElementArena::kLargestBlock + 1);
    EXPECT_EQ(0u, holder.arena->GetLiveBlocks());
    EXPECT_EQ(0u, holder.arena->GetReservedBytes());
    std::memset(large, 1, CElementArena::kLargestBlock + 1);
    void* unowned = CElementArena::AllocateUnowned(10);
    std::memset(unowned, 2, 10);
    CElementArena::Free(large);
    CElementArena::Free(unowned);
    CElementArena::Free(nullptr);
}

TEST(CElementArena, LivesOnUntilItsLastBlockIsBack) {
    CElementArena* arena = CElementArena::Create();
    auto* block = static_cast<unsigned char*>(arena->Allocate(64));
    std::memset(block, 7, 64);
    arena->ReleaseOwner();
    // The block is still the arena's (the address sanitizer would see a use
    // after free otherwise); giving it back frees the arena.
    EXPECT_EQ(7, block[63]);
    CElementArena::Free(block);
}

TEST(CElementArena, AnImpossibleSizeIsRefused) {
    EXPECT_THROW(CElementArena::AllocateUnowned(SIZE_MAX - 8), std::bad_alloc);
}

TEST(ElementArenaOfDocument, DiscardedElementsAreReusedSoMemoryStaysSmall) {
    // Each item is discarded as it ends: a million of them need the room of a few.
    CXmlDocument d(&DiscardItems);
    d.LoadXml(Items(1000000, "<item a=\"1\" b=\"2\">text</item>").c_str());
    EXPECT_EQ(nullptr, d.GetDocumentElement()->GetFirstElement());
    const CElementArena& arena = CXmlTreeAccess::Arena(&d);
    EXPECT_EQ(1u, arena.GetLiveBlocks());
    EXPECT_LE(arena.GetReservedBytes(), size_t(64) << 10);
}

TEST(ElementArenaOfDocument, EveryElementIsABlockAndALoadAgainReusesThem) {
    std::string xml = Items(20000, "<item a=\"1\"><x/>text</item>");
    CXmlDocument d;
    d.LoadXml(xml.c_str());
    const CElementArena& arena = CXmlTreeAccess::Arena(&d);
    EXPECT_EQ(40001u, arena.GetLiveBlocks());
    size_t reserved = arena.GetReservedBytes();
    d.LoadXml(xml.c_str());
    EXPECT_EQ(40001u, arena.GetLiveBlocks());
    EXPECT_EQ(reserved, arena.GetReservedBytes());
    d.LoadXml("<r/>");
    EXPECT_EQ(1u, arena.GetLiveBlocks());
}

TEST(ElementArenaOfDocument, AnElementTakenOutMayOutliveItsDocument) {
    CXmlElement* taken;
    {
        CXmlDocument d;
        d.LoadXml("<r><a x=\"1\">first</a><b y=\"2\" z=\"3\">second<c/></b></r>");
        taken = CXmlTreeAccess::RemoveLastChildElement(d.GetDocumentElement());
        ASSERT_NE(nullptr, taken);
    }
    EXPECT_EQ(L"second", taken->GetText());
    ASSERT_EQ(2u, taken->GetAttributes().size());
    EXPECT_EQ(L"3", taken->GetAttributes()[1]->GetValue());
    ASSERT_NE(nullptr, taken->GetFirstElement());
    delete taken;
}

TEST(ElementArenaOfDocument, ElementsWithManyAttributesLiveOutsideTheArena) {
    std::string xml = "<r><e";
    for (int i = 0; i < 100; ++i) xml += " a" + std::to_string(i) + "=\"" + std::to_string(i) + "\"";
    xml += "/></r>";
    CXmlDocument d;
    d.LoadXml(xml.c_str());
    const CXmlElement* e = d.GetDocumentElement()->GetFirstElement();
    ASSERT_NE(nullptr, e);
    ASSERT_EQ(100u, e->GetAttributes().size());
    EXPECT_EQ(L"99", e->GetAttributes()[99]->GetValue());
    EXPECT_EQ(L"a57", e->GetAttributes()[57]->GetLocalName());
    EXPECT_EQ(1u, CXmlTreeAccess::Arena(&d).GetLiveBlocks());
}

TEST(CElementArena, AUseAfterFreeIsStillSeenByTheAddressSanitizer) {
#if defined(__SANITIZE_ADDRESS__)
    ArenaHolder holder;
    void* kept = holder.arena->Allocate(100);  // keeps the arena from rewinding
    auto* block = static_cast<volatile unsigned char*>(holder.arena->Allocate(100));
    block[0] = 1;
    CElementArena::Free(const_cast<unsigned char*>(block));
    EXPECT_DEATH(block[0] = 2, "use-after-poison");
    CElementArena::Free(kept);
#else
    GTEST_SKIP() << "built without the address sanitizer";
#endif
}

TEST(ElementArenaOfDocument, LargeDocumentsOnSeveralThreadsPassKeptSlabsAround) {
    // Each tree needs mapped slabs; documents made and destroyed on two
    // threads at once hand them to each other through the process's kept slabs.
    const std::string xml = Items(30000, "<item a=\"1\" b=\"2\"><x/>text</item>");
    auto loadSeveralTimes = [&xml](size_t& elements) {
        for (int round = 0; round < 4; ++round) {
            CXmlDocument d;
            d.LoadXml(xml.c_str());
            EXPECT_GT(CXmlTreeAccess::Arena(&d).GetReservedBytes(), size_t(4) << 20);
            elements = 0;
            for (const CXmlElement* e = d.GetDocumentElement()->GetFirstElement(); e; e = e->GetNextSiblingElement())
                elements += 1 + (e->GetFirstElement() ? 1 : 0);
        }
    };
    size_t here = 0, there = 0;
    std::thread other([&] { loadSeveralTimes(there); });
    loadSeveralTimes(here);
    other.join();
    EXPECT_EQ(60000u, here);
    EXPECT_EQ(60000u, there);
}
