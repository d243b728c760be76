// The schema model: the components of a set of XML Schema documents after
// their references are resolved. The reader builds it, the class mapper
// reads it. Components are owned by the CSchemaSet and refer to each other
// by plain pointers.
#ifndef NYXML_COMPILER_SCHEMAMODEL_H
#define NYXML_COMPILER_SCHEMAMODEL_H

#include <nyxml/types.h>

#include <memory>
#include <string>
#include <vector>

namespace nyxml_compiler {

// Where a component was declared, for diagnostics.
struct SourcePos {
    std::string file;
    int line = 0;
};

struct QName {
    std::wstring ns;
    std::wstring local;
    bool Empty() const { return local.empty(); }
    bool operator<(const QName& o) const { return ns != o.ns ? ns < o.ns : local < o.local; }
    bool operator==(const QName& o) const { return ns == o.ns && local == o.local; }
};

const int kUnbounded = -1;

// Facets of one simple type, merged along its restriction chain.
struct Facets {
    std::vector<std::wstring> patterns;  // alternatives of the most derived step that has patterns
    std::vector<std::wstring> enumerations;
    int length = -1, minLength = -1, maxLength = -1;
    std::wstring minInclusive, maxInclusive, minExclusive, maxExclusive;
    int whitespace = 0;  // CWhitespaceUtils::WhitespaceRule, 0 when not set
};

struct SimpleType {
    enum Variety { Atomic, List, Union };
    QName name;  // empty for an anonymous type
    SourcePos pos;
    Variety variety = Atomic;
    // Resolved: the item type of the built-in type it derives from, and its facets.
    NyXmlLib9::ItemType item = NyXmlLib9::ItemType_string;
    Facets facets;
    bool builtin = false;
    bool anySimple = false;
};

struct ComplexType;
struct ModelGroup;

struct Wildcard {
    std::wstring namespaces = L"##any";  // the constraint as written
    std::wstring targetNamespace;        // of the schema that declares it
};

struct ElementDecl {
    QName name;
    SourcePos pos;
    bool global = false;
    bool nillable = false;
    bool abstract = false;
    QName substitutionGroup;
    bool hasDefault = false, hasFixed = false;
    std::wstring defaultValue;  // default or fixed value
    // Exactly one of these after resolution (none: xs:anyType).
    SimpleType* simpleType = nullptr;
    ComplexType* complexType = nullptr;
    bool anonymousType = false;
};

struct Particle {
    enum Kind { Element, Group, Any };
    Kind kind = Element;
    int minOccurs = 1, maxOccurs = 1;
    SourcePos pos;
    ElementDecl* element = nullptr;
    ModelGroup* group = nullptr;
    std::wstring groupName;  // a named model group's name, empty for an anonymous one
    Wildcard any;
};

struct ModelGroup {
    enum Kind { Sequence, Choice, All };
    Kind kind = Sequence;
    SourcePos pos;
    std::vector<Particle> particles;
};

struct AttributeDecl {
    QName name;
    SourcePos pos;
    SimpleType* type = nullptr;
    bool required = false;
    bool prohibited = false;
    bool hasDefault = false, hasFixed = false;
    std::wstring defaultValue;
};

struct ComplexType {
    enum Derivation { None, Extension, Restriction };
    QName name;  // empty for an anonymous type
    SourcePos pos;
    std::wstring targetNamespace;
    bool abstract = false;
    bool mixed = false;
    Derivation derivation = None;
    ComplexType* base = nullptr;      // complex base type, when derived from one
    SimpleType* simpleContent = nullptr;  // type of the text, for simple content
    // The particle of the type's own content (for an extension: what it adds).
    Particle content;
    bool hasContent = false;
    std::vector<AttributeDecl> attributes;  // own attributes, attribute groups expanded
    bool hasAnyAttribute = false;
    Wildcard anyAttribute;
    std::vector<ComplexType*> derived;  // types derived from this one, in declaration order
    bool resolving = false, resolved = false;
    std::wstring hintName;  // a name for an anonymous type: its element's
};

// One schema document as it was read.
struct SchemaDocument {
    std::string path;
    std::wstring targetNamespace;
    bool elementQualified = false;
    bool attributeQualified = false;
};

}  // namespace nyxml_compiler

#endif
