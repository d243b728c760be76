// XML bytes into the purchase-order example classes and back: no input may
// crash or leak, and what the classes wrote must read back to the same text.
#include <nyxml/nyxml.h>

#include "FuzzSupport.h"
#include "po.h"

#include <vector>

using namespace NyXmlLib9;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<unsigned char> bytes(data, data + size);
    const CXmlSerializationContext& ctx = CXmlSerializationContext::GetDefaultContext();
    std::wstring written;
    try {
        CSmartPtr<ExamplePO::CPurchaseOrders> orders(new ExamplePO::CPurchaseOrders);
        orders->FromXmlStream(bytes.data(), static_cast<uint32_t>(bytes.size()), ctx);
        written = orders->ToXml(false, false, EOL_LF, ctx);
    } catch (const CNyException&) {
        return 0;
    }
    try {
        CSmartPtr<ExamplePO::CPurchaseOrders> again(new ExamplePO::CPurchaseOrders);
        again->FromXml(written.c_str(), ctx);
        std::wstring rewritten = again->ToXml(false, false, EOL_LF, ctx);
        if (rewritten != written) nyxml_fuzz::Broken("purchase orders do not read back the same", written);
    } catch (const CNyException& e) {
        nyxml_fuzz::Broken("purchase orders written by the library do not read back",
                           written + L"\n" + e.GetFullMessage());
    }
    return 0;
}
