// Emission of the generated classes. The code is laid out the way a person
// would write it by hand: declarations in the header, metadata and accessors
// in the source, one block per class in schema order.
#include "CodeEmitter.h"

#include <nyxml/nyxml.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <cwctype>
#include <functional>
#include <set>

namespace nyxml_compiler {

namespace {

using NyXmlLib9::ItemType;

struct ItemRow {
    const wchar_t* enumerator;  // ItemType_<enumerator>, C<enumerator>Col
    const wchar_t* cppType;
    const wchar_t* variant;  // NyVariant::Set<variant> / Get<variant>
    bool byValue;
};

const ItemRow& Row(ItemType item) {
    static const ItemRow rows[] = {
        {L"string", L"std::wstring", L"String", false},
        {L"hexBinary", L"NyXmlLib9::CBinaryData", L"HexBinary", false},
        {L"base64Binary", L"NyXmlLib9::CBinaryData", L"Base64Binary", false},
        {L"i1", L"int8_t", L"I1", true},
        {L"i2", L"int16_t", L"I2", true},
        {L"i4", L"int32_t", L"I4", true},
        {L"i8", L"int64_t", L"I8", true},
        {L"ui1", L"uint8_t", L"UI1", true},
        {L"ui2", L"uint16_t", L"UI2", true},
        {L"ui4", L"uint32_t", L"UI4", true},
        {L"ui8", L"uint64_t", L"UI8", true},
        {L"r4", L"float", L"R4", true},
        {L"r8", L"double", L"R8", true},
        {L"duration", L"NyXmlLib9::CDateTimeSpan", L"Duration", false},
        {L"yearMonth", L"NyXmlLib9::CDateTime", L"YearMonth", false},
        {L"monthDay", L"NyXmlLib9::CDateTime", L"MonthDay", false},
        {L"year", L"uint16_t", L"Year", true},
        {L"month", L"uint8_t", L"Month", true},
        {L"day", L"uint8_t", L"Day", true},
        {L"date", L"NyXmlLib9::CDateTime", L"Date", false},
        {L"datetime", L"NyXmlLib9::CDateTime", L"DateTime", false},
        {L"time", L"NyXmlLib9::CDateTime", L"Time", false},
        {L"char", L"wchar_t", L"Char", true},
        {L"string", L"std::wstring", L"String", false},
        {L"boolean", L"bool", L"Boolean", true},
        {L"decimal", L"NyXmlLib9::CDecimal", L"Decimal", false},
        {L"integer", L"NyXmlLib9::CBigInteger", L"Integer", false},
    };
    int i = static_cast<int>(item);
    return rows[i >= 1 && i <= 26 ? i : 0];
}

const wchar_t* WhitespaceName(int rule) {
    switch (rule) {
        case 2: return L"CWhitespaceUtils::WhitespaceRule_Replace";
        case 3: return L"CWhitespaceUtils::WhitespaceRule_Collapse";
        case 0: return L"CWhitespaceUtils::WhitespaceRule_None";
        default: return L"CWhitespaceUtils::WhitespaceRule_Preserve";
    }
}

std::wstring OrNull(const std::wstring& text) { return text.empty() ? L"nullptr" : Literal(text); }

std::wstring JoinPatterns(const std::vector<std::wstring>& patterns) {
    if (patterns.size() == 1) return patterns[0];
    std::wstring out;
    for (const std::wstring& p : patterns) out += (out.empty() ? L"(" : L"|(") + p + L")";
    return out;
}

std::wstring EscapeRegex(const std::wstring& value) {
    std::wstring out;
    for (wchar_t c : value) {
        if (std::wstring(L"\\|.-^?*+{}()[]$").find(c) != std::wstring::npos) out += L'\\';
        out += c;
    }
    return out;
}

std::wstring EnumPattern(const EnumModel& e) {
    std::wstring out;
    for (const std::wstring& v : e.values) out += (out.empty() ? L"" : L"|") + EscapeRegex(v);
    return out;
}

bool HasFacets(const Facets& f) {
    return !f.patterns.empty() || f.length >= 0 || f.minLength >= 0 || f.maxLength >= 0 || !f.minInclusive.empty() ||
           !f.maxInclusive.empty() || !f.minExclusive.empty() || !f.maxExclusive.empty();
}

// The eight facet arguments, in the order of CPrimitiveRestrictions and of the collections.
std::wstring FacetArgs(const Facets& f, const std::wstring& patternOverride = std::wstring()) {
    std::wstring pattern = !patternOverride.empty() ? patternOverride
                           : f.patterns.empty()     ? std::wstring()
                                                    : JoinPatterns(f.patterns);
    return OrNull(pattern) + L", " + std::to_wstring(f.minLength) + L", " + std::to_wstring(f.maxLength) + L", " +
           OrNull(f.minInclusive) + L", " + OrNull(f.maxInclusive) + L", " + OrNull(f.minExclusive) + L", " +
           OrNull(f.maxExclusive) + L", " + std::to_wstring(f.length);
}

std::wstring Restrictions(const Facets& f) {
    return HasFacets(f) ? L"CPrimitiveRestrictions(" + FacetArgs(f) + L")" : L"CPrimitiveRestrictions()";
}

std::wstring Short(const ClassModel* c) { return c->cppName.substr(1); }

std::wstring FactoryName(const ClassModel* c) { return c->factoryName; }

bool IsElementMember(const PropertyModel& p) {
    return !p.attribute && p.kind != PropertyModel::Text && p.kind != PropertyModel::AnyAttributes;
}

// A choice with an element of its own whose members are all required: the
// library lets such a choice be empty, so the class checks it after reading.
bool RequiredChoice(const ClassModel* c) {
    if (c->groupKind != 1 || c->elementType != 0) return false;
    bool any = false;
    for (const PropertyModel& p : c->props) {
        if (p.attribute || p.kind == PropertyModel::Text || p.kind == PropertyModel::AnyAttributes) continue;
        if (p.minOccurs == 0) return false;
        any = true;
    }
    return any;
}

// A required element of a substitution group: read as optional (the factory
// decides which elements it takes) and checked after reading.
bool RequiredSubstitution(const ClassModel* c, const PropertyModel& p) {
    return p.substitution && !p.collection && !p.optional && c->groupKind != 1;
}

bool CheckedWildcard(const PropertyModel& p) {
    if (p.kind != PropertyModel::Untyped) return false;
    if (!p.collection) return p.any.namespaces != L"##any";
    return p.any.namespaces != L"##any" || p.minOccurs > 0 || p.maxOccurs >= 0;
}

// Classes that check, after the library has read them, what it does not.
bool ChecksAfterReading(const ClassModel* c) {
    if (RequiredChoice(c)) return true;
    for (const PropertyModel& p : c->props)
        if (CheckedWildcard(p) || RequiredSubstitution(c, p)) return true;
    return false;
}

bool NeedsTextCheck(const PropertyModel& p) {
    return p.kind == PropertyModel::Text &&
           (p.value.enumeration || p.value.item != NyXmlLib9::ItemType_string || HasFacets(p.value.facets));
}

// The type a property's getter returns.
std::wstring ValueType(const PropertyModel& p) {
    if (p.collection) {
        switch (p.kind) {
            case PropertyModel::Prim: return std::wstring(L"NyXmlLib9::C") + Row(p.value.item).enumerator + L"Col";
            case PropertyModel::Enum: return L"NyXmlLib9::CstringCol";
            case PropertyModel::Untyped: return L"NyXmlLib9::CElementCol";
            default: return p.substitution ? p.substitution->collectionName : p.cls->collectionName;
        }
    }
    switch (p.kind) {
        case PropertyModel::Prim: return Row(p.value.item).cppType;
        case PropertyModel::Enum: return p.value.enumeration->cppName;
        case PropertyModel::Untyped: return L"NyXmlLib9::CElement";
        case PropertyModel::AnyAttributes: return L"NyXmlLib9::CAttributeCol";
        case PropertyModel::Text: return L"std::wstring";
        default: return p.cls->cppName;
    }
}

bool HeldByPointer(const PropertyModel& p) {
    return p.collection || p.kind == PropertyModel::Class || p.kind == PropertyModel::AbsClass ||
           p.kind == PropertyModel::Untyped || p.kind == PropertyModel::AnyAttributes;
}

std::wstring Describe(const PropertyModel& p) {
    if (p.kind == PropertyModel::AnyAttributes) return L"attributes of the wildcard " + p.any.namespaces;
    if (p.kind == PropertyModel::Text) return L"the element's text";
    std::wstring what = p.attribute ? L"attribute " : L"element ";
    if (p.xmlName == L"AnyElement") what = L"wildcard " + p.any.namespaces;
    else what += p.xmlName;
    if (p.collection)
        what += L", " + std::to_wstring(p.minOccurs) + L".." +
                (p.maxOccurs < 0 ? std::wstring(L"unbounded") : std::to_wstring(p.maxOccurs));
    else if (p.optional)
        what += L", optional";
    if (p.hasDefault) what += L", default " + p.defaultValue;
    return what;
}

// "call(a, b, ...)" laid out in lines of at most 120 columns: the first line
// starts at column `indent`, the next ones four columns further in.
std::wstring Wrap(const std::wstring& call, const std::vector<std::wstring>& args, size_t indent) {
    std::wstring out = call + L"(";
    size_t column = indent + out.size();
    for (size_t i = 0; i < args.size(); ++i) {
        std::wstring piece = args[i] + (i + 1 < args.size() ? L"," : L")");
        if (i > 0 && column + 1 + piece.size() > 120) {
            out += L"\n" + std::wstring(indent + 4, L' ');
            column = indent + 4;
        } else if (i > 0) {
            out += L" ";
            ++column;
        }
        out += piece;
        column += piece.size();
    }
    if (args.empty()) out += L")";
    return out;
}

class Writer {
public:
    Writer(const ClassSet& set, const std::vector<SchemaDocument*>& docs, const std::wstring& ns)
        : m_set(set), m_docs(docs), m_ns(ns) {
        std::set<std::string> used;
        for (const SchemaDocument* d : docs) {
            std::string stem = std::filesystem::path(d->path).stem().string();
            std::string name = stem;
            for (int n = 2; used.count(name); ++n) name = stem + std::to_string(n);
            used.insert(name);
            m_stems[d] = name;
        }
    }

    std::vector<GeneratedFile> Run() {
        std::vector<GeneratedFile> files;
        for (size_t i = 0; i < m_docs.size(); ++i) {
            const SchemaDocument* d = m_docs[i];
            files.push_back(GeneratedFile{m_stems[d] + ".h", Utf8(Header(d))});
            files.push_back(GeneratedFile{m_stems[d] + ".cpp", Utf8(Source(d, i == 0))});
        }
        return files;
    }

private:
    std::vector<ClassModel*> ClassesOf(const SchemaDocument* d) const {
        std::vector<ClassModel*> out;
        std::set<const ClassModel*> done;
        std::function<void(ClassModel*)> add = [&](ClassModel* c) {
            if (done.count(c)) return;
            done.insert(c);
            if (c->base && c->base->doc == d) add(c->base);
            out.push_back(c);
        };
        for (const auto& c : m_set.classes)
            if (c->doc == d) add(c.get());
        return out;
    }

    std::wstring Guard(const SchemaDocument* d) {
        std::wstring g = L"NYXML_GENERATED_";
        for (wchar_t c : m_ns + L"_" + std::wstring(m_stems[d].begin(), m_stems[d].end()) + L"_H")
            g += (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - 32) : ((c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9')) ? c : L'_';
        return g;
    }

    std::wstring Header(const SchemaDocument* d) {
        std::vector<ClassModel*> classes = ClassesOf(d);
        std::wstring o;
        std::wstring guard = Guard(d);
        o += L"// Classes of the schema " + Widen(std::filesystem::path(d->path).filename().string()) +
             (d->targetNamespace.empty() ? L" (no target namespace)" : L" (target namespace " + d->targetNamespace + L")") +
             L",\n// generated by nyxml generate. Edit the schema, not this file.\n";
        o += L"#ifndef " + guard + L"\n#define " + guard + L"\n\n#include <nyxml/nyxml.h>\n\n#include <atomic>\n#include <cstdint>\n#include <string>\n";
        // Headers that define this file's base classes and enumerations.
        std::set<const SchemaDocument*> deps;
        for (ClassModel* c : classes) {
            if (c->base && c->base->doc != d) deps.insert(c->base->doc);
            for (const PropertyModel& p : c->props)
                if (p.value.enumeration && p.value.enumeration->doc != d) deps.insert(p.value.enumeration->doc);
        }
        for (const SchemaDocument* dep : m_docs)
            if (deps.count(dep)) o += L"\n#include \"" + Widen(m_stems[dep]) + L".h\"";
        if (!deps.empty()) o += L"\n";
        o += L"\nnamespace " + m_ns + L" {\n\nusing NyXmlLib9::CSmartPtr;\n\n";
        o += L"// Shared by all the classes of the schemas generated together.\n"
             L"CSmartPtr<NyXmlLib9::CXmlObjectBase> CreateObject(int classId, const wchar_t* elementName);\n"
             L"// A new, empty object for a global element of the schemas; empty for a name they do not declare.\n"
             L"CSmartPtr<NyXmlLib9::CXmlObjectBase> CreateDocumentObject(const wchar_t* localName, const wchar_t* namespaceUri);\n"
             L"// Frees the metadata of every class.\nvoid CleanMetaData();\n"
             L"// Fills a Fast Infoset vocabulary with the schemas' namespaces, element and attribute names and\n"
             L"// enumeration values, always in the same order, so that documents carry no literal names.\n"
             L"void FillFIVocabulary(NyXmlLib9::CFIVocabulary& vocabulary);\n"
             L"// The external vocabulary URI naming that vocabulary; it changes whenever the vocabulary does.\n"
             L"const wchar_t* FIVocabularyURI();\n"
             L"// Fills the context's vocabulary, names it and makes writer and reader start from it; a context\n"
             L"// without default namespace gets the first schema's, so element names match the vocabulary's.\n"
             L"void UseFIVocabulary(NyXmlLib9::CXmlSerializationContext& context);\n\n";
        std::set<std::wstring> forward;
        for (ClassModel* c : classes)
            for (const PropertyModel& p : c->props)
                if (p.cls) {
                    forward.insert(p.cls->cppName);
                    if (p.collection) forward.insert(p.substitution ? p.substitution->collectionName : p.cls->collectionName);
                }
        if (!forward.empty()) {
            for (const std::wstring& f : forward) o += L"class " + f + L";\n";
            o += L"\n";
        }
        bool anyEnum = false;
        for (const auto& e : m_set.enums) {
            if (e->doc != d) continue;
            anyEnum = true;
            o += L"enum " + e->cppName + L" {";
            for (size_t i = 0; i < e->enumerators.size(); ++i)
                o += (i ? L"," : L"") + std::wstring(L"\n    ") + e->enumerators[i] + L" = " + std::to_wstring(i);
            o += L"\n};\nconst wchar_t* " + e->cppName + L"ToString(int value);\nint " + e->cppName +
                 L"FromString(const wchar_t* text);\n\n";
        }
        (void)anyEnum;
        for (ClassModel* c : classes) o += L"const int ClassId_" + Short(c) + L" = " + std::to_wstring(c->classId) + L";\n";
        if (!classes.empty()) o += L"\n";
        for (ClassModel* c : classes) o += ClassDeclaration(c);
        for (const auto& sub : m_set.substitutions) {
            if (sub->headClass->doc != d) continue;
            o += L"// Chooses the class of an element of the substitution group of " + sub->headName +
                 L" by its name (and xsi:type).\n";
            o += L"class " + sub->factoryName + L" : public NyXmlLib9::CClassfactoryBase {\npublic:\n"
                 L"    static CSmartPtr<NyXmlLib9::CXmlObjectBase> Create(NyXmlLib9::CXmlElement* element);\n};\n\n";
            if (sub->collectionName.empty()) continue;
            o += L"// A run of elements of the substitution group of " + sub->headName + L".\n";
            o += L"class " + sub->collectionName + L" : public NyXmlLib9::CXmlTypedObjectCollection<" +
                 sub->headClass->cppName + L"> {\npublic:\n    " + sub->collectionName +
                 L"(const wchar_t* elementName, const wchar_t* namespaceUri, int minOccurs, int maxOccurs);\n\nprotected:\n"
                 L"    NyXmlLib9::CXmlElement* FromXml_Int(NyXmlLib9::CXmlElement* element, NyXmlLib9::CXmlElement* current,\n"
                 L"                                       const NyXmlLib9::CXmlSerializationContext& ctx, bool flag) override;\n};\n\n";
        }
        o += L"}  // namespace " + m_ns + L"\n\n#endif\n";
        return o;
    }

    std::wstring ClassDeclaration(ClassModel* c) {
        std::wstring o;
        bool ownNil = c->nillable && !(c->base && c->base->HasNil());
        o += L"// " + c->cppName.substr(1) + L": " + c->comment + L".\n";
        o += L"class " + c->cppName + L" : public " + (c->base ? c->base->cppName : L"NyXmlLib9::CXmlGeneratedClass") +
             (ownNil ? L", public NyXmlLib9::INillable" : L"") + L" {\npublic:\n";
        o += L"    " + c->cppName + L"();\n    ~" + c->cppName + L"() override;\n";
        for (const PropertyModel& p : c->props) {
            if (p.field.empty()) continue;
            std::wstring t = ValueType(p);
            std::wstring upper = p.name;
            o += L"\n    // " + Describe(p) + L"\n";
            if (p.collection || p.kind == PropertyModel::AnyAttributes) {
                o += L"    CSmartPtr<" + t + L"> Get" + p.name + L"() const;\n";
            } else if (HeldByPointer(p)) {
                o += L"    CSmartPtr<" + t + L"> Get" + p.name + L"() const;\n";
                o += L"    void Set" + p.name + L"(" + t + L"* value);\n";
            } else if (p.kind == PropertyModel::Text) {
                o += L"    std::wstring GetText() const { return m_text; }\n";
                o += L"    void SetText(const std::wstring& value) { m_text = value; }\n";
            } else {
                bool byValue = p.kind == PropertyModel::Enum || Row(p.value.item).byValue;
                std::wstring arg = byValue ? t : L"const " + t + L"&";
                o += L"    " + t + L" Get" + p.name + L"() const { return " + p.field + L"; }\n";
                o += L"    void Set" + p.name + L"(" + arg + L" value) {\n";
                if (p.choice) o += L"        SelectChoice(" + p.constant + L");\n";
                o += L"        " + p.field + L" = value;\n        " + HasField(p) + L" = true;\n    }\n";
                o += L"    bool Has" + p.name + L"() const { return " + HasField(p) + L"; }\n";
                o += L"    void Clear" + p.name + L"() { " + HasField(p) + L" = false; }\n";
            }
        }
        if (c->groupKind == 1)
            o += L"\n    // The element name of the member that is set, empty when none is.\n"
                 L"    std::wstring GetSelectedElement() const;\n";
        if (!c->props.empty()) {
            o += L"\n    enum {";
            for (size_t i = 0; i < c->props.size(); ++i)
                o += (i ? L"," : L"") + std::wstring(L"\n        ") + c->props[i].constant + L" = " +
                     std::to_wstring(c->props[i].index);
            o += L"\n    };\n";
        }
        o += L"\n    NyXmlLib9::CXmlObjectBase* GetBase() override { return this; }\n";
        o += L"    std::wstring GetNamespace() override { return " + Literal(c->xmlNs) + L"; }\n";
        o += L"    const wchar_t* GetNamespaceConstant() const override { return " + Literal(c->xmlNs) + L"; }\n";
        o += L"    void AccessProperty(int propertyIndex, bool read, NyXmlLib9::NyVariant& value) override;\n"
             L"    NyXmlLib9Data::CParentElementInfo* GetClassInfo() override;\n"
             L"    NyXmlLib9Data::CElementInfo** GetClassElementInfo() override;\n"
             L"    NyXmlLib9Data::CAttributeInfo** GetClassAttributeInfo() override;\n"
             L"    void Init() override;\n    static void CleanMetaData();\n";
        if (ownNil)
            o += L"    bool IsNil() override { return m_nil; }\n    void SetNil(bool nil) override { m_nil = nil; }\n";
        o += L"\nprotected:\n    std::wstring GetTargetNamespace() override { return " + Literal(c->doc->targetNamespace) +
             L"; }\n";
        if (ChecksAfterReading(c))
            o += L"    NyXmlLib9::CXmlElement* FromXml_Int(NyXmlLib9::CXmlElement* element, NyXmlLib9::CXmlElement* firstChild,\n"
                 L"                                       const NyXmlLib9::CXmlSerializationContext& ctx, bool flag) override;\n";
        o += L"\nprivate:\n";
        if (c->groupKind == 1) o += L"    void SelectChoice(int propertyIndex);\n";
        o += L"    static void BuildMetaData();\n    static std::atomic<bool> ms_built;\n"
             L"    static NyXmlLib9Data::CParentElementInfo* ms_parentInfo;\n"
             L"    static NyXmlLib9Data::CElementInfo** ms_elementInfo;\n"
             L"    static NyXmlLib9Data::CAttributeInfo** ms_attributeInfo;\n";
        for (const PropertyModel& p : c->props)
            if (NeedsTextCheck(p))
                o += L"    // Checks the text against its simple type.\n    static NyXmlLib9Data::CElementInfo* ms_textCheck;\n";
        for (const PropertyModel& p : c->props) {
            if (p.field.empty()) continue;
            if (HeldByPointer(p))
                o += L"    CSmartPtr<" + ValueType(p) + L"> " + p.field + L";\n";
            else if (p.kind == PropertyModel::Text)
                o += L"    std::wstring m_text;\n";
            else
                o += L"    " + ValueType(p) + L" " + p.field + L"{};\n    bool " + HasField(p) + L" = false;\n";
        }
        if (ownNil) o += L"    bool m_nil = false;\n";
        o += L"};\n\n";
        if (!c->collectionName.empty()) {
            o += L"// A run of elements of the type " + Short(c) + L".\n";
            o += L"class " + c->collectionName + L" : public NyXmlLib9::CXmlTypedObjectCollection<" + c->cppName +
                 L"> {\npublic:\n    " + c->collectionName +
                 L"(const wchar_t* elementName, const wchar_t* namespaceUri, int minOccurs, int maxOccurs);\n";
            if (c->elementType != 0)
                o += L"\nprotected:\n    // Each item is one repetition of the group, read from the elements that follow.\n"
                     L"    NyXmlLib9::CXmlElement* FromXml_Int(NyXmlLib9::CXmlElement* element, NyXmlLib9::CXmlElement* current,\n"
                     L"                                       const NyXmlLib9::CXmlSerializationContext& ctx, bool flag) override;\n";
            else if (c->NeedsFactory())
                o += L"\nprotected:\n    // Each item's class is chosen by its xsi:type.\n"
                     L"    NyXmlLib9::CXmlElement* FromXml_Int(NyXmlLib9::CXmlElement* element, NyXmlLib9::CXmlElement* current,\n"
                     L"                                       const NyXmlLib9::CXmlSerializationContext& ctx, bool flag) override;\n";
            o += L"};\n\n";
        }
        if (c->NeedsFactory()) {
            o += L"// Chooses the class of a " + Short(c) + L" element from its xsi:type.\n";
            o += L"class " + FactoryName(c) + L" : public NyXmlLib9::CClassfactoryBase {\npublic:\n"
                 L"    static CSmartPtr<NyXmlLib9::CXmlObjectBase> Create(NyXmlLib9::CXmlElement* element);\n};\n\n";
        }
        return o;
    }

    static std::wstring HasField(const PropertyModel& p) {
        std::wstring f = p.field.substr(2);
        f[0] = static_cast<wchar_t>(std::towupper(f[0]));
        return L"m_has" + f;
    }


    std::wstring Source(const SchemaDocument* d, bool registry) {
        std::vector<ClassModel*> classes = ClassesOf(d);
        std::wstring o;
        o += L"// Metadata and property accessors of the classes of " +
             Widen(std::filesystem::path(d->path).filename().string()) + L",\n// generated by nyxml generate.\n";
        o += L"#include \"" + Widen(m_stems[d]) + L".h\"\n";
        for (const SchemaDocument* other : m_docs)
            if (other != d) o += L"#include \"" + Widen(m_stems[other]) + L".h\"\n";
        o += L"\n#include <typeinfo>\n";
        o += L"\nnamespace " + m_ns + L" {\n\nusing namespace NyXmlLib9;\nusing namespace NyXmlLib9Data;\n\n";
        // Helpers shared by the generated sources of one namespace: inline with
        // external linkage, so that one a source does not use is no warning.
        o += L"// The typed object a variant holds.\ntemplate <class T>\nT* ObjectOf(const NyVariant& value) {\n"
             L"    return dynamic_cast<T*>(value.PeekXmlObject());\n}\n\n"
             L"// Checks a value read from a document against its member's facets, as writing it does.\n"
             L"inline void CheckRead(CElementInfo** infos, int propertyIndex, const NyVariant& value) {\n"
             L"    for (CElementInfo** info = infos; info && *info; ++info)\n"
             L"        if ((*info)->GetPropertyIndex() == propertyIndex && (*info)->HasPrimitiveInformation()) {\n"
             L"            (*info)->CheckRestriction(value);\n            return;\n        }\n}\n\n"
             L"inline void CheckRead(CAttributeInfo** infos, int propertyIndex, const NyVariant& value) {\n"
             L"    for (CAttributeInfo** info = infos; info && *info; ++info)\n"
             L"        if ((*info)->GetPropertyIndex() == propertyIndex) {\n"
             L"            (*info)->CheckValue(value);\n            return;\n        }\n}\n\n"
             L"// Whether a wildcard's namespace constraint allows a namespace.\n"
             L"inline bool WildcardAllows(const std::wstring& allowed, const std::wstring& ns, const std::wstring& target) {\n"
             L"    if (allowed == L\"##any\") return true;\n"
             L"    if (allowed == L\"##other\") return ns != target && !ns.empty();\n"
             L"    size_t start = 0;\n"
             L"    while (start < allowed.size()) {\n"
             L"        size_t end = allowed.find(L' ', start);\n"
             L"        if (end == std::wstring::npos) end = allowed.size();\n"
             L"        std::wstring token = allowed.substr(start, end - start);\n"
             L"        if (token == L\"##local\" ? ns.empty() : token == L\"##targetNamespace\" ? ns == target : token == ns)\n"
             L"            return true;\n"
             L"        start = end + 1;\n    }\n    return false;\n}\n\n"
             L"// Checks what a repeated wildcard read: the number of elements and their namespaces.\n"
             L"inline void CheckWildcard(const CElementCol* items, int minOccurs, int maxOccurs, const wchar_t* allowed,\n"
             L"                          const wchar_t* targetNamespace) {\n"
             L"    int count = items->GetCount();\n"
             L"    if (count < minOccurs || (maxOccurs >= 0 && count > maxOccurs))\n"
             L"        throw CNyValidationException(FormatString(L\"The wildcard [%s] holds %d elements; it allows %d to %d\", allowed,\n"
             L"                                                  count, minOccurs, maxOccurs));\n"
             L"    for (CElementCol::iterator it = items->begin(); it != items->end(); ++it)\n"
             L"        if (*it && !WildcardAllows(allowed, (*it)->GetNamespaceURI(), targetNamespace))\n"
             L"            throw CNyValidationException(FormatString(\n"
             L"                L\"The element [%s] of the namespace [%s] is not allowed by the wildcard [%s]\", (*it)->GetName().c_str(),\n"
             L"                (*it)->GetNamespaceURI().c_str(), allowed));\n"
             L"}\n\n"
             L"inline void CheckWildcard(const CElement* item, const wchar_t* allowed, const wchar_t* targetNamespace) {\n"
             L"    if (item && !WildcardAllows(allowed, item->GetNamespaceURI(), targetNamespace))\n"
             L"        throw CNyValidationException(FormatString(\n"
             L"            L\"The element [%s] of the namespace [%s] is not allowed by the wildcard [%s]\", item->GetName().c_str(),\n"
             L"            item->GetNamespaceURI().c_str(), allowed));\n"
             L"}\n\n";
        o += L"// The static metadata of a class and its three getters.\n"
             L"#define NYXML_GENERATED_METADATA(Class)                       \\\n"
             L"    std::atomic<bool> Class::ms_built(false);                 \\\n"
             L"    CParentElementInfo* Class::ms_parentInfo = nullptr;       \\\n"
             L"    CElementInfo** Class::ms_elementInfo = nullptr;           \\\n"
             L"    CAttributeInfo** Class::ms_attributeInfo = nullptr;       \\\n"
             L"    CParentElementInfo* Class::GetClassInfo() {               \\\n"
             L"        BuildMetaData();                                      \\\n"
             L"        return ms_parentInfo;                                 \\\n"
             L"    }                                                         \\\n"
             L"    CElementInfo** Class::GetClassElementInfo() {             \\\n"
             L"        BuildMetaData();                                      \\\n"
             L"        return ms_elementInfo;                                \\\n"
             L"    }                                                         \\\n"
             L"    CAttributeInfo** Class::GetClassAttributeInfo() {         \\\n"
             L"        BuildMetaData();                                      \\\n"
             L"        return ms_attributeInfo;                              \\\n"
             L"    }\n\n";
        for (const auto& e : m_set.enums)
            if (e->doc == d) o += EnumFunctions(*e);
        for (ClassModel* c : classes) o += ClassDefinition(c);
        for (const auto& sub : m_set.substitutions) {
            if (sub->headClass->doc != d || sub->collectionName.empty()) continue;
            const std::wstring& col = sub->collectionName;
            o += L"// ---- " + col.substr(1) + L" ----\n\n";
            o += col + L"::" + col +
                 L"(const wchar_t* elementName, const wchar_t* namespaceUri, int minOccurs, int maxOccurs)\n"
                 L"    : CXmlTypedObjectCollection<" + m_ns + L"::" + sub->headClass->cppName +
                 L">(elementName, namespaceUri, minOccurs, maxOccurs, &CreateObject, ClassId_" + Short(sub->headClass) + L") {}\n\n";
            o += L"// Reads the run of elements the substitution group takes, whatever their names.\n";
            o += L"CXmlElement* " + col + L"::FromXml_Int(CXmlElement*, CXmlElement* current, const CXmlSerializationContext& ctx,\n"
                 L"                                   bool) {\n"
                 L"    while (current) {\n"
                 L"        CSmartPtr<CXmlObjectBase> item = " + sub->factoryName + L"::Create(current);\n"
                 L"        if (!item) break;\n"
                 L"        CXmlObjectBase::FromXml_Int(item, current, XmlFirstChildElement(current), ctx);\n"
                 L"        AppendItem(item);\n        current = XmlNextSiblingElement(current);\n    }\n    return current;\n}\n\n";
        }
        if (registry) o += Registry();
        o += L"#undef NYXML_GENERATED_METADATA\n\n}  // namespace " + m_ns + L"\n";
        return o;
    }

    std::wstring EnumFunctions(const EnumModel& e) {
        std::wstring o;
        o += L"// ---- " + e.cppName + L" ----\n\n";
        o += L"const wchar_t* " + e.cppName + L"ToString(int value) {\n    switch (value) {\n";
        for (size_t i = 0; i < e.values.size(); ++i)
            o += L"        case " + e.enumerators[i] + L": return " + Literal(e.values[i]) + L";\n";
        o += L"    }\n    throw CNyInvalidValueException(FormatString(L\"Invalid value [%d] for the enumeration " +
             e.cppName + L"\", value));\n}\n\n";
        o += L"int " + e.cppName + L"FromString(const wchar_t* text) {\n";
        if (e.whitespace == 3)
            o += L"    std::wstring t = CWhitespaceUtils::Collapse(text ? text : L\"\");\n";
        else if (e.whitespace == 2)
            o += L"    std::wstring t = CWhitespaceUtils::Replace(text ? text : L\"\");\n";
        else
            o += L"    std::wstring t = text ? text : L\"\";\n";
        for (size_t i = 0; i < e.values.size(); ++i)
            o += L"    if (t == " + Literal(e.values[i]) + L") return " + e.enumerators[i] + L";\n";
        o += L"    throw CNyInvalidValueException(FormatString(L\"Invalid value [%s] for the enumeration " + e.cppName +
             L"\", t.c_str()));\n}\n\n";
        return o;
    }

    // Element and attribute properties of a class with those of its bases first.
    static void Chain(const ClassModel* c, std::vector<std::pair<const ClassModel*, const PropertyModel*>>& out) {
        if (c->base) Chain(c->base, out);
        for (const PropertyModel& p : c->props) out.emplace_back(c, &p);
    }

    std::wstring ElementInfo(const ClassModel* owner, const PropertyModel& p) {
        static const wchar_t* groups[] = {L"Seq", L"Choice", L"All"};
        std::wstring group = groups[owner->groupKind];
        std::wstring kind;
        switch (p.kind) {
            case PropertyModel::Prim: kind = L"Prim"; break;
            case PropertyModel::Enum: kind = L"Enum"; break;
            case PropertyModel::Class: kind = L"Cls"; break;
            case PropertyModel::AbsClass: kind = L"AbsCls"; break;
            default: kind = L"Untpd"; break;
        }
        std::wstring card = p.collection ? L"Col" : (owner->groupKind == 1 || p.optional || p.substitution) ? L"Opt" : L"Mnd";
        std::vector<std::wstring> args = {Literal(p.xmlName), Literal(p.xmlNs), p.constant};
        std::wstring childType = p.childType == 0   ? L"XmlElementType_Element"
                                 : p.childType == 1 ? L"XmlElementType_NoElement"
                                                    : L"XmlElementType_NoElementNoAttributes";
        if (p.collection) {
            if (kind == L"Cls" || kind == L"AbsCls") args.push_back(childType);
        } else if (kind == L"Prim") {
            args.insert(args.end(), {L"ItemType_" + std::wstring(Row(p.value.item).enumerator), L"nullptr",
                                     WhitespaceName(p.value.whitespace), Restrictions(p.value.facets)});
        } else if (kind == L"Enum") {
            args.insert(args.end(), {L"&" + p.value.enumeration->cppName + L"ToString",
                                     L"&" + p.value.enumeration->cppName + L"FromString"});
        } else if (kind == L"Cls") {
            args.insert(args.end(), {childType, L"&CreateObject", L"ClassId_" + Short(p.cls)});
            if (card == L"Mnd") args.push_back(group == L"All" || p.childType != 0 ? L"true" : L"false");
        } else if (kind == L"AbsCls") {
            args.insert(args.end(), {childType, L"&" + (p.substitution ? p.substitution->factoryName : FactoryName(p.cls)) + L"::Create"});
            if (card == L"Mnd" && group == L"All") args.push_back(L"0");
        } else {
            args.insert(args.end(), {Literal(p.any.namespaces), Literal(p.any.targetNamespace)});
        }
        return Wrap(L"new CElementInfo" + group + kind + card, args, 8);
    }

    std::wstring AttributeInfo(const PropertyModel& p) {
        std::wstring def = p.hasDefault ? Literal(p.defaultValue) : L"nullptr";
        std::wstring opt = p.optional ? L"true" : L"false";
        if (p.kind == PropertyModel::AnyAttributes)
            return Wrap(L"new CAttributeInfoAny", {L"L\"AnyAttribute\"", L"L\"\"", p.constant, L"true",
                                                    Literal(p.any.namespaces), Literal(p.any.targetNamespace), L"nullptr"}, 8);
        if (p.kind == PropertyModel::Enum)
            return Wrap(L"new CAttributeInfoEnum",
                        {Literal(p.xmlName), Literal(p.xmlNs), p.constant, opt, L"&" + p.value.enumeration->cppName + L"ToString",
                         L"&" + p.value.enumeration->cppName + L"FromString", def}, 8);
        return Wrap(L"new CAttributeInfoPrimitive",
                    {Literal(p.xmlName), Literal(p.xmlNs), p.constant, opt, L"ItemType_" + std::wstring(Row(p.value.item).enumerator),
                     L"nullptr", WhitespaceName(p.value.whitespace), Restrictions(p.value.facets), def}, 8);
    }

    std::wstring CollectionNew(const PropertyModel& p) {
        std::wstring args = Literal(p.xmlName) + L", " + Literal(p.xmlNs) + L", " + std::to_wstring(p.minOccurs) +
                            L", " + std::to_wstring(p.maxOccurs);
        switch (p.kind) {
            case PropertyModel::Prim:
                return L"new " + ValueType(p) + L"(" + args + L", " + FacetArgs(p.value.facets) + L",\n          " +
                       WhitespaceName(p.value.whitespace) + L", nullptr)";
            case PropertyModel::Enum:
                return L"new " + ValueType(p) + L"(" + args + L", " +
                       FacetArgs(Facets(), EnumPattern(*p.value.enumeration)) + L",\n          " +
                       WhitespaceName(p.value.whitespace) + L", nullptr)";
            case PropertyModel::Untyped:
                return L"new CElementCol(L\"\", " + Literal(p.any.namespaces) + L", " +
                       Literal(p.any.targetNamespace) + L", " + std::to_wstring(p.minOccurs) + L", " +
                       std::to_wstring(p.maxOccurs) + L")";
            default:
                return L"new " + (p.substitution ? p.substitution->collectionName : p.cls->collectionName) + L"(" + args + L")";
        }
    }

    std::wstring ClassDefinition(ClassModel* c) {
        std::wstring o;
        const std::wstring& n = c->cppName;
        bool ownNil = c->nillable && !(c->base && c->base->HasNil());
        o += L"// ---- " + Short(c) + L" ----\n\nNYXML_GENERATED_METADATA(" + n + L")\n";
        const PropertyModel* textCheck = nullptr;
        for (const PropertyModel& p : c->props)
            if (NeedsTextCheck(p)) textCheck = &p;
        if (textCheck) o += L"CElementInfo* " + n + L"::ms_textCheck = nullptr;\n";
        o += L"\nvoid " + n + L"::BuildMetaData() {\n    if (ms_built.load(std::memory_order_acquire)) return;\n"
             L"    CNYLock lock(m_csInit);\n    if (ms_built.load(std::memory_order_relaxed)) return;\n";
        std::vector<std::pair<const ClassModel*, const PropertyModel*>> chain;
        Chain(c, chain);
        std::wstring text = L"-1";
        for (const auto& e : chain)
            if (e.second->kind == PropertyModel::Text) text = e.second->constant;
        static const wchar_t* groups[] = {L"XmlElementGroupType_Sequence", L"XmlElementGroupType_Choice",
                                          L"XmlElementGroupType_All"};
        static const wchar_t* types[] = {L"XmlElementType_Element", L"XmlElementType_NoElement",
                                         L"XmlElementType_NoElementNoAttributes"};
        o += L"    ms_parentInfo = new CParentElementInfo(" + std::wstring(groups[c->groupKind]) + L", " +
             types[c->elementType] + L", " + Literal(c->xmlName) + L",\n        " + Literal(c->xmlNs) + L", " + text +
             L", " + (c->failIfUnknownAttribute ? L"true" : L"false") + L", " + (c->base ? L"true" : L"false") +
             L");\n";
        std::vector<std::wstring> elements, attributes;
        for (const auto& e : chain) {
            if (IsElementMember(*e.second))
                elements.push_back(ElementInfo(e.first, *e.second));
            else if (e.second->kind != PropertyModel::Text && !e.second->field.empty())
                attributes.push_back(AttributeInfo(*e.second));
        }
        auto array = [&](const wchar_t* type, const wchar_t* target, const std::vector<std::wstring>& items) {
            std::wstring a = L"    " + std::wstring(target) + L" = new " + type + L"*[" + std::to_wstring(items.size() + 1) +
                             L"]{";
            for (const std::wstring& i : items) a += L"\n        " + i + L",";
            return a + (items.empty() ? L"nullptr};\n" : L"\n        nullptr};\n");
        };
        o += array(L"CElementInfo", L"ms_elementInfo", elements);
        o += array(L"CAttributeInfo", L"ms_attributeInfo", attributes);
        if (textCheck)
            o += L"    ms_textCheck = new CElementInfoSeqPrimMnd(" + Literal(c->xmlName) + L", " + Literal(c->xmlNs) +
                 L", " + textCheck->constant + L", ItemType_" + Row(textCheck->value.item).enumerator + L", nullptr,\n        " +
                 WhitespaceName(textCheck->value.whitespace) + L", " + Restrictions(textCheck->value.facets) + L");\n";
        o += L"    ms_built.store(true, std::memory_order_release);\n}\n\n";
        o += L"void " + n + L"::CleanMetaData() {\n    CNYLock lock(m_csInit);\n"
             L"    CXmlGeneratedClass::CleanMetaData(ms_parentInfo, ms_elementInfo, ms_attributeInfo);\n";
        if (textCheck) o += L"    delete ms_textCheck;\n    ms_textCheck = nullptr;\n";
        o += L"    ms_built = false;\n}\n\n";

        // Constructor, destructor, Init.
        std::vector<std::wstring> inits;
        for (const PropertyModel& p : c->props)
            if (p.collection || p.kind == PropertyModel::AnyAttributes) {
                std::wstring make = p.kind == PropertyModel::AnyAttributes
                                        ? L"new CAttributeCol(L\"\", " + Literal(p.any.namespaces) + L", " +
                                              Literal(p.any.targetNamespace) + L")"
                                        : CollectionNew(p);
                inits.push_back(p.field + L"(" + make + L")");
            }
        o += n + L"::" + n + L"()";
        for (size_t i = 0; i < inits.size(); ++i) o += (i ? L",\n      " : L"\n    : ") + inits[i];
        o += L" {\n";
        if (c->elementType == 0 && (!c->type || c->type->name.Empty())) o += L"    SetElementName(" + Literal(c->xmlName) + L");\n";
        // The statements that give one property its starting value. A new
        // object needs only those that its members' initializers do not
        // already give (defaults, member objects): it is not reset field by
        // field on top of them, and a read then resets it once, not twice.
        auto reset = [&](const PropertyModel& p, bool fresh) {
            std::wstring r;
            if (p.field.empty()) return r;
            if (p.collection || p.kind == PropertyModel::AnyAttributes) {
                if (!fresh) r += L"    " + p.field + L"->Clear();\n";
            } else if (p.kind == PropertyModel::Text) {
                if (!fresh) r += L"    m_text.clear();\n";
            } else if (p.kind == PropertyModel::Class && !p.optional) {
                // A member object that nobody else holds is reset where it
                // is: a read does not make every member object twice.
                const std::wstring& cls = p.cls->cppName;
                if (fresh)
                    r += L"    " + p.field + L" = new " + cls + L";\n";
                else
                    r += L"    if (" + cls + L"* held = " + p.field + L".Get(); held && held->GetRefCount() == 1 && typeid(*held) == typeid(" +
                         cls + L"))\n        held->Init();\n    else\n        " + p.field + L" = new " + cls + L";\n";
                if (p.childType == 0) r += L"    SetElementName(" + p.field + L", " + Literal(p.xmlName) + L");\n";
            } else if (p.kind == PropertyModel::Untyped && !p.optional) {
                // A mandatory wildcard reads into the element it holds.
                r += L"    " + p.field + L" = new CElement(L\"AnyElement\");\n";
            } else if (HeldByPointer(p)) {
                if (!fresh) r += L"    " + p.field + L" = nullptr;\n";
            } else if (p.kind == PropertyModel::Enum) {
                std::wstring first = p.value.enumeration->enumerators[0];
                if (p.hasDefault) {
                    std::wstring t = p.value.whitespace == 3 ? NyXmlLib9::CWhitespaceUtils::Collapse(p.defaultValue) : p.defaultValue;
                    for (size_t i = 0; i < p.value.enumeration->values.size(); ++i)
                        if (p.value.enumeration->values[i] == t) first = p.value.enumeration->enumerators[i];
                }
                r += L"    " + p.field + L" = " + first + L";\n";
                if (!fresh) r += L"    " + HasField(p) + L" = false;\n";
            } else if (p.hasDefault && std::wstring(Row(p.value.item).variant) == L"String") {
                // The whitespace rule is applied here, once, rather than in every new object.
                std::wstring t = NyXmlLib9::CWhitespaceUtils::ApplyRule(
                    static_cast<NyXmlLib9::CWhitespaceUtils::WhitespaceRule>(p.value.whitespace), p.defaultValue);
                r += L"    " + p.field + L" = " + Literal(t) + L";\n";
                if (!fresh) r += L"    " + HasField(p) + L" = false;\n";
            } else if (p.hasDefault) {
                r += L"    {\n        NyVariant defaultValue;\n        defaultValue.FromString(" + Literal(p.defaultValue) +
                     L", ItemType_" + Row(p.value.item).enumerator + L", " + WhitespaceName(p.value.whitespace) +
                     L");\n        " + p.field + L" = defaultValue.Get" + Row(p.value.item).variant + L"();\n    }\n";
                if (!fresh) r += L"    " + HasField(p) + L" = false;\n";
            } else if (!fresh) {
                r += L"    " + p.field + L" = " + ValueType(p) + L"();\n    " + HasField(p) + L" = false;\n";
            }
            return r;
        };
        for (const PropertyModel& p : c->props) o += reset(p, true);
        o += L"}\n\n" + n + L"::~" + n + L"() {}\n\n";
        o += L"void " + n + L"::Init() {\n";
        if (c->base) o += L"    " + c->base->cppName + L"::Init();\n";
        for (const PropertyModel& p : c->props) o += reset(p, false);
        if (ownNil) o += L"    m_nil = false;\n";
        o += L"}\n\n";

        // Out-of-line accessors.
        for (const PropertyModel& p : c->props) {
            if (p.field.empty() || !HeldByPointer(p)) continue;
            std::wstring t = ValueType(p);
            o += L"CSmartPtr<" + t + L"> " + n + L"::Get" + p.name + L"() const { return " + p.field + L"; }\n\n";
            if (p.collection || p.kind == PropertyModel::AnyAttributes) continue;
            o += L"void " + n + L"::Set" + p.name + L"(" + t + L"* value) {\n";
            if (!p.optional && p.kind == PropertyModel::Class)
                o += L"    Throw_IfPropertyIsNull(value, " + Literal(p.xmlName) + L");\n";
            if (p.choice) o += L"    if (value) SelectChoice(" + p.constant + L");\n";
            if (p.childType == 0 && p.kind != PropertyModel::Untyped)
                o += L"    if (value) SetElementName(value, " + Literal(p.xmlName) + L");\n";
            o += L"    " + p.field + L" = value;\n}\n\n";
        }
        if (c->groupKind == 1) {
            o += L"std::wstring " + n + L"::GetSelectedElement() const {\n";
            for (const PropertyModel& p : c->props)
                if (IsElementMember(p)) o += L"    if (" + IsSet(p) + L") return " + Literal(p.xmlName) + L";\n";
            o += L"    return std::wstring();\n}\n\n";
            o += L"void " + n + L"::SelectChoice(int propertyIndex) {\n";
            for (const PropertyModel& p : c->props) {
                if (!IsElementMember(p)) continue;
                o += L"    if (propertyIndex != " + p.constant + L") ";
                if (p.collection) o += p.field + L"->Clear();\n";
                else if (HeldByPointer(p)) o += p.field + L" = nullptr;\n";
                else o += HasField(p) + L" = false;\n";
            }
            o += L"}\n\n";
        }

        if (ChecksAfterReading(c)) {
            o += L"// Checks what the library does not check when it reads.\n";
            o += L"CXmlElement* " + n + L"::FromXml_Int(CXmlElement* element, CXmlElement* firstChild, const CXmlSerializationContext& ctx,\n"
                 L"                                bool flag) {\n    CXmlElement* next = " +
                 (c->base ? c->base->cppName : std::wstring(L"CXmlGeneratedClass")) +
                 L"::FromXml_Int(element, firstChild, ctx, flag);\n";
            for (const PropertyModel& p : c->props)
                if (RequiredSubstitution(c, p))
                    o += L"    if (!" + p.field + L")\n        throw CNyValidationException(FormatString(L\"Failed to find a required element [%s]\", " +
                         Literal(p.xmlName) + L"));\n";
            for (const PropertyModel& p : c->props)
                if (CheckedWildcard(p))
                    o += L"    CheckWildcard(" + p.field + L".Get(), " +
                         (p.collection ? std::to_wstring(p.minOccurs) + L", " + std::to_wstring(p.maxOccurs) + L", "
                                       : std::wstring()) +
                         Literal(p.any.namespaces) + L", " + Literal(p.any.targetNamespace) + L");\n";
            if (RequiredChoice(c))
                o += L"    // The choice is required: an element with none of its members is not valid.\n"
                     L"    if (GetSelectedElement().empty() && " + std::wstring(c->HasNil() ? L"!IsNil() && " : L"") +
                     L"!ctx.GetIgnoreMissingChoice())\n        throw CNyValidationException(FormatString(\n"
                     L"            L\"No child elements within the element [%s] were populated. The element represents a choice, \"\n"
                     L"            L\"so one and only one element should be populated. The element contained no sutable child elements\",\n"
                     L"            element ? element->GetLocalName().c_str() : L\"\"));\n";
            o += L"    return next;\n}\n\n";
        }

        // The property accessor.
        bool any = false;
        for (const PropertyModel& p : c->props) any |= !p.field.empty();
        if (!any && !c->base) {
            o += L"void " + n + L"::AccessProperty(int, bool, NyVariant&) {}\n\n";
        } else {
            o += L"void " + n + L"::AccessProperty(int propertyIndex, bool read, NyVariant& value) {\n    switch (propertyIndex) {\n";
            for (const PropertyModel& p : c->props) {
                if (p.field.empty()) continue;
                o += L"        case " + p.constant + L":\n" + Access(c, p) + L"            break;\n";
            }
            if (c->base)
                o += L"        default:\n            " + c->base->cppName +
                     L"::AccessProperty(propertyIndex, read, value);\n            break;\n";
            o += L"    }\n}\n\n";
        }

        if (!c->collectionName.empty()) {
            const std::wstring& col = c->collectionName;
            o += col + L"::" + col +
                 L"(const wchar_t* elementName, const wchar_t* namespaceUri, int minOccurs, int maxOccurs)\n"
                 L"    : CXmlTypedObjectCollection<" + m_ns + L"::" + n + L">(elementName, namespaceUri, minOccurs, maxOccurs, &CreateObject, ClassId_" +
                 Short(c) + L") {}\n\n";
            if (c->elementType != 0) {
                o += L"CXmlElement* " + col + L"::FromXml_Int(CXmlElement* element, CXmlElement* current,\n"
                     L"                                   const CXmlSerializationContext& ctx, bool) {\n"
                     L"    while (current) {\n"
                     L"        CSmartPtr<CXmlObjectBase> item(new " + n + L");\n"
                     L"        CXmlElement* next = CXmlObjectBase::FromXml_Int(item, element, current, ctx);\n"
                     L"        if (next == current) break;\n"
                     L"        AppendItem(item);\n        current = next;\n    }\n    return current;\n}\n\n";
            } else if (c->NeedsFactory()) {
                o += L"CXmlElement* " + col + L"::FromXml_Int(CXmlElement*, CXmlElement* current, const CXmlSerializationContext& ctx,\n"
                     L"                                   bool) {\n"
                     L"    const std::wstring name = GetElementName();\n    const std::wstring ns = NamespaceField();\n"
                     L"    while (current && DoesElementNameMatch(ctx, current, name.c_str(), ns.c_str())) {\n"
                     L"        CSmartPtr<CXmlObjectBase> item = " + FactoryName(c) + L"::Create(current);\n"
                     L"        if (!item)\n            throw CNyValidationException(\n"
                     L"                FormatString(L\"Failed to find a suitable substitution element for [%s]\", name.c_str()));\n"
                     L"        CXmlObjectBase::FromXml_Int(item, current, XmlFirstChildElement(current), ctx);\n"
                     L"        AppendItem(item);\n        current = XmlNextSiblingElement(current);\n    }\n    return current;\n}\n\n";
            }
        }
        return o;
    }

    std::wstring IsSet(const PropertyModel& p) {
        if (p.collection) return p.field + L"->GetCount() > 0";
        if (HeldByPointer(p)) return p.field;
        return HasField(p);
    }

    std::wstring Access(const ClassModel* c, const PropertyModel& p) {
        const std::wstring in = L"            ";
        if (p.collection || p.kind == PropertyModel::AnyAttributes)
            return in + L"if (read) value.SetXmlCollection(" + p.field + L".Get());\n";
        if (HeldByPointer(p)) {
            std::wstring type = ValueType(p);
            return in + L"if (read)\n" + in + L"    value.SetXmlObject(" + p.field + L".Get());\n" + in + L"else\n" + in +
                   L"    " + p.field + L" = ObjectOf<" + type + L">(value);\n";
        }
        if (p.kind == PropertyModel::Text) {
            std::wstring o = in + L"if (read) {\n" + in + L"    value.SetString(m_text);\n" + in + L"} else {\n" + in +
                             L"    if (value.IsValid())\n" + in + L"        value.TakeString(m_text);\n" + in +
                             L"    else\n" + in + L"        m_text.clear();\n";
            if (NeedsTextCheck(p)) {
                o += in + L"    BuildMetaData();\n" + in + L"    if (" + (c->HasNil() ? L"!IsNil() && " : L"") +
                     L"ms_textCheck) {\n";
                if (p.value.enumeration)
                    o += in + L"        " + p.value.enumeration->cppName + L"FromString(m_text.c_str());\n";
                o += in + L"        NyVariant typed;\n" + in + L"        typed.FromString(m_text, ItemType_" +
                     Row(p.value.item).enumerator + L", " + WhitespaceName(p.value.whitespace) + L");\n" + in +
                     L"        ms_textCheck->CheckRestriction(typed);\n" + in + L"    }\n";
            }
            return o + in + L"}\n";
        }
        std::wstring has = HasField(p);
        std::wstring set = p.kind == PropertyModel::Enum ? L"value.SetI4(static_cast<int32_t>(" + p.field + L"))"
                                                         : L"value.Set" + std::wstring(Row(p.value.item).variant) + L"(" + p.field + L")";
        // Strings and decimals are moved out of the variant: reading a
        // document then copies no text twice.
        const std::wstring variant = Row(p.value.item).variant;
        std::wstring get = p.kind == PropertyModel::Enum
                               ? p.field + L" = static_cast<" + ValueType(p) + L">(value.GetI4())"
                           : variant == L"String" || variant == L"Decimal"
                               ? L"value.Take" + variant + L"(" + p.field + L")"
                               : p.field + L" = value.Get" + variant + L"()";
        std::wstring store = in + L"    if (" + has + L") " + get + L";\n";
        if (p.kind == PropertyModel::Prim && HasFacets(p.value.facets))
            store = in + L"    if (" + has + L") {\n" + in + L"        CheckRead(" +
                    (p.attribute ? L"GetClassAttributeInfo()" : L"GetClassElementInfo()") + L", " + p.constant +
                    L", value);\n" + in + L"        " + get + L";\n" + in + L"    }\n";
        return in + L"if (read) {\n" + in + L"    if (" + has + L")\n" + in + L"        " + set + L";\n" + in +
               L"    else\n" + in + L"        value.Clear();\n" + in + L"} else {\n" + in + L"    " + has +
               L" = value.IsValid();\n" + store + in + L"}\n";
    }

    std::wstring Registry() {
        std::wstring o = L"// ---- shared by the classes of all the schemas ----\n\n";
        o += L"CSmartPtr<CXmlObjectBase> CreateObject(int classId, const wchar_t* elementName) {\n"
             L"    CSmartPtr<CXmlObjectBase> object;\n    switch (classId) {\n";
        for (const auto& c : m_set.classes)
            if (!c->abstract)
                o += L"        case ClassId_" + Short(c.get()) + L": object = new " + c->cppName + L"; break;\n";
        o += L"        default: return object;\n    }\n    struct Namer : CXmlObjectBase {\n"
             L"        using CXmlObjectBase::SetElementName;\n    };\n"
             L"    if (elementName && *elementName) Namer::SetElementName(object.Get(), elementName);\n    return object;\n}\n\n";
        o += L"CSmartPtr<CXmlObjectBase> CreateDocumentObject(const wchar_t* localName, const wchar_t* namespaceUri) {\n"
             L"    const std::wstring name = localName ? localName : L\"\";\n"
             L"    const std::wstring ns = namespaceUri ? namespaceUri : L\"\";\n";
        for (const GlobalElementModel& g : m_set.globals) {
            if (!g.cls || g.abstract || g.cls->abstract) continue;
            o += L"    if (name == " + Literal(g.name) + L" && ns == " + Literal(g.ns) + L")\n        return CreateObject(ClassId_" +
                 Short(g.cls) + L", " + Literal(g.name) + L");\n";
        }
        o += L"    return CSmartPtr<CXmlObjectBase>();\n}\n\n";
        for (const auto& c : m_set.classes) {
            if (!c->NeedsFactory()) continue;
            std::vector<const ClassModel*> family;
            std::function<void(const ClassModel*)> walk = [&](const ClassModel* k) {
                family.push_back(k);
                for (const ClassModel* d : k->derived) walk(d);
            };
            walk(c.get());
            o += L"CSmartPtr<CXmlObjectBase> " + FactoryName(c.get()) + L"::Create(CXmlElement* element) {\n"
                 L"    const ElementTypeName type = ElementTypeOf(element);\n"
                 L"    if (type.localName.empty()) return CSmartPtr<CXmlObjectBase>(" +
                 (c->abstract ? std::wstring() : L"new " + c->cppName) + L");\n";
            for (const ClassModel* k : family)
                if (!k->abstract)
                    o += L"    if (type.Is(" + Literal(k->xmlName) + L", " + Literal(k->xmlNs) +
                         L")) return CSmartPtr<CXmlObjectBase>(new " + k->cppName + L");\n";
            o += L"    return CSmartPtr<CXmlObjectBase>();\n}\n\n";
        }
        for (const auto& sub : m_set.substitutions) {
            o += L"CSmartPtr<CXmlObjectBase> " + sub->factoryName + L"::Create(CXmlElement* element) {\n"
                 L"    const std::wstring& name = element->GetLocalName();\n"
                 L"    const std::wstring& ns = element->GetNamespaceURI();\n";
            for (const SubstitutionModel::Member& m : sub->members) {
                std::wstring make = m.cls->NeedsFactory() ? FactoryName(m.cls) + L"::Create(element)"
                                    : L"CSmartPtr<CXmlObjectBase>(new " + m.cls->cppName + L")";
                o += L"    if (name == " + Literal(m.name) + L" && ns == " + Literal(m.ns) + L") return " + make + L";\n";
            }
            o += L"    return CSmartPtr<CXmlObjectBase>();\n}\n\n";
        }
        o += Vocabulary();
        o += L"void CleanMetaData() {\n";
        for (const auto& c : m_set.classes) o += L"    " + c->cppName + L"::CleanMetaData();\n";
        o += L"}\n\n";
        return o;
    }

    // The vocabulary: every table entry once, in the order of the documents,
    // classes and properties, which is the same on every run.
    std::wstring Vocabulary() {
        std::vector<std::wstring> calls;
        std::set<std::wstring> seen;
        auto add = [&](const std::wstring& table, const std::wstring& args) {
            if (seen.insert(table + L"(" + args + L")").second)
                calls.push_back(L"    vocabulary." + table + L"(" + args + L");\n");
        };
        for (const SchemaDocument* d : m_docs)
            if (!d->targetNamespace.empty()) add(L"AddNamespaceName", Literal(d->targetNamespace));
        auto element = [&](const std::wstring& name, const std::wstring& ns) {
            if (!name.empty()) add(L"AddElement", L"L\"\", " + Literal(ns) + L", " + Literal(name));
        };
        // Depth first from the global elements, members in schema order: close
        // to the order in which a document first uses the names, so the names
        // used most get the small indexes that take one octet.
        std::set<const ClassModel*> visited;
        std::vector<const ClassModel*> order;
        std::function<void(const ClassModel*)> visit = [&](const ClassModel* c) {
            if (!c || !visited.insert(c).second) return;
            order.push_back(c);
            visit(c->base);
            for (const PropertyModel& p : c->props) {
                if (p.kind == PropertyModel::Untyped || p.kind == PropertyModel::AnyAttributes ||
                    p.kind == PropertyModel::Text || p.xmlName.empty()) {
                    // no name of its own
                } else if (!p.attribute) {
                    if (p.childType == 0) element(p.xmlName, p.xmlNs);  // not a model group's class
                } else if (p.xmlNs.empty()) {
                    add(L"AddAttribute", L"L\"\", L\"\", " + Literal(p.xmlName));
                } else {
                    // A qualified attribute is written with a prefix the writer
                    // chooses: its namespace and local name are entered alone.
                    add(L"AddNamespaceName", Literal(p.xmlNs));
                    add(L"AddLocalName", Literal(p.xmlName));
                }
                if (p.substitution)
                    for (const SubstitutionModel::Member& m : p.substitution->members) {
                        element(m.name, m.ns);
                        visit(m.cls);
                    }
                visit(p.cls);
            }
            for (const ClassModel* d : c->derived) visit(d);
        };
        for (const GlobalElementModel& g : m_set.globals) {
            element(g.name, g.ns);
            visit(g.cls);
        }
        for (const auto& sub : m_set.substitutions)
            for (const SubstitutionModel::Member& m : sub->members) element(m.name, m.ns);
        for (const auto& c : m_set.classes) visit(c.get());
        // Enumeration values, in the table of the place they are written in.
        for (const ClassModel* c : order)
            for (const PropertyModel& p : c->props)
                if (p.value.enumeration)
                    for (const std::wstring& v : p.value.enumeration->values)
                        add(p.attribute ? L"AddAttributeValue" : L"AddElementValue", Literal(v));
        // The URI names the content: FNV-1a over the calls.
        uint64_t hash = 14695981039346656037ull;
        for (const std::wstring& call : calls)
            for (wchar_t c : call) hash = (hash ^ static_cast<uint64_t>(c)) * 1099511628211ull;
        wchar_t hex[17];
        std::swprintf(hex, 17, L"%016llx", static_cast<unsigned long long>(hash));
        std::wstring first;
        for (const SchemaDocument* d : m_docs)
            if (first.empty()) first = d->targetNamespace;
        std::wstring o = L"void FillFIVocabulary(CFIVocabulary& vocabulary) {\n";
        if (calls.empty()) o += L"    (void)vocabulary;\n";
        for (const std::wstring& call : calls) o += call;
        o += L"}\n\nconst wchar_t* FIVocabularyURI() {\n    return " +
             Literal(L"urn:nyxml:vocabulary:" + (first.empty() ? std::wstring(L"none") : first) + L":" + hex) + L";\n}\n\n";
        o += L"void UseFIVocabulary(CXmlSerializationContext& context) {\n"
             L"    CFastInfosetContext& fi = context.GetFIContext();\n    FillFIVocabulary(*fi.GetVocabulary());\n"
             L"    fi.SetExternalVocabularyURI(FIVocabularyURI());\n    fi.SetUseGeneratedVocabulary(true);\n";
        if (!first.empty())
            o += L"    if (context.GetDefaultNamespaceURI().empty()) context.SetDefaultNamespaceURI(" + Literal(first) + L");\n";
        else
            o += L"    (void)context;\n";
        o += L"}\n\n";
        return o;
    }

    const ClassSet& m_set;
    const std::vector<SchemaDocument*>& m_docs;
    std::wstring m_ns;
    std::map<const SchemaDocument*, std::string> m_stems;
};

}  // namespace

std::wstring Literal(const std::wstring& text) {
    std::wstring out = L"L\"";
    bool afterHex = false;
    for (wchar_t c : text) {
        bool hexDigit = (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F');
        if (afterHex && hexDigit) out += L"\" L\"";
        afterHex = false;
        if (c == L'\\') out += L"\\\\";
        else if (c == L'"') out += L"\\\"";
        else if (c == L'\n') out += L"\\n";
        else if (c == L'\t') out += L"\\t";
        else if (c == L'?') out += L"\\?";
        else if (c < 0x20 || c >= 0x7F) {
            wchar_t buf[16];
            std::swprintf(buf, 16, L"\\x%X", static_cast<unsigned>(c));
            out += buf;
            afterHex = true;
        } else {
            out += c;
        }
    }
    return out + L"\"";
}

std::vector<GeneratedFile> EmitCode(const ClassSet& classes, const std::vector<SchemaDocument*>& documents,
                                    const std::wstring& cppNamespace) {
    return Writer(classes, documents, cppNamespace).Run();
}

}  // namespace nyxml_compiler
