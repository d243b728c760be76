// The schema compiler's classes on the benchmark schema (schema/po.xsd) and a
// document of gen.py: reading the document into the generated classes and
// writing it back, each in a process of its own for its peak memory, against
// CodeSynthesis XSD C++/Tree (xsdcxx with Xerces-C) on the same schema and
// document when both are installed. Then the time the compiler takes for a
// schema of about 5,000 lines.
#include "BenchSupport.h"
#include "Generator.h"
#include "po.h"

#include <nyxml/nyxml.h>

#ifdef NYXML_HAVE_XSDCXX
#include "po.hxx"

#include <xercesc/util/PlatformUtils.hpp>

#include <sstream>
#endif

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

using namespace NyXmlLib9;
using nyxml_bench::PeakRssKiB;
using nyxml_bench::Stopwatch;

namespace {

struct Figures {
    double read = 1e300;   // best of the runs, seconds
    double write = 1e300;  // best of the runs, seconds
    long peakKiB = 0;      // peak RSS of the process after the first read
    long long qtySum = 0;  // proves the same data was read
    size_t written = 0;
};

const int kRuns = 3;

Figures NyxmlRun(std::string& xml) {
    Figures f;
    for (int run = 0; run < kRuns; ++run) {
        Stopwatch watch;
        CSmartPtr<CXmlObjectBase> object = BenchPO::CreateDocumentObject(L"orders", L"urn:bench:po");
        BenchPO::COrders* orders = static_cast<BenchPO::COrders*>(object.Get());
        orders->FromXmlStream(reinterpret_cast<unsigned char*>(&xml[0]), static_cast<uint32_t>(xml.size()),
                              CXmlSerializationContext::GetDefaultContext());
        f.read = std::min(f.read, watch.Seconds());
        if (run == 0) f.peakKiB = PeakRssKiB();
        long long sum = 0;
        for (BenchPO::COrder* order : *orders->GetOrder())
            for (BenchPO::CItem* item : *order->GetItems()->GetItem()) sum += item->GetQty();
        f.qtySum = sum;
        watch.Restart();
        f.written = orders
                        ->ToXmlStream(false, true, XmlEncoding_UTF8, EOL_LF,
                                      CXmlSerializationContext::GetDefaultContext(), Compression_None)
                        .GetLength();
        f.write = std::min(f.write, watch.Seconds());
    }
    return f;
}

#ifdef NYXML_HAVE_XSDCXX
Figures TreeRun(const std::string& xml) {
    Figures f;
    xercesc::XMLPlatformUtils::Initialize();
    for (int run = 0; run < kRuns; ++run) {
        Stopwatch watch;
        std::istringstream in(xml);
        std::unique_ptr<cst::Orders> orders =
            cst::orders(in, xml_schema::flags::dont_initialize | xml_schema::flags::dont_validate);
        f.read = std::min(f.read, watch.Seconds());
        if (run == 0) f.peakKiB = PeakRssKiB();
        long long sum = 0;
        for (const cst::Order& order : orders->order())
            for (const cst::Item& item : order.items().item()) sum += item.qty();
        f.qtySum = sum;
        watch.Restart();
        std::ostringstream out;
        xml_schema::namespace_infomap map;
        map[""].name = "urn:bench:po";
        cst::orders(out, *orders, map, "UTF-8", xml_schema::flags::dont_initialize);
        f.written = out.str().size();
        f.write = std::min(f.write, watch.Seconds());
    }
    xercesc::XMLPlatformUtils::Terminate();
    return f;
}
#endif

// Runs one reader in a child process, so that its peak memory is its own.
template <class F>
bool InChild(F&& run, Figures& out) {
    int fds[2];
    if (pipe(fds) != 0) return false;
    std::fflush(stdout);
    pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        Figures f = run();
        ssize_t n = write(fds[1], &f, sizeof f);
        _exit(n == static_cast<ssize_t>(sizeof f) ? 0 : 1);
    }
    close(fds[1]);
    ssize_t n = read(fds[0], &out, sizeof out);
    close(fds[0]);
    int status = 0;
    waitpid(child, &status, 0);
    return n == static_cast<ssize_t>(sizeof out) && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// A schema of about `lines` lines: copies of the benchmark schema's types
// under new names.
std::string BigSchema(const std::string& schema, int lines, int& actualLines) {
    const char* types[] = {"Orders", "Order", "Status", "Customer", "Address", "Items", "Item", "Sku", "Qty", "Card"};
    size_t open = schema.find("<xs:complexType");
    size_t close = schema.rfind("</xs:schema>");
    std::string body = schema.substr(open, close - open);
    std::string head = schema.substr(0, open);
    int perCopy = static_cast<int>(std::count(body.begin(), body.end(), '\n'));
    int copies = lines / perCopy + 1;
    std::string out = head;
    for (int i = 0; i < copies; ++i) {
        std::string copy = body;
        for (const char* t : types) {
            if (i == 0) break;  // the first copy keeps the names the document element refers to
            std::string name = t;
            for (const std::string& from : {"name=\"" + name + "\"", "po:" + name + "\""}) {
                std::string to = from.substr(0, from.size() - 1) + std::to_string(i) + "\"";
                for (size_t at = copy.find(from); at != std::string::npos; at = copy.find(from, at + to.size()))
                    copy.replace(at, from.size(), to);
            }
        }
        out += copy;
    }
    out += "</xs:schema>\n";
    actualLines = static_cast<int>(std::count(out.begin(), out.end(), '\n'));
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    int mb = argc > 1 ? std::atoi(argv[1]) : 20;
    std::string dir = NYXML_BENCH_SCHEMA_DIR;
    std::string path = std::string(NYXML_BENCH_OUT_DIR) + "/schema-" + std::to_string(mb) + ".xml";
    std::string command = "python3 " + dir + "/gen.py " + std::to_string(mb) + " " + path;
    FILE* gen = popen(command.c_str(), "r");
    char summary[256] = {0};
    if (!gen || !std::fgets(summary, sizeof summary, gen) || pclose(gen) != 0) {
        std::printf("bench_schema: cannot run %s (python3 is needed to make the document)\n", command.c_str());
        return 0;
    }
    long long expectedSum = 0;
    if (const char* q = std::strstr(summary, "qty_sum=")) expectedSum = std::atoll(q + 8);
    std::ifstream in(path, std::ios::binary);
    std::string xml((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    double inMb = xml.size() / 1e6;
    std::printf("document: %.1f MB (%s", inMb, summary);
    if (!summary[0] || summary[std::strlen(summary) - 1] != '\n') std::printf(")\n");

    Figures ny;
    if (!InChild([&] { return NyxmlRun(xml); }, ny)) {
        std::printf("nyxml run failed\n");
        return 1;
    }
    std::printf("nyxml generated classes:  read %.3f s (%.1f MB/s), write %.3f s (%.1f MB/s), peak RSS %.1f MB, qty_sum %s\n",
                ny.read, inMb / ny.read, ny.write, ny.written / 1e6 / ny.write, ny.peakKiB / 1024.0,
                ny.qtySum == expectedSum ? "ok" : "WRONG");
#ifdef NYXML_HAVE_XSDCXX
    Figures tree;
    if (!InChild([&] { return TreeRun(xml); }, tree)) {
        std::printf("C++/Tree run failed\n");
        return 1;
    }
    std::printf("CodeSynthesis C++/Tree:   read %.3f s (%.1f MB/s), write %.3f s (%.1f MB/s), peak RSS %.1f MB, qty_sum %s\n",
                tree.read, inMb / tree.read, tree.write, tree.written / 1e6 / tree.write, tree.peakKiB / 1024.0,
                tree.qtySum == expectedSum ? "ok" : "WRONG");
    std::printf("reading: nyxml %.2fx as fast as C++/Tree (goal >= 2.5x); peak RSS %.2fx C++/Tree's (goal <= 0.5x); "
                "writing %.2fx as fast\n",
                tree.read / ny.read, static_cast<double>(ny.peakKiB) / tree.peakKiB, tree.write / ny.write);
    std::printf("(C++/Tree parses without schema validation; nyxml checks the facets while binding)\n");
#else
    std::printf("CodeSynthesis C++/Tree: skipped (xsdcxx and the Xerces-C headers are needed)\n");
#endif

    std::ifstream schemaIn(dir + "/po.xsd", std::ios::binary);
    std::string schema((std::istreambuf_iterator<char>(schemaIn)), std::istreambuf_iterator<char>());
    int lines = 0;
    std::string big = BigSchema(schema, 5000, lines);
    std::string bigPath = std::string(NYXML_BENCH_OUT_DIR) + "/schema-5000.xsd";
    std::ofstream(bigPath, std::ios::binary) << big;
    nyxml_compiler::GenerateOptions options;
    options.schemas = {bigPath};
    double best = nyxml_bench::BestOf(3, [&] {
        nyxml_compiler::GenerateResult result = nyxml_compiler::Generate(options);
        if (!result.ok) {
            for (const nyxml_compiler::Diagnostic& d : result.diagnostics) std::printf("%s\n", d.Format().c_str());
            std::fflush(stdout);
            std::abort();
        }
    });
    std::printf("nyxml generate on a schema of %d lines: %.3f s (goal < 2 s)\n", lines, best);
    return 0;
}
