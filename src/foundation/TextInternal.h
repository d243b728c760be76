// Conversions between UTF-16 units held in wchar_t and UTF-8 bytes, for the
// places where the library meets narrow text: file names, narrow message
// arguments, terminal output.
#ifndef NYXML_SRC_FOUNDATION_TEXTINTERNAL_H
#define NYXML_SRC_FOUNDATION_TEXTINTERNAL_H

#include <cstdarg>
#include <cstddef>
#include <string>

namespace NyXmlLib9 {

// FormatString with a va_list.
std::wstring FormatStringV(const wchar_t* format, va_list args);

// Appends narrow text decoded as UTF-8 to UTF-16 units; a byte that is not part
// of a valid UTF-8 sequence is taken as the Latin-1 character of that value.
void AppendNarrowText(std::wstring& out, const char* text, size_t length);
std::wstring WidenText(const std::string& text);

// Encodes UTF-16 units as UTF-8. Pairs of surrogates become one four-byte
// sequence; an element above U+FFFF is taken as that code point; an unpaired
// surrogate is written as U+FFFD.
std::string NarrowText(const wchar_t* text, size_t length);
std::string NarrowText(const std::wstring& text);

// Whether text equals the NUL-terminated string: compared unit by unit up to
// the first difference, without measuring the string first.
inline bool SameText(const std::wstring& text, const wchar_t* string) {
    const wchar_t* units = text.data();
    size_t length = text.size();
    for (size_t i = 0; i < length; ++i) {
        wchar_t c = string[i];
        if (c == L'\0' || c != units[i]) return false;
    }
    return string[length] == L'\0';
}

}  // namespace NyXmlLib9

#endif
