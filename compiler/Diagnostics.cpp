#include "Diagnostics.h"

#include "foundation/TextInternal.h"

namespace nyxml_compiler {

std::string Diagnostic::Format() const {
    std::string out = pos.file.empty() ? std::string("nyxml") : pos.file;
    if (pos.line > 0) out += ":" + std::to_string(pos.line);
    out += error ? ": error: " : ": warning: ";
    return out + message;
}

void CDiagnostics::Add(bool error, const SourcePos& pos, const std::string& message) {
    for (const Diagnostic& d : m_list)
        if (d.error == error && d.pos.file == pos.file && d.pos.line == pos.line && d.message == message) return;
    Diagnostic d;
    d.error = error;
    d.pos = pos;
    d.message = message;
    m_list.push_back(d);
    if (error) ++m_errors;
}

std::string Utf8(const std::wstring& text) { return NyXmlLib9::NarrowText(text); }

std::wstring Widen(const std::string& utf8) { return NyXmlLib9::WidenText(utf8); }

}  // namespace nyxml_compiler
