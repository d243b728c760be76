#include <nyxml/document.h>

#include "TestSupport.h"

#include <chrono>

using namespace NyXmlLib9;

TEST(CXmlDocumentErrors, EmptyInputs) {
    CXmlDocument d;
    EXPECT_NY_THROW(d.LoadXml(""), CNyException, L"XML String is empty!");
    EXPECT_NY_THROW(d.LoadXml(static_cast<const char*>(nullptr)), CNyException, L"XML String is empty!");
    unsigned char byte = '<';
    EXPECT_NY_THROW(d.LoadXmlStream(&byte, 0), CNyException, L"XML Stream is empty!");
    // An empty wide string still makes a buffer: the byte order mark alone.
    EXPECT_NY_THROW(d.LoadXml(L""), CNyException, L"no element found at line 1");
}

TEST(CXmlDocumentErrors, ExpatMessagesWithLineNumbers) {
    struct Case {
        const char* xml;
        const wchar_t* message;
    } cases[] = {
        {"<a>", L"no element found at line 1"},
        {"<a>\n<b>\n</a>", L"mismatched tag at line 3"},
        {"<a>\n</a>\n<b/>", L"junk after document element at line 3"},
        {"<a b='1' b='2'/>", L"duplicate attribute at line 1"},
        {"<a><</a>", L"not well-formed (invalid token) at line 1"},
        {"<a>&undefined;</a>", L"undefined entity at line 1"},
        {"<p:a/>", L"unbound prefix at line 1"},
        {"   \n\n  ", L"no element found at line 3"},
        {"<?xml version='1.0' encoding='no-such-encoding'?><a/>", L"unknown encoding at line 1"},
        {"<a>\xff\xfe</a>", L"not well-formed (invalid token) at line 1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.xml);
        CXmlDocument d;
        EXPECT_NY_THROW(d.LoadXml(c.xml), CNyException, c.message);
    }
}

TEST(CXmlDocumentErrors, EveryTruncationFailsCleanly) {
    const std::string xml =
        "<?xml version='1.0'?>\n<r xmlns='urn:r' xmlns:p='urn:p'>\n<p:a x='1'>t&amp;u</p:a><![CDATA[c]]><b/></r>";
    for (size_t n = 1; n < xml.size(); ++n) {
        SCOPED_TRACE(n);
        std::string prefix = xml.substr(0, n);
        CXmlDocument d;
        EXPECT_THROW(d.LoadXml(prefix.c_str()), CNyException);
    }
    CXmlDocument d;
    EXPECT_NO_THROW(d.LoadXml(xml.c_str()));
}

TEST(CXmlDocumentErrors, EntityExpansionBombIsStopped) {
    std::string xml =
        "<?xml version='1.0'?>\n<!DOCTYPE lolz [\n<!ENTITY lol 'lol'>\n"
        "<!ENTITY lol1 '&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;'>\n";
    for (int i = 2; i <= 9; ++i)
        xml += "<!ENTITY lol" + std::to_string(i) + " '" +
               [&] {
                   std::string s;
                   for (int k = 0; k < 10; ++k) s += "&lol" + std::to_string(i - 1) + ";";
                   return s;
               }() +
               "'>\n";
    xml += "]>\n<lolz>&lol9;</lolz>";
    auto start = std::chrono::steady_clock::now();
    CXmlDocument d;
    EXPECT_NY_THROW(d.LoadXml(xml.c_str()), CNyException,
                    L"limit on input amplification factor (from DTD and entities) breached at line 14");
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(seconds, 5.0);
}
