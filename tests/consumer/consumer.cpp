// A program outside the project, built against the installed package.
#include <nyxml/nyxml.h>

#include <cstdio>

int main() {
    using namespace NyXmlLib9;
    CXmlDocument document;
    document.LoadXml(L"<a xmlns='urn:x'><b c='1'>text</b></a>");
    CXmlElement* root = document.GetDocumentElement();
    if (!root || root->GetNamespaceURI() != L"urn:x" || !root->GetFirstElement()) return 1;
    try {
        document.LoadXml("");
        return 2;
    } catch (CNyException& e) {
        if (e.GetMessage() != L"XML String is empty!") return 3;
    }
    std::printf("consumer ok\n");
    return 0;
}
