// nyxml format, run as a program: options, standard streams, errors and exit codes.
#include <nyxml/document.h>

#include "TestSupport.h"
#include "ToolRunner.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <zlib.h>

using namespace NyXmlLib9;

namespace {

const char kInput[] =
    "<?xml version=\"1.0\"?>\n"
    "<p:order xmlns:p=\"urn:po\" xmlns:q=\"urn:other\" id=\"7\" q:flag=\"yes\" xml:lang=\"en\">\n"
    "  <p:item n=\"1\">Widget &amp; co</p:item>\n"
    "  <q:note>caf&#xE9; &#x1F600;</q:note>\n"
    "  <plain/>\n"
    "</p:order>\n";

const char kFormatted[] =
    "<AA:order xmlns:AB=\"urn:other\" xmlns:AA=\"urn:po\" id=\"7\" AB:flag=\"yes\" xml:lang=\"en\">\n"
    "\t<AA:item n=\"1\">Widget &amp; co</AA:item>\n"
    "\t<AB:note>caf\xC3\xA9 \xF0\x9F\x98\x80</AB:note>\n"
    "\t<plain/>\n"
    "</AA:order>\n";

using nyxml_test::Quoted;
using nyxml_test::ToolResult;

class FormatCommand : public nyxml_test::ToolCommandTest {
protected:
    FormatCommand() : ToolCommandTest("format") {}
    void SetUp() override {
        ToolCommandTest::SetUp();
        input = dir.Path("in.xml");
        nyxml_test::WriteFile(input, kInput);
    }
    std::string input;
};

}  // namespace

TEST_F(FormatCommand, IndentsAndDeclaresNamespacesOnTheRoot) {
    ToolResult r = Run(Quoted(input) + " -");
    EXPECT_EQ(0, r.status) << r.err;
    EXPECT_EQ(kFormatted, r.out);
    EXPECT_EQ("", r.err);
}

TEST_F(FormatCommand, UsageErrorsExitWithTwo) {
    const char* cases[] = {"", "onlyone", "a b c", "--bogus a b", "--encoding latin1 a b", "--eol cr a b",
                           "--encoding", "--stream --gzip a b", "--stream a -"};
    for (const char* arguments : cases) {
        SCOPED_TRACE(arguments);
        ToolResult r = Run(arguments);
        EXPECT_EQ(2, r.status);
        EXPECT_EQ(0u, r.err.find("nyxml: format: ")) << r.err;
        EXPECT_EQ("", r.out);
    }
}

TEST_F(FormatCommand, InputAndOutputFailuresExitWithOne) {
    std::string missing = dir.Path("missing.xml");
    ToolResult r = Run(Quoted(missing) + " -");
    EXPECT_EQ(1, r.status);
    EXPECT_EQ("nyxml: Failed to open the file [" + missing + "] Error [0x00000002]\n", r.err);

    std::string bad = dir.Path("bad.xml");
    nyxml_test::WriteFile(bad, "<a><b></a>");
    r = Run(Quoted(bad) + " -");
    EXPECT_EQ(1, r.status);
    EXPECT_EQ(0u, r.err.find("nyxml: ")) << r.err;
    EXPECT_EQ("", r.out);

    std::string blocked = input + "/out.xml";  // a path below a regular file
    for (const char* option : {"", "--stream "}) {
        r = Run(std::string(option) + Quoted(input) + " " + Quoted(blocked));
        EXPECT_EQ(1, r.status);
        EXPECT_EQ("nyxml: Failed to write data to the file [" + blocked + "] error [0x00000014]\n", r.err);
    }

    std::string empty = dir.Path("empty.xml");
    nyxml_test::WriteFile(empty, "");
    r = Run("- -", empty);
    EXPECT_EQ(1, r.status);
    EXPECT_EQ("nyxml: XML Stream is empty!\n", r.err);
}

// nyxml roundtrip, run as a program.
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

// Every command of the tool on documents built to hurt: nesting far deeper
// than a stack, and --gzip of output too short for the library's compression.
namespace {

const char kCompactNote[] =
    "the document is nested 300000 levels deep: written without indentation, which would outgrow the document\n";

std::string Gunzip(const std::string& packed) {
    std::string out;
    z_stream zs{};
    if (inflateInit2(&zs, 31) != Z_OK) return "(inflateInit2 failed)";
    zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
    zs.avail_in = static_cast<uInt>(packed.size());
    char buffer[65536];
    int status;
    do {
        zs.next_out = reinterpret_cast<Bytef*>(buffer);
        zs.avail_out = sizeof buffer;
        status = inflate(&zs, Z_NO_FLUSH);
        out.append(buffer, sizeof buffer - zs.avail_out);
    } while (status == Z_OK);
    inflateEnd(&zs);
    return status == Z_STREAM_END && zs.avail_in == 0 ? out : "(not a complete gzip stream)";
}

class HostileInputTool : public nyxml_test::ToolCommandTest {};

}  // namespace

TEST_F(HostileInputTool, ThreeHundredThousandLevelsThroughEveryCommand) {
    const int depth = 300000;
    std::string xml;
    for (int i = 0; i < depth; ++i) xml += "<a>";
    xml += "x";
    for (int i = 0; i < depth; ++i) xml += "</a>";
    const std::string in = dir.Path("deep.xml");
    nyxml_test::WriteFile(in, xml);

    nyxml_test::ToolResult stats = Run("stats " + nyxml_test::Quoted(in));
    EXPECT_EQ(0, stats.status) << stats.err;
    EXPECT_NE(std::string::npos, stats.out.find("max depth:   300000\n"));

    struct Case {
        const char* command;
        const char* options;
        const char* note;
        bool gzip;
    };
    const Case cases[] = {
        {"format", "", "nyxml: format: ", false},
        {"format", "--compact", nullptr, false},
        {"format", "--gzip", "nyxml: format: ", true},
        {"roundtrip", "", "nyxml: roundtrip: ", false},
        {"roundtrip", "--compact --gzip", nullptr, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.command) + " " + c.options);
        const std::string out = dir.Path("out");
        nyxml_test::ToolResult r =
            Run(std::string(c.command) + " " + c.options + " " + nyxml_test::Quoted(in) + " " + nyxml_test::Quoted(out));
        EXPECT_EQ(0, r.status) << r.err.substr(0, 500);
        if (c.note)
            EXPECT_EQ(0u, r.err.find(std::string(c.note) + kCompactNote)) << r.err.substr(0, 500);
        else
            EXPECT_EQ(std::string::npos, r.err.find("nested")) << r.err.substr(0, 500);
        std::string written = nyxml_test::ReadFile(out);
        if (c.gzip) written = Gunzip(written);
        // Compact text of the same tree (the formatting commands end with a line feed).
        if (!written.empty() && written.back() == '\n') written.pop_back();
        EXPECT_TRUE(written == xml) << written.substr(0, 200);
    }
}

TEST_F(HostileInputTool, GzipOfAnyLengthIsAGzipFile) {
    for (const std::string& xml : {std::string("<a/>"), std::string("<r>") + std::string(100000, 'x') + "</r>"}) {
        SCOPED_TRACE(xml.size());
        const std::string in = dir.Path("in.xml"), out = dir.Path("out.gz");
        nyxml_test::WriteFile(in, xml);
        for (const char* command : {"format --compact --gzip", "roundtrip --compact --gzip"}) {
            SCOPED_TRACE(command);
            nyxml_test::ToolResult r =
                Run(std::string(command) + " " + nyxml_test::Quoted(in) + " " + nyxml_test::Quoted(out));
            EXPECT_EQ(0, r.status) << r.err;
            EXPECT_TRUE(Gunzip(nyxml_test::ReadFile(out)) == xml);
        }
    }
}

TEST_F(HostileInputTool, TwentyThousandNamespacesThroughFormatAndRoundtrip) {
    const int count = 20000;
    std::string xml = "<r>";
    for (int i = 0; i < count; ++i)
        xml += "<e xmlns='urn:n" + std::to_string(i) + "' xmlns:q='urn:q" + std::to_string(i) + "' q:a='1'/>";
    xml += "</r>";
    const std::string in = dir.Path("ns.xml"), out = dir.Path("out.xml");
    nyxml_test::WriteFile(in, xml);
    for (const char* command : {"format", "roundtrip"}) {
        SCOPED_TRACE(command);
        nyxml_test::ToolResult r =
            Run(std::string(command) + " --compact " + nyxml_test::Quoted(in) + " " + nyxml_test::Quoted(out));
        EXPECT_EQ(0, r.status) << r.err.substr(0, 300);
        nyxml_test::ToolResult stats = Run("stats " + nyxml_test::Quoted(out));
        EXPECT_NE(std::string::npos, stats.out.find("namespaces:  40000\n")) << stats.out.substr(0, 300);
    }
}
