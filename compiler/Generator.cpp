#include "Generator.h"

#include "ClassModel.h"
#include "SchemaReader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

namespace nyxml_compiler {
namespace {

bool SamePath(const std::string& a, const std::string& b) {
    std::error_code ec1, ec2;
    return std::filesystem::weakly_canonical(a, ec1) == std::filesystem::weakly_canonical(b, ec2);
}

// Drops the classes, enumerations, substitution groups and global elements
// that the global elements of the named schemas do not reach. Derived classes
// of a kept class are kept: a document may name them with xsi:type.
void KeepReachable(ClassSet& set, const CSchemaSet& schemas, const std::vector<std::string>& named) {
    std::set<const ClassModel*> keep;
    std::set<const EnumModel*> enums;
    std::set<const SubstitutionModel*> subs;
    std::vector<ClassModel*> todo;
    auto reach = [&](ClassModel* c) {
        if (c && keep.insert(c).second) todo.push_back(c);
    };
    std::vector<GlobalElementModel> globals;
    const auto& declared = schemas.GlobalElements();
    for (size_t i = 0; i < set.globals.size() && i < declared.size(); ++i) {
        bool top = false;
        for (const std::string& path : named) top = top || SamePath(declared[i].second->path, path);
        if (!top) continue;
        globals.push_back(set.globals[i]);
        reach(set.globals[i].cls);
    }
    while (!todo.empty()) {
        ClassModel* c = todo.back();
        todo.pop_back();
        reach(c->base);
        for (ClassModel* d : c->derived) reach(d);
        for (const PropertyModel& p : c->props) {
            reach(p.cls);
            if (p.value.enumeration) enums.insert(p.value.enumeration);
            if (p.substitution && subs.insert(p.substitution).second) {
                reach(p.substitution->headClass);
                for (const SubstitutionModel::Member& m : p.substitution->members) reach(m.cls);
            }
        }
    }
    set.globals = globals;
    auto prune = [](auto& list, const auto& kept) {
        list.erase(std::remove_if(list.begin(), list.end(), [&](const auto& x) { return !kept.count(x.get()); }),
                   list.end());
    };
    prune(set.classes, keep);
    prune(set.enums, enums);
    prune(set.substitutions, subs);
}

}  // namespace

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
    if (options.rootOnly) KeepReachable(classes, schemas, options.schemas);
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
