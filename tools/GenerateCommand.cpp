// nyxml generate: the schema compiler. Reads XML Schemas and writes the
// classes that bind their documents to this library.
#include "Command.h"

#include "../compiler/Generator.h"

#include <cstdio>
#include <string>
#include <vector>

namespace nyxml_tool {
namespace {

const char kHelp[] =
    "usage: nyxml generate [--namespace CPPNS] [--output DIR] [--root-only] SCHEMA.xsd...\n"
    "\n"
    "Reads the schemas (and the schemas they include or import, relative to\n"
    "the including file) and writes one header and one source per schema file\n"
    "into DIR (default: the current directory). Every complex type becomes a\n"
    "class derived from CXmlGeneratedClass, every enumeration a C++ enum with\n"
    "its two conversion functions. The classes live in the C++ namespace\n"
    "CPPNS (default: named after the first schema file), which also holds\n"
    "CreateDocumentObject(localName, namespaceUri) for the global elements and\n"
    "CleanMetaData().\n"
    "\n"
    "--root-only generates only what the global elements of the schemas named\n"
    "on the command line reach: their types, the types and enumerations of\n"
    "their members, base types, types derived from those (xsi:type may name\n"
    "them) and substitution groups. Global elements and unused types of\n"
    "included or imported schemas are left out.\n"
    "\n"
    "A construct the compiler does not support is reported with the schema\n"
    "file and line: as an error (exit status 1, nothing is written), or as a\n"
    "warning when only a check is lost.\n";

int Run(const std::vector<std::string>& args) {
    nyxml_compiler::GenerateOptions options;
    std::string output = ".";
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--help" || a == "-h") {
            std::fputs(kHelp, stdout);
            return 0;
        }
        if (a == "--root-only") {
            options.rootOnly = true;
        } else if ((a == "--namespace" || a == "--output") && i + 1 < args.size()) {
            if (a == "--namespace")
                options.cppNamespace = FromUtf8(args[++i]);
            else
                output = args[++i];
        } else if (!a.empty() && a[0] == '-') {
            PrintError("generate: unknown option " + a);
            return kExitUsage;
        } else {
            options.schemas.push_back(a);
        }
    }
    if (options.schemas.empty()) {
        std::fputs(kHelp, stderr);
        return kExitUsage;
    }
    nyxml_compiler::GenerateResult result = nyxml_compiler::Generate(options);
    for (const nyxml_compiler::Diagnostic& d : result.diagnostics) std::fprintf(stderr, "%s\n", d.Format().c_str());
    if (!result.ok) return kExitFailure;
    std::string error;
    if (!nyxml_compiler::WriteFiles(result.files, output, error)) {
        PrintError(error);
        return kExitFailure;
    }
    return 0;
}

const CommandRegistration kRegistration(Command{"generate", "write C++ classes for XML Schemas (the schema compiler)",
                                                kHelp, &Run});

}  // namespace
}  // namespace nyxml_tool
