// CByteTextStream: encodes the document piece by piece into one growing byte
// block instead of keeping its wide text.
#include <nyxml/streams.h>

#include "platform/Memory.h"
#include "streams/TextEncoding.h"
#include "values/BinaryDataAccess.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace NyXmlLib9 {

namespace {

const uint64_t kFirstBlock = 65536;

// The block as the platform layer sees it: blocks from a mebibyte on are
// mapped pages, smaller ones come from new[].
Platform::ByteBlock Block(unsigned char* bytes, uint32_t capacity) {
    Platform::ByteBlock block;
    block.bytes = bytes;
    block.capacity = capacity;
    block.mapped = capacity >= Platform::kMappedBlockMinimum;
    return block;
}

}  // namespace

CByteTextStream::CByteTextStream(XmlEncoding encoding)
    : CTextStream(encoding), m_block(nullptr), m_length(0), m_capacity(0) {}

CByteTextStream::~CByteTextStream() {
    Platform::ByteBlock block = Block(m_block, m_capacity);
    Platform::FreeByteBlock(block);
}

void CByteTextStream::Begin() {
    CTextStream::Begin();
    m_bytes.Clear();
    m_length = 0;  // a block still held is reused
    m_ended = false;
    m_handedOver = false;
    m_pendingHigh = 0;
}

void CByteTextStream::Reserve(uint64_t more) {
    uint64_t needed = m_length + more;
    if (needed <= m_capacity) return;
    if (needed > UINT32_MAX) throw std::length_error("CByteTextStream: more than 4 GiB - 1 bytes");
    // Growing fourfold; the pages of the block that are never written are
    // never touched. Small blocks are copied, a block of a mebibyte or more
    // is mapped and then grows by remapping its pages, without a copy.
    uint64_t capacity = std::max(needed, std::max(kFirstBlock, 4 * static_cast<uint64_t>(m_capacity)));
    Platform::ByteBlock block = Block(m_block, m_capacity);
    Platform::GrowByteBlock(block, m_length, std::min<uint64_t>(capacity, UINT32_MAX));
    m_block = block.bytes;
    m_capacity = block.capacity;
}

void CByteTextStream::Flush() {
    if (m_buffer.GetTotal() == 0) return;
    if (m_ended) {
        // The conversion of the whole text would have stopped before this piece.
        m_buffer.Empty();
        return;
    }
    // A high surrogate at the end of a piece waits for the next piece, as it
    // would in the whole text.
    if (m_handedOver) {
        // Writing goes on after End: the bytes are already handed over.
        AppendEncodedBuffer(m_buffer, m_encoding, m_bytes, &m_ended, &m_pendingHigh);
    } else {
        if (m_encoding != XmlEncoding_UTF8 && m_encoding != XmlEncoding_UTF16 &&
            m_encoding != XmlEncoding_UTF16_NoDeclaration)
            throw CNyException(UnknownEncodingMessage());
        Reserve(EncodedBytesAtMost(m_buffer));
        m_length += static_cast<uint32_t>(
            EncodeBufferInto(m_buffer, m_encoding, m_block + m_length, &m_ended, &m_pendingHigh));
    }
    m_buffer.Empty();
}

void CByteTextStream::End() {
    Flush();
    if (m_block && !m_handedOver) {
        CBinaryDataAccess::AdoptBlock(m_bytes, Block(m_block, m_capacity), m_length);
        m_block = nullptr;
        m_length = m_capacity = 0;
        m_handedOver = true;
    }
}

CBinaryData CByteTextStream::GetBytes() const {
    CBinaryData all(m_bytes);
    if (m_length) {
        // Read before End: a copy of the bytes so far.
        all = CBinaryData(m_block, m_length, false);
    } else if (!m_handedOver && !m_pendingHigh && !m_ended) {
        return EncodeBuffer(m_buffer, m_encoding);
    }
    if (m_buffer.GetTotal() > 0 && !m_ended) {
        uint32_t pendingHigh = m_pendingHigh;
        AppendEncodedBuffer(m_buffer, m_encoding, all, nullptr, &pendingHigh);
    }
    return all;
}

}  // namespace NyXmlLib9
