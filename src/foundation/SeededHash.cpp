#include "foundation/SeededHash.h"

#include <chrono>
#include <cstring>
#include <random>

namespace NyXmlLib9 {

namespace {

inline uint64_t Rotl(uint64_t x, int b) { return (x << b) | (x >> (64 - b)); }

inline void Round(uint64_t& v0, uint64_t& v1, uint64_t& v2, uint64_t& v3) {
    v0 += v1;
    v1 = Rotl(v1, 13);
    v1 ^= v0;
    v0 = Rotl(v0, 32);
    v2 += v3;
    v3 = Rotl(v3, 16);
    v3 ^= v2;
    v0 += v3;
    v3 = Rotl(v3, 21);
    v3 ^= v0;
    v2 += v1;
    v1 = Rotl(v1, 17);
    v1 ^= v2;
    v2 = Rotl(v2, 32);
}

struct Key {
    uint64_t k0, k1;
    Key() {
        std::random_device device;
        uint64_t a = (uint64_t(device()) << 32) ^ device();
        uint64_t b = (uint64_t(device()) << 32) ^ device();
        // Should the device be deterministic, the clock still varies the key.
        b ^= static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
        k0 = a;
        k1 = b;
    }
};

}  // namespace

void SeededHashKey(uint64_t& k0, uint64_t& k1) {
    static const Key key;
    k0 = key.k0;
    k1 = key.k1;
}

uint64_t SeededHash(const void* data, size_t bytes, uint64_t k0, uint64_t k1) {
    const unsigned char* p = static_cast<const unsigned char*>(data);
    uint64_t v0 = 0x736f6d6570736575ull ^ k0;
    uint64_t v1 = 0x646f72616e646f6dull ^ k1;
    uint64_t v2 = 0x6c7967656e657261ull ^ k0;
    uint64_t v3 = 0x7465646279746573ull ^ k1;
    size_t whole = bytes & ~size_t(7);
    for (size_t i = 0; i < whole; i += 8) {
        uint64_t m;
        std::memcpy(&m, p + i, 8);
        v3 ^= m;
        Round(v0, v1, v2, v3);
        v0 ^= m;
    }
    uint64_t last = static_cast<uint64_t>(bytes) << 56;
    for (size_t i = whole; i < bytes; ++i) last |= static_cast<uint64_t>(p[i]) << (8 * (i - whole));
    v3 ^= last;
    Round(v0, v1, v2, v3);
    v0 ^= last;
    v2 ^= 0xff;
    Round(v0, v1, v2, v3);
    Round(v0, v1, v2, v3);
    Round(v0, v1, v2, v3);
    return v0 ^ v1 ^ v2 ^ v3;
}

}  // namespace NyXmlLib9
