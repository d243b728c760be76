// Writes the class model as C++: one header and one source per schema file.
// The source of the first file also holds what the whole set shares: the
// creation function, the document entry, the factories and CleanMetaData.
#ifndef NYXML_COMPILER_CODEEMITTER_H
#define NYXML_COMPILER_CODEEMITTER_H

#include "ClassModel.h"

#include <string>
#include <vector>

namespace nyxml_compiler {

struct GeneratedFile {
    std::string name;  // file name, no directory
    std::string text;  // UTF-8
};

std::vector<GeneratedFile> EmitCode(const ClassSet& classes, const std::vector<SchemaDocument*>& documents,
                                    const std::wstring& cppNamespace);

// A wide string literal (L"...") of a text, escaped for C++.
std::wstring Literal(const std::wstring& text);

}  // namespace nyxml_compiler

#endif
