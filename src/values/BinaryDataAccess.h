// Lets the library's streams hand blocks to a CBinaryData and append to it
// without going through the public copying interface.
#ifndef NYXML_SRC_VALUES_BINARYDATAACCESS_H
#define NYXML_SRC_VALUES_BINARYDATAACCESS_H

#include <nyxml/binarydata.h>

namespace NyXmlLib9 {

class CBinaryDataAccess {
public:
    // Replaces the value by a block from new[] holding `length` used bytes out
    // of `capacity`; the value takes ownership.
    static void Adopt(CBinaryData& data, unsigned char* bytes, uint32_t length, uint32_t capacity) {
        data.Clear();
        data.Adopt(bytes, length, capacity);
    }
};

}  // namespace NyXmlLib9

#endif
