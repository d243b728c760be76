// Reading a large purchase-order document into the generated example classes
// and writing it back, against the tree load alone and raw wide Expat parsing
// of the same bytes, in the same run; peak memory per input megabyte.
#include "po.h"

#include "BenchSupport.h"
#include "Orders.h"

#include <expat.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

using namespace NyXmlLib9;
using nyxml_bench::BestOf;
using nyxml_bench::MakeOrders;
using nyxml_bench::PeakRssKiB;

namespace {


void XMLCALL NoStart(void*, const XML_Char*, const XML_Char**) {}
void XMLCALL NoEnd(void*, const XML_Char*) {}
void XMLCALL NoText(void*, const XML_Char*, int) {}

void RawExpat(const std::string& xml) {
    XML_Parser p = XML_ParserCreateNS(nullptr, u'|');
    XML_SetElementHandler(p, NoStart, NoEnd);
    XML_SetCharacterDataHandler(p, NoText);
    if (XML_Parse(p, xml.data(), static_cast<int>(xml.size()), 1) != XML_STATUS_OK) std::abort();
    XML_ParserFree(p);
}

void TreeLoad(std::string& xml) {
    CXmlDocument d;
    d.LoadXmlStream(reinterpret_cast<unsigned char*>(&xml[0]), static_cast<uint32_t>(xml.size()));
}

CSmartPtr<ExamplePO::CPurchaseOrders> Bind(std::string& xml) {
    CSmartPtr<ExamplePO::CPurchaseOrders> orders(new ExamplePO::CPurchaseOrders);
    orders->FromXmlStream(reinterpret_cast<unsigned char*>(&xml[0]), static_cast<uint32_t>(xml.size()),
                          CXmlSerializationContext::GetDefaultContext());
    return orders;
}

size_t Write(const ExamplePO::CPurchaseOrders& orders) {
    return orders
        .ToXmlStream(false, false, XmlEncoding_UTF8, EOL_LF, CXmlSerializationContext::GetDefaultContext(),
                     Compression_None)
        .GetLength();
}

void PeakOfBinding(const std::string& xml) {
    std::fflush(stdout);
    pid_t child = fork();
    if (child == 0) {
        std::string copy = xml;
        long before = PeakRssKiB();
        Bind(copy);
        double mb = xml.size() / 1e6;
        std::printf("peak RSS while binding: %.1f MB (%.1f MB before), %.1f MB per input MB\n", PeakRssKiB() / 1024.0,
                    before / 1024.0, (PeakRssKiB() - before) / 1024.0 / mb);
        std::fflush(stdout);
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
}

}  // namespace

int main(int argc, char** argv) {
    size_t mb = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 50;
    std::string xml = MakeOrders(mb * 1000000);
    double inMb = xml.size() / 1e6;
    std::printf("document: %.1f MB of purchase orders\n", inMb);
    PeakOfBinding(xml);  // first, while this process is still small
    {
        CSmartPtr<ExamplePO::CPurchaseOrders> check = Bind(xml);
        std::printf("orders bound: %d\n", check->GetOrder()->GetCount());
    }
    const int runs = 5;
    double raw = BestOf(runs, [&] { RawExpat(xml); });
    // Both figures include freeing the tree, which the binding does when it is
    // done with it. Their runs alternate, so that a slow spell of the machine
    // falls on both alike; each keeps its best.
    double tree = 1e300, bind = 1e300;
    for (int run = 0; run < runs; ++run) {
        tree = std::min(tree, BestOf(1, [&] { TreeLoad(xml); }));
        nyxml_bench::Stopwatch watch;
        CSmartPtr<ExamplePO::CPurchaseOrders> bound = Bind(xml);
        bind = std::min(bind, watch.Seconds());
    }
    // The engine alone: binding a tree that is already loaded.
    CXmlDocument loaded;
    loaded.LoadXmlStream(reinterpret_cast<unsigned char*>(&xml[0]), static_cast<uint32_t>(xml.size()));
    double engine = 1e300;
    for (int run = 0; run < runs; ++run) {
        CSmartPtr<ExamplePO::CPurchaseOrders> bound(new ExamplePO::CPurchaseOrders);
        nyxml_bench::Stopwatch watch;
        bound->FromXmlElement(loaded.GetDocumentElement(), CXmlSerializationContext::GetDefaultContext());
        engine = std::min(engine, watch.Seconds());
    }
    CSmartPtr<ExamplePO::CPurchaseOrders> orders = Bind(xml);
    size_t written = 0;
    double write = BestOf(runs, [&] { written = Write(*orders); });
    std::printf("raw wide Expat parse:         %.3f s  %6.1f MB/s\n", raw, inMb / raw);
    std::printf("tree load alone:              %.3f s  %6.1f MB/s  %.2fx raw\n", tree, inMb / tree, tree / raw);
    std::printf("read into classes (binding):  %.3f s  %6.1f MB/s  %.2fx the tree load (goal <= 1.5x)\n", bind,
                inMb / bind, bind / tree);
    std::printf("  of which the engine alone:  %.3f s  (%.2fx the tree load)\n", engine, engine / tree);
    std::printf("write back as UTF-8 bytes:    %.3f s  %6.1f MB/s of output (%.1f MB)\n", write, written / 1e6 / write,
                written / 1e6);
    orders = nullptr;
    ExamplePO::CleanMetaData();
    return 0;
}
