// CByteTextStream: encodes the document piece by piece into one growing byte
// buffer instead of keeping its wide text.
#include <nyxml/streams.h>

#include "streams/TextEncoding.h"

namespace NyXmlLib9 {

CByteTextStream::CByteTextStream(XmlEncoding encoding) : CTextStream(encoding) {}

CByteTextStream::~CByteTextStream() = default;

void CByteTextStream::Begin() {
    CTextStream::Begin();
    m_bytes.Clear();
}

void CByteTextStream::Flush() {
    if (m_buffer.GetTotal() == 0) return;
    AppendEncodedBuffer(m_buffer, m_encoding, m_bytes);
    m_buffer.Empty();
}

void CByteTextStream::End() { Flush(); }

CBinaryData CByteTextStream::GetBytes() const {
    if (!m_bytes.GetData()) return EncodeBuffer(m_buffer, m_encoding);
    CBinaryData all(m_bytes);
    if (m_buffer.GetTotal() > 0) AppendEncodedBuffer(m_buffer, m_encoding, all);
    return all;
}

}  // namespace NyXmlLib9
