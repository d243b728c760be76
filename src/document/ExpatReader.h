// Adapter from the wide Expat parser to the document's tree-building operations.
#ifndef NYXML_SRC_DOCUMENT_EXPATREADER_H
#define NYXML_SRC_DOCUMENT_EXPATREADER_H

#include <nyxml/document.h>

#include <exception>

struct XML_ParserStruct;

namespace NyXmlLib9 {

class CExpatReader : public CInstanceMonitor {
public:
    explicit CExpatReader(CXmlDocument* document);
    CExpatReader(const CExpatReader&) = delete;
    CExpatReader& operator=(const CExpatReader&) = delete;
    ~CExpatReader() override;

    // Creates and configures the parser.
    void Initialise();
    // Hands the document's current input buffer to the parser as the next
    // chunk; last is true for the final one. Throws CNyException with Expat's
    // description and the line number on error.
    void Parse(bool last);

    // Feeds the given bytes (used by the benchmarks and by callers that hold
    // their own buffers).
    void ParseBytes(const unsigned char* data, uint32_t length, bool last);

private:
    static void StartElement(void* userData, const unsigned short* name, const unsigned short** attributes);
    static void EndElement(void* userData, const unsigned short* name);
    static void StartNamespace(void* userData, const unsigned short* prefix, const unsigned short* uri);
    static void EndNamespace(void* userData, const unsigned short* prefix);
    static void CharacterData(void* userData, const unsigned short* text, int length);
    static void StartCData(void* userData);
    static void EndCData(void* userData);
    void Fail(std::exception_ptr error);
    void Release();

    CXmlDocument* m_document;
    XML_ParserStruct* m_parser;
    std::exception_ptr m_handlerError;  // thrown by a handler, rethrown once Expat has returned
    bool m_namespaces;
};

}  // namespace NyXmlLib9

#endif
