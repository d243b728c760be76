// XML bytes into a tree, into untyped elements and back to text: no input may
// crash or leak, and text the library wrote must read back to the same text.
#include <nyxml/document.h>
#include <nyxml/untyped.h>

#include "FuzzSupport.h"

#include <algorithm>
#include <vector>

using namespace NyXmlLib9;

namespace {
const uint8_t kFastInfoset[] = {0xE0, 0x00, 0x00, 0x01};
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<unsigned char> bytes(data, data + size);
    try {
        CXmlDocument document;
        document.LoadXmlStream(bytes.data(), static_cast<uint32_t>(bytes.size()));
        for (const CXmlElement* e = document.GetDocumentElement(); e; e = e->GetFirstElement()) (void)e->GetText();
    } catch (const CNyException&) {
    }
    std::wstring written;
    try {
        CSmartPtr<CElement> root(new CElement(L"document"));
        bytes.assign(data, data + size);
        root->FromXmlStream(bytes.data(), static_cast<uint32_t>(bytes.size()),
                            CXmlSerializationContext::GetDefaultContext());
        written = root->ToXml(false, false, EOL_LF);
        (void)root->Clone();
    } catch (const CNyException&) {
        return 0;
    }
    // What was written once is written again unchanged. Names that Fast
    // Infoset input may carry are XML names of the current edition, some of
    // which the text parser's older tables refuse: that input has a target
    // of its own, which writes it back as Fast Infoset.
    if (std::search(data, data + std::min<size_t>(size, 256), kFastInfoset, kFastInfoset + 4) != data + std::min<size_t>(size, 256))
        return 0;
    try {
        CSmartPtr<CElement> again(new CElement(L"document"));
        again->FromXml(written.c_str());
        std::wstring rewritten = again->ToXml(false, false, EOL_LF);
        if (rewritten != written) nyxml_fuzz::Broken("untyped text does not read back the same", written);
    } catch (const CNyException& e) {
        nyxml_fuzz::Broken("untyped text written by the library does not read back", written + L"\n" + e.GetFullMessage());
    }
    return 0;
}
