// An outside program that binds a schema with nyxml_generate: it reads a
// document whose element it does not know in advance, changes it, writes it.
#include "note.h"

#include <cstdio>

int main() {
    using namespace NyXmlLib9;
    CXmlDocument document;
    document.LoadXml(L"<note xmlns='urn:example:note' priority='high'><to>Ann</to><body>Call back</body></note>");
    const CXmlElement* root = document.GetDocumentElement();
    CSmartPtr<CXmlObjectBase> object =
        Notes::CreateDocumentObject(root->GetLocalName().c_str(), root->GetNamespaceURI().c_str());
    Notes::CNote* note = dynamic_cast<Notes::CNote*>(object.Get());
    if (!note) return 1;
    note->FromXmlElement(root, CXmlSerializationContext::GetDefaultContext());
    if (note->GetTo() != L"Ann" || note->GetPriority() != Notes::Priority_high) return 2;
    note->SetBody(L"Done");
    if (note->ToXml(false, false, EOL_LF).find(L">Done</") == std::wstring::npos) return 3;
    if (Notes::CreateDocumentObject(L"letter", L"urn:example:note")) return 4;
    Notes::CleanMetaData();
    std::printf("consumer ok\n");
    return 0;
}
