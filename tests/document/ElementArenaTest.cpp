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

}  // namespace

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

// Memory the process keeps after the last document is gone: a few MiB of
// element slabs at most, all of it given back on request.
TEST(KeptMemory, AtMostAFewMiBAndAllGivenBack) {
    std::string xml = "<r>";
    for (int i = 0; i < 200000; ++i) xml += "<item a=\"1\" b=\"2\"><x/>text</item>";
    xml += "</r>";
    const size_t limit = size_t(4) << 20;
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        {
            CXmlDocument d;
            d.LoadXml(xml.c_str());  // a tree of tens of MiB in mapped slabs
            ASSERT_NE(nullptr, d.GetDocumentElement());
        }
        const size_t kept = CElementArena::GetKeptBytes();
        EXPECT_GT(kept, 0u);
        EXPECT_LE(kept, limit);
        CXmlDocument::ReleaseKeptMemory();
        EXPECT_EQ(0u, CElementArena::GetKeptBytes());
    }
    // A document alive keeps its memory; the call does not touch it.
    CXmlDocument alive;
    alive.LoadXml(xml.c_str());
    CXmlDocument::ReleaseKeptMemory();
    EXPECT_EQ(L"item", alive.GetDocumentElement()->GetFirstElement()->GetLocalName());
}
