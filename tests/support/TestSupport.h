// Helpers shared by the test programs.
#ifndef NYXML_TESTS_SUPPORT_TESTSUPPORT_H
#define NYXML_TESTS_SUPPORT_TESTSUPPORT_H

#include <nyxml/foundation.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace NyXmlLib9 {
class CBinaryData;
class CXmlObjectBase;
class CXmlSerializationContext;
}

namespace nyxml_test {

// The bytes of binary data as a string, for comparisons.
std::string AsString(const NyXmlLib9::CBinaryData& data);

// UTF-8 text of a wide string, for readable failure output.
std::string Utf8(const std::wstring& text);
// A byte string widened unit by unit (ASCII texts, paths).
std::wstring Wide(const std::string& bytes);
// An object written compactly: no declaration, no indentation, LF line ends.
std::wstring Compact(const NyXmlLib9::CXmlObjectBase& object);
std::wstring Compact(const NyXmlLib9::CXmlObjectBase& object, const NyXmlLib9::CXmlSerializationContext& ctx);
// Seconds since `start`.
double Since(std::chrono::steady_clock::time_point start);

// A scratch directory removed when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    std::string Path(const std::string& name) const { return m_path + "/" + name; }
    std::wstring WidePath(const std::string& name) const;
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

// Sets the TZ environment variable for the life of the object.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone);
    ~ScopedTimeZone();

private:
    bool m_had;
    std::string m_old;
};

void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);
std::string TestDataPath(const std::string& name);

// All six comparison operators of a and b agree with the sign of expected.
template <class T>
void ExpectOrder(int expected, const T& a, const T& b) {
    EXPECT_EQ(expected == 0, a == b);
    EXPECT_EQ(expected != 0, a != b);
    EXPECT_EQ(expected < 0, a < b);
    EXPECT_EQ(expected > 0, a > b);
    EXPECT_EQ(expected <= 0, a <= b);
    EXPECT_EQ(expected >= 0, a >= b);
}

}  // namespace nyxml_test

// Expects `statement` to throw exactly `type` (checked through typeid, so a
// subclass fails) with the full message `message` (a wide string).
#define EXPECT_NY_THROW(statement, type, message)                                                   \
    do {                                                                                            \
        bool nyThrown = false;                                                                      \
        try {                                                                                       \
            statement;                                                                              \
        } catch (const NyXmlLib9::CNyException& nyError) {                                          \
            nyThrown = true;                                                                        \
            EXPECT_EQ(std::string(typeid(type).name()), std::string(typeid(nyError).name()))        \
                << "exception class";                                                               \
            EXPECT_EQ(nyxml_test::Utf8(std::wstring(message)), nyxml_test::Utf8(nyError.GetMessage())); \
        }                                                                                           \
        EXPECT_TRUE(nyThrown) << "no exception thrown by " #statement;                             \
    } while (0)

#endif
