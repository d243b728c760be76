#include "OutputOptions.h"

#include "Command.h"

namespace nyxml_tool {

using namespace NyXmlLib9;



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
