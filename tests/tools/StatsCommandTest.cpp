// nyxml stats, run as a program.
#include "TestSupport.h"
#include "ToolRunner.h"

#include <zlib.h>

#include <string>

using nyxml_test::Quoted;
using nyxml_test::RunTool;
using nyxml_test::ToolResult;

namespace {

class StatsCommand : public nyxml_test::ToolCommandTest {
protected:
    StatsCommand() : ToolCommandTest("stats") {}
    // The report without its last line, the load time.
    static std::string WithoutTime(const std::string& out) {
        size_t at = out.find("load time:");
        return at == std::string::npos ? out : out.substr(0, at);
    }
};

const char kDocument[] =
    "<r xmlns='urn:r' xmlns:p='urn:p'>\n  <p:a x='1' p:y='2'>t</p:a>\n  <b><c/></b>\n</r>";

}  // namespace

TEST_F(StatsCommand, CountsTheTree) {
    std::string in = dir.Path("in.xml");
    nyxml_test::WriteFile(in, kDocument);
    for (const std::string& args : {Quoted(in), "--async " + Quoted(in)}) {
        SCOPED_TRACE(args);
        ToolResult r = Run(args);
        ASSERT_EQ(0, r.status) << r.err;
        EXPECT_EQ("input:       " + in +
                      "\n"
                      "format:      XML text\n"
                      "bytes read:  " + std::to_string(sizeof kDocument - 1) +
                      "\n"
                      "elements:    4\n"
                      "attributes:  2\n"
                      "text nodes:  2 (8 characters)\n"
                      "max depth:   3\n"
                      "namespaces:  2\n"
                      "  urn:p\n"
                      "  urn:r\n",
                  WithoutTime(r.out));
        EXPECT_NE(std::string::npos, r.out.find(" ms\n"));
    }
}

TEST_F(StatsCommand, BadInputAndUsage) {
    std::string empty = dir.Path("empty.xml");
    nyxml_test::WriteFile(empty, "");
    struct Case {
        std::string args;
        int status;
        std::string err;
    } cases[] = {
        {Quoted(dir.Path("none.xml")), 1,
         "nyxml: Failed to open the file [" + dir.Path("none.xml") + "] Error [0x00000002]\n"},
        {Quoted(dir.path()), 1, "nyxml: Failed to open the file [" + dir.path() + "] Error [0x00000015]\n"},
        {Quoted(empty), 1, "nyxml: no element found at line 1\n"},
        {"--async " + Quoted(empty), 1,
         "nyxml: Failed to read the contents of the file [" + empty + "] Error [0x00000026]\n"},
        {"", 2, "nyxml: stats: no input given (a file name, or - for standard input)\n"},
        {"--fast x", 2, "nyxml: stats: unknown option '--fast'\n"},
        {"a b", 2, "nyxml: stats: only one input is accepted\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        ToolResult r = Run(c.args);
        EXPECT_EQ(c.status, r.status);
        EXPECT_EQ(c.err, r.err);
        EXPECT_EQ("", r.out);
    }
    ToolResult help = Run("--help");
    EXPECT_EQ(0, help.status);
    EXPECT_EQ(0u, help.out.find("usage: nyxml stats"));
    ToolResult unknown = RunTool("nosuch", dir.path());
    EXPECT_EQ(2, unknown.status);
    EXPECT_EQ(0u, unknown.err.find("nyxml: unknown command 'nosuch'\n"));
}
