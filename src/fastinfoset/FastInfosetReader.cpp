#include "fastinfoset/FastInfosetReader.h"

namespace NyXmlLib9 {

// The binary reader is not part of the library yet: every input is left to the
// XML text reader.
bool ReadFastInfosetDocument(CXmlDocument*, const unsigned char*, uint32_t, const CFastInfosetContext&) {
    return false;
}

}  // namespace NyXmlLib9
