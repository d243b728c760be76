// CBinaryData: copy-on-write sharing, appends, indexing, base64 and hex forms.
#include <nyxml/binarydata.h>

#include "TestSupport.h"

#include <atomic>
#include <cstring>
#include <cwctype>
#include <fstream>
#include <thread>
#include <vector>
#include <string>

using NyXmlLib9::CBinaryData;
using NyXmlLib9::CNyException;
using namespace NyXmlLib9;
using nyxml_test::Utf8;
using nyxml_test::Wide;

namespace {

std::vector<unsigned char> Bytes(const CBinaryData& data) {
    const unsigned char* p = data.GetData();
    return p ? std::vector<unsigned char>(p, p + data.GetLength()) : std::vector<unsigned char>();
}

std::vector<unsigned char> Bytes(const std::string& text) { return std::vector<unsigned char>(text.begin(), text.end()); }

CBinaryData FromString(const std::string& text) {
    return CBinaryData(reinterpret_cast<unsigned char*>(const_cast<char*>(text.data())),
                       static_cast<uint32_t>(text.size()), false);
}

std::vector<unsigned char> FromHex(const std::string& hex) {
    std::vector<unsigned char> out;
    if (hex == "-") return out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<unsigned char>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return out;
}

}  // namespace

TEST(CBinaryDataBase64, MatchesPythonVectors) {
    std::ifstream in(nyxml_test::TestDataPath("base64_vectors.txt"));
    ASSERT_TRUE(in.good());
    std::string hex, text;
    int count = 0;
    while (in >> hex >> text) {
        SCOPED_TRACE(hex.substr(0, 40));
        if (text == "-") text.clear();
        std::vector<unsigned char> bytes = FromHex(hex);
        CBinaryData data(bytes.data(), static_cast<uint32_t>(bytes.size()), false);
        EXPECT_EQ(Wide(text), data.GetAsBase64());
        CBinaryData decoded;
        decoded.SetAsBase64(Wide(text).c_str());
        EXPECT_EQ(bytes, Bytes(decoded));
        ++count;
    }
    EXPECT_EQ(80, count);
    EXPECT_EQ(L"", CBinaryData().GetAsBase64());  // no buffer at all
}

TEST(CBinaryDataHex, InvalidCharactersThrowAndLeaveTheValueEmpty) {
    for (int c = 1; c < 128; ++c) {
        bool digit = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
        std::wstring text = L"0";
        text += static_cast<wchar_t>(c);
        CBinaryData data = FromString("old");
        SCOPED_TRACE(c);
        if (digit) {
            data.SetAsHexString(text.c_str());
            EXPECT_EQ(1u, data.GetLength());
        } else {
            std::wstring expected = L"Invalid char in hex string [";
            expected += static_cast<wchar_t>(c);
            expected += L"]";
            EXPECT_NY_THROW(data.SetAsHexString(text.c_str()), CNyException, expected);
            EXPECT_EQ(nullptr, data.GetData());
        }
    }
    // The first bad character is named; the partner of the last digit of an odd
    // length is the terminating NUL, reported as such.
    const std::pair<const wchar_t*, wchar_t> bad[] = {
        {L"0G", L'G'}, {L"G0", L'G'}, {L"0 1", L' '}, {L"\x0661\x0662", L'\x0661'}, {L"ABC", L'\0'}};
    for (const auto& b : bad) {
        CBinaryData data;
        EXPECT_NY_THROW(data.SetAsHexString(b.first), CNyException,
                        L"Invalid char in hex string [" + std::wstring(1, b.second) + L"]");
        EXPECT_EQ(0u, data.GetLength());
    }
}

TEST(CBinaryDataSharing, CopiesShareUntilOneChanges) {
    CBinaryData first = FromString("hello");
    CBinaryData second(first);
    EXPECT_EQ(first.GetData(), second.GetData());
    second.Append(static_cast<unsigned char>('!'));
    EXPECT_EQ(Bytes("hello"), Bytes(first));
    EXPECT_EQ(Bytes("hello!"), Bytes(second));
    EXPECT_NE(first.GetData(), second.GetData());

    CBinaryData third;
    third = first;
    third[0] = 'j';
    EXPECT_EQ(Bytes("hello"), Bytes(first));
    EXPECT_EQ(Bytes("jello"), Bytes(third));

    const CBinaryData& constThird = third;
    EXPECT_EQ('j', constThird[0]);
}

TEST(CBinaryDataSharing, SelfAssignmentAndSelfAppend) {
    CBinaryData data = FromString("ab");
    CBinaryData& alias = data;
    data = alias;
    EXPECT_EQ(Bytes("ab"), Bytes(data));
    data.Append(alias);
    EXPECT_EQ(Bytes("abab"), Bytes(data));
    // Growing from its own bytes past the first capacity.
    for (int i = 0; i < 13; ++i) data.Append(alias);
    EXPECT_EQ(4u << 13, data.GetLength());
    EXPECT_EQ('a', data[(4u << 13) - 2]);
    EXPECT_EQ('b', data[(4u << 13) - 1]);
}

TEST(CBinaryDataSharing, EqualityRules) {
    EXPECT_TRUE(CBinaryData() == CBinaryData());
    CBinaryData emptyBuffer;
    emptyBuffer.SetAsBase64(L"");
    EXPECT_FALSE(emptyBuffer == CBinaryData());  // a value without buffer differs from any with one
    EXPECT_TRUE(emptyBuffer == FromString(""));
    EXPECT_TRUE(FromString("abc") == FromString("abc"));
    EXPECT_TRUE(FromString("abc") != FromString("abd"));
    EXPECT_TRUE(FromString("abc") != FromString("ab"));
}

TEST(CBinaryDataIndex, OutOfRangeThrows) {
    CBinaryData data = FromString("abc");
    const CBinaryData& constData = data;
    EXPECT_EQ('c', constData[2]);
    EXPECT_NY_THROW(constData[3], CNyException, L"Index Out of range [3]");
    EXPECT_NY_THROW(data[3], CNyException, L"Index Out of range [3]");
    CBinaryData empty;
    EXPECT_NY_THROW(empty[0], CNyException, L"Index Out of range [0]");
    const CBinaryData& constEmpty = empty;
    EXPECT_NY_THROW(constEmpty[0], CNyException, L"Index Out of range [0]");
}

TEST(CBinaryDataAppend, TextIsUtf16LittleEndian) {
    CBinaryData data;
    data.Append(L'A');
    data.Append(L"\x20AC");
    data.Append(std::wstring(L"b\0c", 3));  // up to the first NUL
    data.Append(static_cast<wchar_t>(0x1F600));  // taken as that code point: a surrogate pair
    EXPECT_EQ((std::vector<unsigned char>{0x41, 0x00, 0xAC, 0x20, 0x62, 0x00, 0x3D, 0xD8, 0x00, 0xDE}), Bytes(data));
    CBinaryData text(L"hi");
    EXPECT_EQ((std::vector<unsigned char>{'h', 0, 'i', 0}), Bytes(text));
    text.SetBuffer(L"");
    EXPECT_EQ(0u, text.GetLength());
}

TEST(CBinaryDataAppend, SetBufferAndAdoption) {
    CBinaryData data = FromString("xyz");
    CBinaryData shared(data);
    unsigned char bytes[2] = {1, 2};
    data.SetBuffer(bytes, 2);
    EXPECT_EQ((std::vector<unsigned char>{1, 2}), Bytes(data));
    EXPECT_EQ(Bytes("xyz"), Bytes(shared));

    unsigned char* block = new unsigned char[3]{7, 8, 9};
    CBinaryData adopted(block, 3, true);
    EXPECT_EQ(block, adopted.GetData());
    adopted.Append(static_cast<unsigned char>(10));
    EXPECT_EQ((std::vector<unsigned char>{7, 8, 9, 10}), Bytes(adopted));
}

TEST(CBinaryDataRelease, DetachesTheBytes) {
    CBinaryData data = FromString("abc");
    CBinaryData copy(data);
    unsigned char* bytes = data.ReleaseData();
    ASSERT_NE(nullptr, bytes);
    EXPECT_EQ(0, std::memcmp(bytes, "abc", 3));
    delete[] bytes;
    EXPECT_EQ(nullptr, data.GetData());
    EXPECT_EQ(0u, data.GetLength());
    EXPECT_EQ(Bytes("abc"), Bytes(copy));  // the shared copy keeps its bytes
    EXPECT_EQ(nullptr, CBinaryData().ReleaseData());
}

TEST(CBinaryDataSharing, CopiesOnManyThreads) {
    CBinaryData source = FromString("shared bytes");
    std::atomic<int> mismatches{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&source, &mismatches, t] {
            for (int i = 0; i < 20000; ++i) {
                CBinaryData copy(source);
                CBinaryData other;
                other = copy;
                if (i % 100 == 0) {
                    other.Append(static_cast<unsigned char>(t));
                    if (other.GetLength() != 13 || other[12] != t) ++mismatches;
                }
                if (copy.GetLength() != 12) ++mismatches;
            }
        });
    }
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(0, mismatches.load());
    EXPECT_EQ(Bytes("shared bytes"), Bytes(source));
}

// Stores of a mebibyte and more live in mapped pages and grow by remapping:
// every byte, copy-on-write and release behave as for small stores.
TEST(CBinaryDataLarge, AppendsPastSeveralMebibytesKeepEveryByte) {
    CBinaryData data;
    std::vector<unsigned char> expected;
    std::vector<unsigned char> block(3001);
    for (int round = 0; expected.size() < (5u << 20); ++round) {
        for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<unsigned char>(i * 31 + round);
        data.Append(block.data(), static_cast<uint32_t>(block.size()));
        expected.insert(expected.end(), block.begin(), block.end());
    }
    EXPECT_EQ(expected, Bytes(data));
}

TEST(CBinaryDataLarge, AppendingItsOwnBytesAcrossTheGrowth) {
    CBinaryData data = FromString("0123456789abcdef");
    // Each append reads the whole store while it grows (and moves): from new[]
    // to mapped pages, and from mapped pages to larger ones.
    while (data.GetLength() < (6u << 20)) data.Append(data.GetData(), data.GetLength());
    ASSERT_EQ(16u << 19, data.GetLength());
    const unsigned char* p = data.GetData();
    for (uint32_t i = 0; i < data.GetLength(); i += 4093) {
        SCOPED_TRACE(i);
        ASSERT_EQ("0123456789abcdef"[i % 16], p[i]);
    }
    // A part of the store appended from its middle.
    uint32_t before = data.GetLength();
    data.Append(data.GetData() + 5, 70000);
    EXPECT_EQ(before + 70000, data.GetLength());
    EXPECT_EQ('5', data[before]);
    EXPECT_EQ("0123456789abcdef"[(5 + 69999) % 16], data[before + 69999]);
}

TEST(CBinaryDataLarge, ReleasedBytesAreFreedWithDeleteArray) {
    CBinaryData data;
    std::vector<unsigned char> bytes(2u << 20);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<unsigned char>(i / 7);
    data.Append(bytes.data(), 100);
    data.Append(bytes.data() + 100, static_cast<uint32_t>(bytes.size() - 100));
    unsigned char* released = data.ReleaseData();
    ASSERT_NE(nullptr, released);
    EXPECT_EQ(0, std::memcmp(released, bytes.data(), bytes.size()));
    delete[] released;  // the sanitizer build checks the pairing
    EXPECT_EQ(0u, data.GetLength());
}

// Base64 text is read unit by unit, each reduced to its low seven bits; an
// element above U+FFFF is read as its UTF-16 surrogate pair. An invalid
// character leaves an empty value (a buffer of length 0), without exception.
TEST(CBinaryDataBase64, UnitsAndInvalidCharacters) {
    struct Case {
        std::wstring text;
        std::string bytes;
    } cases[] = {
        {L"YW!j", ""}, {L"-", ""}, {L"YWJj.", ""}, {L"YWJj\v", ""},
        // U+0159 and U+00D7 reduce to 'Y' and 'W'; U+00A1 reduces to '!', which is invalid.
        {L"\x0159\x00D7Jj", "abc"},
        {L"YW\x00A1j", ""},
        // U+20442 is D841 DC42: the units reduce to 'A' and 'B', twelve bits.
        {std::wstring(L"YWJj") + wchar_t(0x20442) + L"CD", std::string("abc\x00\x10\x83", 6)},
        // As the same text written as its two units.
        {std::wstring(L"YWJj") + wchar_t(0xD841) + wchar_t(0xDC42) + L"CD", std::string("abc\x00\x10\x83", 6)},
        // U+1F600 is D83D DE00: '=' (skipped), then an invalid unit.
        {std::wstring(L"YWJj") + wchar_t(0x1F600), ""},
        // U+10041 is D800 DC41: the first unit is invalid.
        {std::wstring(L"YW") + wchar_t(0x10041) + L"j", ""},
        // Beyond U+10FFFF there is no character.
        {std::wstring(L"YWJj") + wchar_t(0x110041), ""},
        // Several in one group of four, read one by one.
        {std::wstring(1, wchar_t(0x20442)) + wchar_t(0x20442), std::string("\x00\x10\x01", 3)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Utf8(c.text));
        CBinaryData data = FromString("old");
        data.SetAsBase64(c.text.c_str());
        ASSERT_NE(nullptr, data.GetData());
        EXPECT_EQ(c.bytes, std::string(reinterpret_cast<const char*>(data.GetData()), data.GetLength()));
    }
}

TEST(Base64Wide, LongAstralTextFitsItsBuffer) {
    // 30,000 elements give 60,000 six-bit units: 45,000 bytes, twice what the
    // element count alone would make room for.
    std::wstring text(30000, wchar_t(0x20442));
    CBinaryData data;
    data.SetAsBase64(text.c_str());
    ASSERT_EQ(45000u, data.GetLength());
    EXPECT_EQ(0x00, data.GetData()[0]);
    EXPECT_EQ(0x10, data.GetData()[1]);
    EXPECT_EQ(0x01, data.GetData()[44999]);
}
