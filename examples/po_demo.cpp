// Reads a purchase-order document into the classes generated from po/po.xsd, prints a
// summary, changes an order, writes the document back and reads it again.
#include "po.h"

#include <cstdio>
#include <string>

using namespace NyXmlLib9;
using namespace ExamplePO;

namespace {

const wchar_t kTargetNamespace[] = L"urn:example:po";

std::string Utf8(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) {
        unsigned u = static_cast<unsigned>(c);
        if (u < 0x80) {
            out += static_cast<char>(u);
        } else if (u < 0x800) {
            out += static_cast<char>(0xC0 | (u >> 6));
            out += static_cast<char>(0x80 | (u & 0x3F));
        } else {
            out += static_cast<char>(0xE0 | (u >> 12));
            out += static_cast<char>(0x80 | ((u >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (u & 0x3F));
        }
    }
    return out;
}

void PrintSummary(const CPurchaseOrders& orders) {
    int n = 0;
    for (auto it = orders.GetOrder()->begin(); it != orders.GetOrder()->end(); ++it) {
        CPurchaseOrder* order = *it;
        CDecimal total;
        int lines = 0;
        for (auto item = order->GetItems()->GetItem()->begin(); item != order->GetItems()->GetItem()->end(); ++item) {
            total = total + (*item)->GetPrice() * CDecimal((*item)->GetQuantity());
            ++lines;
        }
        std::printf("order %d: %s, status %s, ship to %s (%s), %d item line(s), total %s, paid by %s",
                    ++n, order->HasOrderDate() ? Utf8(order->GetOrderDate().ToString()).c_str() : "(no date)",
                    Utf8(OrderStatusToString(order->GetStatus())).c_str(),
                    Utf8(order->GetShipTo()->GetName()).c_str(), Utf8(order->GetShipTo()->GetCity()).c_str(), lines,
                    Utf8(total.ToString(2)).c_str(), Utf8(order->GetPayment()->GetSelectedElement()).c_str());
        if (order->GetContact())
            std::printf(", contact %s (%s)", Utf8(order->GetContact()->GetName()).c_str(),
                        dynamic_cast<CPerson*>(order->GetContact().Get()) ? "person" : "company");
        if (order->GetGiftNote())
            std::printf(", gift note %s",
                        order->GetGiftNote()->IsNil() ? "nil" : Utf8(L"\"" + order->GetGiftNote()->GetText() + L"\"").c_str());
        if (order->GetAny()) std::printf(", extension <%s>", Utf8(order->GetAny()->GetName()).c_str());
        std::printf("\n");
    }
}

}  // namespace

int main(int argc, char** argv) {
    const char* input = argc > 1 ? argv[1] : "samples/po.xml";
    int status = 0;
    try {
        const CXmlSerializationContext& ctx = CXmlSerializationContext::GetDefaultContext();
        CSmartPtr<CPurchaseOrders> orders(new CPurchaseOrders);
        std::string path = input;
        orders->FromXmlFile(std::wstring(path.begin(), path.end()).c_str(), ctx);
        std::printf("read %s\n", input);
        PrintSummary(*orders);

        // Change the first order: it ships now, with one more item.
        CSmartPtr<CPurchaseOrder> first = orders->GetOrder()->Item(0);
        first->SetStatus(OrderStatus_shipped);
        CSmartPtr<CItem> item = first->GetItems()->GetItem()->Add();
        item->SetPartNum(L"123-XY");
        item->SetProductName(L"Garden hose");
        item->SetQuantity(3);
        item->SetPrice(CDecimal(L"12.50"));
        std::printf("changed order 1: status shipped, added 3 x Garden hose at 12.50\n");

        CXmlSerializationContext out;
        out.GetNamespaceAliases().Add(L"po", kTargetNamespace);
        out.GetNamespaceAliases().Add(L"xsi", L"http://www.w3.org/2001/XMLSchema-instance");
        std::wstring xml = orders->ToXml(true, true, EOL_LF, out);
        std::printf("\nwritten back:\n%s\n", Utf8(xml).c_str());

        CSmartPtr<CPurchaseOrders> again(new CPurchaseOrders);
        again->FromXml(xml.c_str(), ctx);
        bool same = again->ToXml(false, false, EOL_LF, out) == orders->ToXml(false, false, EOL_LF, out);
        std::printf("read back: %d orders; the second write is %s the first\n", again->GetOrder()->GetCount(),
                    same ? "identical to" : "DIFFERENT from");
        if (!same) status = 1;
    } catch (const CNyException& e) {
        std::fprintf(stderr, "error:\n%s\n", Utf8(e.GetFullMessage()).c_str());
        status = 1;
    }
    ExamplePO::CleanMetaData();
    return status;
}
