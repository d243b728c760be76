#include "platform/File.h"

#include "foundation/TextInternal.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#if defined(NYXML_HAVE_LIBURING)
#include <liburing.h>
#endif

namespace NyXmlLib9 {
namespace Platform {

std::string FileSystemName(const wchar_t* name) {
    return name ? NarrowText(name, std::wcslen(name)) : std::string();
}

bool File::Fail() {
    m_error = static_cast<uint32_t>(errno);
    return false;
}

bool File::OpenRead(const wchar_t* name) {
    Close();
    std::string path = FileSystemName(name);
    m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (m_fd < 0) return Fail();
    struct stat st;
    if (::fstat(m_fd, &st) != 0) {
        Fail();
        Close();
        return false;
    }
    if (S_ISDIR(st.st_mode)) {
        Close();
        m_error = EISDIR;
        return false;
    }
    ::posix_fadvise(m_fd, 0, 0, POSIX_FADV_SEQUENTIAL);
    return true;
}

bool File::OpenWrite(const wchar_t* name) {
    Close();
    std::string path = FileSystemName(name);
    m_fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (m_fd < 0) return Fail();
    return true;
}

bool File::Size(uint64_t& size) {
    struct stat st;
    if (::fstat(m_fd, &st) != 0) return Fail();
    size = static_cast<uint64_t>(st.st_size);
    return true;
}

bool File::Read(void* buffer, size_t length, size_t& got) {
    got = 0;
    char* p = static_cast<char*>(buffer);
    while (got < length) {
        ssize_t n = ::read(m_fd, p + got, length - got);
        if (n < 0) {
            if (errno == EINTR) continue;
            return Fail();
        }
        if (n == 0) break;
        got += static_cast<size_t>(n);
    }
    return true;
}

bool File::Write(const void* buffer, size_t length) {
    const char* p = static_cast<const char*>(buffer);
    while (length > 0) {
        ssize_t n = ::write(m_fd, p, length);
        if (n < 0) {
            if (errno == EINTR) continue;
            return Fail();
        }
        p += n;
        length -= static_cast<size_t>(n);
    }
    return true;
}

void File::Close() {
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

#if defined(NYXML_HAVE_LIBURING)

struct AsyncIo::Ring {
    struct io_uring ring;
};

AsyncIo::AsyncIo(int fd, bool useRing) : m_fd(fd) {
    if (!useRing) return;
    Ring* ring = new Ring;
    // A kernel without io_uring, or one that refuses it here, leaves the plain way.
    if (io_uring_queue_init(2, &ring->ring, 0) != 0) {
        delete ring;
        return;
    }
    m_ring = ring;
}

#else

struct AsyncIo::Ring {};

AsyncIo::AsyncIo(int fd, bool) : m_fd(fd) {}

#endif

AsyncIo::~AsyncIo() {
    if (m_inFlight) {
        size_t ignored;
        Wait(ignored);
    }
#if defined(NYXML_HAVE_LIBURING)
    if (m_ring) io_uring_queue_exit(&m_ring->ring);
#endif
    delete m_ring;
}

bool AsyncIo::StartRead(void* buffer, size_t length, uint64_t offset) {
    return Start(false, buffer, length, offset);
}

bool AsyncIo::StartWrite(const void* buffer, size_t length, uint64_t offset) {
    return Start(true, const_cast<void*>(buffer), length, offset);
}

bool AsyncIo::Start(bool write, void* buffer, size_t length, uint64_t offset) {
    if (m_inFlight) {
        m_error = EBUSY;
        return false;
    }
    if (offset > static_cast<uint64_t>(INT64_MAX)) {
        m_error = EINVAL;
        return false;
    }
    m_write = write;
    m_buffer = static_cast<unsigned char*>(buffer);
    m_length = length;
    m_offset = offset;
    m_submitted = false;
    m_inFlight = true;
#if defined(NYXML_HAVE_LIBURING)
    if (m_ring) {
        struct io_uring_sqe* sqe = io_uring_get_sqe(&m_ring->ring);
        if (sqe) {
            const unsigned chunk = length > 0x7FFFF000u ? 0x7FFFF000u : static_cast<unsigned>(length);
            if (write) {
                io_uring_prep_write(sqe, m_fd, buffer, chunk, offset);
            } else {
                io_uring_prep_read(sqe, m_fd, buffer, chunk, offset);
            }
            // Never handed to a kernel worker thread: what would block comes
            // back as EAGAIN and is finished plainly in Wait.
            sqe->rw_flags = RWF_NOWAIT;
            m_submitted = io_uring_submit(&m_ring->ring) == 1;
        }
        if (m_submitted) return true;
    }
#endif
    // Readahead of the chunk, which the kernel does without blocking.
    if (!write) ::posix_fadvise(m_fd, static_cast<off_t>(offset), static_cast<off_t>(length), POSIX_FADV_WILLNEED);
    return true;
}

long AsyncIo::Plain(size_t done) {
    while (done < m_length) {
        const off_t at = static_cast<off_t>(m_offset + done);
        const ssize_t n = m_write ? ::pwrite(m_fd, m_buffer + done, m_length - done, at)
                                  : ::pread(m_fd, m_buffer + done, m_length - done, at);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (done > 0) break;  // the bytes so far count; the error shows on the next call
            return -static_cast<long>(errno);
        }
        if (n == 0) break;  // end of file, or a write that made no progress
        done += static_cast<size_t>(n);
    }
    return static_cast<long>(done);
}

bool AsyncIo::Wait(size_t& transferred) {
    transferred = 0;
    if (!m_inFlight) return true;
    m_inFlight = false;
    long result = -EAGAIN;
#if defined(NYXML_HAVE_LIBURING)
    if (m_submitted) {
        m_submitted = false;
        struct io_uring_cqe* cqe = nullptr;
        int rc;
        while ((rc = io_uring_wait_cqe(&m_ring->ring, &cqe)) == -EINTR) {
        }
        if (rc < 0) {
            m_error = static_cast<uint32_t>(-rc);
            return false;
        }
        result = cqe->res;
        io_uring_cqe_seen(&m_ring->ring, cqe);
    }
#endif
    // EAGAIN: it would block; EOPNOTSUPP: the file cannot say (a device, a
    // pseudo file). Either way the operation is done plainly.
    if (result == -EAGAIN || result == -EOPNOTSUPP) {
        result = Plain(0);
    } else if (result > 0 && static_cast<size_t>(result) < m_length) {
        // A short transfer: the rest plainly, until the end of the file.
        result = Plain(static_cast<size_t>(result));
    }
    if (result < 0) {
        m_error = static_cast<uint32_t>(-result);
        return false;
    }
    transferred = static_cast<size_t>(result);
    return true;
}

}  // namespace Platform
}  // namespace NyXmlLib9
