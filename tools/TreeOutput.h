// Writing a loaded tree through any writer, shared by format and convert.
#ifndef NYXML_TOOLS_TREEOUTPUT_H
#define NYXML_TOOLS_TREEOUTPUT_H

#include <nyxml/document.h>
#include <nyxml/writer.h>

namespace nyxml_tool {

// Declares, before the document element, the namespaces the tree uses: the
// document element's namespace becomes the default when every element has
// one, the others get the prefixes AA, AB, ...
void DeclareNamespaces(const NyXmlLib9::CXmlElement* root, NyXmlLib9::CXmlWriter& writer);
// Writes the tree without recursion, each element's text after its children;
// `formatted` leaves out white-space text of elements that have children.
void WriteTree(const NyXmlLib9::CXmlElement* root, NyXmlLib9::CXmlWriter& writer, bool formatted);

}  // namespace nyxml_tool

#endif
