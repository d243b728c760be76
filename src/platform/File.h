// Files by wide name over POSIX descriptors, and one overlapped read or write
// at a time over POSIX AIO. Error codes are errno values.
#ifndef NYXML_SRC_PLATFORM_FILE_H
#define NYXML_SRC_PLATFORM_FILE_H

#include <aio.h>
#include <cstddef>
#include <cstdint>
#include <string>

namespace NyXmlLib9 {
namespace Platform {

// Code reported for a read that starts at the end of a file.
const uint32_t kErrorHandleEof = 0x26;

// The file name as the bytes the system call takes (UTF-8).
std::string FileSystemName(const wchar_t* name);

class File {
public:
    File() = default;
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    ~File() { Close(); }

    // Opens an existing regular file for reading; a directory fails with EISDIR.
    bool OpenRead(const wchar_t* name);
    // Creates or truncates a file for writing.
    bool OpenWrite(const wchar_t* name);
    bool Size(uint64_t& size);
    // Reads up to length bytes, retrying short reads; got tells how many came.
    bool Read(void* buffer, size_t length, size_t& got);
    // Writes all bytes, retrying short writes.
    bool Write(const void* buffer, size_t length);
    void Close();

    bool IsOpen() const { return m_fd >= 0; }
    int Descriptor() const { return m_fd; }
    // errno of the last failed call.
    uint32_t Error() const { return m_error; }

private:
    bool Fail();

    int m_fd = -1;
    uint32_t m_error = 0;
};

// At most one asynchronous read or write in flight on a descriptor. The buffer
// of an operation must stay valid until Wait returns (or the object is destroyed,
// which waits for an operation still in flight).
class AsyncIo {
public:
    explicit AsyncIo(int fd);
    AsyncIo(const AsyncIo&) = delete;
    AsyncIo& operator=(const AsyncIo&) = delete;
    ~AsyncIo();

    // Both return false with Error() set when the request could not be queued.
    bool StartRead(void* buffer, size_t length, uint64_t offset);
    bool StartWrite(const void* buffer, size_t length, uint64_t offset);
    bool InFlight() const { return m_inFlight; }
    // Waits for the operation in flight; false with Error() set when it failed.
    bool Wait(size_t& transferred);
    uint32_t Error() const { return m_error; }

private:
    int m_fd;
    struct aiocb m_cb;
    bool m_inFlight = false;
    uint32_t m_error = 0;
};

}  // namespace Platform
}  // namespace NyXmlLib9

#endif
