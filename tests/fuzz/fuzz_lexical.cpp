// Every lexical parser: the first byte picks the item type (1-26, through the
// variant and the conversions) or one of the value classes' own parsers, the
// second the whitespace rule; the rest is the text. A value that parses is
// written and parsed again.
#include <nyxml/biginteger.h>
#include <nyxml/binarydata.h>
#include <nyxml/conversions.h>
#include <nyxml/datetime.h>
#include <nyxml/decimal.h>
#include <nyxml/variant.h>

#include "FuzzSupport.h"

using namespace NyXmlLib9;

namespace {

void ValueClasses(int which, const std::wstring& text) {
    switch (which) {
        case 0: {
            CDecimal d = CConversions::decimalFromString(text, CWhitespaceUtils::WhitespaceRule_Collapse);
            CDecimal again = CConversions::decimalFromString(d.ToString(), CWhitespaceUtils::WhitespaceRule_None);
            if (again.ToString() != d.ToString()) nyxml_fuzz::Broken("decimal text changes", d.ToString());
            break;
        }
        case 1: {
            CBigInteger b;
            b.Parse(text.c_str());
            CBigInteger again;
            again.Parse(b.ToString().c_str());
            if (again.ToString() != b.ToString()) nyxml_fuzz::Broken("integer text changes", b.ToString());
            break;
        }
        case 2: {
            CDateTime t;
            t.ParseXSDDateTime(text.c_str());
            (void)t.ToString();
            break;
        }
        case 3: {
            CDateTime t;
            t.ParseXSDDate(text.c_str());
            (void)t.ToString();
            break;
        }
        case 4: {
            CDateTime t;
            t.ParseXSDTime(text.c_str());
            (void)t.ToString();
            break;
        }
        case 5: {
            CDateTimeSpan s;
            s.ParseXSDDuration(text.c_str());
            CDateTimeSpan again;
            again.ParseXSDDuration(s.ToString().c_str());
            if (again.ToString() != s.ToString()) nyxml_fuzz::Broken("duration text changes", s.ToString());
            break;
        }
        case 6: {
            CBinaryData b;
            b.SetAsBase64(text.c_str());
            CBinaryData again;
            again.SetAsBase64(b.GetAsBase64().c_str());
            if (!(again.GetAsHexString() == b.GetAsHexString())) nyxml_fuzz::Broken("base64 bytes change");
            break;
        }
        default: {
            CBinaryData b;
            b.SetAsHexString(text.c_str());
            CBinaryData again;
            again.SetAsHexString(b.GetAsHexString().c_str());
            if (!(again.GetAsHexString() == b.GetAsHexString())) nyxml_fuzz::Broken("hex bytes change");
            break;
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const int selector = data[0] % 34;
    const auto rule = static_cast<CWhitespaceUtils::WhitespaceRule>(data[1] % 4);
    // Odd selectors read the text as UTF-16 units, even ones as Latin-1.
    const std::wstring text = (data[0] & 0x80) ? nyxml_fuzz::Units(data + 2, size - 2)
                                               : nyxml_fuzz::Latin1(data + 2, size - 2);
    try {
        if (selector == 0 || selector > 26) {
            ValueClasses(selector == 0 ? 7 : selector - 27, text);
            return 0;
        }
        const ItemType type = static_cast<ItemType>(selector);
        NyVariant value;
        value.FromString(text, type, rule);
        std::wstring written = value.ToString(nullptr);
        NyVariant again;
        again.FromString(written, type, CWhitespaceUtils::WhitespaceRule_Collapse);
        (void)again.ToString(nullptr);
    } catch (const CNyException&) {
    }
    return 0;
}
