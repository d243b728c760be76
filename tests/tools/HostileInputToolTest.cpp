// Every command of the tool on documents built to hurt: nesting far deeper
// than a stack, and --gzip of output too short for the library's compression.
#include "TestSupport.h"
#include "ToolRunner.h"

#include <zlib.h>

#include <string>

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

class HostileInputTool : public testing::Test {
protected:
    void SetUp() override {
        if (!nyxml_test::ToolIsBuilt()) GTEST_SKIP() << "the nyxml tool is not built";
    }
    nyxml_test::ToolResult Run(const std::string& arguments) { return nyxml_test::RunTool(arguments, dir.path()); }
    nyxml_test::TempDir dir;
};

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
