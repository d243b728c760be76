// The word store of CBigInteger magnitudes: inline for small values, a heap
// block beyond. Each operation that needs a larger block builds it completely
// before giving up the old words, so a failed allocation changes nothing.
#include <nyxml/biginteger.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>

namespace NyXmlLib9 {

namespace {

uint32_t* Allocate(size_t count) {
    if (count > CDigitWords::max_size()) throw std::length_error("magnitude too large");
    return static_cast<uint32_t*>(::operator new(count * sizeof(uint32_t)));
}

void CopyWords(uint32_t* to, const uint32_t* from, size_t count) {
    if (count != 0) std::memmove(to, from, count * sizeof(uint32_t));
}

}  // namespace

CDigitWords::CDigitWords(size_t count, uint32_t value) : CDigitWords() {
    if (count > kInlineWords) {
        m_store.heap = Allocate(count);
        m_capacity = static_cast<uint32_t>(count);
    }
    std::fill_n(data(), count, value);
    m_size = static_cast<uint32_t>(count);
}

CDigitWords::CDigitWords(std::initializer_list<uint32_t> words) : CDigitWords() {
    assign(words.begin(), words.end());
}

CDigitWords::CDigitWords(const CDigitWords& other) : CDigitWords() {
    if (other.m_size > kInlineWords) {
        m_store.heap = Allocate(other.m_size);
        m_capacity = other.m_size;
    }
    CopyWords(data(), other.data(), other.m_size);
    m_size = other.m_size;
}

CDigitWords& CDigitWords::operator=(const CDigitWords& other) {
    if (this != &other) assign(other.begin(), other.end());
    return *this;
}

CDigitWords& CDigitWords::operator=(CDigitWords&& other) noexcept {
    if (this != &other) {
        if (OnHeap()) Release();
        m_store = other.m_store;
        m_size = other.m_size;
        m_capacity = other.m_capacity;
        other.m_size = 0;
        other.m_capacity = kInlineWords;
    }
    return *this;
}

void CDigitWords::Release() noexcept { ::operator delete(m_store.heap); }

// Room for `count` words, at least twice the present capacity while that
// stays within max_size().
size_t CDigitWords::GrownCapacity(size_t count) const {
    if (count > max_size()) throw std::length_error("magnitude too large");
    return std::min<size_t>(std::max<size_t>(count, static_cast<size_t>(m_capacity) * 2), max_size());
}

void CDigitWords::Reallocate(size_t capacity) {
    uint32_t* block = Allocate(capacity);
    CopyWords(block, data(), m_size);
    if (OnHeap()) Release();
    m_store.heap = block;
    m_capacity = static_cast<uint32_t>(capacity);
}

void CDigitWords::resize(size_t count, uint32_t value) {
    if (count > m_capacity) Reallocate(GrownCapacity(count));
    if (count > m_size) std::fill(data() + m_size, data() + count, value);
    m_size = static_cast<uint32_t>(count);
}

void CDigitWords::assign(size_t count, uint32_t value) {
    if (count > m_capacity) {
        // The old words are not kept, so a fresh block replaces them.
        uint32_t* block = Allocate(count);
        if (OnHeap()) Release();
        m_store.heap = block;
        m_capacity = static_cast<uint32_t>(count);
    }
    std::fill_n(data(), count, value);
    m_size = static_cast<uint32_t>(count);
}

// A range of this object's own words always fits its capacity, so the copy
// into a fresh block never reads words it has released.
void CDigitWords::assign(const_iterator first, const_iterator last) {
    const size_t count = static_cast<size_t>(last - first);
    if (count > m_capacity) {
        uint32_t* block = Allocate(count);
        CopyWords(block, first, count);
        if (OnHeap()) Release();
        m_store.heap = block;
        m_capacity = static_cast<uint32_t>(count);
    } else {
        CopyWords(data(), first, count);
    }
    m_size = static_cast<uint32_t>(count);
}

CDigitWords::iterator CDigitWords::insert(const_iterator position, size_t count, uint32_t value) {
    const size_t index = static_cast<size_t>(position - data());
    if (count > max_size() - m_size) throw std::length_error("magnitude too large");
    const size_t total = m_size + count;
    if (total > m_capacity) {
        const size_t capacity = GrownCapacity(total);
        uint32_t* block = Allocate(capacity);
        CopyWords(block, data(), index);
        CopyWords(block + index + count, data() + index, m_size - index);
        if (OnHeap()) Release();
        m_store.heap = block;
        m_capacity = static_cast<uint32_t>(capacity);
    } else {
        CopyWords(data() + index + count, data() + index, m_size - index);
    }
    std::fill_n(data() + index, count, value);
    m_size = static_cast<uint32_t>(total);
    return data() + index;
}

CDigitWords::iterator CDigitWords::erase(const_iterator first, const_iterator last) {
    const size_t index = static_cast<size_t>(first - data());
    const size_t count = static_cast<size_t>(last - first);
    CopyWords(data() + index, data() + index + count, m_size - index - count);
    m_size -= static_cast<uint32_t>(count);
    return data() + index;
}

// The words are either inline or behind a pointer, never pointed to from the
// object itself, so swapping the members swaps the values.
void CDigitWords::swap(CDigitWords& other) noexcept {
    std::swap(m_store, other.m_store);
    std::swap(m_size, other.m_size);
    std::swap(m_capacity, other.m_capacity);
}

}  // namespace NyXmlLib9
