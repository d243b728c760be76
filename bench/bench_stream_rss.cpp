// Streaming file output: a ~200 MB document written through CFileTextStream
// while it is produced must keep the peak resident set under 32 MiB. The floor
// is plain write() of the same number of bytes in 64 KiB pieces.
#include "BenchSupport.h"

#include <nyxml/streams.h>
#include <nyxml/writer.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace NyXmlLib9;

namespace {

const uint64_t kTargetBytes = 200ull * 1000 * 1000;
const long kLimitKiB = 32 * 1024;

std::string TempPath(const char* name) {
    const char* base = std::getenv("TMPDIR");
    return std::string(base && *base ? base : "/tmp") + "/" + name + "." + std::to_string(getpid());
}

// Produces the document event by event (no tree in memory) until the stream
// has received about kTargetBytes characters.
void WriteDocument(CXmlTextWriter& writer) {
    static const wchar_t* const kWords[] = {L"fast", L"widget", L"caf\x00E9", L"A&B", L"<tag>", L"steel", L"\x65E5\x672C"};
    nyxml_bench::Random rng(7);
    writer.StartDocument();
    writer.WriteXmlDeclaration();
    writer.AddNamespace(L"cat", L"urn:example:catalog");
    writer.StartElement(L"catalog", L"urn:example:catalog");
    uint64_t written = 0;
    std::wstring text, id;
    for (uint64_t i = 0; written < kTargetBytes; ++i) {
        id = L"P" + std::to_wstring(i);
        writer.StartElement(L"product", L"urn:example:catalog");
        writer.WriteAttribute(L"id", L"", id, ItemType_string);
        writer.StartElement(L"description", L"urn:example:catalog");
        text.clear();
        for (int w = 0; w < 12; ++w) {
            text += kWords[rng.Below(7)];
            text += L' ';
        }
        writer.WriteText(text, ItemType_string);
        writer.EndElement();
        writer.EndElement();
        written += 2 * 10 + 14 + 17 * 2 + id.size() + text.size() + 16;  // about what this item appended
    }
    writer.EndElement();
    writer.EndDocument();
}

double PlainWrite(const std::string& path, uint64_t bytes) {
    std::vector<char> piece(65536, 'x');
    nyxml_bench::Stopwatch watch;
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0) return 0;
    for (uint64_t done = 0; done < bytes;) {
        size_t n = static_cast<size_t>(std::min<uint64_t>(piece.size(), bytes - done));
        ssize_t w = ::write(fd, piece.data(), n);
        if (w <= 0) break;
        done += static_cast<uint64_t>(w);
    }
    ::close(fd);
    return watch.Seconds();
}

}  // namespace

int main() {
    std::string path = TempPath("nyxml-bench-stream.xml");
    std::wstring widePath(path.begin(), path.end());
    long before = nyxml_bench::PeakRssKiB();

    nyxml_bench::Stopwatch watch;
    {
        CFileTextStream stream(widePath.c_str(), XmlEncoding_UTF8);
        CXmlTextWriter writer(&stream);
        WriteDocument(writer);
    }
    double seconds = watch.Seconds();
    long peak = nyxml_bench::PeakRssKiB();
    struct stat st;
    uint64_t size = ::stat(path.c_str(), &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
    std::remove(path.c_str());

    double plain = PlainWrite(path, size);
    std::remove(path.c_str());

    std::printf("document written:   %.1f MB in %.2f s\n", size / 1e6, seconds);
    nyxml_bench::PrintRate("CFileTextStream (format + encode + write)", nyxml_bench::MBps(size, seconds), "MB/s",
                           nyxml_bench::MBps(size, plain), "plain write() of the same bytes");
    std::printf("peak RSS before:    %.1f MiB\n", before / 1024.0);
    std::printf("peak RSS after:     %.1f MiB (limit %ld MiB): %s\n", peak / 1024.0, kLimitKiB / 1024,
                peak < kLimitKiB ? "within the limit" : "OVER THE LIMIT");
    return peak < kLimitKiB ? 0 : 1;
}
