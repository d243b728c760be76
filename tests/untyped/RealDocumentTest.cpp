// Round trips of XML documents that other packages install: each is loaded
// into an untyped element, written back, and both files are described by an
// independent parser (Python's ElementTree, tests/tools/xml_view.py). Element
// names, namespaces, attributes and non-whitespace text must agree. A file
// that is absent on this machine is skipped.
// Comments and processing instructions are not part of the comparison: the
// untyped model does not keep them.
#include <nyxml/untyped.h>

#include "TestSupport.h"

#include <glob.h>
#include <sys/stat.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

using namespace NyXmlLib9;
using nyxml_test::TempDir;

namespace {

const char* const kPatterns[] = {
    "/etc/fonts/fonts.conf",
    "/usr/share/fontconfig/conf.avail/*.conf",
    "/usr/share/dbus-1/*.conf",
    "/usr/share/dbus-1/interfaces/*.xml",
    "/usr/share/polkit-1/actions/*.policy",
    "/usr/share/mime/packages/*.xml",
    "/usr/share/icons/*/scalable/*/*.svg",
    "/usr/share/doc/*/*.svg",
    "/usr/share/metainfo/*.xml",
    "/usr/share/xml/iso-codes/iso_3166-1.xml",
    "/usr/share/xml/iso-codes/iso_4217.xml",
    "/usr/share/X11/xkb/rules/evdev.xml",
    "/usr/share/cmake-*/Templates/MSBuild/*.xml",
    "/usr/share/maven-repo/org/apache/*/*/*-site.xml",
};
const size_t kMaxPerPattern = 6;

std::vector<std::string> CandidateFiles() {
    std::vector<std::string> files;
    for (const char* pattern : kPatterns) {
        glob_t g;
        if (glob(pattern, 0, nullptr, &g) == 0) {
            for (size_t i = 0, taken = 0; i < g.gl_pathc && taken < kMaxPerPattern; ++i) {
                struct stat st;
                if (stat(g.gl_pathv[i], &st) == 0 && S_ISREG(st.st_mode) && st.st_size < (8 << 20)) {
                    files.push_back(g.gl_pathv[i]);
                    ++taken;
                }
            }
        }
        globfree(&g);
    }
    return files;
}

// Runs the view script over the files; returns path -> view ("" when Python
// could not read the file).
std::map<std::string, std::string> Views(const std::vector<std::string>& files) {
    std::string cmd = "python3 '" NYXML_SOURCE_DIR "/tests/tools/xml_view.py'";
    for (const std::string& f : files) cmd += " '" + f + "'";
    std::map<std::string, std::string> views;
    FILE* p = popen(cmd.c_str(), "r");
    if (!p) return views;
    std::string all;
    char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) all.append(buf, n);
    pclose(p);
    std::string current;
    size_t pos = 0;
    while (pos < all.size()) {
        size_t end = all.find('\n', pos);
        if (end == std::string::npos) end = all.size();
        std::string line = all.substr(pos, end - pos);
        pos = end + 1;
        if (line.compare(0, 4, "=== ") == 0) {
            current = line.substr(4);
            views[current];
        } else if (line.compare(0, 4, "!!! ") == 0) {
            views[current] = "";
        } else {
            views[current] += line + "\n";
        }
    }
    return views;
}

bool HavePython() { return std::system("python3 -c 'import xml.dom.minidom' > /dev/null 2>&1") == 0; }

}  // namespace

TEST(RealDocuments, UntypedRoundTripKeepsNamesAttributesAndText) {
    if (!HavePython()) GTEST_SKIP() << "python3 is not available";
    std::vector<std::string> files = CandidateFiles();
    if (files.empty()) GTEST_SKIP() << "none of the sample documents is installed here";
    std::map<std::string, std::string> originals = Views(files);

    TempDir dir;
    std::vector<std::string> outputs;
    std::map<std::string, std::string> sourceOf;
    int index = 0;
    for (const std::string& f : files) {
        if (originals[f].empty()) continue;  // not well-formed for the independent parser either
        SCOPED_TRACE(f);
        CSmartPtr<CElement> e(new CElement(L"root"));
        std::wstring wide(f.begin(), f.end());
        ASSERT_NO_THROW(e->FromXmlFile(wide.c_str(), CXmlSerializationContext::GetDefaultContext()));
        std::string out = dir.Path("out" + std::to_string(index++) + ".xml");
        std::wstring wideOut(out.begin(), out.end());
        e->ToXmlFile(wideOut.c_str(), true, false, XmlEncoding_UTF8, EOL_LF,
                     CXmlSerializationContext::GetDefaultContext(), Compression_None);
        outputs.push_back(out);
        sourceOf[out] = f;
    }
    ASSERT_FALSE(outputs.empty());
    std::map<std::string, std::string> rewritten = Views(outputs);
    for (const std::string& out : outputs) {
        // Reports the first line that differs: a whole-document diff of large
        // files would take minutes.
        const std::string& a = originals[sourceOf[out]];
        const std::string& b = rewritten[out];
        if (a == b) continue;
        size_t at = 0;
        while (at < a.size() && at < b.size() && a[at] == b[at]) ++at;
        size_t line = a.rfind('\n', at == 0 ? 0 : at - 1);
        line = line == std::string::npos ? 0 : line + 1;
        ADD_FAILURE() << sourceOf[out] << " differs after the round trip:\n  original: "
                      << a.substr(line, a.find('\n', line) - line) << "\n  rewritten: "
                      << b.substr(line, b.find('\n', line) - line);
    }
    std::printf("round-tripped %zu documents\n", outputs.size());
}
