// Writer throughput: a large element tree written as XML text to the
// in-memory stream, and on to UTF-8 bytes, in output MB/s, against pugixml
// serialising the same content in the same run.
#include "BenchSupport.h"

#include <nyxml/document.h>
#include <nyxml/streams.h>
#include <nyxml/writer.h>

#ifdef NYXML_HAVE_PUGIXML
#include <pugixml.hpp>
#endif

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

using namespace NyXmlLib9;
using nyxml_bench::MBps;

namespace {

const size_t kDocumentBytes = 50u << 20;
const int kRuns = 9;
const size_t kSmallDocumentBytes = 64u << 10;
const int kSmallRepeats = 400;

// Element events for the whole tree, text after the children (the tree keeps
// one text per element): the plain recursive walk a caller writes.
void WriteTree(const CXmlElement* e, CXmlWriter& writer) {
    writer.StartElement(e->GetLocalName(), e->GetNamespaceURI());
    for (const CXmlAttribute* a : e->GetAttributes())
        writer.WriteAttribute(a->GetLocalName(), a->GetNamespaceURI(), a->GetValue(), ItemType_string);
    for (const CXmlElement* c = e->GetFirstElement(); c; c = c->GetNextSiblingElement()) WriteTree(c, writer);
    writer.WriteText(e->GetText(), ItemType_string);
    writer.EndElement();
}

// The same content as a flat list of writer calls with their strings, the
// way generated code hands values over: the writer's cost without the walk
// over a tree of separately allocated nodes.
struct Event {
    enum Kind { Start, Attribute, Text, End } kind;
    std::wstring name, ns, value;
};

void RecordTree(const CXmlElement* e, std::vector<Event>& events) {
    events.push_back({Event::Start, e->GetLocalName(), e->GetNamespaceURI(), L""});
    for (const CXmlAttribute* a : e->GetAttributes())
        events.push_back({Event::Attribute, a->GetLocalName(), a->GetNamespaceURI(), a->GetValue()});
    for (const CXmlElement* c = e->GetFirstElement(); c; c = c->GetNextSiblingElement()) RecordTree(c, events);
    events.push_back({Event::Text, L"", L"", e->GetText()});
    events.push_back({Event::End, L"", L"", L""});
}

void Replay(const std::vector<Event>& events, CXmlWriter& writer) {
    for (const Event& e : events) {
        switch (e.kind) {
        case Event::Start: writer.StartElement(e.name, e.ns); break;
        case Event::Attribute: writer.WriteAttribute(e.name, e.ns, e.value, ItemType_string); break;
        case Event::Text: writer.WriteText(e.value, ItemType_string); break;
        case Event::End: writer.EndElement(); break;
        }
    }
}

template <class Body>
void WriteWith(CTextStream& stream, Body&& body) {
    CXmlTextWriter writer(&stream);
    writer.StartDocument();
    writer.WriteXmlDeclaration();
    writer.AddNamespace(L"cat", L"urn:example:catalog");
    writer.AddNamespace(L"inv", L"urn:example:inventory");
    writer.AddNamespace(L"xsi", L"http://www.w3.org/2001/XMLSchema-instance");
    body(writer);
    writer.EndDocument();
}

void WriteDocument(const CXmlElement* root, CTextStream& stream) {
    CXmlTextWriter writer(&stream);
    writer.StartDocument();
    writer.WriteXmlDeclaration();
    writer.AddNamespace(L"cat", L"urn:example:catalog");
    writer.AddNamespace(L"inv", L"urn:example:inventory");
    writer.AddNamespace(L"xsi", L"http://www.w3.org/2001/XMLSchema-instance");
    WriteTree(root, writer);
    writer.EndDocument();
}

// Reads every character of every string it is given and writes nothing: the
// cost of producing the events (the walk or the replay, one virtual call
// each) and of reading their strings, which any writer pays before it writes
// a byte. The input is UTF-16 held in wchar_t, four bytes per character.
class ReadingWriter : public CXmlWriter {
public:
    uint32_t seen = 0;
    void Read(const std::wstring& text) {
        for (wchar_t c : text) seen |= static_cast<uint32_t>(c);
    }
    void WriteComment(const std::wstring& text) override { Read(text); }
    void WriteProcessingInstruction(const std::wstring& text) override { Read(text); }
    void WriteInLineSchema(const std::wstring& text) override { Read(text); }
    void StartElement(const std::wstring& localName, const std::wstring& namespaceURI) override {
        Read(localName);
        Read(namespaceURI);
    }
    void WriteText(const std::wstring& text, ItemType) override { Read(text); }
    void EndElement() override {}
    void WriteAttribute(const std::wstring& localName, const std::wstring& namespaceURI, const std::wstring& value,
                        ItemType) override {
        Read(localName);
        Read(namespaceURI);
        Read(value);
    }
    void WriteXsiType(const std::wstring& namespaceURI, const std::wstring& typeName, ItemType) override {
        Read(namespaceURI);
        Read(typeName);
    }
    void WriteXsiNil() override {}
};

#ifdef NYXML_HAVE_PUGIXML
struct StringWriter : pugi::xml_writer {
    std::string text;
    void write(const void* data, size_t size) override { text.append(static_cast<const char*>(data), size); }
};
#endif

// The cases of the benchmark, run in rounds: every case once per round, so
// that a slow spell of the machine falls on all of them alike; each keeps its
// best time. A body returns the seconds it measured itself, leaving out its
// preparation (freeing the previous output, for instance). With a case named
// on the command line, that case alone runs `runs` times (for profiling).
class CaseRunner {
public:
    std::string only;
    int runs = kRuns;

    void Add(const char* name, std::function<double()> body) {
        if (only.empty() || only == name) m_cases.push_back({name, std::move(body), 0});
    }
    void RunAll() {
        for (Case& c : m_cases) c.best = 1e300;
        for (int round = 0; round < runs; ++round)
            for (Case& c : m_cases) c.best = std::min(c.best, c.body());
    }
    // The best time of a case; 0 when it did not run.
    double Best(const char* name) const {
        for (const Case& c : m_cases)
            if (c.name == name) return c.best;
        return 0;
    }
    bool Ran(const char* name) const { return Best(name) > 0; }

private:
    struct Case {
        std::string name;
        std::function<double()> body;
        double best;
    };
    std::vector<Case> m_cases;
};

// Times fn alone.
template <class F>
double Timed(F&& fn) {
    nyxml_bench::Stopwatch watch;
    fn();
    return watch.Seconds();
}

void PrintCase(const CaseRunner& cases, const char* name, const char* label, double bytes, double floorRate,
               const char* floorLabel) {
    if (!cases.Ran(name)) return;
    nyxml_bench::PrintRate(label, MBps(bytes, cases.Best(name)), "MB/s", floorRate, floorLabel);
}

}  // namespace

// bench_writer [case [runs]]; cases: pugixml, pugixml-warm, tree-memory,
// memory-fill, tree-utf8, tree-bytes, tree-reading, calls-memory, calls-bytes,
// calls-reading, small-bytes, small-pugixml. The
// "reading" cases write nothing: they measure what producing the events and
// reading their strings costs by itself, the part of every other case that no
// writer can remove (given per output byte, like the others).
int main(int argc, char** argv) {
    CaseRunner cases;
    if (argc > 1) cases.only = argv[1];
    if (argc > 2) cases.runs = std::max(1, std::atoi(argv[2]));

    std::string source = nyxml_bench::MakeXmlDocument(kDocumentBytes);
    std::printf("document: %.1f MB of XML text\n", source.size() / 1e6);

    CXmlDocument document;
    document.LoadXmlStream(reinterpret_cast<unsigned char*>(&source[0]), static_cast<uint32_t>(source.size()));
    const CXmlElement* root = document.GetDocumentElement();

    // Output size, and a first run that warms the allocator.
    double outputBytes = 0;
    size_t outputCharacters = 0;
    {
        CTextStream stream(XmlEncoding_UTF8);
        WriteDocument(root, stream);
        outputBytes = stream.GetBytes().GetLength();
        outputCharacters = stream.GetBuffer().GetTotal();
    }
    std::printf("output:   %.1f MB (formatted, UTF-8)\n\n", outputBytes / 1e6);

    // Each output is freed before the next run, outside the time measured.
    // `toBytes` also takes the bytes (checked against the size expected).
    std::unique_ptr<CTextStream> kept;
    auto writeInto = [&](CTextStream* stream, bool toBytes, const std::function<void(CTextStream&)>& write) {
        kept.reset();
        kept.reset(stream);
        CBinaryData bytes;
        double seconds = Timed([&] {
            write(*kept);
            if (toBytes) bytes = kept->GetBytes();
        });
        if (toBytes && bytes.GetLength() != static_cast<uint32_t>(outputBytes)) std::printf("different output\n");
        return seconds;
    };
    auto tree = [root](CTextStream& stream) { WriteDocument(root, stream); };
    cases.Add("tree-memory", [&] { return writeInto(new CTextStream(XmlEncoding_UTF8), false, tree); });
    cases.Add("tree-utf8", [&] { return writeInto(new CTextStream(XmlEncoding_UTF8), true, tree); });
    cases.Add("tree-bytes", [&] { return writeInto(new CByteTextStream(XmlEncoding_UTF8), true, tree); });
    // The in-memory stream's buffer filled with as many characters by plain
    // appends of a block: what its memory (four bytes per character, fresh
    // pages) costs before any writing.
    cases.Add("memory-fill", [&] {
        kept.reset();
        kept.reset(new CTextStream(XmlEncoding_UTF8));
        const std::wstring block(4095, L'x');
        return Timed([&] {
            CStringBuffer& buffer = kept->GetBuffer();
            for (size_t left = outputCharacters; left > 0;) {
                size_t n = std::min(left, block.size());
                buffer.Append(block.data(), n);
                left -= n;
            }
        });
    });
    uint32_t seen = 0;
    cases.Add("tree-reading", [&] {
        ReadingWriter writer;
        double seconds = Timed([&] { WriteTree(root, writer); });
        seen |= writer.seen;
        return seconds;
    });
    std::vector<Event> events;
    if (cases.only.empty() || cases.only.compare(0, 6, "calls-") == 0) RecordTree(root, events);
    auto replay = [&events](CXmlWriter& writer) { Replay(events, writer); };
    auto calls = [&replay](CTextStream& stream) { WriteWith(stream, replay); };
    cases.Add("calls-memory", [&] { return writeInto(new CTextStream(XmlEncoding_UTF8), false, calls); });
    cases.Add("calls-bytes", [&] { return writeInto(new CByteTextStream(XmlEncoding_UTF8), true, calls); });
    cases.Add("calls-reading", [&] {
        ReadingWriter writer;
        double seconds = Timed([&] { Replay(events, writer); });
        seen |= writer.seen;
        return seconds;
    });

    double floorRate = 0;
    const char* floorLabel = "pugixml";
#ifdef NYXML_HAVE_PUGIXML
    pugi::xml_document pugiDocument;
    pugiDocument.load_buffer(source.data(), source.size());
    double pugiBytes = 0;
    // Into a new string, as a program writing a new document does: its pages
    // are fresh, as the writer's output block is.
    std::unique_ptr<StringWriter> pugiOut;
    cases.Add("pugixml", [&] {
        pugiOut.reset();
        pugiOut.reset(new StringWriter);
        return Timed([&] {
            pugiOut->text.reserve(static_cast<size_t>(outputBytes) + 4096);
            pugiDocument.save(*pugiOut, "\t", pugi::format_default, pugi::encoding_utf8);
            pugiBytes = static_cast<double>(pugiOut->text.size());
        });
    });
    // The same into a string whose pages were written before: pugixml's own
    // work without the page faults of fresh output memory.
    StringWriter warm;
    cases.Add("pugixml-warm", [&] {
        warm.text.assign(static_cast<size_t>(outputBytes) + 4096, ' ');
        warm.text.clear();
        return Timed([&] { pugiDocument.save(warm, "\t", pugi::format_default, pugi::encoding_utf8); });
    });
#endif
    // A small document (64 KB of XML text) written many times: tree and
    // output stay in the caches, so this compares the writers' own work.
    std::string smallSource = nyxml_bench::MakeXmlDocument(kSmallDocumentBytes, 2);
    CXmlDocument smallDocument;
    smallDocument.LoadXmlStream(reinterpret_cast<unsigned char*>(&smallSource[0]),
                                static_cast<uint32_t>(smallSource.size()));
    double smallBytes = 0;
    cases.Add("small-bytes", [&] {
        return Timed([&] {
            for (int i = 0; i < kSmallRepeats; ++i) {
                CByteTextStream stream(XmlEncoding_UTF8);
                WriteDocument(smallDocument.GetDocumentElement(), stream);
                smallBytes = stream.GetBytes().GetLength();
            }
        });
    });
#ifdef NYXML_HAVE_PUGIXML
    pugi::xml_document smallPugi;
    smallPugi.load_buffer(smallSource.data(), smallSource.size());
    double smallPugiBytes = 0;
    cases.Add("small-pugixml", [&] {
        return Timed([&] {
            for (int i = 0; i < kSmallRepeats; ++i) {
                StringWriter writer;
                writer.text.reserve(smallSource.size() + 4096);
                smallPugi.save(writer, "\t", pugi::format_default, pugi::encoding_utf8);
                smallPugiBytes = static_cast<double>(writer.text.size());
            }
        });
    });
#endif
    cases.RunAll();
    kept.reset();
    if (seen == 0 && (cases.Ran("tree-reading") || cases.Ran("calls-reading"))) std::printf("nothing read\n");
#ifdef NYXML_HAVE_PUGIXML
    if (cases.Ran("pugixml")) {
        double pugi = cases.Best("pugixml");
        floorRate = MBps(pugiBytes, pugi);
        std::printf("%-44s %10.1f MB/s  (%.1f MB in %.3f s)\n", "pugixml save to memory (UTF-8)", floorRate,
                    pugiBytes / 1e6, pugi);
    }
    if (cases.Ran("pugixml-warm")) {
        double rate = MBps(static_cast<double>(warm.text.size()), cases.Best("pugixml-warm"));
        std::printf("%-44s %10.1f MB/s  (%.2fx pugixml)\n", "  into memory written before (no page faults)", rate,
                    floorRate > 0 ? rate / floorRate : 0.0);
    }
#else
    floorLabel = "(pugixml not available)";
#endif
    std::printf("written from the CXmlDocument tree (walk included):\n");
    PrintCase(cases, "tree-memory", "CXmlTextWriter -> CTextStream (in memory)", outputBytes, floorRate, floorLabel);
    PrintCase(cases, "memory-fill", "  its buffer filled by appends, no writer", outputBytes, floorRate, floorLabel);
    PrintCase(cases, "tree-utf8", "CXmlTextWriter -> CTextStream -> UTF-8 bytes", outputBytes, floorRate,
              floorLabel);
    PrintCase(cases, "tree-bytes", "CXmlTextWriter -> CByteTextStream (UTF-8 bytes)", outputBytes, floorRate,
              floorLabel);
    PrintCase(cases, "tree-reading", "  the walk, reading the strings, no output", outputBytes, floorRate,
              floorLabel);
    std::printf("written from a flat list of writer calls:\n");
    PrintCase(cases, "calls-memory", "CXmlTextWriter -> CTextStream (in memory)", outputBytes, floorRate,
              floorLabel);
    PrintCase(cases, "calls-bytes", "CXmlTextWriter -> CByteTextStream (UTF-8 bytes)", outputBytes, floorRate,
              floorLabel);
    PrintCase(cases, "calls-reading", "  the replay, reading the strings, no output", outputBytes, floorRate,
              floorLabel);
    if (cases.Ran("small-bytes")) {
        double rate = MBps(smallBytes * kSmallRepeats, cases.Best("small-bytes"));
        double smallFloor = 0;
#ifdef NYXML_HAVE_PUGIXML
        if (cases.Ran("small-pugixml")) smallFloor = MBps(smallPugiBytes * kSmallRepeats, cases.Best("small-pugixml"));
#endif
        std::printf("a %.0f KB document written %d times (in the caches):\n", smallSource.size() / 1e3, kSmallRepeats);
        std::printf("%-44s %10.1f MB/s\n", "pugixml save to memory (UTF-8)", smallFloor);
        nyxml_bench::PrintRate("CXmlTextWriter -> CByteTextStream (UTF-8 bytes)", rate, "MB/s", smallFloor, floorLabel);
    }
    std::printf("\npeak RSS: %.1f MiB\n", nyxml_bench::PeakRssKiB() / 1024.0);
    return 0;
}
