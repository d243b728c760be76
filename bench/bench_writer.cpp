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
#include <memory>
#include <string>
#include <utility>
#include <vector>

using namespace NyXmlLib9;
using nyxml_bench::BestOf;
using nyxml_bench::MBps;

namespace {

const size_t kDocumentBytes = 50u << 20;
const int kRuns = 5;

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

// Runs `body` kRuns times unless `only` names another case; 0 when skipped.
// With a case named on the command line, that case alone runs `runs` times
// (for profiling).
struct CaseRunner {
    std::string only;
    int runs = kRuns;
    template <class Body>
    double Run(const char* name, Body&& body) const {
        if (!only.empty() && only != name) return 0;
        return BestOf(runs, body);
    }
};

void PrintCase(const CaseRunner& cases, const char* name, const char* label, double bytes, double seconds,
               double floorRate, const char* floorLabel) {
    if (!cases.only.empty() && cases.only != name) return;
    nyxml_bench::PrintRate(label, MBps(bytes, seconds), "MB/s", floorRate, floorLabel);
}

}  // namespace

// bench_writer [case [runs]]; cases: pugixml, tree-memory, tree-utf8,
// tree-bytes, tree-reading, calls-memory, calls-bytes, calls-reading. The
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
    {
        CTextStream stream(XmlEncoding_UTF8);
        WriteDocument(root, stream);
        outputBytes = stream.GetBytes().GetLength();
    }
    std::printf("output:   %.1f MB (formatted, UTF-8)\n\n", outputBytes / 1e6);

    std::unique_ptr<CTextStream> kept;
    double memory = cases.Run("tree-memory", [&] {
        kept.reset();
        kept.reset(new CTextStream(XmlEncoding_UTF8));
        WriteDocument(root, *kept);
    });
    kept.reset();
    double utf8 = cases.Run("tree-utf8", [&] {
        kept.reset();
        kept.reset(new CTextStream(XmlEncoding_UTF8));
        WriteDocument(root, *kept);
        CBinaryData bytes = kept->GetBytes();
        if (bytes.GetLength() == 0) std::printf("no output\n");
    });
    kept.reset();
    double pieces = cases.Run("tree-bytes", [&] {
        kept.reset();
        kept.reset(new CByteTextStream(XmlEncoding_UTF8));
        WriteDocument(root, *kept);
        CBinaryData bytes = kept->GetBytes();
        if (bytes.GetLength() != static_cast<uint32_t>(outputBytes)) std::printf("different output\n");
    });
    kept.reset();

    uint32_t seen = 0;
    double treeReading = cases.Run("tree-reading", [&] {
        ReadingWriter writer;
        WriteTree(root, writer);
        seen |= writer.seen;
    });
    std::vector<Event> events;
    if (cases.only.empty() || cases.only.compare(0, 6, "calls-") == 0) RecordTree(root, events);
    auto replay = [&events](CXmlWriter& writer) { Replay(events, writer); };
    double replayMemory = cases.Run("calls-memory", [&] {
        kept.reset();
        kept.reset(new CTextStream(XmlEncoding_UTF8));
        WriteWith(*kept, replay);
    });
    kept.reset();
    double replayPieces = cases.Run("calls-bytes", [&] {
        kept.reset();
        kept.reset(new CByteTextStream(XmlEncoding_UTF8));
        WriteWith(*kept, replay);
        CBinaryData bytes = kept->GetBytes();
        if (bytes.GetLength() != static_cast<uint32_t>(outputBytes)) std::printf("different output\n");
    });
    kept.reset();
    double replayReading = cases.Run("calls-reading", [&] {
        ReadingWriter writer;
        Replay(events, writer);
        seen |= writer.seen;
    });
    if (seen == 0 && (treeReading > 0 || replayReading > 0)) std::printf("nothing read\n");

    double floorRate = 0;
    const char* floorLabel = "pugixml";
#ifdef NYXML_HAVE_PUGIXML
    pugi::xml_document pugiDocument;
    pugiDocument.load_buffer(source.data(), source.size());
    double pugiBytes = 0;
    double pugi = cases.Run("pugixml", [&] {
        StringWriter writer;
        writer.text.reserve(static_cast<size_t>(outputBytes) + 4096);
        pugiDocument.save(writer, "\t", pugi::format_default, pugi::encoding_utf8);
        pugiBytes = static_cast<double>(writer.text.size());
    });
    // The same into a string whose pages were written before: pugixml's own
    // work without the page faults of fresh output memory (which the floor
    // above pays, as a program writing a new document does).
    StringWriter warm;
    double pugiWarm = cases.Run("pugixml-warm", [&] {
        warm.text.assign(static_cast<size_t>(outputBytes) + 4096, ' ');
        warm.text.clear();
        nyxml_bench::Stopwatch watch;
        pugiDocument.save(warm, "\t", pugi::format_default, pugi::encoding_utf8);
        return watch.Seconds();
    });
    floorRate = MBps(pugiBytes, pugi);
    if (cases.only.empty() || cases.only == "pugixml")
        std::printf("%-44s %10.1f MB/s  (%.1f MB in %.3f s)\n", "pugixml save to memory (UTF-8)", floorRate,
                    pugiBytes / 1e6, pugi);
    if (cases.only.empty() || cases.only == "pugixml-warm")
        std::printf("%-44s %10.1f MB/s  (%.2fx pugixml)\n", "  into memory written before (no page faults)",
                    MBps(pugiBytes, pugiWarm), MBps(pugiBytes, pugiWarm) / floorRate);
#else
    floorLabel = "(pugixml not available)";
#endif
    std::printf("written from the CXmlDocument tree (walk included):\n");
    PrintCase(cases, "tree-memory", "CXmlTextWriter -> CTextStream (in memory)", outputBytes, memory, floorRate,
              floorLabel);
    PrintCase(cases, "tree-utf8", "CXmlTextWriter -> CTextStream -> UTF-8 bytes", outputBytes, utf8, floorRate,
              floorLabel);
    PrintCase(cases, "tree-bytes", "CXmlTextWriter -> CByteTextStream (UTF-8 bytes)", outputBytes, pieces, floorRate,
              floorLabel);
    PrintCase(cases, "tree-reading", "  the walk, reading the strings, no output", outputBytes, treeReading, floorRate,
              floorLabel);
    std::printf("written from a flat list of writer calls:\n");
    PrintCase(cases, "calls-memory", "CXmlTextWriter -> CTextStream (in memory)", outputBytes, replayMemory, floorRate,
              floorLabel);
    PrintCase(cases, "calls-bytes", "CXmlTextWriter -> CByteTextStream (UTF-8 bytes)", outputBytes, replayPieces,
              floorRate, floorLabel);
    PrintCase(cases, "calls-reading", "  the replay, reading the strings, no output", outputBytes, replayReading,
              floorRate, floorLabel);
    std::printf("\npeak RSS: %.1f MiB\n", nyxml_bench::PeakRssKiB() / 1024.0);
    return 0;
}
