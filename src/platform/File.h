// Files by wide name over POSIX descriptors, and one overlapped read or write
// at a time (io_uring where available). Error codes are errno values.
#ifndef NYXML_SRC_PLATFORM_FILE_H
#define NYXML_SRC_PLATFORM_FILE_H

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

// At most one read or write in flight on a descriptor, on the calling thread:
// no thread is started, neither by the library nor by the kernel on its behalf.
//
// Where io_uring is built in and the kernel allows it, an operation is
// submitted to the kernel without letting it block (RWF_NOWAIT): what the page
// cache can serve at once completes at once, and a read of pages not yet
// cached starts their readahead, so the disk works while the caller parses.
// What the kernel cannot do without blocking (a read still waiting for the
// disk; on most file systems every buffered write) is finished by a plain
// read or write when the caller waits. Without io_uring, the same chunks are
// read and written plainly when the caller waits (a read first asks the
// kernel to read ahead): not overlapped, apart from the kernel's own
// readahead and writeback. The buffer of an operation must stay valid until
// Wait returns (or the object is destroyed, which waits for an operation
// still in flight).
class AsyncIo {
public:
    // `useRing` false keeps to plain reads and writes.
    explicit AsyncIo(int fd, bool useRing = true);
    AsyncIo(const AsyncIo&) = delete;
    AsyncIo& operator=(const AsyncIo&) = delete;
    ~AsyncIo();

    // Both return false with Error() set when the request could not be made.
    bool StartRead(void* buffer, size_t length, uint64_t offset);
    bool StartWrite(const void* buffer, size_t length, uint64_t offset);
    bool InFlight() const { return m_inFlight; }
    // Waits for the operation in flight; false with Error() set when it failed.
    // A read gives the whole length unless the file ends first (0 bytes: the
    // end of the file); a write may be short (a full disk).
    bool Wait(size_t& transferred);
    uint32_t Error() const { return m_error; }
    // True when the operations go through io_uring.
    bool UsesRing() const { return m_ring != nullptr; }

private:
    struct Ring;
    bool Start(bool write, void* buffer, size_t length, uint64_t offset);
    // The operation done plainly: bytes transferred, or -errno.
    long Plain(size_t done);

    int m_fd;
    Ring* m_ring = nullptr;
    bool m_inFlight = false;
    bool m_submitted = false;  // to the ring, and not yet collected
    bool m_write = false;
    unsigned char* m_buffer = nullptr;
    size_t m_length = 0;
    uint64_t m_offset = 0;
    uint32_t m_error = 0;
};

}  // namespace Platform
}  // namespace NyXmlLib9

#endif
