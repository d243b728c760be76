// Mapping of the schema model to classes: one class per complex type (named
// or anonymous), per named or nested model group that cannot be flattened,
// and per element of simple type that needs an object of its own (document
// elements, nillable elements). Names are made unique in a fixed order, so
// every run gives the same names.
#include "ClassModel.h"
#include "SchemaReader.h"

#include <nyxml/nyxml.h>

#include <algorithm>
#include <cwctype>

namespace nyxml_compiler {

namespace {

const wchar_t* const kReservedProperties[] = {L"Base",  L"Namespace", L"TargetNamespace", L"ElementName",
                                              L"ClassInfo", L"ClassElementInfo", L"ClassAttributeInfo",
                                              L"SelectedElement", L"Nil", L"Document"};

std::wstring Lower(std::wstring s) {
    for (wchar_t& c : s) c = static_cast<wchar_t>(std::towlower(c));
    return s;
}

std::wstring Upper(std::wstring s) {
    for (wchar_t& c : s) c = static_cast<wchar_t>(std::towupper(c));
    return s;
}

// Names of the library's classes (without their C): generated classes in
// the same scope must not hide them.
const wchar_t* const kLibraryClasses[] = {
    L"Attribute", L"AttributeCol", L"AttributeInfo", L"AttributeInfoAny", L"AttributeInfoEnum",
    L"AttributeInfoPrimitive", L"Base64", L"BigInteger", L"BinaryData", L"BinaryStream", L"ClassfactoryBase",
    L"Conversions", L"DateTime", L"DateTimeSpan", L"Decimal", L"Element", L"ElementCol", L"ElementInfo",
    L"FastInfosetContext", L"FIVocabulary", L"InstanceMonitor", L"NYCriticalSection", L"NYLock",
    L"NamespaceAliasMap", L"Node", L"NyException", L"NyValidationException", L"NyInvalidValueException",
    L"NyInvalidNamespaceException", L"NyInvalidStateException", L"NyInvalidParamException",
    L"NyOverFlowException", L"NyIterator", L"ParentElementInfo", L"PrimitiveRestrictions", L"SmartPtr",
    L"StringBuffer", L"TextStream", L"WhitespaceUtils", L"XmlAttribute", L"XmlCollection", L"XmlCollectionBase",
    L"XmlDocument", L"XmlElement", L"XmlGeneratedClass", L"XmlObjectBase", L"XmlPrimitiveCollection",
    L"XmlSerializationContext", L"XmlTextWriter", L"XmlTypeCollection", L"XmlTypedObjectCollection",
    L"XmlWriter", L"base64BinaryCol", L"booleanCol", L"dateCol", L"datetimeBaseCol", L"datetimeCol", L"dayCol",
    L"decimalCol", L"durationCol", L"hexBinaryCol", L"i1Col", L"i2Col", L"i4Col", L"i8Col", L"integerCol",
    L"monthCol", L"monthDayCol", L"r4Col", L"r8Col", L"stringCol", L"timeCol", L"ui1Col", L"ui2Col", L"ui4Col",
    L"ui8Col", L"yearCol", L"yearMonthCol"};

}  // namespace

std::wstring CClassMapper::Identifier(const std::wstring& xmlName, bool pascal) {
    std::wstring out;
    bool up = pascal;
    for (wchar_t c : xmlName) {
        bool alnum = (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'_';
        if (!alnum) {
            up = true;
            continue;
        }
        if (up && c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
        up = false;
        out += c;
    }
    if (out.empty()) out = L"Value";
    if (out[0] >= L'0' && out[0] <= L'9') out = L"_" + out;
    return out;
}

CClassMapper::CClassMapper(const CSchemaSet& schemas, CDiagnostics& diagnostics)
    : m_schemas(schemas), m_diag(diagnostics) {}

std::wstring CClassMapper::UniqueTypeName(const std::wstring& wanted) {
    std::wstring name = wanted;
    for (int n = 2; m_usedTypeNames.count(Lower(name)); ++n) name = wanted + std::to_wstring(n);
    m_usedTypeNames.insert(Lower(name));
    return name;
}

ClassModel* CClassMapper::NewClass(const std::wstring& wanted, const SchemaDocument* doc) {
    auto owned = std::make_unique<ClassModel>();
    ClassModel* cls = owned.get();
    cls->cppName = L"C" + UniqueTypeName(Identifier(wanted, true));
    cls->doc = doc;
    cls->classId = static_cast<int>(m_out->classes.size()) + 1;
    m_out->classes.push_back(std::move(owned));
    m_pending.push_back(cls);
    return cls;
}

void CClassMapper::Map(ClassSet& out) {
    m_out = &out;
    for (const wchar_t* name : kLibraryClasses) m_usedTypeNames.insert(Lower(name));
    // Names every class of the schemas first, in declaration order.
    for (const auto& t : m_schemas.ComplexTypes()) m_typeDocs[t.first] = t.second;
    for (const auto& t : m_schemas.ComplexTypes()) ClassFor(t.first, t.second);
    for (const auto& g : m_schemas.GlobalElements()) {
        ElementDecl* e = g.first;
        GlobalElementModel m;
        m.name = e->name.local;
        m.ns = e->name.ns;
        m.abstract = e->abstract;
        if (e->complexType) {
            m.cls = ClassFor(e->complexType, g.second);
            if (e->nillable) m.cls->nillable = true;
        } else if (e->simpleType) {
            m.cls = TextClassFor(e, g.second);
        } else {
            m_diag.Warning(e->pos, "the element " + Utf8(e->name.local) +
                                       " has the type xs:anyType: it is read only as a member (untyped)");
        }
        out.globals.push_back(m);
    }
    while (!m_pending.empty()) {
        ClassModel* cls = m_pending.front();
        m_pending.erase(m_pending.begin());
        Fill(cls);
    }
    for (const auto& cls : out.classes)
        if (cls->NeedsFactory()) cls->factoryName = L"C" + UniqueTypeName(cls->cppName.substr(1) + L"Factory");
}

ClassModel* CClassMapper::ClassFor(ComplexType* type, const SchemaDocument* doc) {
    auto it = m_byType.find(type);
    if (it != m_byType.end()) return it->second;
    auto d = m_typeDocs.find(type);
    if (d != m_typeDocs.end()) doc = d->second;
    ClassModel* cls = NewClass(type->name.Empty() ? type->hintName : type->name.local, doc);
    m_byType[type] = cls;
    cls->type = type;
    cls->xmlName = type->name.Empty() ? type->hintName : type->name.local;
    cls->xmlNs = type->targetNamespace;
    cls->abstract = type->abstract;
    cls->comment = type->name.Empty() ? L"the anonymous type of the element " + type->hintName
                                      : L"the complex type " + type->name.local;
    return cls;
}

ClassModel* CClassMapper::TextClassFor(ElementDecl* element, const SchemaDocument* doc) {
    auto it = m_textClasses.find(element);
    if (it != m_textClasses.end()) return it->second;
    ClassModel* cls = NewClass(element->name.local, doc);
    m_textClasses[element] = cls;
    cls->xmlName = element->name.local;
    cls->xmlNs = element->name.ns;
    cls->nillable = element->nillable;
    cls->comment = L"the element " + element->name.local + L", text of a simple type";
    PropertyModel text;
    text.kind = PropertyModel::Text;
    text.name = L"Text";
    text.value = ValueFor(element->simpleType, element->name.local, doc);
    cls->props.push_back(text);
    cls->filled = true;
    for (PropertyModel& p : cls->props) {
        p.field = L"m_text";
        p.constant = L"PROP_TEXT";
    }
    return cls;
}

ClassModel* CClassMapper::GroupClassFor(const Particle& p, ClassModel* owner) {
    auto it = m_groupClasses.find(p.group);
    if (it != m_groupClasses.end()) return it->second;
    std::wstring wanted = p.groupName;
    if (wanted.empty()) {
        int n = ++m_nestedCount[owner];
        const wchar_t* kind = p.group->kind == ModelGroup::Choice ? L"Choice"
                              : p.group->kind == ModelGroup::All ? L"All"
                                                                 : L"Sequence";
        wanted = owner->cppName.substr(1) + kind + (n > 1 ? std::to_wstring(n) : L"");
    }
    ClassModel* cls = NewClass(wanted, owner->doc);
    m_groupClasses[p.group] = cls;
    cls->xmlName = wanted;
    cls->xmlNs = owner->xmlNs;
    cls->groupKind = p.group->kind;
    cls->elementType = p.group->kind == ModelGroup::Choice ? 2 : 1;
    cls->failIfUnknownAttribute = false;
    cls->comment = p.groupName.empty() ? L"a nested model group of " + owner->cppName.substr(1)
                                       : L"the model group " + p.groupName;
    cls->filled = true;
    m_pending.erase(std::remove(m_pending.begin(), m_pending.end(), cls), m_pending.end());
    AddParticles(cls, p.group, false, p.group->kind == ModelGroup::Choice);
    return cls;
}

void CClassMapper::AddProperty(ClassModel* cls, PropertyModel prop) {
    std::set<std::wstring> used;
    for (const ClassModel* c = cls; c; c = c->base)
        for (const PropertyModel& p : c->props) used.insert(Upper(p.name));
    for (const wchar_t* r : kReservedProperties) used.insert(Upper(r));
    bool hasText = cls->type && (cls->type->simpleContent || cls->type->mixed);
    if (hasText && prop.kind != PropertyModel::Text) used.insert(L"TEXT");
    std::wstring wanted = prop.name;
    for (int n = 2; used.count(Upper(prop.name)); ++n) prop.name = wanted + std::to_wstring(n);
    std::wstring lowerFirst = prop.name;
    lowerFirst[0] = static_cast<wchar_t>(std::towlower(lowerFirst[0]));
    prop.field = L"m_" + lowerFirst;
    prop.constant = L"PROP_" + Upper(prop.name);
    prop.index = cls->firstIndex + static_cast<int>(cls->props.size());
    cls->props.push_back(prop);
}

// Whether a base class already keeps the element's text.
static bool InheritsText(const ClassModel* cls) {
    for (const ClassModel* c = cls->base; c; c = c->base)
        for (const PropertyModel& p : c->props)
            if (p.kind == PropertyModel::Text) return true;
    return false;
}

void CClassMapper::Fill(ClassModel* cls) {
    if (cls->filled) return;
    cls->filled = true;
    const ComplexType* t = cls->type;
    if (t->base) {
        ClassModel* base = ClassFor(t->base, nullptr);
        Fill(base);
        cls->base = base;
        base->derived.push_back(cls);
        // A restriction allows a part of what its base allows: its objects
        // read and write the content through the base's members.
        if (t->derivation == ComplexType::Restriction && t->hasContent)
            m_diag.Warning(t->pos, "a restriction of the complex type " + Utf8(t->base->name.local) +
                                       " is read with its base's content: the narrower content is not checked");
    }
    cls->firstIndex = cls->base ? cls->base->PropertyCount() : 0;
    // Attributes first, as the library offers them before the content.
    bool baseHasAny = false;
    for (const ClassModel* c = cls->base; c; c = c->base)
        for (const PropertyModel& p : c->props) baseHasAny |= p.kind == PropertyModel::AnyAttributes;
    for (const AttributeDecl& a : t->attributes) {
        bool inherited = false;
        for (const ClassModel* c = cls->base; c; c = c->base)
            for (const PropertyModel& p : c->props)
                inherited |= p.attribute && p.xmlName == a.name.local && p.xmlNs == a.name.ns;
        if (inherited) {
            if (t->derivation == ComplexType::Restriction) continue;
            m_diag.Error(a.pos, "the attribute " + Utf8(a.name.local) + " is declared by the base type too");
            continue;
        }
        if (a.prohibited || !a.type) continue;
        PropertyModel p;
        p.attribute = true;
        p.name = Identifier(a.name.local, true);
        p.xmlName = a.name.local;
        p.xmlNs = a.name.ns;
        p.optional = !a.required;
        p.value = ValueFor(a.type, a.name.local, cls->doc);
        p.kind = p.value.enumeration ? PropertyModel::Enum : PropertyModel::Prim;
        p.hasDefault = a.hasDefault || a.hasFixed;
        p.defaultValue = a.defaultValue;
        if (p.hasDefault) CheckDefault(p.value, p.defaultValue, a.pos);
        if (a.hasFixed)
            m_diag.Warning(a.pos, "the fixed value of the attribute " + Utf8(a.name.local) +
                                      " is written as a default; other values are not rejected");
        AddProperty(cls, p);
    }
    if (t->hasAnyAttribute && !baseHasAny) {
        PropertyModel p;
        p.kind = PropertyModel::AnyAttributes;
        p.attribute = true;
        p.name = L"AnyAttributes";
        p.any = t->anyAttribute;
        AddProperty(cls, p);
    }
    if (t->simpleContent) {
        bool baseText = InheritsText(cls);
        if (!baseText) {
            PropertyModel p;
            p.kind = PropertyModel::Text;
            p.name = L"Text";
            p.value = ValueFor(t->simpleContent, cls->xmlName, cls->doc);
            AddProperty(cls, p);
        } else if (t->derivation == ComplexType::Restriction) {
            m_diag.Warning(t->pos, "the facets of a restricted simple content are not checked; the base type's are");
        }
    }
    if (t->mixed && !t->simpleContent) {
        // Mixed content: the element's text, all its pieces joined, is kept as one text.
        bool baseText = InheritsText(cls);
        if (!baseText) {
            PropertyModel p;
            p.kind = PropertyModel::Text;
            p.name = L"Text";
            AddProperty(cls, p);
        }
        if (t->hasContent)
            m_diag.Warning(t->pos, "mixed content keeps its text as one piece: where it stood between the child "
                                   "elements is not kept");
    }
    if (!t->hasContent || (t->base && t->derivation == ComplexType::Restriction)) return;
    const Particle& top = t->content;
    if (top.kind != Particle::Group || !top.group) return;
    bool baseHasElements = false;
    for (const ClassModel* c = cls->base; c; c = c->base) {
        for (const PropertyModel& p : c->props) baseHasElements |= !p.attribute && p.kind != PropertyModel::Text;
        if (c->groupKind != 0 && !c->props.empty()) baseHasElements = true;
    }
    if (top.maxOccurs != 1 && top.group->particles.size() != 1) {
        // A repeated group: a collection of objects of a class for the group, each one repetition.
        cls->groupKind = 0;
        AddElement(cls, top, false, false);
        return;
    }
    if (baseHasElements) {
        if (cls->base->groupKind != 0) {
            m_diag.Error(top.pos, "an extension of a type whose content is a choice or an all group is not supported");
            return;
        }
        cls->groupKind = 0;
        if (top.group->kind == ModelGroup::Sequence && top.maxOccurs == 1) {
            AddParticles(cls, top.group, top.minOccurs == 0, false);
        } else {
            Particle nested = top;
            AddElement(cls, nested, false, false);
        }
        return;
    }
    cls->groupKind = top.group->kind;
    if (top.maxOccurs != 1) {
        // One particle repeated: the same as the particle with the product of the occurrences.
        Particle only = top.group->particles[0];
        only.maxOccurs = only.maxOccurs == kUnbounded || top.maxOccurs == kUnbounded ? kUnbounded
                                                                                    : only.maxOccurs * top.maxOccurs;
        only.minOccurs *= top.minOccurs;
        cls->groupKind = 0;
        AddElement(cls, only, false, false);
        return;
    }
    if (top.minOccurs == 0 && top.group->kind != ModelGroup::Choice)
        m_diag.Warning(top.pos, "an optional model group is read as optional members; a partly present group "
                                "is not rejected");
    AddParticles(cls, top.group, top.minOccurs == 0, top.group->kind == ModelGroup::Choice);
}

void CClassMapper::AddParticles(ClassModel* cls, const ModelGroup* group, bool optional, bool inChoice) {
    for (const Particle& q : group->particles) {
        if (q.kind == Particle::Group && q.group && q.group->kind == ModelGroup::Sequence &&
            group->kind == ModelGroup::Sequence && q.maxOccurs == 1 && q.groupName.empty()) {
            if (q.minOccurs == 0)
                m_diag.Warning(q.pos, "an optional nested sequence is read as optional members; a partly present "
                                      "sequence is not rejected");
            AddParticles(cls, q.group, optional || q.minOccurs == 0, inChoice);
            continue;
        }
        AddElement(cls, q, optional, inChoice);
    }
}

void CClassMapper::AddElement(ClassModel* cls, const Particle& q, bool optional, bool inChoice) {
    PropertyModel p;
    p.choice = inChoice;
    p.minOccurs = optional ? 0 : q.minOccurs;
    p.maxOccurs = q.maxOccurs;
    p.optional = p.minOccurs == 0 || inChoice;
    p.collection = q.maxOccurs != 1;
    if (q.kind == Particle::Any) {
        p.kind = PropertyModel::Untyped;
        p.name = L"Any";
        p.xmlName = L"AnyElement";
        p.any = q.any;
        p.xmlNs = q.any.namespaces;
        AddProperty(cls, p);
        return;
    }
    if (q.kind == Particle::Group && q.maxOccurs != 1 && q.group && q.group->particles.size() == 1) {
        // A repeated group of one particle: the particle, repeated.
        Particle only = q.group->particles[0];
        only.maxOccurs = only.maxOccurs == kUnbounded || q.maxOccurs == kUnbounded ? kUnbounded
                                                                                  : only.maxOccurs * q.maxOccurs;
        only.minOccurs *= q.minOccurs;
        AddElement(cls, only, optional, inChoice);
        return;
    }
    if (q.kind == Particle::Group) {
        ClassModel* g = GroupClassFor(q, cls);
        p.kind = PropertyModel::Class;
        p.cls = g;
        p.childType = g->elementType;
        p.name = g->cppName.substr(1);
        p.xmlName = g->xmlName;
        p.xmlNs = cls->xmlNs;
        if (p.collection && g->collectionName.empty())
            g->collectionName = L"C" + UniqueTypeName(g->cppName.substr(1) + L"Col");
        AddProperty(cls, p);
        return;
    }
    ElementDecl* e = q.element;
    if (!e) return;
    if (e->global && !m_schemas.SubstitutesOf(e).empty()) {
        p.substitution = SubstitutionFor(e, cls->doc, q.pos);
        if (!p.substitution) return;
    }
    p.name = Identifier(e->name.local, true);
    p.xmlName = e->name.local;
    p.xmlNs = e->name.ns;
    if (e->complexType) {
        ClassModel* c = ClassFor(e->complexType, cls->doc);
        if (e->nillable) c->nillable = true;
        p.cls = c;
        p.kind = PropertyModel::Class;
        // Abstract types and types with derived types are read through a factory.
        if (e->complexType->abstract || !e->complexType->derived.empty() || p.substitution)
            p.kind = PropertyModel::AbsClass;
    } else if (e->simpleType) {
        if (e->nillable) {
            p.cls = TextClassFor(e, cls->doc);
            p.kind = PropertyModel::Class;
        } else {
            p.value = ValueFor(e->simpleType, e->name.local, cls->doc);
            p.kind = p.value.enumeration ? PropertyModel::Enum : PropertyModel::Prim;
        }
        if (e->hasFixed)
            m_diag.Warning(e->pos, "the fixed value of the element " + Utf8(e->name.local) + " is not checked");
    } else {
        p.kind = PropertyModel::Untyped;
        p.any.namespaces = e->name.ns.empty() ? L"##local" : e->name.ns;
        p.any.targetNamespace = cls->xmlNs;
        p.xmlNs = p.any.namespaces;
    }
    if (p.substitution && p.collection && p.substitution->collectionName.empty())
        p.substitution->collectionName = L"C" + UniqueTypeName(p.substitution->factoryName.substr(1) + L"Col");
    if (p.cls && p.collection && !p.substitution && p.cls->collectionName.empty())
        p.cls->collectionName = L"C" + UniqueTypeName(p.cls->cppName.substr(1) + L"Col");
    AddProperty(cls, p);
}

SubstitutionModel* CClassMapper::SubstitutionFor(ElementDecl* head, const SchemaDocument* doc, const SourcePos& use) {
    auto it = m_substitutions.find(head);
    if (it != m_substitutions.end()) return it->second;
    if (!head->complexType) {
        m_diag.Error(use, "the substitution group of the element " + Utf8(head->name.local) +
                              " is not supported: its type is simple");
        return nullptr;
    }
    auto owned = std::make_unique<SubstitutionModel>();
    SubstitutionModel* model = owned.get();
    model->headName = head->name.local;
    model->doc = doc;
    model->headClass = ClassFor(head->complexType, doc);
    model->factoryName = L"C" + UniqueTypeName(Identifier(head->name.local, true) + L"Substitutes");
    // The head and every element that may stand for it, directly or through another member.
    std::vector<ElementDecl*> pending{head};
    std::set<const ElementDecl*> seen;
    while (!pending.empty()) {
        ElementDecl* e = pending.front();
        pending.erase(pending.begin());
        if (!seen.insert(e).second) continue;
        if (!e->complexType) {
            m_diag.Error(e->pos, "the element " + Utf8(e->name.local) +
                                     " of a substitution group has a simple type: not supported");
            return nullptr;
        }
        if (!e->abstract) model->members.push_back({e->name.local, e->name.ns, ClassFor(e->complexType, doc)});
        for (ElementDecl* s : m_schemas.SubstitutesOf(e)) pending.push_back(s);
    }
    m_substitutions[head] = model;
    m_out->substitutions.push_back(std::move(owned));
    return model;
}

ValueModel CClassMapper::ValueFor(const SimpleType* type, const std::wstring& owner, const SchemaDocument* doc) {
    ValueModel v;
    if (!type) return v;
    v.item = type->item;
    v.facets = type->facets;
    v.whitespace = type->facets.whitespace ? type->facets.whitespace : 1;
    if (!type->facets.enumerations.empty()) {
        auto it = m_enums.find(type);
        if (it == m_enums.end()) {
            auto owned = std::make_unique<EnumModel>();
            EnumModel* en = owned.get();
            en->cppName = UniqueTypeName(Identifier(type->name.Empty() ? owner : type->name.local, true));
            en->doc = doc;
            en->whitespace = v.whitespace;
            std::set<std::wstring> used;
            for (const std::wstring& value : type->facets.enumerations) {
                if (std::find(en->values.begin(), en->values.end(), value) != en->values.end()) continue;
                std::wstring id = Identifier(value, false);
                std::wstring e = en->cppName + L"_" + id;
                for (int n = 2; used.count(e); ++n) e = en->cppName + L"_" + id + std::to_wstring(n);
                used.insert(e);
                en->values.push_back(value);
                en->enumerators.push_back(e);
            }
            m_enums[type] = en;
            m_out->enums.push_back(std::move(owned));
            it = m_enums.find(type);
        }
        v.enumeration = it->second;
    }
    return v;
}

void CClassMapper::CheckDefault(const ValueModel& v, const std::wstring& text, const SourcePos& pos) {
    if (v.enumeration) {
        std::wstring t = v.whitespace == 3 ? NyXmlLib9::CWhitespaceUtils::Collapse(text) : text;
        if (std::find(v.enumeration->values.begin(), v.enumeration->values.end(), t) == v.enumeration->values.end())
            m_diag.Error(pos, "the default value " + Utf8(text) + " is not one of the enumeration's values");
        return;
    }
    try {
        NyXmlLib9::NyVariant value;
        value.FromString(text, v.item, static_cast<NyXmlLib9::CWhitespaceUtils::WhitespaceRule>(v.whitespace));
    } catch (const NyXmlLib9::CNyException& e) {
        m_diag.Error(pos, "the default value " + Utf8(text) + " is not valid: " + Utf8(e.GetFullMessage()));
    }
}

}  // namespace nyxml_compiler
