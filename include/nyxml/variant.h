// The tagged value through which the binding engine reads and writes the
// properties of generated classes.
#ifndef NYXML_VARIANT_H
#define NYXML_VARIANT_H

#include <nyxml/binarydata.h>
#include <nyxml/biginteger.h>
#include <nyxml/datetime.h>
#include <nyxml/decimal.h>
#include <nyxml/export.h>
#include <nyxml/facets.h>
#include <nyxml/foundation.h>
#include <nyxml/types.h>

#include <cstdint>
#include <string>

namespace NyXmlLib9 {

class CXmlObjectBase;
class CXmlCollectionBase;

// Holds one value of an XSD item type (tags 1-26), a counted reference to a
// bindable object (27) or collection (28), or nothing (0). Small values live
// in the variant itself; larger ones on the heap, owned by the variant.
// Getters do not look at the tag: use the getter of the kind the tag names.
struct NYXML_API NyVariant {
    NyVariant();
    NyVariant(const NyVariant& other);
    NyVariant& operator=(const NyVariant& other);
    virtual ~NyVariant();

    void Clear();
    void SetInvalid() { Clear(); }
    bool IsValid() const { return m_type != ItemType_none; }
    ItemType GetTypeAsEnum() const { return m_type; }
    // The item type's name ("i4", "string", ...); tags 0, 27 and 28 throw.
    std::wstring GetType() const;

    void SetHexBinary(const CBinaryData& value);
    void SetBase64Binary(const CBinaryData& value);
    void SetI1(int8_t value);
    void SetI2(int16_t value);
    void SetI4(int32_t value);
    void SetI8(int64_t value);
    void SetUI1(uint8_t value);
    void SetUI2(uint16_t value);
    void SetUI4(uint32_t value);
    void SetUI8(uint64_t value);
    void SetR4(float value);
    void SetR8(double value);
    void SetDuration(const CDateTimeSpan& value);
    void SetYearMonth(const CDateTime& value);
    void SetMonthDay(const CDateTime& value);
    void SetYear(uint16_t value);
    void SetMonth(uint8_t value);
    void SetDay(uint8_t value);
    void SetDate(const CDateTime& value);
    void SetDateTime(const CDateTime& value);
    void SetTime(const CDateTime& value);
    void SetChar(wchar_t value);
    // Takes the string's content; the argument is left empty.
    void SetString(std::wstring value);
    void SetBoolean(bool value);
    void SetDecimal(const CDecimal& value);
    void SetDecimal(CDecimal&& value);
    void SetInteger(const CBigInteger& value);
    void SetInteger(CBigInteger&& value);
    // One counted reference; null is accepted.
    void SetXmlObject(CXmlObjectBase* value);
    void SetXmlCollection(CXmlCollectionBase* value);

    CBinaryData GetHexBinary() const;
    CBinaryData GetBase64Binary() const;
    int8_t GetI1() const { return static_cast<int8_t>(m_u.i1); }
    int16_t GetI2() const { return m_u.i2; }
    int32_t GetI4() const { return m_u.i4; }
    int64_t GetI8() const { return m_u.i8; }
    uint8_t GetUI1() const { return m_u.ui1; }
    uint16_t GetUI2() const { return m_u.ui2; }
    uint32_t GetUI4() const { return m_u.ui4; }
    uint64_t GetUI8() const { return m_u.ui8; }
    float GetR4() const { return m_u.r4; }
    double GetR8() const { return m_u.r8; }
    CDateTimeSpan GetDuration() const;
    CDateTime GetYearMonth() const { return GetDateKind(); }
    CDateTime GetMonthDay() const { return GetDateKind(); }
    uint16_t GetYear() const { return m_u.ui2; }
    uint8_t GetMonth() const { return m_u.ui1; }
    uint8_t GetDay() const { return m_u.ui1; }
    CDateTime GetDate() const { return GetDateKind(); }
    CDateTime GetDateTime() const { return GetDateKind(); }
    CDateTime GetTime() const { return GetDateKind(); }
    wchar_t GetChar() const { return static_cast<wchar_t>(m_u.ui2); }
    std::wstring GetString() const;
    bool GetBoolean() const { return m_u.ui1 != 0; }
    CDecimal GetDecimal() const;
    CBigInteger GetInteger() const;
    CSmartPtr<CXmlObjectBase> GetXmlObject() const;
    CSmartPtr<CXmlCollectionBase> GetXmlCollection() const;

    // Moves the held string (or decimal) into `target`, leaving an empty one
    // here: generated property setters take values without a copy.
    void TakeString(std::wstring& target);
    void TakeDecimal(CDecimal& target);

    // Without copies, for the library's own hot paths: the held value or null.
    const std::wstring* PeekString() const;
    CXmlObjectBase* PeekXmlObject() const;
    CXmlCollectionBase* PeekXmlCollection() const;

    // The XSD lexical form; `format` is used by r4, r8 and decimal.
    std::wstring ToString(const wchar_t* format) const;
    // Parses text of item type 1-26 under the whitespace rule; on failure the
    // variant is unchanged.
    void FromString(const std::wstring& text, ItemType type, CWhitespaceUtils::WhitespaceRule rule);

private:
    CDateTime GetDateKind() const;
    template <class T>
    void SetHeap(ItemType type, T&& value);

    ItemType m_type;
    union Storage {
        uint8_t ui1;
        uint16_t ui2;
        int16_t i2;
        int32_t i4;
        uint32_t ui4;
        int64_t i8;
        uint64_t ui8;
        float r4;
        double r8;
        int8_t i1;
        void* pointer;
    } m_u;
};

}  // namespace NyXmlLib9

#endif
