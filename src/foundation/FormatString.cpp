// printf-style formatting with the Windows conventions: %s/%c wide, %S/%C narrow,
// h and l forcing narrow or wide, I64 for 64-bit integers, three-digit exponents.
// Each conversion is formatted on its own into a buffer sized for it, so the
// result is never truncated whatever the length of the arguments.
#include <nyxml/foundation.h>

#include "foundation/TextInternal.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <vector>

namespace NyXmlLib9 {
namespace {

struct Directive {
    bool left = false, plus = false, blank = false, zero = false, alt = false;
    int width = -1;
    int precision = -1;
    enum Size { kDefault, kShort, kChar, kLong, kLongLong, kInt64, kLongDouble, kSizeT } size = kDefault;
    bool narrowForced = false;  // h prefix on c/s
    bool wideForced = false;    // l prefix on c/s
    wchar_t conversion = 0;
};

// Builds the narrow printf directive for snprintf from the parsed one.
std::string NarrowDirective(const Directive& s, bool withWidth, const char* lengthMod, char conv) {
    std::string out = "%";
    if (s.left) out += '-';
    if (s.plus) out += '+';
    if (s.blank) out += ' ';
    if (s.zero) out += '0';
    if (s.alt) out += '#';
    if (withWidth && s.width >= 0) out += std::to_string(s.width);
    if (s.precision >= 0) {
        out += '.';
        out += std::to_string(s.precision);
    }
    out += lengthMod;
    out += conv;
    return out;
}

template <class... Args>
std::string SnPrintf(const std::string& directive, Args... args) {
    char stackBuf[128];
    int n = std::snprintf(stackBuf, sizeof stackBuf, directive.c_str(), args...);
    if (n < 0) return std::string();
    if (static_cast<size_t>(n) < sizeof stackBuf) return std::string(stackBuf, n);
    std::string big(static_cast<size_t>(n) + 1, '\0');
    std::snprintf(&big[0], big.size(), directive.c_str(), args...);
    big.resize(n);
    return big;
}

void AppendAscii(std::wstring& out, const std::string& s) {
    out.append(s.begin(), s.end());
}

void Pad(std::wstring& out, size_t produced, const Directive& s, size_t startPos) {
    if (s.width < 0 || produced >= static_cast<size_t>(s.width)) return;
    size_t fill = static_cast<size_t>(s.width) - produced;
    if (s.left)
        out.append(fill, L' ');
    else
        out.insert(startPos, fill, L' ');
}

// Windows prints at least three exponent digits: 1e+021 rather than 1e+21.
void WidenExponent(std::string& text) {
    size_t e = text.find_first_of("eE");
    if (e == std::string::npos || e + 1 >= text.size()) return;
    size_t digits = e + 1;
    if (text[digits] == '+' || text[digits] == '-') ++digits;
    size_t count = text.size() - digits;
    for (size_t i = digits; i < text.size(); ++i)
        if (text[i] < '0' || text[i] > '9') return;
    if (count < 3) text.insert(digits, 3 - count, '0');
}

void FormatFloat(std::wstring& out, const Directive& s, long double value, bool isLong) {
    char conv = static_cast<char>(s.conversion);
    std::string text = isLong ? SnPrintf(NarrowDirective(s, false, "L", conv), value)
                              : SnPrintf(NarrowDirective(s, false, "", conv), static_cast<double>(value));
    if (conv != 'f' && conv != 'F' && conv != 'a' && conv != 'A') WidenExponent(text);
    if (s.width >= 0 && text.size() < static_cast<size_t>(s.width)) {
        size_t fill = static_cast<size_t>(s.width) - text.size();
        bool finite = text.find_first_of("0123456789") != std::string::npos &&
                      text.find("inf") == std::string::npos && text.find("INF") == std::string::npos &&
                      text.find("nan") == std::string::npos && text.find("NAN") == std::string::npos;
        if (s.left) {
            text.append(fill, ' ');
        } else if (s.zero && finite) {
            size_t at = (!text.empty() && (text[0] == '-' || text[0] == '+' || text[0] == ' ')) ? 1 : 0;
            text.insert(at, fill, '0');
        } else {
            text.insert(0, fill, ' ');
        }
    }
    AppendAscii(out, text);
}

void FormatInteger(std::wstring& out, const Directive& s, va_list& ap) {
    bool isSigned = s.conversion == L'd' || s.conversion == L'i';
    char conv = static_cast<char>(s.conversion == L'i' ? L'd' : s.conversion);
    std::string directive = NarrowDirective(s, true, "ll", conv);
    std::string text;
    if (isSigned) {
        long long v;
        switch (s.size) {
            case Directive::kInt64: case Directive::kLongLong: v = va_arg(ap, long long); break;
            case Directive::kLong: v = va_arg(ap, long); break;
            case Directive::kSizeT: v = static_cast<long long>(va_arg(ap, size_t)); break;
            case Directive::kShort: v = static_cast<short>(va_arg(ap, int)); break;
            case Directive::kChar: v = static_cast<signed char>(va_arg(ap, int)); break;
            default: v = va_arg(ap, int); break;
        }
        text = SnPrintf(directive, v);
    } else {
        unsigned long long v;
        switch (s.size) {
            case Directive::kInt64: case Directive::kLongLong: v = va_arg(ap, unsigned long long); break;
            case Directive::kLong: v = va_arg(ap, unsigned long); break;
            case Directive::kSizeT: v = va_arg(ap, size_t); break;
            case Directive::kShort: v = static_cast<unsigned short>(va_arg(ap, unsigned int)); break;
            case Directive::kChar: v = static_cast<unsigned char>(va_arg(ap, unsigned int)); break;
            default: v = va_arg(ap, unsigned int); break;
        }
        text = SnPrintf(directive, v);
    }
    AppendAscii(out, text);
}

void FormatString_(std::wstring& out, const Directive& s, va_list& ap, bool narrow) {
    size_t start = out.size();
    if (narrow) {
        const char* p = va_arg(ap, const char*);
        if (!p) p = "(null)";
        size_t len = std::strlen(p);
        std::wstring wide;
        AppendNarrowText(wide, p, len);
        if (s.precision >= 0 && wide.size() > static_cast<size_t>(s.precision)) wide.resize(s.precision);
        out += wide;
    } else {
        const wchar_t* p = va_arg(ap, const wchar_t*);
        if (!p) p = L"(null)";
        size_t len = std::wcslen(p);
        if (s.precision >= 0 && len > static_cast<size_t>(s.precision)) len = s.precision;
        out.append(p, len);
    }
    Pad(out, out.size() - start, s, start);
}

void FormatChar(std::wstring& out, const Directive& s, va_list& ap, bool narrow) {
    size_t start = out.size();
    int c = va_arg(ap, int);
    if (narrow)
        out += static_cast<wchar_t>(static_cast<unsigned char>(c));
    else
        out += static_cast<wchar_t>(c);
    Pad(out, out.size() - start, s, start);
}

const wchar_t* ParseDirective(const wchar_t* p, Directive& s, va_list& ap) {
    for (;; ++p) {
        if (*p == L'-') s.left = true;
        else if (*p == L'+') s.plus = true;
        else if (*p == L' ') s.blank = true;
        else if (*p == L'0') s.zero = true;
        else if (*p == L'#') s.alt = true;
        else break;
    }
    if (*p == L'*') {
        s.width = va_arg(ap, int);
        if (s.width < 0) {
            s.left = true;
            s.width = -s.width;
        }
        ++p;
    } else {
        while (*p >= L'0' && *p <= L'9') s.width = (s.width < 0 ? 0 : s.width * 10) + (*p++ - L'0');
    }
    if (*p == L'.') {
        ++p;
        s.precision = 0;
        if (*p == L'*') {
            s.precision = va_arg(ap, int);
            if (s.precision < 0) s.precision = -1;
            ++p;
        } else {
            while (*p >= L'0' && *p <= L'9') s.precision = s.precision * 10 + (*p++ - L'0');
        }
    }
    if (p[0] == L'I' && p[1] == L'6' && p[2] == L'4') {
        s.size = Directive::kInt64;
        p += 3;
    } else if (p[0] == L'I' && p[1] == L'3' && p[2] == L'2') {
        p += 3;
    } else if (p[0] == L'I') {
        s.size = Directive::kSizeT;
        ++p;
    } else if (p[0] == L'l' && p[1] == L'l') {
        s.size = Directive::kLongLong;
        p += 2;
    } else if (p[0] == L'l') {
        s.size = Directive::kLong;
        s.wideForced = true;
        ++p;
    } else if (p[0] == L'h' && p[1] == L'h') {
        s.size = Directive::kChar;
        s.narrowForced = true;
        p += 2;
    } else if (p[0] == L'h') {
        s.size = Directive::kShort;
        s.narrowForced = true;
        ++p;
    } else if (p[0] == L'L') {
        s.size = Directive::kLongDouble;
        ++p;
    } else if (p[0] == L'z') {
        s.size = Directive::kSizeT;
        ++p;
    } else if (p[0] == L'w') {
        s.wideForced = true;
        ++p;
    }
    s.conversion = *p;
    return *p ? p + 1 : p;
}

}  // namespace

std::wstring FormatStringV(const wchar_t* format, va_list args) {
    va_list ap;
    va_copy(ap, args);
    std::wstring out;
    out.reserve(std::wcslen(format) + 16);
    for (const wchar_t* p = format; *p;) {
        if (*p != L'%') {
            const wchar_t* run = p;
            while (*p && *p != L'%') ++p;
            out.append(run, p - run);
            continue;
        }
        ++p;
        if (*p == L'%') {
            out += L'%';
            ++p;
            continue;
        }
        Directive s;
        p = ParseDirective(p, s, ap);
        switch (s.conversion) {
            case L'd': case L'i': case L'u': case L'x': case L'X': case L'o':
                FormatInteger(out, s, ap);
                break;
            case L'p': {
                void* v = va_arg(ap, void*);
                std::string text = SnPrintf("%016llX", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(v)));
                size_t start = out.size();
                AppendAscii(out, text);
                Pad(out, text.size(), s, start);
                break;
            }
            case L'e': case L'E': case L'f': case L'F': case L'g': case L'G': case L'a': case L'A':
                if (s.size == Directive::kLongDouble)
                    FormatFloat(out, s, va_arg(ap, long double), true);
                else
                    FormatFloat(out, s, va_arg(ap, double), false);
                break;
            case L's':
                FormatString_(out, s, ap, s.narrowForced);
                break;
            case L'S':
                FormatString_(out, s, ap, !s.wideForced);
                break;
            case L'c':
                FormatChar(out, s, ap, s.narrowForced);
                break;
            case L'C':
                FormatChar(out, s, ap, !s.wideForced);
                break;
            case L'n':
                (void)va_arg(ap, void*);  // writing through %n is not supported
                break;
            case 0:
                break;
            default:
                out += s.conversion;
                break;
        }
    }
    va_end(ap);
    return out;
}

std::wstring FormatString(const wchar_t* format, ...) {
    va_list ap;
    va_start(ap, format);
    std::wstring result = FormatStringV(format, ap);
    va_end(ap);
    return result;
}

}  // namespace NyXmlLib9
