// The purchase-order document that the binding and Fast Infoset benchmarks
// read: orders of the shape of samples/po.xml, up to a given size.
#ifndef NYXML_BENCH_ORDERS_H
#define NYXML_BENCH_ORDERS_H

#include <cstdio>
#include <string>

namespace nyxml_bench {

inline std::string MakeOrders(size_t targetBytes) {
    std::string xml =
        "<?xml version='1.0' encoding='UTF-8'?>\n<po:purchaseOrders xmlns:po='urn:example:po' "
        "xmlns:xsi='http://www.w3.org/2001/XMLSchema-instance'>\n";
    xml.reserve(targetBytes + 4096);
    char buf[2048];
    for (unsigned i = 0; xml.size() < targetBytes; ++i) {
        std::snprintf(buf, sizeof buf,
                      "<po:order orderDate='2026-%02u-%02u' status='%s'>"
                      "<po:shipTo country='DE'><po:name>Customer %u</po:name><po:street>Street %u</po:street>"
                      "<po:city>City %u</po:city><po:zip>%05u</po:zip></po:shipTo>"
                      "<po:createdBy>web</po:createdBy><po:createdAt>2026-11-30T09:%02u:00Z</po:createdAt>"
                      "<po:items><po:item partNum='%03u-AB'><po:productName>Product %u</po:productName>"
                      "<po:quantity>%u</po:quantity><po:price>%u.%02u</po:price></po:item>"
                      "<po:item partNum='%03u-CD'><po:productName>Spare part</po:productName>"
                      "<po:quantity>1</po:quantity><po:price>9.99</po:price>"
                      "<po:shipDate>2026-12-0%u</po:shipDate></po:item></po:items>"
                      "<po:invoice dueDays='%u'>Invoice %u</po:invoice>"
                      "<po:delivery><po:instructions>Ring %u times</po:instructions></po:delivery>"
                      "<po:contact xsi:type='po:Person'><po:name>Contact %u</po:name></po:contact>"
                      "</po:order>\n",
                      i % 12 + 1, i % 28 + 1, (i % 3) ? "open" : "shipped", i, i % 997, i % 101, i % 100000, i % 60,
                      i % 1000, i, i % 50 + 1, i % 500, i % 100, (i + 1) % 1000, i % 9 + 1, i % 90 + 10, i, i % 5, i);
        xml += buf;
    }
    xml += "</po:purchaseOrders>\n";
    return xml;
}

}  // namespace nyxml_bench

#endif
