// Reads XML Schema documents through the library's document tree, follows
// their includes and imports, and resolves them into the schema model.
#ifndef NYXML_COMPILER_SCHEMAREADER_H
#define NYXML_COMPILER_SCHEMAREADER_H

#include "Diagnostics.h"
#include "SchemaModel.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace NyXmlLib9 {
class CXmlElement;
}

namespace nyxml_compiler {

class CSchemaSet {
public:
    explicit CSchemaSet(CDiagnostics& diagnostics);
    ~CSchemaSet();

    // Reads one schema file and everything it includes or imports, then
    // resolves every global component. Throws CSchemaFatal when a file
    // cannot be read.
    void Load(const std::string& path);

    // The documents in the order they were read (each file once).
    const std::vector<SchemaDocument*>& Documents() const { return m_documents; }
    // Global elements in declaration order, with the document of each.
    const std::vector<std::pair<ElementDecl*, const SchemaDocument*>>& GlobalElements() const { return m_globalElements; }
    // Every complex type (named and anonymous) and every simple type with an
    // enumeration, in the order they were resolved, with their document.
    const std::vector<std::pair<ComplexType*, const SchemaDocument*>>& ComplexTypes() const { return m_complexOrder; }
    // Global elements whose substitution group is the given head.
    std::vector<ElementDecl*> SubstitutesOf(const ElementDecl* head) const;

private:
    struct Doc;
    struct Def {
        const NyXmlLib9::CXmlElement* el;
        Doc* doc;
    };

    Doc* ReadDocument(const std::string& path, const std::wstring* chameleonNs, const SourcePos& from);
    void Collect(Doc* doc);
    void ResolveAll();

    SourcePos Pos(const NyXmlLib9::CXmlElement* el, const Doc* doc) const;
    QName Resolve(const std::wstring& value, const NyXmlLib9::CXmlElement* el, Doc* doc);

    ElementDecl* GlobalElement(const QName& name, const SourcePos& from);
    ComplexType* NamedComplexType(const QName& name);
    SimpleType* NamedSimpleType(const QName& name, const SourcePos& from);
    SimpleType* Builtin(const std::wstring& local);

    ElementDecl* ParseElement(const NyXmlLib9::CXmlElement* el, Doc* doc, bool global);
    ComplexType* ParseComplexType(const NyXmlLib9::CXmlElement* el, Doc* doc, const QName& name);
    SimpleType* ParseSimpleType(const NyXmlLib9::CXmlElement* el, Doc* doc, const QName& name);
    void ParseRestrictionFacets(const NyXmlLib9::CXmlElement* el, Doc* doc, SimpleType* type);
    bool ParseParticle(const NyXmlLib9::CXmlElement* el, Doc* doc, Particle& out);
    ModelGroup* ParseGroup(const NyXmlLib9::CXmlElement* el, Doc* doc);
    void ParseAttributes(const NyXmlLib9::CXmlElement* parent, Doc* doc, ComplexType* type, int depth);
    AttributeDecl ParseAttribute(const NyXmlLib9::CXmlElement* el, Doc* doc, bool global);
    void ParseComplexContent(const NyXmlLib9::CXmlElement* el, Doc* doc, ComplexType* type);
    void ParseSimpleContent(const NyXmlLib9::CXmlElement* el, Doc* doc, ComplexType* type);
    void ParseOccurs(const NyXmlLib9::CXmlElement* el, Doc* doc, Particle& p);

    CDiagnostics& m_diag;
    std::vector<std::unique_ptr<Doc>> m_docs;
    std::vector<SchemaDocument*> m_documents;
    std::map<std::string, Doc*> m_byPath;
    std::map<QName, Def> m_elementDefs, m_complexDefs, m_simpleDefs, m_groupDefs, m_attrGroupDefs, m_attributeDefs;
    std::vector<QName> m_elementOrder, m_complexOrderNames, m_simpleOrderNames;

    std::vector<std::unique_ptr<ElementDecl>> m_elements;
    std::vector<std::unique_ptr<ComplexType>> m_complexTypes;
    std::vector<std::unique_ptr<SimpleType>> m_simpleTypes;
    std::vector<std::unique_ptr<ModelGroup>> m_groups;
    std::map<const NyXmlLib9::CXmlElement*, ElementDecl*> m_elementMemo;
    std::map<const NyXmlLib9::CXmlElement*, ComplexType*> m_complexMemo;
    std::map<const NyXmlLib9::CXmlElement*, SimpleType*> m_simpleMemo;
    std::map<const NyXmlLib9::CXmlElement*, ModelGroup*> m_groupMemo;
    std::map<std::wstring, SimpleType*> m_builtins;
    std::vector<std::pair<ElementDecl*, const SchemaDocument*>> m_globalElements;
    std::vector<std::pair<ComplexType*, const SchemaDocument*>> m_complexOrder;
};

}  // namespace nyxml_compiler

#endif
