// nyxml convert: XML text to Fast Infoset and back.
#include "Command.h"
#include "TreeOutput.h"

#include <nyxml/document.h>
#include <nyxml/fastinfoset.h>
#include <nyxml/streams.h>

#include <cstdio>
#include <exception>

#include <zlib.h>

#include "fastinfoset/FastInfosetReader.h"

namespace nyxml_tool {
namespace {

using namespace NyXmlLib9;

const char kHelp[] =
    "usage: nyxml convert [--to xml|fi] [--fi-declaration 0-9] [--gzip] IN OUT\n"
    "\n"
    "Loads IN (XML text or Fast Infoset, plain, gzip or zlib compressed, told\n"
    "apart as the library does) and writes OUT as Fast Infoset or as XML text\n"
    "(UTF-8, no indentation). Without --to, an OUT ending in .fi or .finf\n"
    "(then optionally .gz) is Fast Infoset and anything else XML text. '-' is\n"
    "standard input or output.\n"
    "Prints the two formats and sizes unless OUT is standard output.\n"
    "\n"
    "  --to xml|fi            the output format\n"
    "  --fi-declaration 0-9   the XML declaration before Fast Infoset output\n"
    "                         (0 none, the default; 1-9 the declarations\n"
    "                         naming the encoding 'finf')\n"
    "  --gzip                 compress the output with gzip (fastest level)\n";

bool EndsWith(const std::string& s, const char* tail) {
    std::string t = tail;
    return s.size() >= t.size() && s.compare(s.size() - t.size(), t.size(), t) == 0;
}

// Gzip at the fastest level, also for output too short to shrink (which the
// library's in-place compression refuses).
CBinaryData Gzip(const CBinaryData& data) {
    z_stream zs{};
    if (deflateInit2(&zs, 1, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        throw CNyException(L"Failed to compress data.");
    std::string out(deflateBound(&zs, data.GetLength()), '\0');
    zs.next_in = const_cast<unsigned char*>(data.GetData());
    zs.avail_in = data.GetLength();
    zs.next_out = reinterpret_cast<unsigned char*>(&out[0]);
    zs.avail_out = static_cast<uInt>(out.size());
    int status = deflate(&zs, Z_FINISH);
    size_t produced = out.size() - zs.avail_out;
    deflateEnd(&zs);
    if (status != Z_STREAM_END) throw CNyException(L"Failed to compress data.");
    CBinaryData result;
    result.Append(reinterpret_cast<const unsigned char*>(out.data()), static_cast<uint32_t>(produced));
    return result;
}

CBinaryData WriteFastInfoset(const CXmlElement* root, FInfoDecl declaration) {
    CFastInfosetContext options;
    CBinaryStream stream;
    CFastInfosetWriter writer(&stream, &options);
    writer.WriteDocumentHeader(declaration);
    writer.StartDocument();
    DeclareNamespaces(root, writer);
    WriteTree(root, writer, false);
    writer.WriteDocumentEnd();
    writer.EndDocument();
    return stream.GetData();
}

CBinaryData WriteXml(const CXmlElement* root) {
    CTextStream stream(XmlEncoding_UTF8);
    CXmlTextWriter writer(&stream);
    writer.SetFormatted(false);
    writer.StartDocument();
    writer.WriteXmlDeclaration();
    DeclareNamespaces(root, writer);
    WriteTree(root, writer, false);
    writer.EndDocument();
    return stream.GetBytes();
}

int Run(const std::vector<std::string>& args) {
    std::string to, in, out;
    int declaration = 0;
    bool gzip = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--to" || a == "--fi-declaration") {
            if (i + 1 >= args.size()) {
                PrintError("convert: " + a + " needs a value");
                return kExitUsage;
            }
            const std::string& value = args[++i];
            if (a == "--to") {
                if (value != "xml" && value != "fi") {
                    PrintError("convert: unknown output format '" + value + "' (xml or fi)");
                    return kExitUsage;
                }
                to = value;
            } else {
                if (value.size() != 1 || value[0] < '0' || value[0] > '9') {
                    PrintError("convert: --fi-declaration takes a number from 0 to 9");
                    return kExitUsage;
                }
                declaration = value[0] - '0';
            }
        } else if (a == "--gzip") {
            gzip = true;
        } else if (a.size() > 1 && a[0] == '-') {
            PrintError("convert: unknown option '" + a + "'");
            return kExitUsage;
        } else if (in.empty()) {
            in = a;
        } else if (out.empty()) {
            out = a;
        } else {
            PrintError("convert: expected an input and an output");
            return kExitUsage;
        }
    }
    if (out.empty()) {
        PrintError("convert: expected an input and an output (file names, or - for standard input/output)");
        return kExitUsage;
    }
    std::string stem = EndsWith(out, ".gz") ? out.substr(0, out.size() - 3) : out;
    bool fastInfoset = to.empty() ? EndsWith(stem, ".fi") || EndsWith(stem, ".finf") : to == "fi";
    try {
        std::string bytes, error;
        if (!ReadAllBytes(in, bytes, error)) throw CNyException(FromUtf8(error));
        if (bytes.empty()) throw CNyException(L"XML Stream is empty!");
        if (bytes.size() > UINT32_MAX) throw CNyException(L"The input is larger than 4 GiB");
        std::string inputFormat = DescribeFormat(bytes);
        CXmlDocument document;
        document.LoadXmlStream(reinterpret_cast<unsigned char*>(&bytes[0]), static_cast<uint32_t>(bytes.size()));
        const CXmlElement* root = document.GetDocumentElement();
        if (!root) throw CNyException(L"Invalid or empty XML document");
        CBinaryData result =
            fastInfoset ? WriteFastInfoset(root, static_cast<FInfoDecl>(declaration)) : WriteXml(root);
        if (gzip) result = Gzip(result);
        if (out == "-") {
            if (result.GetLength() && std::fwrite(result.GetData(), 1, result.GetLength(), stdout) != result.GetLength())
                throw CNyException(L"Failed to write to standard output");
            if (std::fflush(stdout) != 0) throw CNyException(L"Failed to write to standard output");
            return 0;
        }
        CFileBinaryStream file(FromUtf8(out).c_str(), XmlEncoding_UTF8, result);
        file.Write();
        std::printf("%s: %zu bytes, %s\n%s: %u bytes, %s%s\n", in == "-" ? "(standard input)" : in.c_str(),
                    bytes.size(), inputFormat.c_str(), out.c_str(), result.GetLength(),
                    fastInfoset ? "Fast Infoset" : "XML text", gzip ? ", gzip" : "");
    } catch (const CNyException& e) {
        PrintError(e.GetFullMessage());
        return kExitFailure;
    } catch (const std::exception& e) {
        PrintError(std::string("convert: ") + e.what());
        return kExitFailure;
    }
    return 0;
}

CommandRegistration registration({"convert", "convert between XML text and Fast Infoset (gzip optional)", kHelp,
                                   &Run});

}  // namespace
}  // namespace nyxml_tool
