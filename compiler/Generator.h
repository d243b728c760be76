// The schema compiler as one call: read the schemas, map them to classes,
// emit the code. Nothing is written when an error was found.
#ifndef NYXML_COMPILER_GENERATOR_H
#define NYXML_COMPILER_GENERATOR_H

#include "CodeEmitter.h"
#include "Diagnostics.h"

#include <string>
#include <vector>

namespace nyxml_compiler {

struct GenerateOptions {
    std::vector<std::string> schemas;
    std::wstring cppNamespace;  // empty: named after the first schema file
    // Only what the global elements of the named schemas reach: their
    // classes, the classes and enumerations of their members, base and
    // derived classes, substitution groups. Types of included or imported
    // schemas that nothing of it uses are not generated.
    bool rootOnly = false;
};

struct GenerateResult {
    std::vector<Diagnostic> diagnostics;
    std::vector<GeneratedFile> files;  // empty when an error was found
    bool ok = false;
};

GenerateResult Generate(const GenerateOptions& options);

// Writes the files into a directory (created when missing); a file whose
// content is unchanged is left alone, so builds that depend on it do not
// rerun. False with a message on failure.
bool WriteFiles(const std::vector<GeneratedFile>& files, const std::string& directory, std::string& error);

}  // namespace nyxml_compiler

#endif
