// Byte output: the file text stream that writes a document while it is being
// produced, in-memory and file byte streams, and deflate compression.
#ifndef NYXML_STREAMS_H
#define NYXML_STREAMS_H

#include <nyxml/binarydata.h>
#include <nyxml/export.h>
#include <nyxml/foundation.h>
#include <nyxml/types.h>
#include <nyxml/writer.h>

#include <cstdint>
#include <string>

namespace NyXmlLib9 {

// Process-wide switch read by ToXmlFile: true streams uncompressed output
// straight into the file while it is written, one write in flight while the
// next piece is formatted, on the calling thread (io_uring where available; a
// write the kernel cannot take without blocking, and every write without
// io_uring, is made plainly, not overlapped). Off until called.
NYXML_API void AsyncToXmlFile(bool async);
NYXML_API bool GetAsyncToXmlFile();

// A text stream that writes each flushed piece of the document to a file, the
// next piece being formatted while the previous one is written (at most one
// write in flight). UTF-16 files (encodings 2 and 3) start with FF FE.
class NYXML_API CFileTextStream : public CTextStream {
public:
    CFileTextStream(const wchar_t* fileName, XmlEncoding encoding);
    // Closes the file; waits for a write still in flight.
    ~CFileTextStream() override;

    // Creates (or replaces) the file. Raises "Failed to write data to the file
    // [%s] error [0x%08X]".
    void Begin() override;
    // Closes the file after the last write. Raises "Failed to write data to
    // the file. Error [0x%08X]" when a write failed.
    void End() override;
    // Starts writing the waiting text after the previous write has completed.
    void Flush() override;

    const std::wstring& GetFileName() const { return m_fileName; }

private:
    struct State;
    // Closes the file, waiting for a write in flight, and throws the message.
    [[noreturn]] void Fail(const std::wstring& message);
    // Waits for the write in flight and advances the position past it.
    void CollectWrite();

    std::wstring m_fileName;
    CBinaryData m_pending;  // the bytes of the write in flight
    State* m_state;
    bool m_ended = false;  // an unpaired surrogate ended the output: the rest is dropped
};

// A text stream that keeps the document in memory as bytes in its encoding:
// each flushed piece (about 4096 characters) is encoded and appended, so the
// wide text never accumulates. GetBytes gives the same bytes as the plain
// CTextStream would for the same document (an unpaired surrogate ends the
// output, and everything after it is dropped). Unknown encodings fail at the
// first flush. A CXmlTextWriter writing to a stream of exactly this class in
// UTF-8 or UTF-16 escapes and encodes straight into the bytes instead of
// going through the character buffer; the encoding is then read at every
// writer call.
class NYXML_API CByteTextStream : public CTextStream {
public:
    explicit CByteTextStream(XmlEncoding encoding);
    ~CByteTextStream() override;

    // Empties the text and the bytes.
    void Begin() override;
    void End() override;
    void Flush() override;
    // The bytes so far, followed by the text still waiting.
    CBinaryData GetBytes() const override;

private:
    // The text writer stores its output in the block directly.
    friend class CXmlTextWriter;

    // Makes room for `more` bytes after the used part of the block.
    void Reserve(uint64_t more);

    // While the document is written, its bytes go to a block of the stream's
    // own that grows fourfold, so that few of them are ever copied; End hands
    // the block to m_bytes as it is.
    unsigned char* m_block;
    uint32_t m_length;
    uint32_t m_capacity;
    CBinaryData m_bytes;
    bool m_ended = false;  // an unpaired surrogate ended the output: the rest is dropped
    bool m_handedOver = false;  // End gave the block to m_bytes: later pieces are appended there
    // A high surrogate at the end of the UTF-8 output so far, not yet encoded:
    // the next element completes it or ends the output (0: none).
    uint32_t m_pendingHigh = 0;
};

// Bytes appended in memory.
class NYXML_API CBinaryStream : public CInstanceMonitor {
public:
    CBinaryStream();
    explicit CBinaryStream(const CBinaryData& data);
    CBinaryStream(const CBinaryStream&) = delete;
    CBinaryStream& operator=(const CBinaryStream&) = delete;
    ~CBinaryStream() override;

    void Append(const unsigned char* bytes, uint32_t length) { m_data.Append(bytes, length); }
    void Append(unsigned char byte) { m_data.Append(byte); }
    CBinaryData& GetData() { return m_data; }
    const CBinaryData& GetData() const { return m_data; }

protected:
    CBinaryData m_data;
};

// Finished bytes written to a file in one go; UTF-16 encodings (2 and 3) put
// FF FE in front of them.
class NYXML_API CFileBinaryStream : public CBinaryStream {
public:
    CFileBinaryStream(const wchar_t* fileName, XmlEncoding encoding);
    CFileBinaryStream(const wchar_t* fileName, XmlEncoding encoding, const CBinaryData& data);
    ~CFileBinaryStream() override;

    // Creates (or replaces) the file and writes the bytes. Raises "Failed to
    // write data to the file [%s] error [0x%08X]".
    void Write();

    const std::wstring& GetFileName() const { return m_fileName; }
    XmlEncoding GetEncoding() const { return m_encoding; }

private:
    std::wstring m_fileName;
    XmlEncoding m_encoding;
};

// Deflate at level 1 (fastest) with a gzip or zlib wrapper.
class NYXML_API CCompression {
public:
    // Replaces the data by its compressed form; nothing for empty data or
    // Compression_None. Raises "Failed to compress data. [Error Code: %d]"
    // (zlib's code) when the compressed form does not fit in the input's
    // length, as happens for very short or incompressible input.
    static void Compress(CBinaryData& data, CompressionType type);
    // Compresses `length` bytes with mode 1 (gzip) or 2 (zlib) into a new[]
    // block of `length` bytes whose first `compressedLength` are used; null
    // for any other mode.
    static unsigned char* Compress(const unsigned char* bytes, uint32_t length, int32_t mode,
                                   uint32_t& compressedLength);
};

}  // namespace NyXmlLib9

#endif
