// A keyed hash (SipHash-1-3) over all the bytes of a text, for the tables
// that hold names taken from documents. The key is drawn at random once per
// process, so input cannot be built to make names collide: a table keeps its
// constant cost whatever the names.
#ifndef NYXML_SRC_FOUNDATION_SEEDEDHASH_H
#define NYXML_SRC_FOUNDATION_SEEDEDHASH_H

#include <cstddef>
#include <cstdint>
#include <string>

namespace NyXmlLib9 {

// The random key of this process.
void SeededHashKey(uint64_t& k0, uint64_t& k1);

uint64_t SeededHash(const void* data, size_t bytes, uint64_t k0, uint64_t k1);

inline uint64_t SeededHash(const void* data, size_t bytes) {
    uint64_t k0, k1;
    SeededHashKey(k0, k1);
    return SeededHash(data, bytes, k0, k1);
}

// For unordered containers of wide strings.
struct CSeededWStringHash {
    size_t operator()(const std::wstring& s) const {
        return static_cast<size_t>(SeededHash(s.data(), s.size() * sizeof(wchar_t)));
    }
};

}  // namespace NyXmlLib9

#endif
