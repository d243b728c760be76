// nyxml roundtrip, run as a program.
#include "TestSupport.h"
#include "ToolRunner.h"

#include <string>

using nyxml_test::Quoted;
using nyxml_test::ToolResult;

namespace {

class RoundtripCommand : public nyxml_test::ToolCommandTest {
protected:
    RoundtripCommand() : ToolCommandTest("roundtrip") {}
};

}  // namespace

TEST_F(RoundtripCommand, MixedContentTextMovesAfterChildren) {
    std::string in = dir.Path("in.xml");
    nyxml_test::WriteFile(in, "<a xmlns='urn:a' k='v'>x<b>y</b>z<c/></a>");
    ToolResult r = Run("--compact " + Quoted(in) + " -");
    ASSERT_EQ(0, r.status) << r.err;
    EXPECT_EQ("<AA:a xmlns:AA=\"urn:a\" k=\"v\"><AA:b>y</AA:b><AA:c/>xz</AA:a>", r.out);
    EXPECT_EQ(
        "roundtrip: 3 elements written\n"
        "roundtrip: 1 elements with mixed content: their text now follows their children\n"
        "roundtrip: 0 elements had white space between children: it now follows them\n",
        r.err);
}

TEST_F(RoundtripCommand, StandardInputAndErrors) {
    std::string in = dir.Path("in.xml");
    nyxml_test::WriteFile(in, "<a><b></a>");
    ToolResult bad = Run("- -", in);
    EXPECT_EQ(1, bad.status);
    EXPECT_EQ("nyxml: mismatched tag at line 1\n", bad.err);
    ToolResult usage = Run("--encoding latin1 a b");
    EXPECT_EQ(2, usage.status);
    EXPECT_EQ("nyxml: roundtrip: unknown encoding 'latin1' (utf-8 or utf-16)\n", usage.err);
    ToolResult missing = Run(Quoted(dir.Path("none.xml")) + " -");
    EXPECT_EQ(1, missing.status);
    EXPECT_EQ("nyxml: Failed to open the file [" + dir.Path("none.xml") + "] Error [0x00000002]\n", missing.err);
}
