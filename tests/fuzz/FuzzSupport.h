// Helpers shared by the libFuzzer targets: each target is one source file
// named fuzz_<target>.cpp defining LLVMFuzzerTestOneInput.
#ifndef NYXML_TESTS_FUZZ_FUZZSUPPORT_H
#define NYXML_TESTS_FUZZ_FUZZSUPPORT_H

#include <nyxml/foundation.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace nyxml_fuzz {

// The bytes as UTF-16 units, two bytes each (little-endian; an odd last
// byte is one unit), as wide strings hold them.
inline std::wstring Units(const uint8_t* data, size_t size) {
    std::wstring text;
    text.reserve(size / 2 + 1);
    for (size_t i = 0; i + 1 < size; i += 2) text += static_cast<wchar_t>(data[i] | (data[i + 1] << 8));
    if (size % 2) text += static_cast<wchar_t>(data[size - 1]);
    return text;
}

// The bytes as Latin-1 units: short readable inputs for the lexical parsers.
inline std::wstring Latin1(const uint8_t* data, size_t size) {
    std::wstring text(size, L'\0');
    for (size_t i = 0; i < size; ++i) text[i] = static_cast<wchar_t>(data[i]);
    return text;
}

// Stops the run with a message when a property the library promises fails.
[[noreturn]] inline void Broken(const char* what, const std::wstring& detail = std::wstring()) {
    std::fprintf(stderr, "property broken: %s\n", what);
    for (wchar_t c : detail.substr(0, 2000)) std::fputc(c < 128 ? static_cast<char>(c) : '?', stderr);
    std::fputc('\n', stderr);
    std::abort();
}

}  // namespace nyxml_fuzz

#endif
