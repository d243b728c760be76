// Untyped round trip: bytes -> CElement -> bytes, against the tree load of the
// same bytes in the same run; peak memory per input megabyte.
#include <nyxml/document.h>
#include <nyxml/untyped.h>

#include "BenchSupport.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

using namespace NyXmlLib9;
using nyxml_bench::BestOf;
using nyxml_bench::PeakRssKiB;

namespace {

const CXmlSerializationContext& Ctx() { return CXmlSerializationContext::GetDefaultContext(); }

void TreeLoad(std::string& xml) {
    CXmlDocument d;
    d.LoadXmlStream(reinterpret_cast<unsigned char*>(&xml[0]), static_cast<uint32_t>(xml.size()));
}

size_t RoundTrip(std::string& xml) {
    CSmartPtr<CElement> e(new CElement(L"root"));
    e->FromXmlStream(reinterpret_cast<unsigned char*>(&xml[0]), static_cast<uint32_t>(xml.size()), Ctx());
    CBinaryData out = e->ToXmlStream(false, false, XmlEncoding_UTF8, EOL_LF, Ctx(), Compression_None);
    return out.GetLength();
}

// Peak RSS of one round trip in a fresh process, so that earlier runs do not count.
double PeakMbOfRoundTrip(const std::string& xml) {
    std::fflush(stdout);
    pid_t child = fork();
    if (child == 0) {
        std::string copy = xml;
        long before = PeakRssKiB();
        RoundTrip(copy);
        std::printf("peak RSS of a round trip: %.1f MB (%.1f MB before it started)\n", PeakRssKiB() / 1024.0,
                    before / 1024.0);
        std::fflush(stdout);
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    size_t mb = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 50;
    std::string xml = nyxml_bench::MakeXmlDocument(mb * 1000000);
    double inMb = xml.size() / 1e6;
    std::printf("document: %.1f MB\n", inMb);
    PeakMbOfRoundTrip(xml);
    size_t outBytes = 0;
    double load = BestOf(3, [&] { TreeLoad(xml); });
    double trip = BestOf(3, [&] { outBytes = RoundTrip(xml); });
    std::printf("tree load alone:                  %.3f s  %6.1f MB/s\n", load, inMb / load);
    std::printf("untyped round trip (read+write):  %.3f s  %6.1f MB/s  %.2fx the tree load  (%.1f MB written)\n",
                trip, inMb / trip, trip / load, outBytes / 1e6);
    return 0;
}
