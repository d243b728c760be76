// Lets the library's streams hand blocks to a CBinaryData and append to it
// without going through the public copying interface.
#ifndef NYXML_SRC_VALUES_BINARYDATAACCESS_H
#define NYXML_SRC_VALUES_BINARYDATAACCESS_H

#include <nyxml/binarydata.h>

#include "platform/Memory.h"

namespace NyXmlLib9 {

class CBinaryDataAccess {
public:
    // Replaces the value by a block from new[] holding `length` used bytes out
    // of `capacity`; the value takes ownership.
    static void Adopt(CBinaryData& data, unsigned char* bytes, uint32_t length, uint32_t capacity) {
        data.Clear();
        data.Adopt(bytes, length, capacity);
    }
    // The same for a block of either kind, `length` bytes of it used; the
    // value owns it from the call on, also when the call fails.
    static void AdoptBlock(CBinaryData& data, Platform::ByteBlock block, uint32_t length);
    // Makes room for `length` more bytes at the end (growing as Append does)
    // and returns where they go; the caller fills them before the value is
    // read again.
    static unsigned char* Extend(CBinaryData& data, uint32_t length);
    // Shortens a value that this code made private with Extend.
    static void SetLength(CBinaryData& data, uint32_t length);
};

}  // namespace NyXmlLib9

#endif
