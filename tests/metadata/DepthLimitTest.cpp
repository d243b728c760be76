// The serialization context's maximum depth: a class that contains itself,
// read and written at, beyond and far beyond the limit.
#include "GroupTestClasses.h"

#include <pthread.h>

#include <algorithm>
#include <string>

using namespace GroupTest;

namespace {

// <n> n? </n>: an optional member of the class's own type.
struct NodeSchema : ElementSchema<NodeSchema, XmlElementGroupType_Sequence> {
    static constexpr const wchar_t* kElementName = L"n";
    enum { N };
    static std::vector<SlotDef> Slots() { return {ObjectSlot()}; }
    static CElementInfo** Elements() {
        return ElementArray(
            new CElementInfoSeqClsOpt(L"n", kNamespace, N, XmlElementType_Element, &Create<NodeSchema>, 1));
    }
};
typedef TGroupClass<NodeSchema> CNode;

std::wstring Nested(int depth) {
    std::wstring xml;
    for (int i = 1; i < depth; ++i) xml += L"<n>";
    xml += L"<n/>";
    for (int i = 1; i < depth; ++i) xml += L"</n>";
    return xml;
}

std::wstring TooDeep(int limit) {
    return FormatString(L"The element [n] is nested deeper than the maximum depth [%d] of the serialization context "
                        L"(CXmlSerializationContext::SetMaxDepth)",
                        limit);
}

// An object tree of `depth` nodes, each the only member of the one above.
CSmartPtr<CNode> Chain(int depth) {
    CSmartPtr<CNode> root(new CNode);
    CNode* current = root;
    for (int i = 1; i < depth; ++i) {
        CSmartPtr<CNode> child(new CNode);
        current->SetObject(NodeSchema::N, child, L"n");
        current = child;
    }
    return root;
}

}  // namespace

TEST(DepthLimit, ReadingAndWritingStopAtTheContextsLimit) {
    EXPECT_EQ(2000, CXmlSerializationContext().GetMaxDepth());
    struct Case {
        int limit;  // 0: the default context
        int depth;
        bool fits;
    };
    const Case cases[] = {
        {0, 2000, true}, {0, 2001, false}, {0, 300000, false}, {1, 1, true}, {1, 2, false}, {10, 10, true},
        {10, 11, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.limit) + " " + std::to_string(c.depth));
        CXmlSerializationContext ctx;
        if (c.limit) ctx.SetMaxDepth(c.limit);
        const int limit = ctx.GetMaxDepth();
        // A copy of the context keeps the limit.
        CXmlSerializationContext copy(ctx), assigned;
        assigned = ctx;
        EXPECT_EQ(limit, copy.GetMaxDepth());
        EXPECT_EQ(limit, assigned.GetMaxDepth());

        const std::wstring xml = Nested(c.depth);
        CNode read;
        Thrown thrown = Catch([&] { read.FromXml(xml.c_str(), ctx); });
        // Objects are freed by recursion of their own: the tree stops one past the limit.
        CSmartPtr<CNode> tree = Chain(std::min(c.depth, limit + 1));
        Thrown written = Catch([&] { tree->ToXml(false, false, EOL_LF, ctx); });
        if (c.fits) {
            EXPECT_EQ(L"", thrown.full);
            EXPECT_EQ(L"", written.full);
            EXPECT_TRUE(xml == read.ToXml(false, false, EOL_LF, ctx));
        } else {
            // One message, not one wrapper per level.
            EXPECT_EQ(typeid(CNyValidationException).name(), thrown.type);
            EXPECT_EQ(TooDeep(limit), thrown.full);
            EXPECT_EQ(typeid(CNyValidationException).name(), written.type);
            EXPECT_EQ(TooDeep(limit), written.full);
        }
    }
    // Other failures are still wrapped level by level after a limit was hit.
    CNode node;
    EXPECT_EQ(Chain({ReadWrap(L"n"), ReadWrap(L"n"), Leftover(L"n", L"x")}),
              Catch([&] { node.FromXml(L"<n><n><x/></n></n>"); }).full);
    EXPECT_NY_THROW(CXmlSerializationContext().SetMaxDepth(0), CNyInvalidParamException,
                    L"The maximum depth must be at least 1 [0]");
}

TEST(DepthLimit, RaisedOnAThreadWithALargerStack) {
    // 64 MiB of stack allow eight times the default depth with the same margin.
    struct Job {
        static void* Run(void* arg) {
            auto* result = static_cast<std::wstring*>(arg);
            CXmlSerializationContext ctx;
            ctx.SetMaxDepth(16000);
            CNode node;
            const std::wstring xml = Nested(16000);
            *result = Catch([&] { node.FromXml(xml.c_str(), ctx); }).full;
            if (result->empty() && node.ToXml(false, false, EOL_LF, ctx) != xml) *result = L"written differently";
            return nullptr;
        }
    };
    std::wstring result = L"not run";
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, 64u << 20);
    pthread_t thread;
    ASSERT_EQ(0, pthread_create(&thread, &attr, &Job::Run, &result));
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attr);
    EXPECT_EQ(L"", result);
}
