// The nyxml command-line tool: loads, inspects and rewrites XML documents
// through the library.
#include "Command.h"

#include "fastinfoset/FastInfosetReader.h"
#include "foundation/TextInternal.h"

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>

namespace nyxml_tool {

std::vector<Command>& Commands() {
    static std::vector<Command> commands;
    return commands;
}

std::string ToUtf8(const std::wstring& text) { return NyXmlLib9::NarrowText(text); }

std::wstring FromUtf8(const std::string& text) { return NyXmlLib9::WidenText(text); }

void PrintError(const std::string& message) { std::fprintf(stderr, "nyxml: %s\n", message.c_str()); }

void PrintError(const std::wstring& message) { PrintError(ToUtf8(message)); }

bool ReadAllBytes(const std::string& path, std::string& bytes, std::string& error) {
    if (path == "-") {
        bytes.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
        if (std::cin.bad()) {
            error = "cannot read standard input";
            return false;
        }
        return true;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) {
        error = "cannot read " + path;
        return false;
    }
    return true;
}

std::string DescribeFormat(const std::string& bytes) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes.data());
    size_t n = bytes.size();
    std::string wrapper;
    std::string head;
    bool gzip = n >= 2 && p[0] == 0x1F && p[1] == 0x8B;
    bool zlib = n >= 2 && (p[0] & 0x0F) == 8 && ((p[0] << 8) | p[1]) % 31 == 0;
    if (gzip || zlib) {
        // The first octets of the inflated data are enough to tell.
        z_stream zs{};
        unsigned char out[128];
        if (inflateInit2(&zs, 15 + 32) == Z_OK) {
            zs.next_in = const_cast<unsigned char*>(p);
            zs.avail_in = static_cast<uInt>(n > UINT32_MAX ? UINT32_MAX : n);
            zs.next_out = out;
            zs.avail_out = sizeof out;
            int status = inflate(&zs, Z_NO_FLUSH);
            if (status == Z_OK || status == Z_STREAM_END) {
                head.assign(reinterpret_cast<char*>(out), sizeof out - zs.avail_out);
                wrapper = gzip ? "gzip, " : "zlib, ";
            }
            inflateEnd(&zs);
        }
    }
    if (wrapper.empty()) head = bytes.substr(0, 128);
    bool fi = NyXmlLib9::IsFastInfosetDocument(reinterpret_cast<const unsigned char*>(head.data()),
                                               static_cast<uint32_t>(head.size()));
    return wrapper + (fi ? "Fast Infoset" : "XML text");
}

namespace {

void PrintUsage(FILE* out) {
    std::fprintf(out, "usage: nyxml COMMAND [OPTIONS] ...\n\ncommands:\n");
    std::vector<Command> commands = Commands();
    std::sort(commands.begin(), commands.end(),
              [](const Command& a, const Command& b) { return std::strcmp(a.name, b.name) < 0; });
    for (const Command& c : commands) std::fprintf(out, "  %-10s %s\n", c.name, c.synopsis);
    std::fprintf(out, "\n'nyxml COMMAND --help' describes one command.\n");
}

}  // namespace
}  // namespace nyxml_tool

int main(int argc, char** argv) {
    using namespace nyxml_tool;
    std::ios::sync_with_stdio(false);
    if (argc < 2) {
        PrintUsage(stderr);
        return kExitUsage;
    }
    std::string name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        PrintUsage(stdout);
        return 0;
    }
    for (const Command& c : Commands()) {
        if (name != c.name) continue;
        std::vector<std::string> args(argv + 2, argv + argc);
        for (const std::string& a : args) {
            if (a == "--help" || a == "-h") {
                std::fputs(c.help, stdout);
                return 0;
            }
        }
        return c.run(args);
    }
    PrintError("unknown command '" + name + "'");
    PrintUsage(stderr);
    return kExitUsage;
}
