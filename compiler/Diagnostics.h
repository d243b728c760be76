// Diagnostics of the schema compiler: errors stop generation (nothing is
// written), warnings report what generated code does not check.
#ifndef NYXML_COMPILER_DIAGNOSTICS_H
#define NYXML_COMPILER_DIAGNOSTICS_H

#include "SchemaModel.h"

#include <string>
#include <vector>

namespace nyxml_compiler {

struct Diagnostic {
    bool error = true;
    SourcePos pos;
    std::string message;
    // "file:line: error: message" (the line is left out when unknown).
    std::string Format() const;
};

class CDiagnostics {
public:
    void Error(const SourcePos& pos, const std::string& message) { Add(true, pos, message); }
    void Warning(const SourcePos& pos, const std::string& message) { Add(false, pos, message); }
    bool HasErrors() const { return m_errors > 0; }
    const std::vector<Diagnostic>& All() const { return m_list; }

private:
    void Add(bool error, const SourcePos& pos, const std::string& message);
    std::vector<Diagnostic> m_list;
    int m_errors = 0;
};

// Thrown when the compiler cannot go on (a schema that cannot be read).
struct CSchemaFatal {
    Diagnostic diagnostic;
};

// UTF-8 form of a wide text, for messages and emitted code.
std::string Utf8(const std::wstring& text);
std::wstring Widen(const std::string& utf8);

}  // namespace nyxml_compiler

#endif
