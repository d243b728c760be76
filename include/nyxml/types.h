// Enumerations shared by several families of the library.
#ifndef NYXML_TYPES_H
#define NYXML_TYPES_H

#include <cstdint>

namespace NyXmlLib9 {

// XSD item types; 27 and 28 are the variant's object and collection tags.
enum ItemType : int32_t {
    ItemType_none = 0,
    ItemType_hexBinary = 1,
    ItemType_base64Binary = 2,
    ItemType_i1 = 3,
    ItemType_i2 = 4,
    ItemType_i4 = 5,
    ItemType_i8 = 6,
    ItemType_ui1 = 7,
    ItemType_ui2 = 8,
    ItemType_ui4 = 9,
    ItemType_ui8 = 10,
    ItemType_r4 = 11,
    ItemType_r8 = 12,
    ItemType_duration = 13,
    ItemType_yearMonth = 14,
    ItemType_monthDay = 15,
    ItemType_year = 16,
    ItemType_month = 17,
    ItemType_day = 18,
    ItemType_date = 19,
    ItemType_datetime = 20,
    ItemType_time = 21,
    ItemType_char = 22,
    ItemType_string = 23,
    ItemType_boolean = 24,
    ItemType_decimal = 25,
    ItemType_integer = 26,
    ItemType_object = 27,
    ItemType_collection = 28
};

// Line ends of text output.
enum EOLType : int32_t {
    EOL_CRLF = 0,
    EOL_LF = 1
};

// Encodings of text output: 0 is in-memory text only; 2 names UTF-16 in the
// declaration, 3 writes UTF-16 without naming it.
enum XmlEncoding : int32_t {
    XmlEncoding_None = 0,
    XmlEncoding_UTF8 = 1,
    XmlEncoding_UTF16 = 2,
    XmlEncoding_UTF16_NoDeclaration = 3
};

enum CompressionType : int32_t {
    Compression_None = 0,
    Compression_GZip = 1,
    Compression_ZLib = 2
};

// Kind of schema the generated code came from; only SchemaType_NoNamespaces (2)
// changes anything: names are matched and parsed without namespaces.
enum SchemaType : int32_t {
    SchemaType_XSD = 0,
    SchemaType_XDR = 1,
    SchemaType_NoNamespaces = 2
};

// XML declaration written before a Fast Infoset document.
enum FInfoDecl : int32_t {
    FInfoDecl_None = 0,
    FInfoDecl_Encoding = 1,
    FInfoDecl_EncodingStandaloneYes = 2,
    FInfoDecl_EncodingStandaloneNo = 3,
    FInfoDecl_V10 = 4,
    FInfoDecl_V10StandaloneYes = 5,
    FInfoDecl_V10StandaloneNo = 6,
    FInfoDecl_V11 = 7,
    FInfoDecl_V11StandaloneYes = 8,
    FInfoDecl_V11StandaloneNo = 9
};

}  // namespace NyXmlLib9

#endif
