// Entry of the binary reader into document loading.
#ifndef NYXML_SRC_FASTINFOSET_FASTINFOSETREADER_H
#define NYXML_SRC_FASTINFOSET_FASTINFOSETREADER_H

#include <nyxml/document.h>

namespace NyXmlLib9 {

// Builds the tree of `document` when the bytes are a Fast Infoset document and
// returns true; returns false, touching nothing, for any other input.
bool ReadFastInfosetDocument(CXmlDocument* document, const unsigned char* bytes, uint32_t length,
                             const CFastInfosetContext& options);

}  // namespace NyXmlLib9

#endif
