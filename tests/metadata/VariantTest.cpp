// NyVariant: the text form of every item type, copies, freed values, failed conversions and unknown tags.
#include <nyxml/collections.h>
#include <nyxml/conversions.h>
#include <nyxml/untyped.h>
#include <nyxml/variant.h>

#include "TestSupport.h"

#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

using namespace NyXmlLib9;
using nyxml_test::Utf8;

namespace {

const CWhitespaceUtils::WhitespaceRule kNone = CWhitespaceUtils::WhitespaceRule_None;
const CWhitespaceUtils::WhitespaceRule kPreserve = CWhitespaceUtils::WhitespaceRule_Preserve;
const CWhitespaceUtils::WhitespaceRule kCollapse = CWhitespaceUtils::WhitespaceRule_Collapse;

// One item type: a text that parses under the rule and the lexical form it
// prints back.
struct TextCase {
    ItemType type;
    const wchar_t* name;
    const wchar_t* text;
    CWhitespaceUtils::WhitespaceRule rule;
    const wchar_t* printed;
};

const TextCase kTextCases[] = {
    {ItemType_hexBinary, L"hexBinary", L"0a1bFF", kCollapse, L"0A1BFF"},
    {ItemType_base64Binary, L"base64Binary", L" AQID ", kCollapse, L"AQID"},
    {ItemType_i1, L"i1", L"-128", kCollapse, L"-128"},
    {ItemType_i2, L"i2", L"-32768", kCollapse, L"-32768"},
    {ItemType_i4, L"i4", L"  -5 ", kCollapse, L"-5"},
    {ItemType_i8, L"i8", L"-9223372036854775808", kCollapse, L"-9223372036854775808"},
    {ItemType_ui1, L"ui1", L"255", kCollapse, L"255"},
    {ItemType_ui2, L"ui2", L"65535", kCollapse, L"65535"},
    {ItemType_ui4, L"ui4", L"4294967295", kCollapse, L"4294967295"},
    {ItemType_ui8, L"ui8", L"18446744073709551615", kCollapse, L"18446744073709551615"},
    {ItemType_r4, L"r4", L"1.5", kCollapse, L"1.5"},
    {ItemType_r8, L"r8", L"-2.25", kCollapse, L"-2.25"},
    {ItemType_duration, L"duration", L"P1Y2M3DT4H5M6S", kCollapse, L"P1Y2M3DT4H5M6S"},
    {ItemType_yearMonth, L"yearMonth", L"2026-11", kCollapse, L"2026-11"},
    {ItemType_monthDay, L"monthDay", L"--12-25", kCollapse, L"--12-25"},
    {ItemType_year, L"year", L"2026", kCollapse, L"2026"},
    {ItemType_month, L"month", L"--05", kCollapse, L"--05"},
    {ItemType_day, L"day", L"---07", kCollapse, L"---07"},
    {ItemType_date, L"date", L"2026-11-30", kCollapse, L"2026-11-30"},
    {ItemType_datetime, L"datetime", L"2026-11-30T09:15:00Z", kCollapse, L"2026-11-30T09:15:00Z"},
    {ItemType_time, L"time", L"09:00:00", kCollapse, L"09:00:00"},
    {ItemType_char, L"char", L"x", kPreserve, L"x"},
    {ItemType_string, L"string", L" a  b ", kPreserve, L" a  b "},
    {ItemType_boolean, L"boolean", L"1", kCollapse, L"true"},
    {ItemType_decimal, L"decimal", L"148.950", kCollapse, L"148.95"},
    {ItemType_integer, L"integer", L"-123456789012345678901234567890", kCollapse,
     L"-123456789012345678901234567890"},
};

// The byte offset of the tag inside a variant, found by comparing two
// variants whose tags differ and whose storage is zero.
size_t TagOffset() {
    NyVariant a, b;
    a.SetBoolean(false);
    b.SetChar(0);
    unsigned char ra[sizeof(NyVariant)], rb[sizeof(NyVariant)];
    std::memcpy(ra, static_cast<const void*>(&a), sizeof ra);
    std::memcpy(rb, static_cast<const void*>(&b), sizeof rb);
    for (size_t off = 0; off + sizeof(int32_t) <= sizeof(NyVariant); off += sizeof(int32_t)) {
        int32_t ta, tb;
        std::memcpy(&ta, ra + off, sizeof ta);
        std::memcpy(&tb, rb + off, sizeof tb);
        if (ta == ItemType_boolean && tb == ItemType_char) return off;
    }
    return SIZE_MAX;
}

void PokeTag(NyVariant& v, size_t offset, int32_t tag) {
    std::memcpy(reinterpret_cast<unsigned char*>(static_cast<void*>(&v)) + offset, &tag, sizeof tag);
}

}  // namespace

TEST(Variant, FromStringAndToStringForEveryItemType) {
    for (const TextCase& c : kTextCases) {
        SCOPED_TRACE(Utf8(c.name));
        NyVariant v;
        v.FromString(c.text, c.type, c.rule);
        EXPECT_EQ(c.type, v.GetTypeAsEnum());
        EXPECT_TRUE(v.IsValid());
        EXPECT_EQ(c.name, v.GetType());
        EXPECT_EQ(c.printed, v.ToString(nullptr));
        // Copies (by construction, by assignment, also from themselves) print
        // the same and outlive the original.
        NyVariant* original = new NyVariant(v);
        NyVariant copy(*original), assigned;
        assigned = *original;
        delete original;
        assigned = assigned;
        for (const NyVariant* kept : {&copy, &assigned}) {
            EXPECT_EQ(c.type, kept->GetTypeAsEnum());
            EXPECT_EQ(c.printed, kept->ToString(nullptr));
        }
    }
}

TEST(Variant, SettingAnIntegerAfterAStringFreesTheString) {
    // Under the leak checker a lost string fails the run.
    NyVariant v;
    v.SetString(std::wstring(5000, L's'));
    ASSERT_NE(nullptr, v.PeekString());
    EXPECT_EQ(std::wstring(5000, L's'), *v.PeekString());
    v.SetI4(3);
    EXPECT_EQ(nullptr, v.PeekString());
    v.SetDecimal(CDecimal(L"1.5"));
    v.SetInteger(CBigInteger(L"12345678901234567890"));
    v.SetHexBinary(CBinaryData(L"abc"));
    v.SetDuration(CDateTimeSpan(1, 1, 1));
    v.SetDateTime(CDateTime(2026, 1, 2));
    v.SetBoolean(true);
    EXPECT_TRUE(v.GetBoolean());
    v.SetInvalid();
    EXPECT_FALSE(v.IsValid());
    EXPECT_EQ(0u, v.GetUI8());  // the storage is cleared
}

TEST(Variant, HoldersReusedByAThreadStayApart) {
    // A thread keeps the holder of a cleared string, date or decimal for the
    // next value of its kind: values set, copied and taken on several threads
    // must never share a holder, and the kept holders are freed when their
    // thread ends (the leak checker fails the run otherwise).
    auto work = [](int seed, std::wstring* failure) {
        for (int i = 0; i < 2000 && failure->empty(); ++i) {
            std::wstring a = L"first " + std::to_wstring(seed * 10000 + i);
            std::wstring b = std::wstring(static_cast<size_t>(i % 300), L'b');
            CDateTime day(2000 + i % 100, 1 + seed, 1 + i % 28);
            CDecimal amount((std::to_wstring(i) + L"." + std::to_wstring(seed)).c_str());
            NyVariant first, second, copy, date, dateCopy, number, numberCopy;
            first.SetString(a);
            date.SetDate(day);
            number.SetDecimal(amount);
            copy = first;
            dateCopy = date;
            numberCopy = number;
            first.Clear();  // its holder becomes the spare...
            second.SetString(b);  // ...and is taken here
            date.SetDateTime(CDateTime(1999, 12, 31));
            number.SetDecimal(CDecimal(L"-7.25"));
            std::wstring taken;
            copy.TakeString(taken);
            if (taken != a || second.GetString() != b || copy.GetString() != L"" ||
                dateCopy.GetDate() != day || date.GetDateTime() != CDateTime(1999, 12, 31) ||
                numberCopy.GetDecimal() != amount || number.GetDecimal() != CDecimal(L"-7.25"))
                *failure = L"thread " + std::to_wstring(seed) + L" round " + std::to_wstring(i);
        }
    };
    std::wstring failures[4];
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) threads.emplace_back(work, t, &failures[t]);
    for (std::thread& thread : threads) thread.join();
    for (const std::wstring& failure : failures) EXPECT_EQ(L"", failure);
}

TEST(Variant, NullObjectsAreAccepted) {
    NyVariant v;
    v.SetXmlObject(nullptr);
    EXPECT_TRUE(v.IsValid());
    EXPECT_EQ(ItemType_object, v.GetTypeAsEnum());
    EXPECT_FALSE(v.GetXmlObject());
    NyVariant copy(v);
    EXPECT_EQ(ItemType_object, copy.GetTypeAsEnum());
    EXPECT_FALSE(copy.GetXmlObject());
    EXPECT_NY_THROW(v.ToString(nullptr), CNyException, L"Invalid Type 27 to convert to string");
    EXPECT_NY_THROW(v.GetType(), CNyException, L"Invalid Type 27");
    v.SetXmlCollection(nullptr);
    EXPECT_EQ(ItemType_collection, v.GetTypeAsEnum());
    EXPECT_FALSE(v.GetXmlCollection());
}

TEST(Variant, FromStringOfAnUnknownTypeThrowsAndKeepsTheValue) {
    for (int type : {0, 27, 28, 29, -1, 1000}) {
        SCOPED_TRACE(type);
        NyVariant v;
        v.SetString(L"keep");
        EXPECT_NY_THROW(v.FromString(L"1", static_cast<ItemType>(type), kCollapse), CNyException,
                        FormatString(L"Invalid Type %d to convert to string", type));
        EXPECT_EQ(ItemType_string, v.GetTypeAsEnum());
        EXPECT_EQ(L"keep", v.GetString());
    }
}

TEST(Variant, FailedConversionLeavesTheVariantAsItWas) {
    struct BadCase {
        ItemType type;
        const wchar_t* text;
        const wchar_t* message;  // null: only the class is checked
    } cases[] = {
        {ItemType_i4, L"abc", L"The value [abc] can not be converted to a i4"},
        {ItemType_i4, L"2147483648", L"The value [2147483648] is to large to fit in a i4"},
        {ItemType_i1, L"128", L"The value [128] is to large to fit in a i1"},
        {ItemType_ui8, L"1x", L"The value [1x] can not be converted to a ui8"},
        {ItemType_r8, L"inf", L"The value [inf] can not be converted to a r8"},
        {ItemType_boolean, L"yes",
         L"A Boolean Value read from an XML document was invalid [yes]. Valid values are 'true', 'false', '1', or "
         L"'0'"},
        {ItemType_char, L"ab", L"The value [ab] can not be a char as it is either empty of greater than 1 char long"},
        {ItemType_date, L"2026-13-45", nullptr},
        {ItemType_decimal, L"1.2.3", nullptr},
        {ItemType_integer, L"12a", nullptr},
        {ItemType_duration, L"P1X", nullptr},
        {ItemType_hexBinary, L"0G", L"Invalid char in hex string [G]"},
    };
    for (const BadCase& c : cases) {
        SCOPED_TRACE(Utf8(c.text));
        NyVariant v;
        v.SetDecimal(CDecimal(L"3.25"));
        bool thrown = false;
        try {
            v.FromString(c.text, c.type, kNone);
        } catch (const CNyException& e) {
            thrown = true;
            if (c.message) {
                EXPECT_EQ(Utf8(c.message), Utf8(e.GetMessage()));
            }
        }
        EXPECT_TRUE(thrown);
        EXPECT_EQ(ItemType_decimal, v.GetTypeAsEnum());
        EXPECT_EQ(L"3.25", v.ToString(nullptr));
    }
}

TEST(Variant, AssigningAnUnknownTagThrowsAndKeepsTheTarget) {
    const size_t offset = TagOffset();
    ASSERT_NE(SIZE_MAX, offset);
    for (int32_t tag : {29, -1, 0x7fffffff}) {
        SCOPED_TRACE(tag);
        NyVariant bad;
        PokeTag(bad, offset, tag);
        ASSERT_EQ(tag, static_cast<int32_t>(bad.GetTypeAsEnum()));
        NyVariant target;
        target.SetString(L"target");
        EXPECT_NY_THROW(target = bad, CNyException, L"Unknown Type");
        EXPECT_EQ(L"target", target.GetString());
        EXPECT_NY_THROW(NyVariant copy(bad), CNyException, L"Unknown Type");
        PokeTag(bad, offset, ItemType_none);  // nothing to release
    }
}
