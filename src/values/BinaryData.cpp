// CBinaryData: a reference-counted byte store shared by copies, copied on the
// first change through a shared value.
#include <nyxml/binarydata.h>

#include "platform/Memory.h"
#include "values/BinaryDataAccess.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <cwchar>
#include <stdexcept>
#include <vector>

namespace NyXmlLib9 {

// The shared store. The lock guards the count, the length, the capacity and
// the block; the count is atomic as well so that a sole owner can see that it
// is alone without taking the lock.
struct CSharedByteBuffer {
    unsigned char* data = nullptr;
    uint32_t length = 0;
    uint32_t capacity = 0;
    std::atomic<int32_t> refCount{1};
    CNYCriticalSection lock;
    // The block is mapped pages (large stores) rather than from new[].
    bool mapped = false;

    ~CSharedByteBuffer() { FreeData(); }
    void FreeData() {
        Platform::ByteBlock block;
        block.bytes = data;
        block.capacity = capacity;
        block.mapped = mapped;
        Platform::FreeByteBlock(block);
        data = nullptr;
    }
};

namespace {

const uint32_t kMinimumCapacity = 8192;

uint32_t CapacityFor(uint32_t length) {
    uint64_t doubled = 2 * static_cast<uint64_t>(length);
    return static_cast<uint32_t>(std::min<uint64_t>(std::max<uint64_t>(doubled, kMinimumCapacity), UINT32_MAX));
}

uint32_t CheckedSum(uint32_t a, uint32_t b) {
    if (b > UINT32_MAX - a) throw std::length_error("CBinaryData: length exceeds 4 GiB - 1 bytes");
    return a + b;
}

// Gives a store room for `needed` bytes (twice that, within 32 bits), keeping
// its used bytes. Large stores are mapped and then grow without copying.
void GrowStore(CSharedByteBuffer* b, uint64_t needed) {
    Platform::ByteBlock block;
    block.bytes = b->data;
    block.capacity = b->capacity;
    block.mapped = b->mapped;
    Platform::GrowByteBlock(block, b->length, std::min<uint64_t>(2 * needed, UINT32_MAX));
    b->data = block.bytes;
    b->capacity = block.capacity;
    b->mapped = block.mapped;
}

// A new store holding a copy of the bytes; capacity max(2 * length, 8192).
CSharedByteBuffer* NewBuffer(const unsigned char* bytes, uint32_t length) {
    CSharedByteBuffer* buffer = new CSharedByteBuffer;
    try {
        buffer->capacity = CapacityFor(length);
        buffer->data = new unsigned char[buffer->capacity];
    } catch (...) {
        delete buffer;
        throw;
    }
    if (length) std::memcpy(buffer->data, bytes, length);
    buffer->length = length;
    return buffer;
}

// Drops one reference; the last one frees the store.
void ReleaseBuffer(CSharedByteBuffer* buffer) {
    if (!buffer) return;
    int32_t left;
    {
        CNYLock guard(buffer->lock);
        left = buffer->refCount.fetch_sub(1) - 1;
    }
    if (left == 0) delete buffer;
}

// Number of UTF-16 units of the text up to its NUL; elements above U+FFFF
// count twice (they are written as surrogate pairs).
size_t Utf16Units(const wchar_t* text, size_t& elements) {
    elements = text ? std::wcslen(text) : 0;
    size_t units = elements;
    for (size_t i = 0; i < elements; ++i) {
        uint32_t c = static_cast<uint32_t>(text[i]);
        if (c > 0xFFFF && c <= 0x10FFFF) ++units;
    }
    return units;
}

// The text as UTF-16 units, low byte first, into out (2 * units bytes).
void PutUtf16(const wchar_t* text, size_t elements, unsigned char* out) {
    for (size_t i = 0; i < elements; ++i) {
        uint32_t c = static_cast<uint32_t>(text[i]);
        if (c > 0xFFFF && c <= 0x10FFFF) {
            uint32_t high = 0xD800 + ((c - 0x10000) >> 10);
            uint32_t low = 0xDC00 + ((c - 0x10000) & 0x3FF);
            *out++ = static_cast<unsigned char>(high);
            *out++ = static_cast<unsigned char>(high >> 8);
            c = low;
        }
        *out++ = static_cast<unsigned char>(c);
        *out++ = static_cast<unsigned char>(c >> 8);
    }
}

// Appends the UTF-16LE bytes of a text to a value.
void AppendUtf16(CBinaryData& data, const wchar_t* text, size_t elements) {
    size_t units = 0;
    for (size_t i = 0; i < elements; ++i) {
        uint32_t c = static_cast<uint32_t>(text[i]);
        units += (c > 0xFFFF && c <= 0x10FFFF) ? 2 : 1;
    }
    if (units > UINT32_MAX / 2) throw std::length_error("CBinaryData: length exceeds 4 GiB - 1 bytes");
    unsigned char small[512];
    if (units * 2 <= sizeof small) {
        PutUtf16(text, elements, small);
        data.Append(small, static_cast<uint32_t>(units * 2));
        return;
    }
    unsigned char* block = new unsigned char[units * 2];
    PutUtf16(text, elements, block);
    try {
        data.Append(block, static_cast<uint32_t>(units * 2));
    } catch (...) {
        delete[] block;
        throw;
    }
    delete[] block;
}

const unsigned char kHexValue[128] = {
    // 0x00-0x2F: none
    16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16,
    16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16,
    16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16,
    0,  1,  2,  3,  4,  5,  6,  7,  8,  9,  16, 16, 16, 16, 16, 16,
    16, 10, 11, 12, 13, 14, 15, 16, 16, 16, 16, 16, 16, 16, 16, 16,
    16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16,
    16, 10, 11, 12, 13, 14, 15, 16, 16, 16, 16, 16, 16, 16, 16, 16,
    16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16, 16,
};

unsigned HexValue(wchar_t c) {
    uint32_t u = static_cast<uint32_t>(c);
    return u < 128 ? kHexValue[u] : 16;
}

}  // namespace

// ---- construction and assignment ----

CBinaryData::CBinaryData() : m_buffer(nullptr) {}

CBinaryData::CBinaryData(const CBinaryData& other) : m_buffer(other.m_buffer) {
    if (m_buffer) {
        CNYLock guard(m_buffer->lock);
        m_buffer->refCount.fetch_add(1);
    }
}

CBinaryData::CBinaryData(CBinaryData&& other) noexcept : m_buffer(other.m_buffer) { other.m_buffer = nullptr; }

CBinaryData::CBinaryData(unsigned char* const bytes, uint32_t length, bool adopt) : m_buffer(nullptr) {
    if (adopt)
        Adopt(bytes, length, length);
    else
        m_buffer = NewBuffer(bytes, length);
}

CBinaryData::CBinaryData(const wchar_t* text) : m_buffer(nullptr) { SetBuffer(text); }

CBinaryData::~CBinaryData() { Clear(); }

CBinaryData& CBinaryData::operator=(const CBinaryData& other) {
    if (other.m_buffer == m_buffer) return *this;
    CSharedByteBuffer* shared = other.m_buffer;
    if (shared) {
        CNYLock guard(shared->lock);
        shared->refCount.fetch_add(1);
    }
    Clear();
    m_buffer = shared;
    return *this;
}

CBinaryData& CBinaryData::operator=(CBinaryData&& other) noexcept {
    if (this != &other) {
        ReleaseBuffer(m_buffer);
        m_buffer = other.m_buffer;
        other.m_buffer = nullptr;
    }
    return *this;
}

void CBinaryData::Adopt(unsigned char* bytes, uint32_t length, uint32_t capacity) {
    CSharedByteBuffer* buffer;
    try {
        buffer = new CSharedByteBuffer;
    } catch (...) {
        delete[] bytes;  // owned from the call on
        throw;
    }
    buffer->data = bytes;
    buffer->length = length;
    buffer->capacity = capacity;
    ReleaseBuffer(m_buffer);
    m_buffer = buffer;
}

void CBinaryDataAccess::AdoptBlock(CBinaryData& data, Platform::ByteBlock block, uint32_t length) {
    data.Clear();
    CSharedByteBuffer* buffer;
    try {
        buffer = new CSharedByteBuffer;
    } catch (...) {
        Platform::FreeByteBlock(block);
        throw;
    }
    buffer->data = block.bytes;
    buffer->length = length;
    buffer->capacity = block.capacity;
    buffer->mapped = block.mapped;
    data.m_buffer = buffer;
}

void CBinaryData::Clear() {
    ReleaseBuffer(m_buffer);
    m_buffer = nullptr;
}

// ---- access ----

const unsigned char* CBinaryData::GetData() const { return m_buffer ? m_buffer->data : nullptr; }

uint32_t CBinaryData::GetLength() const { return m_buffer ? m_buffer->length : 0; }

void CBinaryData::MakeUnique() {
    if (!m_buffer || m_buffer->refCount.load(std::memory_order_acquire) == 1) return;
    CSharedByteBuffer* copy = nullptr;
    {
        CNYLock guard(m_buffer->lock);
        if (m_buffer->refCount.load() < 2) return;
        copy = NewBuffer(m_buffer->data, m_buffer->length);
        m_buffer->refCount.fetch_sub(1);
    }
    m_buffer = copy;
}

unsigned char* CBinaryData::ReleaseData() {
    if (!m_buffer) return nullptr;
    MakeUnique();
    CSharedByteBuffer* buffer = m_buffer;
    {
        CNYLock guard(buffer->lock);
        int32_t left = buffer->refCount.fetch_sub(1) - 1;
        if (left > 0) {
            buffer->refCount.fetch_add(1);
            throw CNyException(FormatString(L"Failed to release data. [RefCount=%d]", left));
        }
    }
    unsigned char* bytes = buffer->data;
    if (buffer->mapped) {
        // The caller frees the block with delete[]: mapped pages are copied
        // into one first.
        try {
            bytes = new unsigned char[buffer->length ? buffer->length : 1];
        } catch (...) {
            buffer->refCount.fetch_add(1);
            throw;
        }
        if (buffer->length) std::memcpy(bytes, buffer->data, buffer->length);
        buffer->FreeData();
    }
    buffer->data = nullptr;
    delete buffer;
    m_buffer = nullptr;
    return bytes;
}

unsigned char CBinaryData::operator[](uint32_t index) const {
    if (!m_buffer || index >= m_buffer->length)
        throw CNyException(FormatString(L"Index Out of range [%d]", static_cast<int>(index)));
    return m_buffer->data[index];
}

unsigned char& CBinaryData::operator[](uint32_t index) {
    if (!m_buffer || index >= m_buffer->length)
        throw CNyException(FormatString(L"Index Out of range [%d]", static_cast<int>(index)));
    MakeUnique();
    return m_buffer->data[index];
}

bool CBinaryData::operator==(const CBinaryData& other) const {
    if (!m_buffer || !other.m_buffer) return !m_buffer && !other.m_buffer;
    if (m_buffer == other.m_buffer) return true;
    return m_buffer->length == other.m_buffer->length &&
           (m_buffer->length == 0 || std::memcmp(m_buffer->data, other.m_buffer->data, m_buffer->length) == 0);
}

// ---- changing ----

void CBinaryData::Append(const unsigned char* bytes, uint32_t length) {
    if (!m_buffer) {
        m_buffer = NewBuffer(bytes, length);
        return;
    }
    MakeUnique();
    CSharedByteBuffer* b = m_buffer;
    uint32_t needed = CheckedSum(b->length, length);
    // Sole owner with room: nobody else can reach the store.
    if (needed <= b->capacity && b->refCount.load(std::memory_order_acquire) == 1) {
        if (length) std::memmove(b->data + b->length, bytes, length);
        b->length = needed;
        return;
    }
    CNYLock guard(b->lock);
    int32_t count = b->refCount.load();
    if (count >= 2) throw CNyException(FormatString(L"Failed to append. [RefCount=%d]", count));
    if (needed > b->capacity) {
        // The source may lie in the store itself: it is found again at the
        // same offset once the store has moved.
        const unsigned char* old = b->data;
        uint32_t oldCapacity = b->capacity;
        bool inside = old && bytes >= old && bytes < old + oldCapacity;
        size_t offset = inside ? static_cast<size_t>(bytes - old) : 0;
        if (inside && !b->mapped) {
            // A block from new[] is freed by the move: keep the source first.
            std::vector<unsigned char> source(bytes, bytes + length);
            GrowStore(b, needed);
            std::memcpy(b->data + b->length, source.data(), length);
        } else {
            GrowStore(b, needed);
            std::memcpy(b->data + b->length, inside ? b->data + offset : bytes, length);
        }
    } else if (length) {
        std::memmove(b->data + b->length, bytes, length);
    }
    b->length = needed;
}

void CBinaryData::Append(unsigned char byte) { Append(&byte, 1); }

unsigned char* CBinaryDataAccess::Extend(CBinaryData& data, uint32_t length) {
    uint32_t old = data.GetLength();
    CheckedSum(old, length);
    // Grows through the ordinary append path, with bytes taken from nowhere.
    if (!data.m_buffer) {
        data.m_buffer = NewBuffer(nullptr, 0);
    }
    data.MakeUnique();
    CSharedByteBuffer* b = data.m_buffer;
    if (old + length > b->capacity) {
        CNYLock guard(b->lock);
        GrowStore(b, static_cast<uint64_t>(old) + length);
    }
    b->length = old + length;
    return b->data + old;
}

void CBinaryDataAccess::SetLength(CBinaryData& data, uint32_t length) {
    if (data.m_buffer && length <= data.m_buffer->length) data.m_buffer->length = length;
}

void CBinaryData::Append(wchar_t unit) {
    wchar_t text[2] = {unit, 0};
    AppendUtf16(*this, text, 1);
}

void CBinaryData::Append(const wchar_t* text) {
    size_t elements = text ? std::wcslen(text) : 0;
    AppendUtf16(*this, text, elements);
}

void CBinaryData::Append(const std::wstring& text) { Append(text.c_str()); }

void CBinaryData::Append(const CBinaryData& other) {
    if (!other.m_buffer) return;
    // Keep the other store alive and unchanged while appending from it (it
    // may be this value's own store).
    CBinaryData source(other);
    Append(source.GetData(), source.GetLength());
}

void CBinaryData::SetBuffer(const unsigned char* bytes, uint32_t length) {
    Clear();
    m_buffer = NewBuffer(bytes, length);
}

void CBinaryData::SetBuffer(const wchar_t* text) {
    Clear();
    size_t elements = 0;
    size_t units = Utf16Units(text, elements);
    if (units > UINT32_MAX / 2) throw std::length_error("CBinaryData: length exceeds 4 GiB - 1 bytes");
    CSharedByteBuffer* buffer = NewBuffer(nullptr, 0);
    uint32_t bytes = static_cast<uint32_t>(units * 2);
    if (bytes > buffer->capacity) {
        delete[] buffer->data;
        buffer->data = nullptr;
        try {
            buffer->data = new unsigned char[bytes];
        } catch (...) {
            delete buffer;
            throw;
        }
        buffer->capacity = bytes;
    }
    PutUtf16(text, elements, buffer->data);
    buffer->length = bytes;
    m_buffer = buffer;
}

// ---- lexical forms ----

std::wstring CBinaryData::GetAsBase64() const {
    uint32_t length = GetLength();
    if (!m_buffer || length == 0) return std::wstring();
    std::wstring text(CBase64::EncodedLength(length), L'\0');
    CBase64 coder;
    coder.Encode(m_buffer->data, length, &text[0]);
    return text;
}

void CBinaryData::SetAsBase64(const wchar_t* text) {
    Clear();
    size_t length = text ? std::wcslen(text) : 0;
    // An element above U+FFFF is decoded as two units.
    size_t units = length;
    for (size_t i = 0; i < length; ++i) units += static_cast<uint32_t>(text[i]) > 0xFFFF;
    size_t room = units / 4 * 3 + 3;
    if (room > UINT32_MAX) throw std::length_error("CBinaryData: length exceeds 4 GiB - 1 bytes");
    unsigned char* block = new unsigned char[room];
    uint32_t written = 0;
    CBase64 coder;
    if (!coder.Decode(text, length, block, written)) written = 0;
    Adopt(block, written, static_cast<uint32_t>(room));
}

std::wstring CBinaryData::GetAsHexString() const { return m_buffer ? GetAsHexString(m_buffer->data, m_buffer->length) : std::wstring(); }

std::wstring CBinaryData::GetAsHexString(const unsigned char* bytes, uint32_t length) {
    static const wchar_t kDigits[] = L"0123456789ABCDEF";
    std::wstring text(2 * static_cast<size_t>(length), L'\0');
    wchar_t* out = length ? &text[0] : nullptr;
    for (uint32_t i = 0; i < length; ++i) {
        *out++ = kDigits[bytes[i] >> 4];
        *out++ = kDigits[bytes[i] & 0x0F];
    }
    return text;
}

void CBinaryData::SetAsHexString(const wchar_t* text) {
    Clear();
    size_t length = text ? std::wcslen(text) : 0;
    uint32_t count = 0;
    unsigned char* block = ConvertToHexData(text ? text : L"", length, count);
    Adopt(block, count, count + 1);
}

unsigned char* CBinaryData::ConvertToHexData(const wchar_t* text, size_t length, uint32_t& byteCount) {
    if (length / 2 >= UINT32_MAX) throw std::length_error("CBinaryData: length exceeds 4 GiB - 1 bytes");
    unsigned char* block = new unsigned char[length / 2 + 1];
    for (size_t i = 0; i < length; i += 2) {
        // text[length] is the terminator: the missing partner of an odd length.
        unsigned high = HexValue(text[i]);
        unsigned low = HexValue(text[i + 1]);
        if (high > 15 || low > 15) {
            wchar_t bad = high > 15 ? text[i] : text[i + 1];
            delete[] block;
            throw CNyException(FormatString(L"Invalid char in hex string [%c]", bad));
        }
        block[i / 2] = static_cast<unsigned char>(high << 4 | low);
    }
    byteCount = static_cast<uint32_t>(length / 2);
    return block;
}

}  // namespace NyXmlLib9
