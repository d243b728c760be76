// CTextStream: the in-memory text sink; the whole document stays in the buffer.
#include <nyxml/writer.h>

#include "streams/TextEncoding.h"

namespace NyXmlLib9 {

CTextStream::CTextStream(XmlEncoding encoding) : CInstanceMonitor("CTextStream"), m_encoding(encoding) {}

CTextStream::~CTextStream() = default;

void CTextStream::Begin() { m_buffer.Reset(); }

void CTextStream::End() {}

void CTextStream::Flush() {}

CBinaryData CTextStream::GetBytes() const { return EncodeBuffer(m_buffer, m_encoding); }

}  // namespace NyXmlLib9
