// The six process-wide bounds, each parsed as a decimal and converted.
//
// They are built with the highest constructor priority, before every other
// static object of the library, so that code running during the library's own
// static initialisation may already read them. What they are built from needs
// no dynamic initialisation of its own: the decimal parser reads only the
// constant-initialised maximum number of places. The library's range checks do
// not read these objects, so they work whatever the initialisation order.
#include <nyxml/biginteger.h>
#include <nyxml/decimal.h>

namespace NyXmlLib9 {

namespace {

CBigInteger Bound(const wchar_t* text) { return CBigInteger(CDecimal(text)); }

}  // namespace

const CBigInteger CBigInteger::MAX_LONG __attribute__((init_priority(101))) = Bound(L"2147483647");
const CBigInteger CBigInteger::MIN_LONG __attribute__((init_priority(101))) = Bound(L"-2147483648");
const CBigInteger CBigInteger::MAX_LONGLONG __attribute__((init_priority(101))) = Bound(L"9223372036854775807");
const CBigInteger CBigInteger::MIN_LONGLONG __attribute__((init_priority(101))) = Bound(L"-9223372036854775808");
const CBigInteger CBigInteger::MAX_DOUBLE __attribute__((init_priority(101))) = Bound(L"1.7E+308");
const CBigInteger CBigInteger::MIN_DOUBLE __attribute__((init_priority(101))) = Bound(L"-1.7E+308");

}  // namespace NyXmlLib9
