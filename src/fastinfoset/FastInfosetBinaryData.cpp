#include <nyxml/conversions.h>
#include <nyxml/fastinfoset.h>
#include <nyxml/foundation.h>

#include <cstring>
#include <memory>

#include "fastinfoset/FastInfosetUtf.h"

namespace NyXmlLib9 {

namespace {

const CConversions::WhitespaceRule kNoRule = CWhitespaceUtils::WhitespaceRule_None;

template <typename T>
void PutBigEndian(unsigned char* out, T value, int bytes) {
    uint64_t v = static_cast<uint64_t>(value);
    for (int i = bytes - 1; i >= 0; --i) {
        out[i] = static_cast<unsigned char>(v & 0xFF);
        v >>= 8;
    }
}

uint64_t GetBigEndian(const unsigned char* in, int bytes) {
    uint64_t v = 0;
    for (int i = 0; i < bytes; ++i) v = (v << 8) | in[i];
    return v;
}

// Joins the values of fixed-size groups with one space.
template <typename Format>
std::wstring JoinGroups(const unsigned char* bytes, uint32_t length, uint32_t size, const wchar_t* message,
                        Format format) {
    if (length % size != 0) throw CNyException(message);
    std::wstring text;
    for (uint32_t i = 0; i < length; i += size) {
        if (i) text += L' ';
        text += format(bytes + i);
    }
    return text;
}

}  // namespace

CFastInfosetBinaryData::~CFastInfosetBinaryData() = default;

void CFastInfosetBinaryData::SetAsEncodedString(unsigned long algorithm, const wchar_t* text) {
    Clear();
    std::wstring value = text ? text : L"";
    unsigned char octets[8];
    switch (algorithm) {
        case 1:
        case 9:
            SetAsHexString(value.c_str());
            return;
        case 2:
            SetAsBase64(value.c_str());
            return;
        case 3:
            PutBigEndian(octets, static_cast<uint16_t>(CConversions::i2FromString(value, kNoRule)), 2);
            SetBuffer(octets, 2);
            return;
        case 4:
            PutBigEndian(octets, static_cast<uint32_t>(CConversions::i4FromString(value, kNoRule)), 4);
            SetBuffer(octets, 4);
            return;
        case 5:
            PutBigEndian(octets, static_cast<uint64_t>(CConversions::i8FromString(value, kNoRule)), 8);
            SetBuffer(octets, 8);
            return;
        case 6:
            octets[0] = CConversions::booleanFromString(value, kNoRule) ? 0x38 : 0x30;
            SetBuffer(octets, 1);
            return;
        case 7: {
            float f = CConversions::r4FromString(value, kNoRule);
            uint32_t bits;
            std::memcpy(&bits, &f, 4);
            PutBigEndian(octets, bits, 4);
            SetBuffer(octets, 4);
            return;
        }
        case 8: {
            double d = CConversions::r8FromString(value, kNoRule);
            uint64_t bits;
            std::memcpy(&bits, &d, 8);
            PutBigEndian(octets, bits, 8);
            SetBuffer(octets, 8);
            return;
        }
        case 10: {
            std::string utf8 = FastInfosetUtf::ToUtf8(value);
            if (!utf8.empty())
                SetBuffer(reinterpret_cast<const unsigned char*>(utf8.data()), static_cast<uint32_t>(utf8.size()));
            return;
        }
        default:
            throw CNyException(L"Unknown byte encoding.");
    }
}

std::wstring CFastInfosetBinaryData::GetAsString(unsigned long algorithm) const {
    return GetAsString(algorithm, GetData(), GetLength());
}

std::wstring CFastInfosetBinaryData::GetAsString(unsigned long algorithm, const unsigned char* bytes,
                                                 uint32_t length) {
    if (algorithm < 1 || algorithm > 9) throw CNyException(L"Unknown byte encoding.");
    if (length == 0 || !bytes) return std::wstring();
    switch (algorithm) {
        case 1:
            return CBinaryData::GetAsHexString(bytes, length);
        case 2:
            return CBinaryData(const_cast<unsigned char*>(bytes), length, false).GetAsBase64();
        case 3:
            return JoinGroups(bytes, length, 2, L"Invalid value for SHORT byte encoding.", [](const unsigned char* p) {
                return CConversions::i2ToString(static_cast<int16_t>(GetBigEndian(p, 2)));
            });
        case 4:
            return JoinGroups(bytes, length, 4, L"Invalid value for INT byte encoding.", [](const unsigned char* p) {
                return CConversions::i4ToString(static_cast<int32_t>(GetBigEndian(p, 4)));
            });
        case 5:
            return JoinGroups(bytes, length, 8, L"Invalid value for LONG byte encoding.", [](const unsigned char* p) {
                return CConversions::i8ToString(static_cast<int64_t>(GetBigEndian(p, 8)));
            });
        case 6: {
            // The high half of the first octet counts the unused bits at the end.
            uint32_t unused = bytes[0] >> 4;
            uint64_t bits = static_cast<uint64_t>(length) * 8;
            if (unused > 7 || bits < 4 + unused) throw CNyException(L"Invalid value for BOOLEAN byte encoding.");
            std::wstring text;
            for (uint64_t i = 4; i < bits - unused; ++i) {
                if (!text.empty()) text += L' ';
                bool value = (bytes[i / 8] >> (7 - i % 8)) & 1;
                text += CConversions::booleanToString(value);
            }
            return text;
        }
        case 7:
            return JoinGroups(bytes, length, 4, L"Invalid value for FLOAT byte encoding.", [](const unsigned char* p) {
                uint32_t bits = static_cast<uint32_t>(GetBigEndian(p, 4));
                float f;
                std::memcpy(&f, &bits, 4);
                return CConversions::r4ToString(f);
            });
        case 8:
            return JoinGroups(bytes, length, 8, L"Invalid value for DOUBLE byte encoding.", [](const unsigned char* p) {
                uint64_t bits = GetBigEndian(p, 8);
                double d;
                std::memcpy(&d, &bits, 8);
                return CConversions::r8ToString(d);
            });
        default:
            return JoinGroups(bytes, length, 16, L"Invalid value for UUID byte encoding.", [](const unsigned char* p) {
                return CBinaryData::GetAsHexString(p, 16);
            });
    }
}

}  // namespace NyXmlLib9
