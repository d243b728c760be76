// Fast Infoset against XML text on the purchase-order document of
// bench_binding, in one run: sizes, decoding into the tree, binding into the
// generated classes, and encoding from them. Each pair of figures alternates
// over several rounds and keeps its best.
#include "po.h"

#include "BenchSupport.h"
#include "Orders.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

using namespace NyXmlLib9;

using nyxml_bench::MakeOrders;

namespace {


unsigned char* Bytes(const CBinaryData& data) { return const_cast<unsigned char*>(data.GetData()); }

void TreeLoad(const CBinaryData& data) {
    CXmlDocument d;
    d.LoadXmlStream(Bytes(data), data.GetLength());
}

// The load alone, in seconds: the tree is freed after the clock stops.
double TreeLoadOnly(const CBinaryData& data) {
    CXmlDocument* d = new CXmlDocument;
    nyxml_bench::Stopwatch watch;
    d->LoadXmlStream(Bytes(data), data.GetLength());
    double s = watch.Seconds();
    delete d;
    return s;
}

void Bind(const CBinaryData& data, const CXmlSerializationContext& ctx) {
    CSmartPtr<ExamplePO::CPurchaseOrders> orders(new ExamplePO::CPurchaseOrders);
    orders->FromXmlStream(Bytes(data), data.GetLength(), ctx);
}

uint32_t Gzipped(const CBinaryData& data) {
    CBinaryData copy;
    copy.Append(data.GetData(), data.GetLength());
    CCompression::Compress(copy, Compression_GZip);
    return copy.GetLength();
}

// The time of one run of `job` made right after an untimed one.
template <typename Job>
double AfterItsOwnKind(Job job) {
    job();
    nyxml_bench::Stopwatch watch;
    job();
    return watch.Seconds();
}

// One binding split into its steps: making the document and loading the
// input into the tree, binding the tree into the objects, freeing the tree,
// freeing the objects (glibc merges the small blocks freed as it goes: the
// library asks it to every 1024 objects freed, see platform/Memory.h).
struct BindPhases {
    double load = 0, bind = 0, freeTree = 0, freeObjects = 0;
    double Total() const { return load + bind + freeTree + freeObjects; }
    double Shared() const { return bind + freeTree + freeObjects; }
};

BindPhases BindInPhases(const CBinaryData& data, const CXmlSerializationContext& ctx) {
    BindPhases p;
    CSmartPtr<ExamplePO::CPurchaseOrders> orders(new ExamplePO::CPurchaseOrders);
    nyxml_bench::Stopwatch load;
    CXmlDocument* document = new CXmlDocument(ctx);
    document->LoadXmlStream(Bytes(data), data.GetLength());
    p.load = load.Seconds();
    nyxml_bench::Stopwatch bind;
    orders->FromXmlElement(document->GetDocumentElement(), ctx);
    p.bind = bind.Seconds();
    nyxml_bench::Stopwatch freeTree;
    delete document;
    p.freeTree = freeTree.Seconds();
    nyxml_bench::Stopwatch freeObjects;
    orders = nullptr;
    p.freeObjects = freeObjects.Seconds();
    return p;
}

// The phases of the round with the best total, each round after an untimed
// one of the same format.
BindPhases BestPhases(int rounds, const CBinaryData& data, const CXmlSerializationContext& ctx) {
    BindPhases best;
    best.load = 1e300;
    BindInPhases(data, ctx);
    for (int r = 0; r < rounds; ++r) {
        BindPhases p = BindInPhases(data, ctx);
        if (p.Total() < best.Total()) best = p;
    }
    return best;
}

// Best of `rounds` for two alternating jobs.
template <typename A, typename B>
void Alternate(int rounds, A a, B b, double& bestA, double& bestB) {
    bestA = bestB = 1e300;
    for (int r = 0; r < rounds; ++r) {
        bestA = std::min(bestA, nyxml_bench::BestOf(1, a));
        bestB = std::min(bestB, nyxml_bench::BestOf(1, b));
    }
}

}  // namespace

int main(int argc, char** argv) {
    size_t mb = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 50;
    const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
    const CXmlSerializationContext& plain = CXmlSerializationContext::GetDefaultContext();
    CXmlSerializationContext limits;
    limits.GetFIContext().SetAttributeMaxAddLength(32);
    limits.GetFIContext().SetElementMaxAddLength(32);
    CXmlSerializationContext typed;
    typed.GetFIContext().SetAttributeMaxAddLength(32);
    typed.GetFIContext().SetElementMaxAddLength(32);
    typed.GetFIContext().SetSuggestedValues();

    CSmartPtr<ExamplePO::CPurchaseOrders> orders(new ExamplePO::CPurchaseOrders);
    {
        std::string source = MakeOrders(mb * 1000000);
        orders->FromXmlStream(reinterpret_cast<unsigned char*>(&source[0]), static_cast<uint32_t>(source.size()),
                              plain);
    }
    CBinaryData xml = orders->ToXmlStream(false, false, XmlEncoding_UTF8, EOL_LF, plain, Compression_None);
    CBinaryData fi = orders->ToFastInfosetStream(FInfoDecl_None, plain, Compression_None);
    CBinaryData fi32 = orders->ToFastInfosetStream(FInfoDecl_None, limits, Compression_None);
    CBinaryData fiTyped = orders->ToFastInfosetStream(FInfoDecl_None, typed, Compression_None);
    const double x = xml.GetLength();
    std::printf("document: %d orders, %.1f MB of unformatted UTF-8 XML written from the objects\n",
                orders->GetOrder()->GetCount(), x / 1e6);
    std::printf("size  FI default options:           %6.1f MB  %5.1f%% of the XML\n", fi.GetLength() / 1e6,
                100 * fi.GetLength() / x);
    std::printf("size  FI add-length limits 32:      %6.1f MB  %5.1f%% of the XML (goal <= 40%%)\n",
                fi32.GetLength() / 1e6, 100 * fi32.GetLength() / x);
    std::printf("size  FI limits 32 + suggested:     %6.1f MB  %5.1f%% of the XML\n", fiTyped.GetLength() / 1e6,
                100 * fiTyped.GetLength() / x);
    CXmlSerializationContext vocabulary = typed;
    ExamplePO::UseFIVocabulary(vocabulary);
    const long saved = static_cast<long>(fiTyped.GetLength()) -
                       static_cast<long>(orders->ToFastInfosetStream(FInfoDecl_None, vocabulary, Compression_None).GetLength());
    long one = 0, oneSaved = 0;
    for (ExamplePO::CPurchaseOrder* order : *orders->GetOrder()) {
        one = static_cast<long>(order->ToFastInfosetStream(FInfoDecl_None, typed, Compression_None).GetLength());
        oneSaved = one - static_cast<long>(order->ToFastInfosetStream(FInfoDecl_None, vocabulary, Compression_None).GetLength());
        break;
    }
    std::printf("size  + generated vocabulary:       %+ld bytes; one order alone: %ld -> %ld bytes\n", -saved, one,
                one - oneSaved);
    uint32_t gzFi = Gzipped(fi32), gzXml = Gzipped(xml);
    std::printf("size  gzip FI (limits 32) / gzip XML: %.1f MB / %.1f MB = %.1f%%\n", gzFi / 1e6, gzXml / 1e6,
                100.0 * gzFi / gzXml);

    double tFi, tXml;
    Alternate(rounds, [&] { TreeLoad(fi32); }, [&] { TreeLoad(xml); }, tFi, tXml);
    std::printf("decode into the tree (load + free): FI %.3f s (%.0f MB/s of equivalent XML), XML %.3f s  -> %.2fx faster "
                "(goal >= 3x)\n",
                tFi, x / 1e6 / tFi, tXml, tXml / tFi);
    double lFi, lXml;
    Alternate(rounds, [&] { return TreeLoadOnly(fi32); }, [&] { return TreeLoadOnly(xml); }, lFi, lXml);
    std::printf("decode into the tree (load only, the free not timed): FI %.3f s, XML %.3f s  -> %.2fx faster\n", lFi,
                lXml, lXml / lFi);
    double tFiTyped, tXml2;
    Alternate(rounds, [&] { TreeLoad(fiTyped); }, [&] { TreeLoad(xml); }, tFiTyped, tXml2);
    std::printf("decode into the tree, suggested encodings: FI %.3f s, XML %.3f s  -> %.2fx faster\n", tFiTyped,
                tXml2, tXml2 / tFiTyped);
    // Each timed binding follows an untimed one of the same format, as in a
    // process that binds one format document after document: the heap a
    // freed object graph leaves shapes the next round (the second line
    // alternates the formats instead).
    double bFi, bXml;
    Alternate(rounds, [&] { return AfterItsOwnKind([&] { Bind(fi32, limits); }); },
              [&] { return AfterItsOwnKind([&] { Bind(xml, plain); }); }, bFi, bXml);
    std::printf("binding: from FI %.3f s, from XML %.3f s  -> %.2fx faster (goal >= 2x)\n", bFi, bXml, bXml / bFi);
    double aFi, aXml;
    Alternate(rounds, [&] { Bind(fi32, limits); }, [&] { Bind(xml, plain); }, aFi, aXml);
    std::printf("binding, each format right after the other: from FI %.3f s, from XML %.3f s  -> %.2fx\n", aFi, aXml,
                aXml / aFi);
    // The binding work after the load is the same for both formats: it bounds
    // the ratio even if decoding Fast Infoset cost nothing.
    const BindPhases pFi = BestPhases(rounds, fi32, limits), pXml = BestPhases(rounds, xml, plain);
    for (const auto& [name, p] : {std::make_pair("FI ", pFi), std::make_pair("XML", pXml)})
        std::printf("binding phases, %s: load %.3f s, bind the tree %.3f s, free the tree %.3f s, free the objects "
                    "%.3f s\n",
                    name, p.load, p.bind, p.freeTree, p.freeObjects);
    std::printf("  -> %.2fx in phases; the steps after the load take FI %.3f s, XML %.3f s: with a free FI load, "
                "%.2fx at most\n",
                pXml.Total() / pFi.Total(), pFi.Shared(), pXml.Shared(), pXml.Total() / pFi.Shared());
    double eFi, eXml, eFiDefault, eXml2;
    Alternate(rounds, [&] { orders->ToFastInfosetStream(FInfoDecl_None, limits, Compression_None); },
              [&] { orders->ToXmlStream(false, false, XmlEncoding_UTF8, EOL_LF, plain, Compression_None); }, eFi, eXml);
    Alternate(rounds, [&] { orders->ToFastInfosetStream(FInfoDecl_None, plain, Compression_None); },
              [&] { orders->ToXmlStream(false, false, XmlEncoding_UTF8, EOL_LF, plain, Compression_None); }, eFiDefault,
              eXml2);
    // Each Fast Infoset time against the XML time of its own rounds: the
    // best of twice as many XML rounds would be lower by chance alone.
    std::printf("encode objects: to FI (limits 32) %.3f s, to FI (default options) %.3f s, to UTF-8 XML %.3f s and "
                "%.3f s\n",
                eFi, eFiDefault, eXml, eXml2);
    std::printf("  -> FI takes %.2fx (limits 32) and %.2fx (default) the XML time of the same rounds (goal <= 1x)\n",
                eFi / eXml, eFiDefault / eXml2);
    orders = nullptr;
    ExamplePO::CleanMetaData();
    return 0;
}
