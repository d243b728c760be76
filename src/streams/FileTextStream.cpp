// CFileTextStream: the document goes to the file piece by piece while it is
// written; each flushed piece is encoded and handed to one asynchronous write,
// which completes while the writer fills the buffer with the next piece.
#include <nyxml/streams.h>

#include "platform/File.h"
#include "streams/TextEncoding.h"
#include "values/BinaryDataAccess.h"

#include <cerrno>
#include <memory>

namespace NyXmlLib9 {

namespace {

bool g_asyncToXmlFile = false;

bool IsUtf16(XmlEncoding encoding) {
    return encoding == XmlEncoding_UTF16 || encoding == XmlEncoding_UTF16_NoDeclaration;
}

std::wstring WriteFailure(uint32_t error) {
    return FormatString(L"Failed to write data to the file. Error [0x%08X]", error);
}

}  // namespace

void AsyncToXmlFile(bool async) { g_asyncToXmlFile = async; }

bool GetAsyncToXmlFile() { return g_asyncToXmlFile; }

struct CFileTextStream::State {
    Platform::File file;
    // Declared after the file: destroyed first, waiting for a write in flight
    // before the descriptor closes.
    std::unique_ptr<Platform::AsyncIo> io;
    uint64_t position = 0;
    size_t inFlightLength = 0;

    void Close() {
        io.reset();
        file.Close();
        inFlightLength = 0;
    }
};

CFileTextStream::CFileTextStream(const wchar_t* fileName, XmlEncoding encoding)
    : CTextStream(encoding), m_fileName(fileName ? fileName : L""), m_state(new State) {}

CFileTextStream::~CFileTextStream() { delete m_state; }

void CFileTextStream::Fail(const std::wstring& message) {
    m_state->Close();
    throw CNyException(message);
}

void CFileTextStream::Begin() {
    CTextStream::Begin();
    m_state->Close();
    m_state->position = 0;
    m_ended = false;
    if (!m_state->file.OpenWrite(m_fileName.c_str()))
        throw CNyException(FormatString(L"Failed to write data to the file [%s] error [0x%08X]", m_fileName.c_str(),
                                        m_state->file.Error()));
    m_state->io.reset(new Platform::AsyncIo(m_state->file.Descriptor()));
    if (!IsUtf16(m_encoding)) return;
    static unsigned char kByteOrderMark[2] = {0xFF, 0xFE};
    m_pending = CBinaryData(kByteOrderMark, 2, false);
    if (!m_state->io->StartWrite(m_pending.GetData(), 2, 0))
        Fail(FormatString(L"Failed to write data to the file [%s] error [0x%08X]", m_fileName.c_str(),
                          m_state->io->Error()));
    m_state->inFlightLength = 2;
}

void CFileTextStream::CollectWrite() {
    Platform::AsyncIo* io = m_state->io.get();
    if (!io || !io->InFlight()) return;
    size_t length = m_state->inFlightLength;
    size_t done = 0;
    for (;;) {
        size_t transferred = 0;
        if (!io->Wait(transferred)) Fail(WriteFailure(io->Error()));
        done += transferred;
        if (done >= length) break;
        // A short write (a full disk, usually): continue with the rest, or
        // report the disk full when nothing more went out.
        if (transferred == 0) Fail(WriteFailure(ENOSPC));
        if (!io->StartWrite(m_pending.GetData() + done, length - done, m_state->position + done))
            Fail(WriteFailure(io->Error()));
    }
    m_state->position += length;
    m_state->inFlightLength = 0;
}

void CFileTextStream::Flush() {
    if (m_buffer.GetTotal() == 0) return;
    if (m_ended) {
        // The conversion of the whole text would have stopped before this piece.
        m_buffer.Empty();
        return;
    }
    if (!m_state->file.IsOpen()) throw CNyException(WriteFailure(EBADF));
    CollectWrite();
    try {
        // The finished write's bytes are no longer needed: their block is
        // reused for the next piece, so a flush allocates nothing.
        CBinaryDataAccess::SetLength(m_pending, 0);
        AppendEncodedBuffer(m_buffer, m_encoding, m_pending, &m_ended);
    } catch (...) {
        m_state->Close();
        throw;
    }
    uint32_t length = m_pending.GetLength();
    if (length > 0) {
        if (!m_state->io->StartWrite(m_pending.GetData(), length, m_state->position))
            Fail(WriteFailure(m_state->io->Error()));
        m_state->inFlightLength = length;
    }
    m_buffer.Empty();
}

void CFileTextStream::End() {
    Flush();
    CollectWrite();
    m_state->Close();
    m_pending.Clear();
}

}  // namespace NyXmlLib9
