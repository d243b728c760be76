// nyxml format, run as a program: options, standard streams, errors and exit codes.
#include <nyxml/document.h>

#include "TestSupport.h"
#include "ToolRunner.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

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

using Result = nyxml_test::ToolResult;

class FormatCommand : public testing::Test {
protected:
    void SetUp() override {
        if (!nyxml_test::ToolIsBuilt()) GTEST_SKIP() << "the nyxml tool is not built";
        input = dir.Path("in.xml");
        nyxml_test::WriteFile(input, kInput);
    }

    Result Run(const std::string& arguments, const std::string& stdinFile = "") {
        return nyxml_test::RunTool("format " + arguments, dir.path(), stdinFile);
    }

    std::string Quoted(const std::string& path) { return nyxml_test::Quoted(path); }

    nyxml_test::TempDir dir;
    std::string input;
};

}  // namespace

TEST_F(FormatCommand, IndentsAndDeclaresNamespacesOnTheRoot) {
    Result r = Run(Quoted(input) + " -");
    EXPECT_EQ(0, r.status) << r.err;
    EXPECT_EQ(kFormatted, r.out);
    EXPECT_EQ("", r.err);
}

TEST_F(FormatCommand, CompactWithDeclarationAndCrLf) {
    Result r = Run("--compact --declaration --eol crlf " + Quoted(input) + " -");
    EXPECT_EQ(0, r.status) << r.err;
    EXPECT_EQ(0u, r.out.find("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<AA:order "));
    EXPECT_NE(std::string::npos, r.out.find("<plain/>\r\n  \r\n  \r\n  \r\n</AA:order>"));  // the root's own text, last
}

TEST_F(FormatCommand, DefaultNamespaceWhenEveryElementHasOne) {
    std::string path = dir.Path("ns.xml");
    nyxml_test::WriteFile(path, "<a xmlns='urn:a' xmlns:b='urn:b' b:x='1'><b:c/><d/></a>");
    Result r = Run(Quoted(path) + " - --compact");
    EXPECT_EQ(0, r.status) << r.err;
    EXPECT_EQ("<a xmlns=\"urn:a\" xmlns:AA=\"urn:b\" AA:x=\"1\"><AA:c/><d/></a>", r.out);
}

TEST_F(FormatCommand, Utf16OutputHasAByteOrderMark) {
    std::string out = dir.Path("out16.xml");
    Result r = Run("--encoding utf-16 --declaration " + Quoted(input) + " " + Quoted(out));
    EXPECT_EQ(0, r.status) << r.err;
    std::string bytes = nyxml_test::ReadFile(out);
    ASSERT_GT(bytes.size(), 4u);
    EXPECT_EQ(std::string("\xFF\xFE<\0?\0", 6), bytes.substr(0, 6));
    CXmlDocument document;
    document.Load(std::wstring(out.begin(), out.end()).c_str());
    EXPECT_EQ(std::wstring(L"order"), document.GetDocumentElement()->GetLocalName());
}

TEST_F(FormatCommand, StreamedAndBufferedFilesAreEqual) {
    // A larger document, so that the streamed file is written in many pieces.
    std::string big = dir.Path("big.xml");
    std::string text = "<r xmlns:x='urn:x'>";
    for (int i = 0; i < 5000; ++i) text += "<x:e n='" + std::to_string(i) + "'>t\xC3\xA9xt " + std::to_string(i) + "</x:e>";
    text += "</r>";
    nyxml_test::WriteFile(big, text);
    for (const char* encoding : {"utf-8", "utf-16"}) {
        SCOPED_TRACE(encoding);
        std::string streamed = dir.Path("streamed.xml"), buffered = dir.Path("buffered.xml");
        Result a = Run(std::string("--stream --encoding ") + encoding + " " + Quoted(big) + " " + Quoted(streamed));
        Result b = Run(std::string("--encoding ") + encoding + " " + Quoted(big) + " " + Quoted(buffered));
        EXPECT_EQ(0, a.status) << a.err;
        EXPECT_EQ(0, b.status) << b.err;
        EXPECT_EQ(nyxml_test::ReadFile(buffered), nyxml_test::ReadFile(streamed));
        EXPECT_GT(nyxml_test::ReadFile(streamed).size(), 100000u);
    }
}

TEST_F(FormatCommand, GzipOutputLoadsBackAndStandardInputWorks) {
    std::string packed = dir.Path("out.xml.gz");
    Result r = Run("--gzip - " + Quoted(packed), input);
    EXPECT_EQ(0, r.status) << r.err;
    EXPECT_EQ("\x1F\x8B", nyxml_test::ReadFile(packed).substr(0, 2));
    // Formatting the compressed file again gives the plain formatted text.
    Result again = Run(Quoted(packed) + " -");
    EXPECT_EQ(0, again.status) << again.err;
    EXPECT_EQ(kFormatted, again.out);
    if (std::system("command -v gzip > /dev/null 2>&1") == 0) {
        std::string command = "gzip -dc '" + packed + "' > '" + dir.Path("plain.xml") + "'";
        ASSERT_EQ(0, std::system(command.c_str()));
        EXPECT_EQ(kFormatted, nyxml_test::ReadFile(dir.Path("plain.xml")));
    }
}

TEST_F(FormatCommand, UsageErrorsExitWithTwo) {
    const char* cases[] = {"", "onlyone", "a b c", "--bogus a b", "--encoding latin1 a b", "--eol cr a b",
                           "--encoding", "--stream --gzip a b", "--stream a -"};
    for (const char* arguments : cases) {
        SCOPED_TRACE(arguments);
        Result r = Run(arguments);
        EXPECT_EQ(2, r.status);
        EXPECT_EQ(0u, r.err.find("nyxml: format: ")) << r.err;
        EXPECT_EQ("", r.out);
    }
}

TEST_F(FormatCommand, InputAndOutputFailuresExitWithOne) {
    std::string missing = dir.Path("missing.xml");
    Result r = Run(Quoted(missing) + " -");
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
