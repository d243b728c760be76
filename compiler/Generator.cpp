#include "Generator.h"

#include "ClassModel.h"
#include "SchemaReader.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace nyxml_compiler {

GenerateResult Generate(const GenerateOptions& options) {
    GenerateResult result;
    CDiagnostics diagnostics;
    CSchemaSet schemas(diagnostics);
    try {
        for (const std::string& path : options.schemas) schemas.Load(path);
    } catch (const CSchemaFatal& fatal) {
        result.diagnostics = diagnostics.All();
        result.diagnostics.push_back(fatal.diagnostic);
        return result;
    }
    ClassSet classes;
    if (!diagnostics.HasErrors()) CClassMapper(schemas, diagnostics).Map(classes);
    result.diagnostics = diagnostics.All();
    if (diagnostics.HasErrors()) return result;
    std::wstring ns = options.cppNamespace;
    if (ns.empty() && !options.schemas.empty())
        ns = CClassMapper::Identifier(Widen(std::filesystem::path(options.schemas[0]).stem().string()), true);
    result.files = EmitCode(classes, schemas.Documents(), ns);
    result.ok = true;
    return result;
}

bool WriteFiles(const std::vector<GeneratedFile>& files, const std::string& directory, std::string& error) {
    std::error_code ec;
    std::filesystem::create_directories(directory, ec);
    if (ec) {
        error = "cannot create " + directory + ": " + ec.message();
        return false;
    }
    for (const GeneratedFile& f : files) {
        std::string path = (std::filesystem::path(directory) / f.name).string();
        {
            std::ifstream in(path, std::ios::binary);
            if (in) {
                std::string old((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
                if (old == f.text) continue;
            }
        }
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << f.text;
        out.close();
        if (!out) {
            error = "cannot write " + path + ": " + std::strerror(errno);
            return false;
        }
    }
    return true;
}

}  // namespace nyxml_compiler
