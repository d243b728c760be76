#include <nyxml/variant.h>

#include <nyxml/collections.h>
#include <nyxml/conversions.h>
#include <nyxml/objectbase.h>

#include <type_traits>
#include <utility>

namespace NyXmlLib9 {

namespace {

const wchar_t* const kTypeNames[] = {
    nullptr,     L"hexBinary", L"base64Binary", L"i1",       L"i2",   L"i4",     L"i8",      L"ui1",    L"ui2",
    L"ui4",      L"ui8",       L"r4",           L"r8",       L"duration", L"yearMonth", L"monthDay", L"year",
    L"month",    L"day",       L"date",         L"datetime", L"time", L"char",   L"string",  L"boolean",
    L"decimal",  L"integer",
};

// One spare holder per thread for each of the values that binding moves most
// often: a string, a date or time, a decimal. A value on its way from the
// text into a member (set, then taken or copied), or from a member to the
// writer, otherwise costs a heap block of its own each time. Plain data, so
// that reaching it costs one thread-local lookup and no initialisation check.
struct Spares {
    std::wstring* string;
    CDateTime* dateTime;
    CDecimal* decimal;
    bool ownerMade;  // the owner below, which frees the spares when the thread ends
    bool gone;       // the thread is ending: nothing is kept any more
};
thread_local Spares t_spares;

struct SparesOwner {
    ~SparesOwner() {
        Spares& spares = t_spares;
        delete spares.string;
        delete spares.dateTime;
        delete spares.decimal;
        spares = Spares{nullptr, nullptr, nullptr, true, true};
    }
};
thread_local SparesOwner t_sparesOwner;

template <class T>
struct SpareSlot {  // no spare for the other heap values
    static T** In(Spares&) { return nullptr; }
};
template <>
struct SpareSlot<std::wstring> {
    static std::wstring** In(Spares& s) { return &s.string; }
};
template <>
struct SpareSlot<CDateTime> {
    static CDateTime** In(Spares& s) { return &s.dateTime; }
};
template <>
struct SpareSlot<CDecimal> {
    static CDecimal** In(Spares& s) { return &s.decimal; }
};

// Empties a holder for the next value; false when it is not worth keeping (a
// long buffer is not kept past the value that needed it).
bool Emptied(std::wstring* held) {
    if (held->capacity() > 256) return false;
    held->clear();
    return true;
}
bool Emptied(CDateTime*) { return true; }
bool Emptied(CDecimal* held) {
    *held = CDecimal();
    return true;
}
template <class T>
bool Emptied(T*) {
    return false;
}

// A holder of a copy of `value`: the spare when there is one.
template <class T, class V>
T* NewHeld(V&& value) {
    T* held = nullptr;
    if (T** slot = SpareSlot<T>::In(t_spares)) {
        held = *slot;
        *slot = nullptr;
    }
    if (!held) return new T(std::forward<V>(value));
    try {
        *held = std::forward<V>(value);
    } catch (...) {
        delete held;
        throw;
    }
    return held;
}

template <class T>
void GiveBack(T* held) {
    if (!held) return;
    Spares& spares = t_spares;
    T** slot = SpareSlot<T>::In(spares);
    if (!slot || *slot || spares.gone || !Emptied(held)) {
        delete held;
        return;
    }
    if (!spares.ownerMade) {
        static_cast<void>(&t_sparesOwner);
        spares.ownerMade = true;
    }
    *slot = held;
}

}  // namespace

NyVariant::NyVariant() : m_type(ItemType_none) { m_u.ui8 = 0; }

NyVariant::NyVariant(const NyVariant& other) : NyVariant() { *this = other; }

NyVariant::~NyVariant() { Clear(); }

void NyVariant::Clear() {
    void* p = m_u.pointer;
    switch (m_type) {
        case ItemType_hexBinary:
        case ItemType_base64Binary: delete static_cast<CBinaryData*>(p); break;
        case ItemType_duration: delete static_cast<CDateTimeSpan*>(p); break;
        case ItemType_yearMonth:
        case ItemType_monthDay:
        case ItemType_date:
        case ItemType_datetime:
        case ItemType_time: GiveBack(static_cast<CDateTime*>(p)); break;
        case ItemType_string: GiveBack(static_cast<std::wstring*>(p)); break;
        case ItemType_decimal: GiveBack(static_cast<CDecimal*>(p)); break;
        case ItemType_integer: delete static_cast<CBigInteger*>(p); break;
        case ItemType_object:
            if (p) static_cast<CXmlObjectBase*>(p)->Release();
            break;
        case ItemType_collection:
            if (p) static_cast<CXmlCollectionBase*>(p)->Release();
            break;
        default: break;
    }
    m_u.ui8 = 0;
    m_type = ItemType_none;
}

NyVariant& NyVariant::operator=(const NyVariant& other) {
    if (this == &other) return *this;
    if (other.m_type < 0 || other.m_type > ItemType_collection) throw CNyException(L"Unknown Type");
    // Copy first, so that a failed copy leaves this variant as it was.
    Storage copy;
    copy.ui8 = other.m_u.ui8;
    const void* p = other.m_u.pointer;
    switch (other.m_type) {
        case ItemType_hexBinary:
        case ItemType_base64Binary:
            copy.pointer = p ? new CBinaryData(*static_cast<const CBinaryData*>(p)) : nullptr;
            break;
        case ItemType_duration:
            copy.pointer = p ? new CDateTimeSpan(*static_cast<const CDateTimeSpan*>(p)) : nullptr;
            break;
        case ItemType_yearMonth:
        case ItemType_monthDay:
        case ItemType_date:
        case ItemType_datetime:
        case ItemType_time:
            copy.pointer = p ? NewHeld<CDateTime>(*static_cast<const CDateTime*>(p)) : nullptr;
            break;
        case ItemType_string:
            copy.pointer = p ? NewHeld<std::wstring>(*static_cast<const std::wstring*>(p)) : nullptr;
            break;
        case ItemType_decimal: copy.pointer = p ? NewHeld<CDecimal>(*static_cast<const CDecimal*>(p)) : nullptr; break;
        case ItemType_integer: copy.pointer = p ? new CBigInteger(*static_cast<const CBigInteger*>(p)) : nullptr; break;
        case ItemType_object:
            if (p) static_cast<CXmlObjectBase*>(other.m_u.pointer)->AddRef();
            break;
        case ItemType_collection:
            if (p) static_cast<CXmlCollectionBase*>(other.m_u.pointer)->AddRef();
            break;
        default: break;
    }
    Clear();
    m_type = other.m_type;
    m_u = copy;
    return *this;
}

std::wstring NyVariant::GetType() const {
    if (m_type >= ItemType_hexBinary && m_type <= ItemType_integer) return kTypeNames[m_type];
    throw CNyException(FormatString(L"Invalid Type %d", static_cast<int>(m_type)));
}

template <class T>
void NyVariant::SetHeap(ItemType type, T&& value) {
    auto* copy = NewHeld<typename std::decay<T>::type>(std::forward<T>(value));
    Clear();
    m_type = type;
    m_u.pointer = copy;
}

void NyVariant::SetHexBinary(const CBinaryData& value) { SetHeap(ItemType_hexBinary, value); }
void NyVariant::SetBase64Binary(const CBinaryData& value) { SetHeap(ItemType_base64Binary, value); }

#define NYXML_INLINE_SETTER(Name, Type, Tag, Field) \
    void NyVariant::Name(Type value) {              \
        Clear();                                    \
        m_type = Tag;                               \
        m_u.Field = value;                          \
    }

NYXML_INLINE_SETTER(SetI1, int8_t, ItemType_i1, i1)
NYXML_INLINE_SETTER(SetI2, int16_t, ItemType_i2, i2)
NYXML_INLINE_SETTER(SetI4, int32_t, ItemType_i4, i4)
NYXML_INLINE_SETTER(SetI8, int64_t, ItemType_i8, i8)
NYXML_INLINE_SETTER(SetUI1, uint8_t, ItemType_ui1, ui1)
NYXML_INLINE_SETTER(SetUI2, uint16_t, ItemType_ui2, ui2)
NYXML_INLINE_SETTER(SetUI4, uint32_t, ItemType_ui4, ui4)
NYXML_INLINE_SETTER(SetUI8, uint64_t, ItemType_ui8, ui8)
NYXML_INLINE_SETTER(SetR4, float, ItemType_r4, r4)
NYXML_INLINE_SETTER(SetR8, double, ItemType_r8, r8)
NYXML_INLINE_SETTER(SetYear, uint16_t, ItemType_year, ui2)
NYXML_INLINE_SETTER(SetMonth, uint8_t, ItemType_month, ui1)
NYXML_INLINE_SETTER(SetDay, uint8_t, ItemType_day, ui1)
NYXML_INLINE_SETTER(SetChar, wchar_t, ItemType_char, ui2)

#undef NYXML_INLINE_SETTER

void NyVariant::SetBoolean(bool value) {
    Clear();
    m_type = ItemType_boolean;
    m_u.ui1 = value ? 1 : 0;
}

void NyVariant::SetDuration(const CDateTimeSpan& value) { SetHeap(ItemType_duration, value); }
void NyVariant::SetYearMonth(const CDateTime& value) { SetHeap(ItemType_yearMonth, value); }
void NyVariant::SetMonthDay(const CDateTime& value) { SetHeap(ItemType_monthDay, value); }
void NyVariant::SetDate(const CDateTime& value) { SetHeap(ItemType_date, value); }
void NyVariant::SetDateTime(const CDateTime& value) { SetHeap(ItemType_datetime, value); }
void NyVariant::SetTime(const CDateTime& value) { SetHeap(ItemType_time, value); }
void NyVariant::SetDecimal(const CDecimal& value) { SetHeap(ItemType_decimal, value); }
void NyVariant::SetDecimal(CDecimal&& value) { SetHeap(ItemType_decimal, std::move(value)); }
void NyVariant::SetInteger(const CBigInteger& value) { SetHeap(ItemType_integer, value); }
void NyVariant::SetInteger(CBigInteger&& value) { SetHeap(ItemType_integer, std::move(value)); }

void NyVariant::TakeString(std::wstring& target) {
    if (std::wstring* held = static_cast<std::wstring*>(m_type == ItemType_string ? m_u.pointer : nullptr))
        target.swap(*held), held->clear();
    else
        target = GetString();
}

void NyVariant::TakeDecimal(CDecimal& target) {
    if (CDecimal* held = static_cast<CDecimal*>(m_type == ItemType_decimal ? m_u.pointer : nullptr))
        target = std::move(*held);
    else
        target = GetDecimal();
}

void NyVariant::SetString(std::wstring value) {
    std::wstring* held = NewHeld<std::wstring>(std::move(value));
    value.clear();
    Clear();
    m_type = ItemType_string;
    m_u.pointer = held;
}

void NyVariant::SetXmlObject(CXmlObjectBase* value) {
    if (value) value->AddRef();
    Clear();
    m_type = ItemType_object;
    m_u.pointer = value;
}

void NyVariant::SetXmlCollection(CXmlCollectionBase* value) {
    if (value) value->AddRef();
    Clear();
    m_type = ItemType_collection;
    m_u.pointer = value;
}

CBinaryData NyVariant::GetHexBinary() const {
    return m_u.pointer ? *static_cast<const CBinaryData*>(m_u.pointer) : CBinaryData();
}

CBinaryData NyVariant::GetBase64Binary() const { return GetHexBinary(); }

CDateTimeSpan NyVariant::GetDuration() const {
    return m_u.pointer ? *static_cast<const CDateTimeSpan*>(m_u.pointer) : CDateTimeSpan();
}

CDateTime NyVariant::GetDateKind() const {
    return m_u.pointer ? *static_cast<const CDateTime*>(m_u.pointer) : CDateTime();
}

std::wstring NyVariant::GetString() const {
    return m_u.pointer ? *static_cast<const std::wstring*>(m_u.pointer) : std::wstring();
}

CDecimal NyVariant::GetDecimal() const {
    return m_u.pointer ? *static_cast<const CDecimal*>(m_u.pointer) : CDecimal();
}

CBigInteger NyVariant::GetInteger() const {
    return m_u.pointer ? *static_cast<const CBigInteger*>(m_u.pointer) : CBigInteger();
}

CSmartPtr<CXmlObjectBase> NyVariant::GetXmlObject() const {
    return CSmartPtr<CXmlObjectBase>(static_cast<CXmlObjectBase*>(m_u.pointer));
}

CSmartPtr<CXmlCollectionBase> NyVariant::GetXmlCollection() const {
    return CSmartPtr<CXmlCollectionBase>(static_cast<CXmlCollectionBase*>(m_u.pointer));
}

const std::wstring* NyVariant::PeekString() const {
    return m_type == ItemType_string ? static_cast<const std::wstring*>(m_u.pointer) : nullptr;
}

CXmlObjectBase* NyVariant::PeekXmlObject() const {
    return m_type == ItemType_object ? static_cast<CXmlObjectBase*>(m_u.pointer) : nullptr;
}

CXmlCollectionBase* NyVariant::PeekXmlCollection() const {
    return m_type == ItemType_collection ? static_cast<CXmlCollectionBase*>(m_u.pointer) : nullptr;
}

std::wstring NyVariant::ToString(const wchar_t* format) const {
    typedef CConversions C;
    switch (m_type) {
        case ItemType_hexBinary: return C::hexBinaryToString(GetHexBinary());
        case ItemType_base64Binary: return C::base64BinaryToString(GetBase64Binary());
        case ItemType_i1: return C::i1ToString(GetI1());
        case ItemType_i2: return C::i2ToString(GetI2());
        case ItemType_i4: return C::i4ToString(GetI4());
        case ItemType_i8: return C::i8ToString(GetI8());
        case ItemType_ui1: return C::ui1ToString(GetUI1());
        case ItemType_ui2: return C::ui2ToString(GetUI2());
        case ItemType_ui4: return C::ui4ToString(GetUI4());
        case ItemType_ui8: return C::ui8ToString(GetUI8());
        case ItemType_r4: return C::r4ToString(GetR4(), format);
        case ItemType_r8: return C::r8ToString(GetR8(), format);
        case ItemType_duration: return C::durationToString(GetDuration());
        case ItemType_yearMonth:
        case ItemType_monthDay:
        case ItemType_date:
        case ItemType_datetime:
        case ItemType_time: return C::dateToString(GetDateKind());
        case ItemType_year: return C::yearToString(GetYear());
        case ItemType_month: return C::monthToString(GetMonth());
        case ItemType_day: return C::dayToString(GetDay());
        case ItemType_char: return C::charToString(GetChar());
        case ItemType_string: return m_u.pointer ? C::stringToString(*static_cast<const std::wstring*>(m_u.pointer))
                                                 : std::wstring();
        case ItemType_boolean: return C::booleanToString(GetBoolean());
        case ItemType_decimal: return C::decimalToString(GetDecimal(), format);
        case ItemType_integer: return C::integerToString(GetInteger());
        default: break;
    }
    throw CNyException(FormatString(L"Invalid Type %d to convert to string", static_cast<int>(m_type)));
}

void NyVariant::FromString(const std::wstring& text, ItemType type, CWhitespaceUtils::WhitespaceRule rule) {
    typedef CConversions C;
    switch (type) {
        case ItemType_hexBinary: SetHexBinary(C::hexBinaryFromString(text, rule)); return;
        case ItemType_base64Binary: SetBase64Binary(C::base64BinaryFromString(text, rule)); return;
        case ItemType_i1: SetI1(C::i1FromString(text, rule)); return;
        case ItemType_i2: SetI2(C::i2FromString(text, rule)); return;
        case ItemType_i4: SetI4(C::i4FromString(text, rule)); return;
        case ItemType_i8: SetI8(C::i8FromString(text, rule)); return;
        case ItemType_ui1: SetUI1(C::ui1FromString(text, rule)); return;
        case ItemType_ui2: SetUI2(C::ui2FromString(text, rule)); return;
        case ItemType_ui4: SetUI4(C::ui4FromString(text, rule)); return;
        case ItemType_ui8: SetUI8(C::ui8FromString(text, rule)); return;
        case ItemType_r4: SetR4(C::r4FromString(text, rule)); return;
        case ItemType_r8: SetR8(C::r8FromString(text, rule)); return;
        case ItemType_duration: SetDuration(C::durationFromString(text, rule)); return;
        case ItemType_yearMonth: SetYearMonth(C::yearMonthFromString(text, rule)); return;
        case ItemType_monthDay: SetMonthDay(C::monthDayFromString(text, rule)); return;
        case ItemType_year: SetYear(C::yearFromString(text, rule)); return;
        case ItemType_month: SetMonth(C::monthFromString(text, rule)); return;
        case ItemType_day: SetDay(C::dayFromString(text, rule)); return;
        case ItemType_date: SetDate(C::dateFromString(text, rule)); return;
        case ItemType_datetime: SetDateTime(C::datetimeFromString(text, rule)); return;
        case ItemType_time: SetTime(C::timeFromString(text, rule)); return;
        case ItemType_char: SetChar(C::charFromString(text, rule)); return;
        case ItemType_string: SetString(C::stringFromString(text, rule)); return;
        case ItemType_boolean: SetBoolean(C::booleanFromString(text, rule)); return;
        case ItemType_decimal: SetDecimal(C::decimalFromString(text, rule)); return;
        case ItemType_integer: SetInteger(C::integerFromString(text, rule)); return;
        default: break;
    }
    throw CNyException(FormatString(L"Invalid Type %d to convert to string", static_cast<int>(type)));
}

}  // namespace NyXmlLib9
