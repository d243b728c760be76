// nyxml convert, run as a program: XML text to Fast Infoset and back.
#include "TestSupport.h"
#include "ToolRunner.h"

#include <string>

using nyxml_test::Quoted;
using nyxml_test::ToolResult;

namespace {

// Runs convert, and stats to tell what convert wrote.
class ConvertCommand : public nyxml_test::ToolCommandTest {
protected:
    std::string Format(const std::string& stats) {
        size_t at = stats.find("format:      ");
        return at == std::string::npos ? "" : stats.substr(at + 13, stats.find('\n', at) - at - 13);
    }
};

const char kDocument[] =
    "<r xmlns='urn:r' xmlns:p='urn:p'><p:a x='1' p:y='2'>t &amp; \xc3\xa9</p:a><b><c/></b><b/></r>";

}  // namespace

TEST_F(ConvertCommand, ToFastInfosetAndBack) {
    std::string in = dir.Path("in.xml"), fi = dir.Path("out.fi"), gz = dir.Path("out.finf.gz"),
                back = dir.Path("back.xml");
    nyxml_test::WriteFile(in, kDocument);
    ToolResult r = Run("convert " + Quoted(in) + " " + Quoted(fi));
    ASSERT_EQ(0, r.status) << r.err;
    size_t fiSize = nyxml_test::ReadFile(fi).size();
    EXPECT_EQ(in + ": " + std::to_string(sizeof kDocument - 1) + " bytes, XML text\n" + fi + ": " +
                  std::to_string(fiSize) + " bytes, Fast Infoset\n",
              r.out);
    EXPECT_EQ("Fast Infoset", Format(Run("stats " + Quoted(fi)).out));
    ASSERT_EQ(0, Run("convert --gzip --fi-declaration 4 " + Quoted(in) + " " + Quoted(gz)).status);
    EXPECT_EQ("gzip, Fast Infoset", Format(Run("stats " + Quoted(gz)).out));
    // Back to text: the same document as the text writer makes of the original.
    ASSERT_EQ(0, Run("convert " + Quoted(gz) + " " + Quoted(back)).status);
    ToolResult text = Run("format --compact --declaration " + Quoted(in) + " -");
    EXPECT_EQ(text.out, nyxml_test::ReadFile(back));
    EXPECT_EQ(0u, text.out.find("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<r xmlns=\"urn:r\""));
    // Standard input and output; --to wins over the name.
    ToolResult piped = Run("convert --to fi - -", in);
    ASSERT_EQ(0, piped.status) << piped.err;
    EXPECT_EQ(nyxml_test::ReadFile(fi), piped.out);
    EXPECT_EQ(text.out, Run("convert --to xml - -", fi).out);
    EXPECT_EQ(0u, nyxml_test::ReadFile(fi).find(std::string("\xE0\x00\x00\x01", 4)));
}

TEST_F(ConvertCommand, BadInputAndUsage) {
    std::string broken = dir.Path("broken.fi");
    nyxml_test::WriteFile(broken, std::string("\xE0\x00\x00\x01\x00\x3C\x00", 7));
    struct Case {
        std::string args;
        int status;
        std::string err;
    } cases[] = {
        {Quoted(broken) + " " + Quoted(dir.Path("x.xml")), 1,
         "nyxml: Failed to parse FastInfoset. Unexpected End of File.\n"},
        {"--to json a b", 2, "nyxml: convert: unknown output format 'json' (xml or fi)\n"},
        {"--fi-declaration 10 a b", 2, "nyxml: convert: --fi-declaration takes a number from 0 to 9\n"},
        {"--to", 2, "nyxml: convert: --to needs a value\n"},
        {"a", 2, "nyxml: convert: expected an input and an output (file names, or - for standard input/output)\n"},
        {"--fast a b", 2, "nyxml: convert: unknown option '--fast'\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args);
        ToolResult r = Run("convert " + c.args);
        EXPECT_EQ(c.status, r.status);
        EXPECT_EQ(c.err, r.err);
        EXPECT_EQ("", r.out);
    }
    EXPECT_EQ(0u, Run("convert --help").out.find("usage: nyxml convert"));
}

// nyxml stats, run as a program.
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

const char kStatsDocument[] =
    "<r xmlns='urn:r' xmlns:p='urn:p'>\n  <p:a x='1' p:y='2'>t</p:a>\n  <b><c/></b>\n</r>";

}  // namespace

TEST_F(StatsCommand, CountsTheTree) {
    std::string in = dir.Path("in.xml");
    nyxml_test::WriteFile(in, kStatsDocument);
    for (const std::string& args : {Quoted(in), "--async " + Quoted(in)}) {
        SCOPED_TRACE(args);
        ToolResult r = Run(args);
        ASSERT_EQ(0, r.status) << r.err;
        EXPECT_EQ("input:       " + in +
                      "\n"
                      "format:      XML text\n"
                      "bytes read:  " + std::to_string(sizeof kStatsDocument - 1) +
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
    ToolResult unknown = nyxml_test::RunTool("nosuch", dir.path());
    EXPECT_EQ(2, unknown.status);
    EXPECT_EQ(0u, unknown.err.find("nyxml: unknown command 'nosuch'\n"));
}
