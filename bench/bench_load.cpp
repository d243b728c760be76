// Tree load throughput against raw wide Expat parsing of the same bytes, and
// peak memory of an asynchronous file load that discards every repeated element.
#include <nyxml/document.h>

#include "BenchSupport.h"

#include <expat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace NyXmlLib9;
using nyxml_bench::BestOf;
using nyxml_bench::PeakRssKiB;
using nyxml_bench::Stopwatch;

namespace {

// A document with namespaces, attributes, text and some nesting.
std::string MakeDocument(size_t targetBytes) {
    std::string xml;
    xml.reserve(targetBytes + 4096);
    xml += "<?xml version='1.0' encoding='UTF-8'?>\n<po:orders xmlns:po='urn:example:po' "
           "xmlns:xsi='http://www.w3.org/2001/XMLSchema-instance' xmlns='urn:example:default'>\n";
    for (unsigned i = 0; xml.size() < targetBytes; ++i) {
        char buf[640];
        std::snprintf(buf, sizeof buf,
                      "  <po:order id='%u' status='%s' po:priority='%u'>\n"
                      "    <customer name='Customer %u' country='DE'>Street %u, 10%03u City</customer>\n"
                      "    <item sku='SKU-%06u' qty='%u' price='%u.%02u'>Widget &amp; gadget %u</item>\n"
                      "    <item sku='SKU-%06u' qty='1' price='9.99'>Spare part</item>\n"
                      "    <note xsi:nil='true'/>\n"
                      "  </po:order>\n",
                      i, (i % 3) ? "open" : "shipped", i % 5, i, i % 997, i % 1000, i, i % 7 + 1, i % 100,
                      i % 99, i, i + 1);
        xml += buf;
    }
    xml += "</po:orders>\n";
    return xml;
}

void XMLCALL NoStart(void*, const XML_Char*, const XML_Char**) {}
void XMLCALL NoEnd(void*, const XML_Char*) {}
void XMLCALL NoText(void*, const XML_Char*, int) {}
void XMLCALL NoNs(void*, const XML_Char*, const XML_Char*) {}

void RawExpat(const std::string& xml) {
    XML_Parser p = XML_ParserCreateNS(nullptr, u'|');
    XML_SetElementHandler(p, NoStart, NoEnd);
    XML_SetCharacterDataHandler(p, NoText);
    XML_SetStartNamespaceDeclHandler(p, NoNs);
    if (XML_Parse(p, xml.data(), static_cast<int>(xml.size()), 1) != XML_STATUS_OK) {
        std::fprintf(stderr, "raw parse failed\n");
        std::exit(1);
    }
    XML_ParserFree(p);
}

bool DiscardOrders(CXmlElement* e) { return e->GetLocalName() == L"order"; }

}  // namespace

int main(int argc, char** argv) {
    size_t mb = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 50;
    size_t bigMb = argc > 2 ? std::strtoul(argv[2], nullptr, 10) : 200;

    // The memory figure first, before anything large lives in this process.
    std::string path = "/tmp/nyxml-bench-load-" + std::to_string(getpid()) + ".xml";
    {
        std::string big = MakeDocument(bigMb << 20);
        FILE* f = std::fopen(path.c_str(), "wb");
        if (!f || std::fwrite(big.data(), 1, big.size(), f) != big.size()) return 1;
        std::fclose(f);
    }
    // The generator's buffer inflated the peak: measure in a child process.
    pid_t child = fork();
    if (child == 0) {
        AsyncFromXmlFile(true);
        Stopwatch watch;
        CXmlDocument d(&DiscardOrders);
        std::wstring wide(path.begin(), path.end());
        d.Load(wide.c_str());
        double t = watch.Seconds();
        std::printf("async load of %zu MB with discarding callback: %.2f s, peak RSS %.1f MB (goal < 32 MB)\n",
                    bigMb, t, PeakRssKiB() / 1024.0);
        std::fflush(stdout);
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    std::remove(path.c_str());

    std::string xml = MakeDocument(mb << 20);
    double mbs = xml.size() / 1048576.0;
    double raw = BestOf(3, [&] { RawExpat(xml); });
    // The load alone, then the load with the tree freed (what a caller pays in all).
    double load = 1e300, loadAndFree = 1e300;
    for (int run = 0; run < 3; ++run) {
        Stopwatch watch;
        CXmlDocument* d = new CXmlDocument;
        d->LoadXmlStream(reinterpret_cast<unsigned char*>(&xml[0]), static_cast<uint32_t>(xml.size()));
        load = std::min(load, watch.Seconds());
        delete d;
        loadAndFree = std::min(loadAndFree, watch.Seconds());
    }
    std::printf("document: %.1f MB\n", mbs);
    std::printf("raw wide Expat (empty handlers): %.3f s  %.1f MB/s\n", raw, mbs / raw);
    std::printf("tree load (LoadXmlStream):      %.3f s  %.1f MB/s  %.2fx raw (goal <= 2x)\n", load, mbs / load,
                load / raw);
    std::printf("tree load + freeing the tree:   %.3f s  %.1f MB/s  %.2fx raw\n", loadAndFree, mbs / loadAndFree,
                loadAndFree / raw);
    return 0;
}
