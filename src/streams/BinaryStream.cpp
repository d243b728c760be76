// In-memory and file byte streams.
#include <nyxml/streams.h>

#include "platform/File.h"

namespace NyXmlLib9 {

CBinaryStream::CBinaryStream() : CInstanceMonitor("CBinaryStream") {}

CBinaryStream::CBinaryStream(const CBinaryData& data) : CInstanceMonitor("CBinaryStream"), m_data(data) {}

CBinaryStream::~CBinaryStream() = default;

CFileBinaryStream::CFileBinaryStream(const wchar_t* fileName, XmlEncoding encoding)
    : m_fileName(fileName ? fileName : L""), m_encoding(encoding) {}

CFileBinaryStream::CFileBinaryStream(const wchar_t* fileName, XmlEncoding encoding, const CBinaryData& data)
    : CBinaryStream(data), m_fileName(fileName ? fileName : L""), m_encoding(encoding) {}

CFileBinaryStream::~CFileBinaryStream() = default;

void CFileBinaryStream::Write() {
    Platform::File file;
    auto fail = [this](uint32_t error) {
        throw CNyException(
            FormatString(L"Failed to write data to the file [%s] error [0x%08X]", m_fileName.c_str(), error));
    };
    if (!file.OpenWrite(m_fileName.c_str())) fail(file.Error());
    if (m_encoding == XmlEncoding_UTF16 || m_encoding == XmlEncoding_UTF16_NoDeclaration) {
        static const unsigned char kByteOrderMark[2] = {0xFF, 0xFE};
        if (!file.Write(kByteOrderMark, 2)) fail(file.Error());
    }
    if (m_data.GetLength() > 0 && !file.Write(m_data.GetData(), m_data.GetLength())) fail(file.Error());
    file.Close();
}

}  // namespace NyXmlLib9
