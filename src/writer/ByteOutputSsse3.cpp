// The UTF-8 loops of the direct byte output built for processors with SSSE3
// (the byte shuffle moves the runs of a block within its register); the
// writer calls them only where the processor has it.
#if defined(NYXML_WRITER_SSSE3)
#include "writer/Utf8Blocks.h"

namespace NyXmlLib9 {

unsigned char* CXmlTextWriter::ByteOutput::Utf8::TextSsse3(Cursor& c, unsigned char* out, const wchar_t* text,
                                                           size_t length, bool escape, bool attribute, EOLType eol) {
    return Utf8Text(c, out, text, length, escape, attribute, eol);
}

}  // namespace NyXmlLib9
#endif
