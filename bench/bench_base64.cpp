// Base64 encoding and decoding in MB/s (of binary data) against a plain
// table-driven loop, one character at a time, in the same run.
#include "BenchSupport.h"

#include <nyxml/binarydata.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

using namespace NyXmlLib9;
using nyxml_bench::BestOf;
using nyxml_bench::MBps;

namespace {

const uint32_t kBytes = 32u << 20;
const int kRuns = 5;
const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// The floor: one table look-up and one store per character.
void PlainEncode(const unsigned char* in, size_t n, wchar_t* out) {
    size_t i = 0;
    for (; i + 3 <= n; i += 3) {
        uint32_t v = uint32_t(in[i]) << 16 | uint32_t(in[i + 1]) << 8 | in[i + 2];
        *out++ = kAlphabet[v >> 18];
        *out++ = kAlphabet[(v >> 12) & 63];
        *out++ = kAlphabet[(v >> 6) & 63];
        *out++ = kAlphabet[v & 63];
    }
    if (i < n) {
        uint32_t v = uint32_t(in[i]) << 16 | (i + 1 < n ? uint32_t(in[i + 1]) << 8 : 0);
        *out++ = kAlphabet[v >> 18];
        *out++ = kAlphabet[(v >> 12) & 63];
        *out++ = i + 1 < n ? kAlphabet[(v >> 6) & 63] : L'=';
        *out++ = L'=';
    }
}

// The floor for decoding: the same rules (7-bit look-up, skipped blanks and
// '=', stop at an invalid character), one character at a time.
size_t PlainDecode(const wchar_t* in, size_t n, unsigned char* out, const signed char* table) {
    uint32_t acc = 0, bits = 0;
    unsigned char* o = out;
    for (size_t i = 0; i < n; ++i) {
        int v = table[uint32_t(in[i]) & 0x7F];
        if (v == -1) continue;
        if (v < 0) return 0;
        acc = acc << 6 | uint32_t(v);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            *o++ = static_cast<unsigned char>(acc >> bits);
        }
    }
    return static_cast<size_t>(o - out);
}

}  // namespace

int main() {
    std::vector<unsigned char> bytes(kBytes);
    nyxml_bench::Random rng(3);
    for (unsigned char& b : bytes) b = static_cast<unsigned char>(rng.Next());
    CBinaryData data(bytes.data(), kBytes, false);

    std::vector<wchar_t> plainText(CBase64::EncodedLength(kBytes) + 1);
    double plainEncode = BestOf(kRuns, [&] { PlainEncode(bytes.data(), kBytes, plainText.data()); });
    // The API returns a new string: its floor allocates one too.
    double plainEncodeNew = BestOf(kRuns, [&] {
        std::wstring text(CBase64::EncodedLength(kBytes), L'\0');
        PlainEncode(bytes.data(), kBytes, &text[0]);
    });
    std::wstring encoded;
    double encode = BestOf(kRuns, [&] { encoded = data.GetAsBase64(); });
    std::vector<wchar_t> coderText(CBase64::EncodedLength(kBytes) + 1);
    double coderEncode = BestOf(kRuns, [&] {
        CBase64 coder;
        coder.Encode(bytes.data(), kBytes, coderText.data());
    });
    bool same = encoded.size() == CBase64::EncodedLength(kBytes) &&
                std::memcmp(encoded.data(), plainText.data(), encoded.size() * sizeof(wchar_t)) == 0;

    signed char table[128];
    std::memset(table, -2, sizeof table);
    for (int i = 0; i < 64; ++i) table[static_cast<unsigned char>(kAlphabet[i])] = static_cast<signed char>(i);
    for (char c : {'\t', '\n', '\r', ' ', '='}) table[static_cast<unsigned char>(c)] = -1;
    std::vector<unsigned char> plainBytes(kBytes + 3);
    size_t plainLength = 0;
    double plainDecode =
        BestOf(kRuns, [&] { plainLength = PlainDecode(encoded.data(), encoded.size(), plainBytes.data(), table); });
    double plainDecodeNew = BestOf(kRuns, [&] {
        size_t length = std::wcslen(encoded.c_str());
        std::unique_ptr<unsigned char[]> out(new unsigned char[length / 4 * 3 + 3]);
        plainLength = PlainDecode(encoded.data(), length, out.get(), table);
    });
    CBinaryData decoded;
    double decode = BestOf(kRuns, [&] { decoded.SetAsBase64(encoded.c_str()); });
    same = same && plainLength == kBytes && decoded == data;

    std::printf("data: %u MiB of random bytes; results %s\n\n", kBytes >> 20, same ? "agree" : "DIFFER");
    std::printf("%-44s %10.1f MB/s\n", "plain loop encode into a buffer (floor)", MBps(kBytes, plainEncode));
    nyxml_bench::PrintRate("CBase64::Encode into a buffer", MBps(kBytes, coderEncode), "MB/s",
                           MBps(kBytes, plainEncode), "plain loop");
    std::printf("%-44s %10.1f MB/s\n", "plain loop encode into a new string (floor)", MBps(kBytes, plainEncodeNew));
    nyxml_bench::PrintRate("CBinaryData::GetAsBase64", MBps(kBytes, encode), "MB/s", MBps(kBytes, plainEncodeNew),
                           "plain loop, new string");
    std::printf("%-44s %10.1f MB/s\n", "plain loop decode into a buffer (floor)", MBps(kBytes, plainDecode));
    std::printf("%-44s %10.1f MB/s\n", "plain loop decode, new block (floor)", MBps(kBytes, plainDecodeNew));
    nyxml_bench::PrintRate("CBinaryData::SetAsBase64", MBps(kBytes, decode), "MB/s", MBps(kBytes, plainDecodeNew),
                           "plain loop, new block");
    return same ? 0 : 1;
}
