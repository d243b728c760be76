// Writes the library's Fast Infoset form of each XML document named on the
// command line (NAME.xml -> NAME.nyxml.fi) and of the typed document
// (typed.nyxml.fi in the directory of the first), for gen_fastinfoset_vectors.sh.
#include <nyxml/context.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "FastInfosetSupport.h"

using namespace NyXmlLib9;

static void Save(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

int main(int argc, char** argv) {
    std::string directory = ".";
    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i];
        std::ifstream in(name, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        std::string utf8 = text.str();
        CXmlDocument document;
        document.LoadXml(utf8.c_str());
        // The same path as the suite: the tree written back through the writer.
        std::wstring wide;
        std::string bytes;
        {
            std::string stem = name.substr(0, name.size() - 4);
            directory = stem.substr(0, stem.find_last_of('/'));
            CBinaryStream stream;
            CFastInfosetContext options;
            CFastInfosetWriter writer(&stream, &options);
            writer.WriteDocumentHeader(FInfoDecl_None);
            fi_test::WriteTree(document.GetDocumentElement(), writer);
            writer.WriteDocumentEnd();
            writer.EndDocument();
            const CBinaryData& data = stream.GetData();
            Save(stem + ".nyxml.fi", std::string(reinterpret_cast<const char*>(data.GetData()), data.GetLength()));
        }
    }
    Save(directory + "/typed.nyxml.fi", fi_test::TypedFastInfoset());
    return 0;
}
