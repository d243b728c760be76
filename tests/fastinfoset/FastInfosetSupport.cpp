#include "FastInfosetSupport.h"

#include <cstdio>

using namespace NyXmlLib9;

namespace fi_test {

std::string Hex(const unsigned char* bytes, size_t length) {
    std::string out;
    char piece[4];
    for (size_t i = 0; i < length; ++i) {
        std::snprintf(piece, sizeof piece, "%02X", bytes[i]);
        if (i) out += ' ';
        out += piece;
    }
    return out;
}

std::string Hex(const CBinaryData& data) { return Hex(data.GetData(), data.GetLength()); }

std::string Bytes(const std::string& hex) {
    std::string out;
    int half = -1;
    for (char c : hex) {
        int v = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (v < 0) continue;
        if (half < 0) {
            half = v;
        } else {
            out += static_cast<char>(half * 16 + v);
            half = -1;
        }
    }
    return out;
}

std::wstring Dump(const CXmlElement* element) {
    if (!element) return L"(none)";
    std::wstring out = L"<{" + element->GetNamespaceURI() + L"}" + element->GetLocalName();
    for (const CXmlAttribute* a : element->GetAttributes())
        out += L" {" + a->GetNamespaceURI() + L"}" + a->GetLocalName() + L"=\"" + a->GetValue() + L"\"";
    out += L">" + element->GetText();
    for (const CXmlElement* c = element->GetFirstElement(); c; c = c->GetNextSiblingElement()) out += Dump(c);
    return out + L"</>";
}

std::wstring LoadDump(const std::string& bytes, const CXmlSerializationContext& ctx) {
    CXmlDocument document(ctx);
    document.LoadXmlStream(reinterpret_cast<unsigned char*>(const_cast<char*>(bytes.data())),
                           static_cast<uint32_t>(bytes.size()));
    return Dump(document.GetDocumentElement());
}

void WriteTree(const CXmlElement* element, CXmlWriter& writer) {
    writer.StartElement(element->GetLocalName(), element->GetNamespaceURI());
    for (const CXmlAttribute* a : element->GetAttributes())
        writer.WriteAttribute(a->GetLocalName(), a->GetNamespaceURI(), a->GetValue(), ItemType_string);
    if (!element->GetText().empty()) writer.WriteText(element->GetText(), ItemType_string);
    for (const CXmlElement* c = element->GetFirstElement(); c; c = c->GetNextSiblingElement()) WriteTree(c, writer);
    writer.EndElement();
}

std::string XmlToFastInfoset(const std::wstring& xml, const CXmlSerializationContext& ctx, FInfoDecl declaration) {
    CXmlDocument document(ctx);
    document.LoadXml(xml.c_str());
    CBinaryStream stream;
    const CFastInfosetContext& options = ctx.GetFIContext();
    CFastInfosetWriter writer(&stream, &options, options.GetUseGeneratedVocabulary() ? options.GetVocabulary() : nullptr);
    writer.WriteDocumentHeader(declaration);
    WriteTree(document.GetDocumentElement(), writer);
    writer.WriteDocumentEnd();
    writer.EndDocument();
    const CBinaryData& data = stream.GetData();
    return std::string(reinterpret_cast<const char*>(data.GetData()), data.GetLength());
}

std::string TypedFastInfoset() {
    CFastInfosetContext options;
    options.SetSuggestedValues();
    CBinaryStream stream;
    CFastInfosetWriter w(&stream, &options);
    w.WriteDocumentHeader(FInfoDecl_None);
    w.SetDefaultNamespace(L"urn:typed");
    w.StartElement(L"typed", L"urn:typed");
    w.WriteAttribute(L"count", L"", L"7", ItemType_i4);
    w.WriteAttribute(L"valid", L"", L"false", ItemType_boolean);
    w.WriteAttribute(L"on", L"", L"2026-01-02", ItemType_date);
    struct Value {
        const wchar_t* name;
        const wchar_t* text;
        ItemType type;
    } values[] = {
        {L"short", L"-2", ItemType_i2},          {L"int", L"42", ItemType_i4},
        {L"long", L"9000000000", ItemType_i8},   {L"boolean", L"true", ItemType_boolean},
        {L"float", L"1.5", ItemType_r4},         {L"double", L"1234.125", ItemType_r8},
        {L"base64", L"AQID/w==", ItemType_base64Binary}, {L"hex", L"0AFF", ItemType_hexBinary},
        {L"decimal", L"-12.5", ItemType_decimal}, {L"date", L"2026-01-02", ItemType_date},
        {L"datetime", L"2026-01-02T03:04:05Z", ItemType_datetime}, {L"int", L"42", ItemType_i4},
    };
    for (const Value& v : values) {
        w.StartElement(v.name, L"urn:typed");
        w.WriteText(v.text, v.type);
        w.EndElement();
    }
    w.EndElement();
    w.WriteDocumentEnd();
    w.EndDocument();
    const CBinaryData& data = stream.GetData();
    return std::string(reinterpret_cast<const char*>(data.GetData()), data.GetLength());
}

}  // namespace fi_test
