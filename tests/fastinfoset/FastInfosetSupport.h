// Helpers of the Fast Infoset tests: octets as hex, trees as text, trees
// written through a writer.
#ifndef NYXML_TESTS_FASTINFOSET_FASTINFOSETSUPPORT_H
#define NYXML_TESTS_FASTINFOSET_FASTINFOSETSUPPORT_H

#include <nyxml/document.h>
#include <nyxml/fastinfoset.h>

#include <string>

namespace fi_test {

// "E0 00 00 01" form and back (blanks ignored).
std::string Hex(const unsigned char* bytes, size_t length);
std::string Hex(const NyXmlLib9::CBinaryData& data);
std::string Bytes(const std::string& hex);

// The tree as one line: <{ns}name {ns}attr="value" ...>text children</>.
std::wstring Dump(const NyXmlLib9::CXmlElement* element);
// The document's tree loaded from bytes (Parse path), as Dump gives it.
std::wstring LoadDump(const std::string& bytes,
                      const NyXmlLib9::CXmlSerializationContext& ctx =
                          NyXmlLib9::CXmlSerializationContext::GetDefaultContext());
// Writes the tree (text before the children) through the writer.
void WriteTree(const NyXmlLib9::CXmlElement* element, NyXmlLib9::CXmlWriter& writer);
// A Fast Infoset document of the tree of XML text.
std::string XmlToFastInfoset(const std::wstring& xml, const NyXmlLib9::CXmlSerializationContext& ctx,
                             NyXmlLib9::FInfoDecl declaration = NyXmlLib9::FInfoDecl_None);

// A document of typed values (numbers, booleans, binary, dates) written with
// the suggested encodings: algorithms and alphabets.
std::string TypedFastInfoset();

}  // namespace fi_test

#endif
