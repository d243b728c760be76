// Reading and resolving schema documents. Each file is loaded into a
// CXmlDocument; the line of every element is found by a scan of the start tags
// of the raw text (the tree keeps the elements in the same order).
#include "SchemaReader.h"

#include <nyxml/nyxml.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace nyxml_compiler {

using NyXmlLib9::CXmlDocument;
using NyXmlLib9::CXmlElement;
using NyXmlLib9::ItemType;

namespace {

const wchar_t kXsd[] = L"http://www.w3.org/2001/XMLSchema";
const wchar_t kXmlNs[] = L"http://www.w3.org/XML/1998/namespace";

// The line of each start tag of an XML text, in document order.
std::vector<int> StartTagLines(const std::string& b) {
    std::vector<int> lines;
    int line = 1;
    size_t i = 0, n = b.size();
    auto skipTo = [&](const char* end, size_t from) {
        size_t e = b.find(end, from);
        e = e == std::string::npos ? n : e + std::strlen(end);
        for (size_t k = i; k < e; ++k) line += b[k] == '\n';
        i = e;
    };
    while (i < n) {
        char c = b[i];
        if (c != '<') {
            line += c == '\n';
            ++i;
            continue;
        }
        if (b.compare(i, 4, "<!--") == 0) {
            skipTo("-->", i + 4);
        } else if (b.compare(i, 9, "<![CDATA[") == 0) {
            skipTo("]]>", i + 9);
        } else if (i + 1 < n && b[i + 1] == '?') {
            skipTo("?>", i + 2);
        } else if (i + 1 < n && b[i + 1] == '!') {
            size_t gt = b.find('>', i);
            size_t br = b.find('[', i);
            skipTo(br != std::string::npos && br < gt ? "]>" : ">", i + 2);
        } else {
            if (i + 1 < n && b[i + 1] != '/') lines.push_back(line);
            ++i;
        }
    }
    return lines;
}

bool IsXsd(const CXmlElement* el, const wchar_t* local) {
    return el->GetNamespaceURI() == kXsd && el->GetLocalName() == local;
}

const std::wstring& Attr(const CXmlElement* el, const wchar_t* name) { return el->GetAttribute(name, L""); }

bool HasAttr(const CXmlElement* el, const wchar_t* name) {
    for (const NyXmlLib9::CXmlAttribute* a : el->GetAttributes())
        if (a->GetLocalName() == name && a->GetNamespaceURI().empty()) return true;
    return false;
}

bool IsTrue(const std::wstring& v) {
    std::wstring t = NyXmlLib9::CWhitespaceUtils::Collapse(v.c_str());
    return t == L"true" || t == L"1";
}

std::wstring Trim(const std::wstring& v) { return NyXmlLib9::CWhitespaceUtils::Collapse(v.c_str()); }

struct BuiltinRow {
    const wchar_t* name;
    ItemType item;
    int whitespace;
    const wchar_t* minInclusive;
    const wchar_t* maxInclusive;
    bool list;
};

const BuiltinRow kBuiltins[] = {
    {L"string", NyXmlLib9::ItemType_string, 1, nullptr, nullptr, false},
    {L"normalizedString", NyXmlLib9::ItemType_string, 2, nullptr, nullptr, false},
    {L"token", NyXmlLib9::ItemType_string, 3, nullptr, nullptr, false},
    {L"language", NyXmlLib9::ItemType_string, 3, nullptr, nullptr, false},
    {L"Name", NyXmlLib9::ItemType_string, 3, nullptr, nullptr, false},
    {L"NCName", NyXmlLib9::ItemType_string, 3, nullptr, nullptr, false},
    {L"ID", NyXmlLib9::ItemType_string, 3, nullptr, nullptr, false},
    {L"IDREF", NyXmlLib9::ItemType_string, 3, nullptr, nullptr, false},
    {L"ENTITY", NyXmlLib9::ItemType_string, 3, nullptr, nullptr, false},
    {L"NMTOKEN", NyXmlLib9::ItemType_string, 3, nullptr, nullptr, false},
    {L"anyURI", NyXmlLib9::ItemType_string, 3, nullptr, nullptr, false},
    {L"QName", NyXmlLib9::ItemType_string, 3, nullptr, nullptr, false},
    {L"NOTATION", NyXmlLib9::ItemType_string, 3, nullptr, nullptr, false},
    {L"IDREFS", NyXmlLib9::ItemType_string, 3, nullptr, nullptr, true},
    {L"ENTITIES", NyXmlLib9::ItemType_string, 3, nullptr, nullptr, true},
    {L"NMTOKENS", NyXmlLib9::ItemType_string, 3, nullptr, nullptr, true},
    {L"anySimpleType", NyXmlLib9::ItemType_string, 1, nullptr, nullptr, false},
    {L"boolean", NyXmlLib9::ItemType_boolean, 3, nullptr, nullptr, false},
    {L"decimal", NyXmlLib9::ItemType_decimal, 3, nullptr, nullptr, false},
    {L"integer", NyXmlLib9::ItemType_integer, 3, nullptr, nullptr, false},
    {L"nonPositiveInteger", NyXmlLib9::ItemType_integer, 3, nullptr, L"0", false},
    {L"negativeInteger", NyXmlLib9::ItemType_integer, 3, nullptr, L"-1", false},
    {L"nonNegativeInteger", NyXmlLib9::ItemType_integer, 3, L"0", nullptr, false},
    {L"positiveInteger", NyXmlLib9::ItemType_integer, 3, L"1", nullptr, false},
    {L"long", NyXmlLib9::ItemType_i8, 3, nullptr, nullptr, false},
    {L"int", NyXmlLib9::ItemType_i4, 3, nullptr, nullptr, false},
    {L"short", NyXmlLib9::ItemType_i2, 3, nullptr, nullptr, false},
    {L"byte", NyXmlLib9::ItemType_i1, 3, nullptr, nullptr, false},
    {L"unsignedLong", NyXmlLib9::ItemType_ui8, 3, nullptr, nullptr, false},
    {L"unsignedInt", NyXmlLib9::ItemType_ui4, 3, nullptr, nullptr, false},
    {L"unsignedShort", NyXmlLib9::ItemType_ui2, 3, nullptr, nullptr, false},
    {L"unsignedByte", NyXmlLib9::ItemType_ui1, 3, nullptr, nullptr, false},
    {L"float", NyXmlLib9::ItemType_r4, 3, nullptr, nullptr, false},
    {L"double", NyXmlLib9::ItemType_r8, 3, nullptr, nullptr, false},
    {L"duration", NyXmlLib9::ItemType_duration, 3, nullptr, nullptr, false},
    {L"dateTime", NyXmlLib9::ItemType_datetime, 3, nullptr, nullptr, false},
    {L"time", NyXmlLib9::ItemType_time, 3, nullptr, nullptr, false},
    {L"date", NyXmlLib9::ItemType_date, 3, nullptr, nullptr, false},
    {L"gYearMonth", NyXmlLib9::ItemType_yearMonth, 3, nullptr, nullptr, false},
    {L"gYear", NyXmlLib9::ItemType_year, 3, nullptr, nullptr, false},
    {L"gMonthDay", NyXmlLib9::ItemType_monthDay, 3, nullptr, nullptr, false},
    {L"gDay", NyXmlLib9::ItemType_day, 3, nullptr, nullptr, false},
    {L"gMonth", NyXmlLib9::ItemType_month, 3, nullptr, nullptr, false},
    {L"hexBinary", NyXmlLib9::ItemType_hexBinary, 3, nullptr, nullptr, false},
    {L"base64Binary", NyXmlLib9::ItemType_base64Binary, 3, nullptr, nullptr, false},
};

int ParseCount(const std::wstring& v) {
    std::wstring t = Trim(v);
    if (t == L"unbounded") return kUnbounded;
    if (t.empty() || t.size() > 9) return t.empty() ? 1 : 1000000000;
    for (wchar_t c : t)
        if (c < L'0' || c > L'9') return -2;
    return std::stoi(t);
}

}  // namespace

struct CSchemaSet::Doc {
    SchemaDocument info;
    std::unique_ptr<CXmlDocument> tree;
    std::map<const CXmlElement*, int> lines;
    bool chameleon = false;
};

CSchemaSet::CSchemaSet(CDiagnostics& diagnostics) : m_diag(diagnostics) {}
CSchemaSet::~CSchemaSet() = default;

SourcePos CSchemaSet::Pos(const CXmlElement* el, const Doc* doc) const {
    SourcePos p;
    p.file = doc->info.path;
    auto it = doc->lines.find(el);
    if (it != doc->lines.end()) p.line = it->second;
    return p;
}

void CSchemaSet::Load(const std::string& path) {
    ReadDocument(path, nullptr, SourcePos());
    ResolveAll();
}

CSchemaSet::Doc* CSchemaSet::ReadDocument(const std::string& path, const std::wstring* chameleonNs,
                                          const SourcePos& from) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path canonical = fs::weakly_canonical(fs::path(path), ec);
    std::string key = ec ? path : canonical.string();
    auto known = m_byPath.find(key);
    if (known != m_byPath.end()) return known->second;

    std::ifstream in(path, std::ios::binary);
    if (!in) {
        SourcePos at = from;
        if (at.file.empty()) at.file = path;
        throw CSchemaFatal{Diagnostic{true, at, "cannot read the schema file " + path + ": " + std::strerror(errno)}};
    }
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());

    auto doc = std::make_unique<Doc>();
    Doc* d = doc.get();
    d->info.path = fs::path(path).lexically_normal().string();
    d->tree = std::make_unique<CXmlDocument>();
    try {
        std::string copy = bytes;
        d->tree->LoadXmlStream(reinterpret_cast<unsigned char*>(&copy[0]), static_cast<uint32_t>(copy.size()));
    } catch (const NyXmlLib9::CNyException& e) {
        throw CSchemaFatal{Diagnostic{true, SourcePos{d->info.path, 0}, "not a readable XML document: " +
                                                                         Utf8(e.GetFullMessage())}};
    }
    std::vector<int> lines = StartTagLines(bytes);
    size_t index = 0;
    std::vector<const CXmlElement*> stack;
    if (d->tree->GetDocumentElement()) stack.push_back(d->tree->GetDocumentElement());
    while (!stack.empty()) {
        const CXmlElement* el = stack.back();
        stack.pop_back();
        if (index < lines.size()) d->lines[el] = lines[index++];
        std::vector<const CXmlElement*> children;
        for (const CXmlElement* c = el->GetFirstElement(); c; c = c->GetNextSiblingElement()) children.push_back(c);
        for (auto it = children.rbegin(); it != children.rend(); ++it) stack.push_back(*it);
    }
    const CXmlElement* root = d->tree->GetDocumentElement();
    if (!root || !IsXsd(root, L"schema"))
        throw CSchemaFatal{Diagnostic{true, SourcePos{d->info.path, 1}, "the document element is not xs:schema"}};
    d->info.targetNamespace = Trim(Attr(root, L"targetNamespace"));
    if (!HasAttr(root, L"targetNamespace") && chameleonNs) {
        d->info.targetNamespace = *chameleonNs;
        d->chameleon = !chameleonNs->empty();
    }
    d->info.elementQualified = Trim(Attr(root, L"elementFormDefault")) == L"qualified";
    d->info.attributeQualified = Trim(Attr(root, L"attributeFormDefault")) == L"qualified";
    m_byPath[key] = d;
    m_docs.push_back(std::move(doc));
    m_documents.push_back(&d->info);
    Collect(d);
    return d;
}

void CSchemaSet::Collect(Doc* doc) {
    const CXmlElement* root = doc->tree->GetDocumentElement();
    std::string dir = std::filesystem::path(doc->info.path).parent_path().string();
    auto located = [&](const std::wstring& location) {
        std::string loc = Utf8(Trim(location));
        if (loc.empty() || loc[0] == '/' || dir.empty()) return loc;
        return dir + "/" + loc;
    };
    for (const CXmlElement* c = root->GetFirstElement(); c; c = c->GetNextSiblingElement()) {
        if (c->GetNamespaceURI() != kXsd) continue;
        const std::wstring& kind = c->GetLocalName();
        std::wstring name = Trim(Attr(c, L"name"));
        QName q{doc->info.targetNamespace, name};
        auto add = [&](std::map<QName, Def>& defs, std::vector<QName>* order, const char* what) {
            if (name.empty()) {
                m_diag.Error(Pos(c, doc), std::string("a global ") + what + " has no name");
                return;
            }
            auto it = defs.find(q);
            if (it != defs.end()) {
                if (it->second.el != c)
                    m_diag.Error(Pos(c, doc), std::string("the ") + what + " " + Utf8(name) +
                                                  " is declared twice (first at line " +
                                                  std::to_string(Pos(it->second.el, it->second.doc).line) + ")");
                return;
            }
            defs[q] = Def{c, doc};
            if (order) order->push_back(q);
        };
        if (kind == L"include") {
            ReadDocument(located(Attr(c, L"schemaLocation")), &doc->info.targetNamespace, Pos(c, doc));
        } else if (kind == L"import") {
            std::wstring ns = Trim(Attr(c, L"namespace"));
            std::wstring location = Trim(Attr(c, L"schemaLocation"));
            if (location.empty()) {
                if (ns != kXmlNs)
                    m_diag.Warning(Pos(c, doc), "the import of " + Utf8(ns) +
                                                    " names no schemaLocation: its components are unknown");
                continue;
            }
            Doc* imported = ReadDocument(located(location), nullptr, Pos(c, doc));
            if (imported->info.targetNamespace != ns)
                m_diag.Error(Pos(c, doc), "the imported schema " + imported->info.path + " has the target namespace [" +
                                              Utf8(imported->info.targetNamespace) + "], not [" + Utf8(ns) + "]");
        } else if (kind == L"redefine" || kind == L"override") {
            m_diag.Error(Pos(c, doc), "xs:" + Utf8(kind) + " is not supported");
        } else if (kind == L"element") {
            add(m_elementDefs, &m_elementOrder, "element");
        } else if (kind == L"complexType") {
            add(m_complexDefs, &m_complexOrderNames, "complex type");
        } else if (kind == L"simpleType") {
            add(m_simpleDefs, &m_simpleOrderNames, "simple type");
        } else if (kind == L"group") {
            add(m_groupDefs, nullptr, "group");
        } else if (kind == L"attributeGroup") {
            add(m_attrGroupDefs, nullptr, "attribute group");
        } else if (kind == L"attribute") {
            add(m_attributeDefs, nullptr, "attribute");
        } else if (kind != L"annotation" && kind != L"notation") {
            m_diag.Error(Pos(c, doc), "xs:" + Utf8(kind) + " is not supported at the top level of a schema");
        }
    }
}

void CSchemaSet::ResolveAll() {
    for (const QName& q : m_simpleOrderNames) NamedSimpleType(q, SourcePos());
    for (const QName& q : m_complexOrderNames) NamedComplexType(q);
    for (const QName& q : m_elementOrder) {
        ElementDecl* e = GlobalElement(q, SourcePos());
        if (!e) continue;
        const Def& def = m_elementDefs[q];
        m_globalElements.emplace_back(e, &def.doc->info);
    }
}

std::vector<ElementDecl*> CSchemaSet::SubstitutesOf(const ElementDecl* head) const {
    std::vector<ElementDecl*> out;
    for (const auto& g : m_globalElements)
        if (!g.first->substitutionGroup.Empty() && g.first->substitutionGroup == head->name) out.push_back(g.first);
    return out;
}

QName CSchemaSet::Resolve(const std::wstring& value, const CXmlElement* el, Doc* doc) {
    std::wstring v = Trim(value);
    QName q;
    size_t colon = v.find(L':');
    std::wstring prefix = colon == std::wstring::npos ? L"" : v.substr(0, colon);
    q.local = colon == std::wstring::npos ? v : v.substr(colon + 1);
    if (prefix == L"xml") {
        q.ns = kXmlNs;
        return q;
    }
    q.ns = doc->tree->LookupNamespaceFromAlias(prefix.c_str());
    if (!prefix.empty() && q.ns.empty())
        m_diag.Error(Pos(el, doc), "the prefix " + Utf8(prefix) + " of " + Utf8(v) + " is not declared");
    if (q.ns.empty() && doc->chameleon) q.ns = doc->info.targetNamespace;
    return q;
}

SimpleType* CSchemaSet::Builtin(const std::wstring& local) {
    auto it = m_builtins.find(local);
    if (it != m_builtins.end()) return it->second;
    for (const BuiltinRow& row : kBuiltins) {
        if (local != row.name) continue;
        auto st = std::make_unique<SimpleType>();
        st->name = QName{kXsd, local};
        st->builtin = true;
        st->item = row.item;
        st->facets.whitespace = row.whitespace;
        if (row.minInclusive) st->facets.minInclusive = row.minInclusive;
        if (row.maxInclusive) st->facets.maxInclusive = row.maxInclusive;
        // A language tag (RFC 3066), the pattern the XSD datatypes give it.
        if (local == L"language") st->facets.patterns = {L"[a-zA-Z]{1,8}(-[a-zA-Z0-9]{1,8})*"};
        st->variety = row.list ? SimpleType::List : SimpleType::Atomic;
        st->anySimple = local == L"anySimpleType";
        SimpleType* p = st.get();
        m_simpleTypes.push_back(std::move(st));
        m_builtins[local] = p;
        return p;
    }
    return nullptr;
}

SimpleType* CSchemaSet::NamedSimpleType(const QName& name, const SourcePos& from) {
    if (name.ns == kXsd) {
        SimpleType* b = Builtin(name.local);
        if (!b) m_diag.Error(from, "xs:" + Utf8(name.local) + " is not a built-in simple type");
        return b;
    }
    auto it = m_simpleDefs.find(name);
    if (it == m_simpleDefs.end()) {
        m_diag.Error(from, "the simple type {" + Utf8(name.ns) + "}" + Utf8(name.local) + " is not declared");
        return nullptr;
    }
    return ParseSimpleType(it->second.el, it->second.doc, name);
}

ComplexType* CSchemaSet::NamedComplexType(const QName& name) {
    auto it = m_complexDefs.find(name);
    if (it == m_complexDefs.end()) return nullptr;
    return ParseComplexType(it->second.el, it->second.doc, name);
}

ElementDecl* CSchemaSet::GlobalElement(const QName& name, const SourcePos& from) {
    auto it = m_elementDefs.find(name);
    if (it == m_elementDefs.end()) {
        m_diag.Error(from, "the element {" + Utf8(name.ns) + "}" + Utf8(name.local) + " is not declared");
        return nullptr;
    }
    return ParseElement(it->second.el, it->second.doc, true);
}

ElementDecl* CSchemaSet::ParseElement(const CXmlElement* el, Doc* doc, bool global) {
    auto memo = m_elementMemo.find(el);
    if (memo != m_elementMemo.end()) return memo->second;
    auto owned = std::make_unique<ElementDecl>();
    ElementDecl* e = owned.get();
    m_elements.push_back(std::move(owned));
    m_elementMemo[el] = e;
    e->pos = Pos(el, doc);
    e->global = global;
    e->name.local = Trim(Attr(el, L"name"));
    if (e->name.local.empty()) m_diag.Error(e->pos, "an element declaration has no name");
    std::wstring form = Trim(Attr(el, L"form"));
    bool qualified = global || (form.empty() ? doc->info.elementQualified : form == L"qualified");
    if (qualified) e->name.ns = doc->info.targetNamespace;
    e->nillable = IsTrue(Attr(el, L"nillable"));
    e->abstract = IsTrue(Attr(el, L"abstract"));
    if (HasAttr(el, L"default")) {
        e->hasDefault = true;
        e->defaultValue = Attr(el, L"default");
    }
    if (HasAttr(el, L"fixed")) {
        e->hasFixed = true;
        e->defaultValue = Attr(el, L"fixed");
    }
    if (HasAttr(el, L"substitutionGroup")) e->substitutionGroup = Resolve(Attr(el, L"substitutionGroup"), el, doc);
    if (HasAttr(el, L"type")) {
        QName t = Resolve(Attr(el, L"type"), el, doc);
        if (t.ns == kXsd && t.local == L"anyType") {
        } else if (t.ns == kXsd) {
            e->simpleType = NamedSimpleType(t, e->pos);
        } else if (m_complexDefs.count(t)) {
            e->complexType = NamedComplexType(t);
        } else if (m_simpleDefs.count(t)) {
            e->simpleType = NamedSimpleType(t, e->pos);
        } else {
            m_diag.Error(e->pos, "the type {" + Utf8(t.ns) + "}" + Utf8(t.local) + " of the element " +
                                     Utf8(e->name.local) + " is not declared");
        }
    }
    for (const CXmlElement* c = el->GetFirstElement(); c; c = c->GetNextSiblingElement()) {
        if (IsXsd(c, L"complexType")) {
            e->anonymousType = true;
            ComplexType* ct = ParseComplexType(c, doc, QName());
            ct->hintName = e->name.local;
            e->complexType = ct;
        } else if (IsXsd(c, L"simpleType")) {
            e->anonymousType = true;
            e->simpleType = ParseSimpleType(c, doc, QName());
        } else if (IsXsd(c, L"unique") || IsXsd(c, L"key") || IsXsd(c, L"keyref")) {
            m_diag.Warning(Pos(c, doc), "identity constraints (xs:" + Utf8(c->GetLocalName()) + ") are not checked");
        } else if (!IsXsd(c, L"annotation")) {
            m_diag.Error(Pos(c, doc), "xs:" + Utf8(c->GetLocalName()) + " is not supported in an element declaration");
        }
    }
    if (!e->simpleType && !e->complexType && !HasAttr(el, L"type") && !e->substitutionGroup.Empty()) {
        if (ElementDecl* head = GlobalElement(e->substitutionGroup, e->pos)) {
            e->simpleType = head->simpleType;
            e->complexType = head->complexType;
        }
    }
    return e;
}

void CSchemaSet::ParseOccurs(const CXmlElement* el, Doc* doc, Particle& p) {
    if (HasAttr(el, L"minOccurs")) p.minOccurs = ParseCount(Attr(el, L"minOccurs"));
    if (HasAttr(el, L"maxOccurs")) p.maxOccurs = ParseCount(Attr(el, L"maxOccurs"));
    if (p.minOccurs < 0 || p.maxOccurs < -1 || (p.maxOccurs >= 0 && p.maxOccurs < p.minOccurs)) {
        m_diag.Error(Pos(el, doc), "minOccurs/maxOccurs are not valid");
        p.minOccurs = p.maxOccurs = 1;
    }
}

bool CSchemaSet::ParseParticle(const CXmlElement* el, Doc* doc, Particle& p) {
    p.pos = Pos(el, doc);
    if (IsXsd(el, L"element")) {
        ParseOccurs(el, doc, p);
        p.kind = Particle::Element;
        if (HasAttr(el, L"ref"))
            p.element = GlobalElement(Resolve(Attr(el, L"ref"), el, doc), p.pos);
        else
            p.element = ParseElement(el, doc, false);
        return p.element != nullptr;
    }
    if (IsXsd(el, L"group")) {
        ParseOccurs(el, doc, p);
        QName q = Resolve(Attr(el, L"ref"), el, doc);
        auto it = m_groupDefs.find(q);
        if (it == m_groupDefs.end()) {
            m_diag.Error(p.pos, "the group " + Utf8(q.local) + " is not declared");
            return false;
        }
        p.kind = Particle::Group;
        p.groupName = q.local;
        for (const CXmlElement* c = it->second.el->GetFirstElement(); c; c = c->GetNextSiblingElement())
            if (IsXsd(c, L"sequence") || IsXsd(c, L"choice") || IsXsd(c, L"all")) p.group = ParseGroup(c, it->second.doc);
        return p.group != nullptr;
    }
    if (IsXsd(el, L"sequence") || IsXsd(el, L"choice") || IsXsd(el, L"all")) {
        ParseOccurs(el, doc, p);
        p.kind = Particle::Group;
        p.group = ParseGroup(el, doc);
        return true;
    }
    if (IsXsd(el, L"any")) {
        ParseOccurs(el, doc, p);
        p.kind = Particle::Any;
        if (HasAttr(el, L"namespace")) p.any.namespaces = Trim(Attr(el, L"namespace"));
        p.any.targetNamespace = doc->info.targetNamespace;
        return true;
    }
    return false;
}

ModelGroup* CSchemaSet::ParseGroup(const CXmlElement* el, Doc* doc) {
    auto memo = m_groupMemo.find(el);
    if (memo != m_groupMemo.end()) return memo->second;
    auto owned = std::make_unique<ModelGroup>();
    ModelGroup* g = owned.get();
    m_groups.push_back(std::move(owned));
    m_groupMemo[el] = g;
    g->pos = Pos(el, doc);
    g->kind = IsXsd(el, L"choice") ? ModelGroup::Choice : IsXsd(el, L"all") ? ModelGroup::All : ModelGroup::Sequence;
    for (const CXmlElement* c = el->GetFirstElement(); c; c = c->GetNextSiblingElement()) {
        if (IsXsd(c, L"annotation")) continue;
        Particle p;
        if (ParseParticle(c, doc, p))
            g->particles.push_back(p);
        else if (!IsXsd(c, L"element") && !IsXsd(c, L"group"))
            m_diag.Error(Pos(c, doc), "xs:" + Utf8(c->GetLocalName()) + " is not supported in a model group");
    }
    return g;
}

AttributeDecl CSchemaSet::ParseAttribute(const CXmlElement* el, Doc* doc, bool global) {
    AttributeDecl a;
    a.pos = Pos(el, doc);
    if (HasAttr(el, L"ref")) {
        QName q = Resolve(Attr(el, L"ref"), el, doc);
        if (q.ns == kXmlNs && !m_attributeDefs.count(q)) {
            // The XML namespace's attributes need no imported schema.
            a.name = q;
            a.type = Builtin(q.local == L"lang" ? L"language" : q.local == L"space" ? L"NCName" : L"string");
        } else {
            auto it = m_attributeDefs.find(q);
            if (it == m_attributeDefs.end())
                m_diag.Error(a.pos, "the attribute " + Utf8(q.local) + " is not declared");
            else
                a = ParseAttribute(it->second.el, it->second.doc, true);
            a.pos = Pos(el, doc);
        }
    } else {
        a.name.local = Trim(Attr(el, L"name"));
        std::wstring form = Trim(Attr(el, L"form"));
        bool qualified = global || (form.empty() ? doc->info.attributeQualified : form == L"qualified");
        if (qualified) a.name.ns = doc->info.targetNamespace;
        if (HasAttr(el, L"type")) {
            QName t = Resolve(Attr(el, L"type"), el, doc);
            if (t.ns != kXsd && m_complexDefs.count(t))
                m_diag.Error(a.pos, "the attribute " + Utf8(a.name.local) + " has a complex type");
            else
                a.type = NamedSimpleType(t, a.pos);
        }
        for (const CXmlElement* c = el->GetFirstElement(); c; c = c->GetNextSiblingElement())
            if (IsXsd(c, L"simpleType")) a.type = ParseSimpleType(c, doc, QName());
        if (!a.type) a.type = Builtin(L"anySimpleType");
    }
    std::wstring use = Trim(Attr(el, L"use"));
    if (!use.empty()) {
        a.required = use == L"required";
        a.prohibited = use == L"prohibited";
    }
    if (HasAttr(el, L"default")) {
        a.hasDefault = true;
        a.hasFixed = false;
        a.defaultValue = Attr(el, L"default");
    }
    if (HasAttr(el, L"fixed")) {
        a.hasFixed = true;
        a.hasDefault = false;
        a.defaultValue = Attr(el, L"fixed");
    }
    return a;
}

void CSchemaSet::ParseAttributes(const CXmlElement* parent, Doc* doc, ComplexType* type, int depth) {
    if (depth > 32) {
        m_diag.Error(Pos(parent, doc), "attribute groups refer to each other in a cycle");
        return;
    }
    for (const CXmlElement* c = parent->GetFirstElement(); c; c = c->GetNextSiblingElement()) {
        if (IsXsd(c, L"attribute")) {
            AttributeDecl a = ParseAttribute(c, doc, false);
            bool replaced = false;
            for (AttributeDecl& old : type->attributes)
                if (old.name == a.name) {
                    old = a;
                    replaced = true;
                }
            if (!replaced) type->attributes.push_back(a);
        } else if (IsXsd(c, L"attributeGroup")) {
            QName q = Resolve(Attr(c, L"ref"), c, doc);
            auto it = m_attrGroupDefs.find(q);
            if (it == m_attrGroupDefs.end())
                m_diag.Error(Pos(c, doc), "the attribute group " + Utf8(q.local) + " is not declared");
            else
                ParseAttributes(it->second.el, it->second.doc, type, depth + 1);
        } else if (IsXsd(c, L"anyAttribute")) {
            type->hasAnyAttribute = true;
            if (HasAttr(c, L"namespace")) type->anyAttribute.namespaces = Trim(Attr(c, L"namespace"));
            type->anyAttribute.targetNamespace = doc->info.targetNamespace;
        }
    }
}

void CSchemaSet::ParseComplexContent(const CXmlElement* cc, Doc* doc, ComplexType* type) {
    if (HasAttr(cc, L"mixed")) type->mixed = IsTrue(Attr(cc, L"mixed"));
    for (const CXmlElement* d = cc->GetFirstElement(); d; d = d->GetNextSiblingElement()) {
        bool ext = IsXsd(d, L"extension");
        if (!ext && !IsXsd(d, L"restriction")) continue;
        QName base = Resolve(Attr(d, L"base"), d, doc);
        if (!(base.ns == kXsd && base.local == L"anyType")) {
            ComplexType* b = NamedComplexType(base);
            if (!b) {
                m_diag.Error(Pos(d, doc), "the base type " + Utf8(base.local) + " is not a declared complex type");
            } else if (b->resolving) {
                m_diag.Error(Pos(d, doc), "the type " + Utf8(base.local) + " derives from itself");
            } else {
                type->base = b;
                type->derivation = ext ? ComplexType::Extension : ComplexType::Restriction;
                type->simpleContent = b->simpleContent;
                b->derived.push_back(type);
            }
        }
        for (const CXmlElement* c = d->GetFirstElement(); c; c = c->GetNextSiblingElement()) {
            Particle p;
            if (!IsXsd(c, L"element") && !IsXsd(c, L"any") && ParseParticle(c, doc, p)) {
                type->content = p;
                type->hasContent = true;
            }
        }
        ParseAttributes(d, doc, type, 0);
    }
}

void CSchemaSet::ParseSimpleContent(const CXmlElement* sc, Doc* doc, ComplexType* type) {
    for (const CXmlElement* d = sc->GetFirstElement(); d; d = d->GetNextSiblingElement()) {
        bool ext = IsXsd(d, L"extension");
        if (!ext && !IsXsd(d, L"restriction")) continue;
        QName base = Resolve(Attr(d, L"base"), d, doc);
        if (base.ns != kXsd && m_complexDefs.count(base)) {
            ComplexType* b = NamedComplexType(base);
            if (!b || b->resolving || !b->simpleContent) {
                m_diag.Error(Pos(d, doc), "the base type " + Utf8(base.local) + " has no simple content");
                continue;
            }
            type->base = b;
            type->derivation = ext ? ComplexType::Extension : ComplexType::Restriction;
            b->derived.push_back(type);
            type->simpleContent = b->simpleContent;
        } else {
            type->simpleContent = NamedSimpleType(base, Pos(d, doc));
        }
        if (!ext && type->simpleContent) {
            auto st = std::make_unique<SimpleType>(*type->simpleContent);
            st->name = QName();
            st->builtin = false;
            st->pos = Pos(d, doc);
            type->simpleContent = st.get();
            m_simpleTypes.push_back(std::move(st));
            for (const CXmlElement* c = d->GetFirstElement(); c; c = c->GetNextSiblingElement())
                if (IsXsd(c, L"simpleType")) {
                    SimpleType* inner = ParseSimpleType(c, doc, QName());
                    if (inner) *type->simpleContent = *inner;
                }
            ParseRestrictionFacets(d, doc, type->simpleContent);
        }
        ParseAttributes(d, doc, type, 0);
    }
}

ComplexType* CSchemaSet::ParseComplexType(const CXmlElement* el, Doc* doc, const QName& name) {
    auto memo = m_complexMemo.find(el);
    if (memo != m_complexMemo.end()) return memo->second;
    auto owned = std::make_unique<ComplexType>();
    ComplexType* t = owned.get();
    m_complexTypes.push_back(std::move(owned));
    m_complexMemo[el] = t;
    m_complexOrder.emplace_back(t, &doc->info);
    t->name = name;
    t->pos = Pos(el, doc);
    t->targetNamespace = doc->info.targetNamespace;
    t->abstract = IsTrue(Attr(el, L"abstract"));
    t->mixed = IsTrue(Attr(el, L"mixed"));
    t->resolving = true;
    for (const CXmlElement* c = el->GetFirstElement(); c; c = c->GetNextSiblingElement()) {
        if (IsXsd(c, L"annotation") || IsXsd(c, L"attribute") || IsXsd(c, L"attributeGroup") ||
            IsXsd(c, L"anyAttribute"))
            continue;
        if (IsXsd(c, L"complexContent")) {
            ParseComplexContent(c, doc, t);
        } else if (IsXsd(c, L"simpleContent")) {
            ParseSimpleContent(c, doc, t);
        } else {
            Particle p;
            if (!IsXsd(c, L"element") && !IsXsd(c, L"any") && ParseParticle(c, doc, p)) {
                t->content = p;
                t->hasContent = true;
            } else {
                m_diag.Error(Pos(c, doc), "xs:" + Utf8(c->GetLocalName()) + " is not supported in a complex type");
            }
        }
    }
    ParseAttributes(el, doc, t, 0);
    t->resolving = false;
    t->resolved = true;
    return t;
}

SimpleType* CSchemaSet::ParseSimpleType(const CXmlElement* el, Doc* doc, const QName& name) {
    auto memo = m_simpleMemo.find(el);
    if (memo != m_simpleMemo.end()) return memo->second;
    auto owned = std::make_unique<SimpleType>();
    SimpleType* t = owned.get();
    m_simpleTypes.push_back(std::move(owned));
    m_simpleMemo[el] = t;
    t->name = name;
    t->pos = Pos(el, doc);
    for (const CXmlElement* c = el->GetFirstElement(); c; c = c->GetNextSiblingElement()) {
        if (IsXsd(c, L"restriction")) {
            SimpleType* base = nullptr;
            if (HasAttr(c, L"base")) base = NamedSimpleType(Resolve(Attr(c, L"base"), c, doc), Pos(c, doc));
            for (const CXmlElement* s = c->GetFirstElement(); s; s = s->GetNextSiblingElement())
                if (IsXsd(s, L"simpleType")) base = ParseSimpleType(s, doc, QName());
            if (base) {
                t->variety = base->variety;
                t->item = base->item;
                t->facets = base->facets;
                t->anySimple = base->anySimple;
            }
            ParseRestrictionFacets(c, doc, t);
        } else if (IsXsd(c, L"list")) {
            SimpleType* item = nullptr;
            if (HasAttr(c, L"itemType")) item = NamedSimpleType(Resolve(Attr(c, L"itemType"), c, doc), Pos(c, doc));
            for (const CXmlElement* s = c->GetFirstElement(); s; s = s->GetNextSiblingElement())
                if (IsXsd(s, L"simpleType")) item = ParseSimpleType(s, doc, QName());
            if (item && (item->item != NyXmlLib9::ItemType_string || !item->facets.enumerations.empty() ||
                         !item->facets.patterns.empty()))
                m_diag.Warning(t->pos, "the list is kept as text: its items are not checked");
            t->variety = SimpleType::List;
            t->item = NyXmlLib9::ItemType_string;
            t->facets = Facets();
            t->facets.whitespace = 3;
        } else if (IsXsd(c, L"union")) {
            t->variety = SimpleType::Union;
            t->item = NyXmlLib9::ItemType_string;
            t->facets = Facets();
            int ws = 3;
            std::wstring members = Trim(Attr(c, L"memberTypes"));
            size_t start = 0;
            while (start < members.size()) {
                size_t end = members.find(L' ', start);
                if (end == std::wstring::npos) end = members.size();
                SimpleType* m = NamedSimpleType(Resolve(members.substr(start, end - start), c, doc), Pos(c, doc));
                if (m && m->facets.whitespace != 3) ws = 1;
                start = end + 1;
            }
            for (const CXmlElement* s = c->GetFirstElement(); s; s = s->GetNextSiblingElement())
                if (IsXsd(s, L"simpleType")) {
                    SimpleType* m = ParseSimpleType(s, doc, QName());
                    if (m && m->facets.whitespace != 3) ws = 1;
                }
            t->facets.whitespace = ws;
            m_diag.Warning(t->pos, "the union is kept as text: its member types are not checked");
        }
    }
    return t;
}

void CSchemaSet::ParseRestrictionFacets(const CXmlElement* r, Doc* doc, SimpleType* t) {
    std::vector<std::wstring> patterns, enumerations;
    for (const CXmlElement* c = r->GetFirstElement(); c; c = c->GetNextSiblingElement()) {
        if (c->GetNamespaceURI() != kXsd) continue;
        const std::wstring& f = c->GetLocalName();
        const std::wstring& v = Attr(c, L"value");
        auto count = [&]() {
            int n = ParseCount(v);
            if (n < 0) m_diag.Error(Pos(c, doc), "the facet " + Utf8(f) + " has no valid count");
            return n < 0 ? -1 : n;
        };
        bool lengthFacet = f == L"length" || f == L"minLength" || f == L"maxLength";
        if (lengthFacet && t->variety == SimpleType::List) {
            m_diag.Warning(Pos(c, doc), "the facet " + Utf8(f) + " of a list type is not checked");
            continue;
        }
        if (f == L"pattern") patterns.push_back(v);
        else if (f == L"enumeration") enumerations.push_back(v);
        else if (f == L"length") t->facets.length = count();
        else if (f == L"minLength") t->facets.minLength = count();
        else if (f == L"maxLength") t->facets.maxLength = count();
        else if (f == L"minInclusive") t->facets.minInclusive = Trim(v);
        else if (f == L"maxInclusive") t->facets.maxInclusive = Trim(v);
        else if (f == L"minExclusive") t->facets.minExclusive = Trim(v);
        else if (f == L"maxExclusive") t->facets.maxExclusive = Trim(v);
        else if (f == L"whiteSpace") {
            std::wstring w = Trim(v);
            t->facets.whitespace = w == L"preserve" ? 1 : w == L"replace" ? 2 : 3;
        } else if (f == L"totalDigits" || f == L"fractionDigits")
            m_diag.Warning(Pos(c, doc), "the facet " + Utf8(f) + " is not checked");
    }
    if (!patterns.empty()) {
        if (!t->facets.patterns.empty())
            m_diag.Warning(Pos(r, doc), "only the most derived pattern is checked; the base type's is not");
        t->facets.patterns = patterns;
    }
    if (!enumerations.empty()) t->facets.enumerations = enumerations;
}

}  // namespace nyxml_compiler
