#include "platform/File.h"

#include "foundation/TextInternal.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

AsyncIo::AsyncIo(int fd) : m_fd(fd) { std::memset(&m_cb, 0, sizeof m_cb); }

AsyncIo::~AsyncIo() {
    if (m_inFlight) {
        size_t ignored;
        Wait(ignored);
    }
}

bool AsyncIo::StartRead(void* buffer, size_t length, uint64_t offset) {
    std::memset(&m_cb, 0, sizeof m_cb);
    m_cb.aio_fildes = m_fd;
    m_cb.aio_buf = buffer;
    m_cb.aio_nbytes = length;
    m_cb.aio_offset = static_cast<off_t>(offset);
    m_cb.aio_sigevent.sigev_notify = SIGEV_NONE;
    if (::aio_read(&m_cb) != 0) {
        m_error = static_cast<uint32_t>(errno);
        return false;
    }
    m_inFlight = true;
    return true;
}

bool AsyncIo::StartWrite(const void* buffer, size_t length, uint64_t offset) {
    std::memset(&m_cb, 0, sizeof m_cb);
    m_cb.aio_fildes = m_fd;
    m_cb.aio_buf = const_cast<void*>(buffer);
    m_cb.aio_nbytes = length;
    m_cb.aio_offset = static_cast<off_t>(offset);
    m_cb.aio_sigevent.sigev_notify = SIGEV_NONE;
    if (::aio_write(&m_cb) != 0) {
        m_error = static_cast<uint32_t>(errno);
        return false;
    }
    m_inFlight = true;
    return true;
}

bool AsyncIo::Wait(size_t& transferred) {
    transferred = 0;
    if (!m_inFlight) return true;
    const struct aiocb* list[1] = {&m_cb};
    int status;
    while ((status = ::aio_error(&m_cb)) == EINPROGRESS) ::aio_suspend(list, 1, nullptr);
    m_inFlight = false;
    ssize_t n = ::aio_return(&m_cb);
    if (status != 0 || n < 0) {
        m_error = static_cast<uint32_t>(status != 0 ? status : errno);
        return false;
    }
    transferred = static_cast<size_t>(n);
    return true;
}

}  // namespace Platform
}  // namespace NyXmlLib9
