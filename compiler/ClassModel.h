// The class model: what the emitter writes, derived from the schema model by
// the class mapper. Names here are final C++ identifiers.
#ifndef NYXML_COMPILER_CLASSMODEL_H
#define NYXML_COMPILER_CLASSMODEL_H

#include "Diagnostics.h"
#include "SchemaModel.h"

#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace nyxml_compiler {

class CSchemaSet;

struct EnumModel {
    std::wstring cppName;
    std::vector<std::wstring> values;       // lexical values, schema order
    std::vector<std::wstring> enumerators;  // cppName_value
    int whitespace = 3;
    const SchemaDocument* doc = nullptr;
};

// A simple type as generated code uses it.
struct ValueModel {
    NyXmlLib9::ItemType item = NyXmlLib9::ItemType_string;
    int whitespace = 1;
    Facets facets;
    EnumModel* enumeration = nullptr;
};

struct ClassModel;

// The elements that may stand for a substitution group's head: a factory
// chooses the class by the element's name (and its xsi:type).
struct SubstitutionModel {
    std::wstring factoryName;     // C<Head>Substitutes
    std::wstring collectionName;  // C<Head>SubstitutesCol, when a collection is used
    ClassModel* headClass = nullptr;
    struct Member {
        std::wstring name, ns;
        ClassModel* cls = nullptr;
    };
    std::vector<Member> members;
    const SchemaDocument* doc = nullptr;
    std::wstring headName;
};

struct PropertyModel {
    enum Kind { Prim, Enum, Class, AbsClass, Untyped, Text, AnyAttributes };
    Kind kind = Prim;
    std::wstring name;      // Name in GetName/SetName
    std::wstring field;     // m_name
    std::wstring constant;  // PROP_NAME
    int index = 0;
    bool attribute = false;
    bool optional = false;
    bool collection = false;
    int minOccurs = 1, maxOccurs = 1;
    std::wstring xmlName, xmlNs;
    ValueModel value;
    ClassModel* cls = nullptr;
    Wildcard any;
    bool hasDefault = false;
    std::wstring defaultValue;
    int childType = 0;  // XmlElementType of a class member
    bool choice = false;
    bool optionalGroup = false;  // member of an optional nested sequence
    SubstitutionModel* substitution = nullptr;
};

struct ClassModel {
    std::wstring cppName;
    std::wstring xmlName, xmlNs;
    std::wstring comment;
    const SchemaDocument* doc = nullptr;
    ClassModel* base = nullptr;
    std::vector<ClassModel*> derived;  // direct
    int groupKind = 0;    // XmlElementGroupType
    int elementType = 0;  // XmlElementType
    bool abstract = false;
    bool nillable = false;
    bool failIfUnknownAttribute = true;
    std::vector<PropertyModel> props;  // own properties, elements in schema order
    int firstIndex = 0;
    int classId = 0;
    bool filled = false;
    const ComplexType* type = nullptr;
    std::wstring collectionName;  // C<Name>Col, when a collection of it is used
    std::wstring factoryName;     // C<Name>Factory, for abstract types and types with derived types

    bool NeedsFactory() const { return abstract || !derived.empty(); }
    int PropertyCount() const { return firstIndex + static_cast<int>(props.size()); }
    bool HasNil() const { return nillable || (base && base->HasNil()); }
};

struct GlobalElementModel {
    std::wstring name, ns;
    ClassModel* cls = nullptr;
    bool abstract = false;
};

struct ClassSet {
    std::vector<std::unique_ptr<ClassModel>> classes;  // deterministic order
    std::vector<std::unique_ptr<EnumModel>> enums;
    std::vector<std::unique_ptr<SubstitutionModel>> substitutions;
    std::vector<GlobalElementModel> globals;
};

// Maps the schema model to classes; reports what it cannot map.
class CClassMapper {
public:
    CClassMapper(const CSchemaSet& schemas, CDiagnostics& diagnostics);
    void Map(ClassSet& out);

    // The identifier form of an XML name: letters and digits kept, other
    // characters dropped with the next letter capitalised (PascalCase).
    static std::wstring Identifier(const std::wstring& xmlName, bool pascal);

private:
    ClassModel* ClassFor(ComplexType* type, const SchemaDocument* doc);
    ClassModel* TextClassFor(ElementDecl* element, const SchemaDocument* doc);
    ClassModel* GroupClassFor(const Particle& p, ClassModel* owner);
    ClassModel* NewClass(const std::wstring& wanted, const SchemaDocument* doc);
    void Fill(ClassModel* cls);
    void AddParticles(ClassModel* cls, const ModelGroup* group, bool optional, bool inChoice);
    void AddElement(ClassModel* cls, const Particle& p, bool optional, bool inChoice);
    void AddProperty(ClassModel* cls, PropertyModel prop);
    SubstitutionModel* SubstitutionFor(ElementDecl* head, const SchemaDocument* doc, const SourcePos& use);
    ValueModel ValueFor(const SimpleType* type, const std::wstring& owner, const SchemaDocument* doc);
    void CheckDefault(const ValueModel& v, const std::wstring& text, const SourcePos& pos);
    std::wstring UniqueTypeName(const std::wstring& wanted);

    const CSchemaSet& m_schemas;
    CDiagnostics& m_diag;
    ClassSet* m_out = nullptr;
    std::map<const ComplexType*, ClassModel*> m_byType;
    std::map<const ElementDecl*, ClassModel*> m_textClasses;
    std::map<const ModelGroup*, ClassModel*> m_groupClasses;
    std::map<const SimpleType*, EnumModel*> m_enums;
    std::map<const ElementDecl*, SubstitutionModel*> m_substitutions;
    std::map<const ComplexType*, const SchemaDocument*> m_typeDocs;
    std::set<std::wstring> m_usedTypeNames;  // lower-cased
    std::map<ClassModel*, int> m_nestedCount;
    std::vector<ClassModel*> m_pending;
};

}  // namespace nyxml_compiler

#endif
