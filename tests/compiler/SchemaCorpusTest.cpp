// The classes generated for every schema of tests/schemas read each instance
// document of the corpus: they accept exactly the documents xmllint accepts
// (its verdicts are in tests/data/schema-verdicts.txt), and write the valid
// ones back to the same infoset.
#include "CorpusRows.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

using namespace NyXmlLib9;

namespace {

const wchar_t kXsi[] = L"http://www.w3.org/2001/XMLSchema-instance";

// A canonical form of an element: names with their namespace, attributes in
// order, text with collapsed white space (the white space binding drops by
// design), children in order.
// `original` is the element this one was written from, when it is: an
// xsi:type the original lacks is left out, as the library writes it for
// every object of a derived class.
std::wstring Canonical(const CXmlElement* e, bool sortChildren, const CXmlElement* original = nullptr) {
    std::wstring out = L"<{" + e->GetNamespaceURI() + L"}" + e->GetLocalName();
    std::vector<std::tuple<std::wstring, std::wstring, std::wstring>> attributes;
    for (const CXmlAttribute* a : e->GetAttributes()) {
        if (a->GetNamespaceURI() == kXsi && a->GetLocalName() != L"nil" && a->GetLocalName() != L"type") continue;
        if (original && a->GetNamespaceURI() == kXsi && a->GetLocalName() == L"type" &&
            original->GetAttribute(L"type", kXsi).empty())
            continue;
        std::wstring value = CWhitespaceUtils::Collapse(a->GetValue());
        // The prefix of an xsi:type name is the writer's choice.
        if (a->GetNamespaceURI() == kXsi && a->GetLocalName() == L"type") value = value.substr(value.find(L':') + 1);
        attributes.emplace_back(a->GetNamespaceURI(), a->GetLocalName(), value);
    }
    std::sort(attributes.begin(), attributes.end());
    for (const auto& a : attributes)
        out += L" {" + std::get<0>(a) + L"}" + std::get<1>(a) + L"=\"" + std::get<2>(a) + L"\"";
    out += L">";
    std::wstring text = CWhitespaceUtils::Collapse(e->GetText());
    if (!text.empty()) out += L"'" + text + L"'";
    std::vector<std::wstring> children;
    const CXmlElement* o = original && !sortChildren ? original->GetFirstElement() : nullptr;
    for (const CXmlElement* c = e->GetFirstElement(); c; c = c->GetNextSiblingElement()) {
        children.push_back(Canonical(c, sortChildren, o));
        if (o) o = o->GetNextSiblingElement();
    }
    if (sortChildren) std::sort(children.begin(), children.end());
    for (const std::wstring& c : children) out += c;
    return out + L"</>";
}

// Documents on which the library's own lexical conversions are more lenient
// than XML Schema; the binding accepts them. Listed so that a stricter
// conversion shows up here.
const struct {
    const char* path;
    const char* reason;
} kKnownDisagreements[] = {
    {"builtins/invalid-decimal.xml", "the decimal conversion accepts an exponent (1e3)"},
    {"builtins/invalid-base64Binary.xml", "the base64 conversion accepts a missing '=' padding"},
};

TEST(SchemaCorpus, GeneratedClassesAgreeWithXmllintAndWriteValidDocumentsBack) {
    std::ifstream verdicts(std::string(NYXML_TEST_DATA_DIR) + "/schema-verdicts.txt");
    ASSERT_TRUE(verdicts) << "tests/data/schema-verdicts.txt is missing";
    const CXmlSerializationContext& ctx = CXmlSerializationContext::GetDefaultContext();
    std::string path, verdict;
    int documents = 0, valid = 0;
    while (verdicts >> path >> verdict) {
        SCOPED_TRACE(path);
        std::string row = path.substr(0, path.find('/'));
        const CorpusRow* found = nullptr;
        for (const CorpusRow& r : kCorpusRows)
            if (row == r.name) found = &r;
        ASSERT_NE(nullptr, found) << "no generated classes for " << row;
        std::string file = std::string(NYXML_SOURCE_DIR) + "/tests/schemas/" + path;
        CXmlDocument document;
        document.Load(std::wstring(file.begin(), file.end()).c_str());
        const CXmlElement* root = document.GetDocumentElement();
        CSmartPtr<CXmlObjectBase> object = found->create(root->GetLocalName().c_str(), root->GetNamespaceURI().c_str());
        bool accepted = false;
        std::wstring why = L"no class for the document element";
        if (object) {
            try {
                object->FromXmlElement(root, ctx);
                accepted = true;
            } catch (const CNyValidationException& e) {
                why = e.GetFullMessage();
            } catch (const CNyException& e) {
                ADD_FAILURE() << "not a validation error: " << nyxml_test::Utf8(e.GetFullMessage());
                continue;
            }
        }
        ++documents;
        bool expected = verdict == "valid";
        for (const auto& known : kKnownDisagreements)
            if (path == known.path) {
                SCOPED_TRACE(known.reason);
                expected = !expected;
            }
        EXPECT_EQ(expected, accepted) << nyxml_test::Utf8(why);
        if (!accepted || verdict != "valid") continue;
        ++valid;
        std::wstring xml = object->ToXml(false, true, EOL_LF, ctx);
        CXmlDocument back;
        back.LoadXml(xml.c_str());
        // An all group is written in schema order: documents named *-unordered.xml
        // are compared with the children of every element sorted.
        bool unordered = path.find("-unordered.xml") != std::string::npos;
        EXPECT_EQ(nyxml_test::Utf8(Canonical(root, unordered)),
                  nyxml_test::Utf8(Canonical(back.GetDocumentElement(), unordered, root)))
            << nyxml_test::Utf8(xml);
    }
    EXPECT_GT(documents, 0);
    EXPECT_GT(valid, 0);
    for (const CorpusRow& r : kCorpusRows) r.clean();
}

TEST(SchemaCorpus, NewAndReadObjectsStartFromTheDefaults) {
    // A new object gets its defaults from its constructor, a read one from
    // Init: both must give the same values.
    using namespace Corpus_attributes;
    CSmartPtr<CItem> item(new CItem);
    EXPECT_EQ(1, item->GetCount());
    EXPECT_EQ(Kind_plain, item->GetKind());
    EXPECT_FALSE(item->HasCount());
    EXPECT_EQ(L"item", item->ElementName());
    EXPECT_EQ(0, item->GetPart()->GetCount());
    item->SetCount(5);
    item->SetKind(Kind_fancy);
    item->SetNote(L"gone after the read");
    item->FromXml(L"<item xmlns='urn:corpus:attributes' id='only'/>", CXmlSerializationContext::GetDefaultContext());
    EXPECT_EQ(1, item->GetCount());
    EXPECT_EQ(Kind_plain, item->GetKind());
    EXPECT_FALSE(item->HasCount());
    EXPECT_FALSE(item->HasNote());
    EXPECT_EQ(L"only", item->GetId());
    CItem::CleanMetaData();
}

}  // namespace
