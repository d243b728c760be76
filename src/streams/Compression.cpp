// Deflate at the fastest level into a block the size of the input: output that
// does not shrink is refused rather than grown.
#include <nyxml/streams.h>

#include "values/BinaryDataAccess.h"

#include <zlib.h>

#include <cstring>
#include <memory>
#include <new>

namespace NyXmlLib9 {

unsigned char* CCompression::Compress(const unsigned char* bytes, uint32_t length, int32_t mode,
                                      uint32_t& compressedLength) {
    compressedLength = 0;
    if (mode != Compression_GZip && mode != Compression_ZLib) return nullptr;
    std::unique_ptr<unsigned char[]> out(new unsigned char[length ? length : 1]);
    z_stream zs;
    std::memset(&zs, 0, sizeof zs);
    // Window bits 31: a 32 KiB window with the gzip wrapper.
    int status = mode == Compression_GZip ? deflateInit2(&zs, 1, Z_DEFLATED, 31, 8, Z_DEFAULT_STRATEGY)
                                          : deflateInit(&zs, 1);
    if (status == Z_MEM_ERROR) throw std::bad_alloc();
    if (status != Z_OK) throw CNyException(FormatString(L"Failed to compress data. [Error Code: %d]", status));
    zs.next_in = const_cast<Bytef*>(bytes);
    zs.avail_in = length;
    zs.next_out = out.get();
    zs.avail_out = length;
    deflate(&zs, Z_NO_FLUSH);
    status = deflate(&zs, Z_FINISH);
    uLong produced = zs.total_out;
    deflateEnd(&zs);
    if (status != Z_STREAM_END) throw CNyException(FormatString(L"Failed to compress data. [Error Code: %d]", status));
    compressedLength = static_cast<uint32_t>(produced);
    return out.release();
}

void CCompression::Compress(CBinaryData& data, CompressionType type) {
    uint32_t length = data.GetLength();
    if (length == 0) return;
    uint32_t compressedLength = 0;
    unsigned char* block = Compress(data.GetData(), length, type, compressedLength);
    if (!block) return;
    CBinaryDataAccess::Adopt(data, block, compressedLength, length);
}

}  // namespace NyXmlLib9
