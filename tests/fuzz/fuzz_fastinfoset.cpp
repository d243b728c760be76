// Fast Infoset bytes into a tree and into untyped elements, then written as
// Fast Infoset again: no input may crash or leak, and what the library wrote
// must read back to the same elements, attributes and text.
#include <nyxml/document.h>
#include <nyxml/untyped.h>

#include "FuzzSupport.h"

#include <vector>

using namespace NyXmlLib9;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Fast Infoset starts with its identification octets or with an XML
    // declaration naming it; other input only exercises the XML text parser,
    // which has a target of its own.
    if (size < 4 || (data[0] != 0xE0 && data[0] != '<')) return 0;
    std::vector<unsigned char> bytes(data, data + size);
    CSmartPtr<CElement> root(new CElement(L"document"));
    try {
        root->FromXmlStream(bytes.data(), static_cast<uint32_t>(bytes.size()),
                            CXmlSerializationContext::GetDefaultContext());
    } catch (const CNyException&) {
        return 0;
    }
    // Written with the default options and with values of up to 31
    // characters entered in the tables (long values found again by their
    // entries, not only by their slots).
    static const CXmlSerializationContext limits32 = [] {
        CXmlSerializationContext c;
        c.GetFIContext().SetAttributeMaxAddLength(32);
        c.GetFIContext().SetElementMaxAddLength(32);
        return c;
    }();
    std::wstring text;
    CBinaryData binary[2];
    try {
        text = root->ToXml(false, false, EOL_LF, CXmlSerializationContext::GetDefaultContext());
        binary[0] = root->ToFastInfosetStream(FInfoDecl_None, CXmlSerializationContext::GetDefaultContext(), Compression_None);
        binary[1] = root->ToFastInfosetStream(FInfoDecl_None, limits32, Compression_None);
    } catch (const CNyException&) {
        // Names the text writer cannot write (such as a prefix bound to
        // nothing) may come from binary input; they are refused cleanly.
        return 0;
    }
    for (const CBinaryData& written : binary) {
        try {
            CSmartPtr<CElement> again(new CElement(L"document"));
            again->FromXmlStream(written, CXmlSerializationContext::GetDefaultContext());
            std::wstring rewritten = again->ToXml(false, false, EOL_LF, CXmlSerializationContext::GetDefaultContext());
            if (rewritten != text) nyxml_fuzz::Broken("Fast Infoset written by the library reads back different", text);
        } catch (const CNyException& e) {
            nyxml_fuzz::Broken("Fast Infoset written by the library does not read back", text + L"\n" + e.GetFullMessage());
        }
    }
    return 0;
}
