#include "OutputOptions.h"

#include "Command.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>

namespace nyxml_tool {

using namespace NyXmlLib9;

std::string GzipBytes(const unsigned char* bytes, size_t length) {
    z_stream zs;
    std::memset(&zs, 0, sizeof zs);
    // Window bits 31: a 32 KiB window with the gzip wrapper.
    int status = deflateInit2(&zs, 1, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY);
    if (status == Z_MEM_ERROR) throw std::bad_alloc();
    if (status != Z_OK) throw std::runtime_error("gzip: deflateInit2 failed with " + std::to_string(status));
    std::string out;
    unsigned char chunk[65536];
    size_t offset = 0;
    do {
        // zlib counts input in 32-bit units: the input goes in by pieces.
        size_t piece = std::min<size_t>(length - offset, 1u << 30);
        zs.next_in = const_cast<Bytef*>(bytes + offset);
        zs.avail_in = static_cast<uInt>(piece);
        offset += piece;
        int flush = offset == length ? Z_FINISH : Z_NO_FLUSH;
        do {
            zs.next_out = chunk;
            zs.avail_out = sizeof chunk;
            status = deflate(&zs, flush);
            if (status == Z_STREAM_ERROR) {
                deflateEnd(&zs);
                throw std::runtime_error("gzip: deflate failed");
            }
            out.append(reinterpret_cast<const char*>(chunk), sizeof chunk - zs.avail_out);
        } while (zs.avail_out == 0);
    } while (offset < length);
    deflateEnd(&zs);
    if (status != Z_STREAM_END) throw std::runtime_error("gzip: the stream did not end");
    return out;
}

bool IndentationTooLarge(uint64_t elements, uint64_t depthSum) {
    return depthSum > (uint64_t(16) << 20) && depthSum / (elements ? elements : 1) > 256;
}

std::string CompactFallbackNote(const char* command, uint64_t maxDepth) {
    return std::string(command) + ": the document is nested " + std::to_string(maxDepth) +
           " levels deep: written without indentation, which would outgrow the document";
}


int ParseOutputArguments(const char* command, const std::vector<std::string>& args, OutputOptions& options) {
    const std::string prefix = std::string(command) + ": ";
    std::vector<std::string> files;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string a = args[i];
        std::string value;
        bool hasValue = false;
        size_t equals = a.find('=');
        if (a.compare(0, 2, "--") == 0 && equals != std::string::npos) {
            value = a.substr(equals + 1);
            a = a.substr(0, equals);
            hasValue = true;
        }
        auto takeValue = [&](const char* name) -> bool {
            if (hasValue) return true;
            if (i + 1 >= args.size()) {
                PrintError(prefix + name + " needs a value");
                return false;
            }
            value = args[++i];
            return true;
        };
        if (a == "--compact") {
            options.compact = true;
        } else if (a == "--declaration") {
            options.declaration = true;
        } else if (a == "--gzip") {
            options.gzip = true;
        } else if (a == "--stream") {
            options.stream = true;
        } else if (a == "--encoding") {
            if (!takeValue("--encoding")) return kExitUsage;
            if (value == "utf-8" || value == "UTF-8") {
                options.encoding = XmlEncoding_UTF8;
            } else if (value == "utf-16" || value == "UTF-16") {
                options.encoding = XmlEncoding_UTF16;
            } else {
                PrintError(prefix + "unknown encoding '" + value + "' (utf-8 or utf-16)");
                return kExitUsage;
            }
        } else if (a == "--eol") {
            if (!takeValue("--eol")) return kExitUsage;
            if (value == "lf") {
                options.eol = EOL_LF;
            } else if (value == "crlf") {
                options.eol = EOL_CRLF;
            } else {
                PrintError(prefix + "unknown line end '" + value + "' (lf or crlf)");
                return kExitUsage;
            }
        } else if (a.size() > 1 && a[0] == '-') {
            PrintError(prefix + "unknown option '" + args[i] + "'");
            return kExitUsage;
        } else {
            files.push_back(a);
        }
    }
    if (files.size() != 2) {
        PrintError(prefix + "expected an input and an output (file names, or - for standard input/output)");
        return kExitUsage;
    }
    options.in = files[0];
    options.out = files[1];
    if (options.stream && options.gzip) {
        PrintError(prefix + "--stream writes plain text; it cannot be combined with --gzip");
        return kExitUsage;
    }
    if (options.stream && options.out == "-") {
        PrintError(prefix + "--stream needs an output file, not standard output");
        return kExitUsage;
    }
    return 0;
}


}  // namespace nyxml_tool
