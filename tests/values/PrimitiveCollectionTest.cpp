#include <nyxml/document.h>
#include <nyxml/primitivecols.h>
#include <nyxml/writer.h>

#include "TestSupport.h"

#include <string>
#include <vector>
#include <functional>

using namespace NyXmlLib9;
using nyxml_test::Utf8;

namespace {

struct Recorder : IEventSink {
    std::vector<std::pair<int, int>> events;  // type, index (or -99)
    void OnEvent(CXmlObjectBase*, MsgType type, void* data) override {
        int index = (type >= MsgType_Remove && data) ? *static_cast<int*>(data) : -99;
        events.emplace_back(type, index);
    }
};

// Writes a collection's items through a text writer inside a wrapper element.
std::wstring Write(const CXmlObjectBase& collection, const CXmlSerializationContext& ctx) {
    struct Access : CXmlObjectBase {
        static void Write(const CXmlObjectBase* o, CXmlWriter* w, const CXmlSerializationContext& c) {
            CXmlObjectBase::ToXml_Int(o, w, false, nullptr, c, false);
        }
    };
    CTextStream stream(XmlEncoding_None);
    CXmlTextWriter writer(&stream);
    writer.SetFormatted(false);
    writer.StartDocument();
    writer.StartElement(L"w", L"");
    Access::Write(&collection, &writer, ctx);
    writer.EndElement();
    writer.EndDocument();
    return stream.GetBuffer().GetString();
}

CXmlElement* Read(CXmlObjectBase& collection, CXmlDocument& d, const wchar_t* xml,
                  const CXmlSerializationContext& ctx) {
    struct Access : CXmlObjectBase {
        static CXmlElement* Read(CXmlObjectBase* o, CXmlElement* e, const CXmlSerializationContext& c) {
            return CXmlObjectBase::FromXml_Int(o, e, e->GetFirstElement(), c);
        }
    };
    d.LoadXml(xml);
    return Access::Read(&collection, d.GetDocumentElement(), ctx);
}

const CXmlSerializationContext& Ctx() { return CXmlSerializationContext::GetDefaultContext(); }

}  // namespace

TEST(Ci4Col, AddAtBoundsAndItem) {
    CSmartPtr<Ci4Col> col(new Ci4Col(L"n", L"urn:n", 0, -1));
    col->Add(1);
    col->AddAt(col->GetCount(), -2);
    col->AddAt(0, 7);
    EXPECT_EQ(3, col->GetCount());
    EXPECT_EQ(7, col->Item(0));
    EXPECT_EQ(-2, col->Item(2));
    EXPECT_NY_THROW(col->AddAt(4, 9), CNyInvalidParamException, L"Index out of range");
    EXPECT_NY_THROW(col->Item(3), CNyInvalidParamException, L"Index 3 is out of range, use 0 - 2");
    EXPECT_NY_THROW(col->Remove(-1), CNyInvalidParamException, L"Index -1 is out of range, use 0 - 2");
    EXPECT_EQ(3, col->GetCount());
}

TEST(Ci4Col, CountsAreCheckedBeforeWriting) {
    CSmartPtr<Ci4Col> col(new Ci4Col(L"n", L"", 1, 2));
    EXPECT_NY_THROW(Write(*col, Ctx()), CNyValidationException,
                    L"The Minimum number of [n] elements allowed in this collection is 1");
    for (int i = 0; i < 3; ++i) col->Add(i);
    EXPECT_NY_THROW(Write(*col, Ctx()), CNyValidationException,
                    L"The Maximum number of [n] elements allowed in this collection is 2");
    CXmlSerializationContext lenient;
    lenient.SetIgnoreInvalidCollectionCounts(true);
    EXPECT_EQ(L"<w><n>0</n><n>1</n><n>2</n></w>", Write(*col, lenient));
}

TEST(Ci4Col, EventsOfAddRemoveAndClear) {
    CSmartPtr<Ci4Col> col(new Ci4Col(L"n", L"", 0, -1));
    Recorder r;
    col->AddEventListener(&r);
    col->Add(5);
    ASSERT_EQ(3u, r.events.size());
    EXPECT_EQ(1, r.events[0].first);
    EXPECT_EQ(2, r.events[1].first);
    EXPECT_EQ(0, r.events[2].first);
    col->Add(6);
    col->Add(7);
    r.events.clear();
    col->Clear();
    ASSERT_EQ(9u, r.events.size());
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(3, r.events[3 * i].first);
        EXPECT_EQ(0, r.events[3 * i].second);  // every removal is of index 0
        EXPECT_EQ(4, r.events[3 * i + 1].first);
        EXPECT_EQ(0, r.events[3 * i + 2].first);
    }
    // A failed add has already told the listeners.
    r.events.clear();
    EXPECT_THROW(col->AddAt(5, 1), CNyInvalidParamException);
    ASSERT_EQ(1u, r.events.size());
    EXPECT_EQ(1, r.events[0].first);
    col->RemoveEventListener(&r);
}

TEST(Ci4Col, FacetsAreCheckedOnAdd) {
    CSmartPtr<Ci4Col> col(new Ci4Col(L"n", L"", 0, -1, nullptr, -1, -1, L"0", L"10", nullptr, nullptr, -1));
    col->Add(10);
    EXPECT_NY_THROW(col->Add(11), CNyException, L"Invalid Value for n [11]");
    EXPECT_EQ(1, col->GetCount());
}

TEST(Ci4Col, ReadsARunAndStopsAtTheFirstBadText) {
    CSmartPtr<Ci4Col> col(new Ci4Col(L"n", L"", 0, -1));
    CXmlDocument d;
    CXmlElement* next = Read(*col, d, L"<w><n>1</n><n> 2 </n><m/></w>", Ctx());
    ASSERT_NE(nullptr, next);
    EXPECT_EQ(L"m", next->GetLocalName());
    EXPECT_EQ(2, col->GetCount());
    CSmartPtr<Ci4Col> bad(new Ci4Col(L"n", L"", 0, -1));
    CXmlDocument d2;
    EXPECT_THROW(Read(*bad, d2, L"<w><n>1</n><n>2</n><n>x</n></w>", Ctx()), CNyInvalidValueException);
    EXPECT_EQ(2, bad->GetCount());
}

TEST(PrimitiveCollections, EveryKindRoundTrips) {
    struct Case {
        std::wstring xml;
        CSmartPtr<CXmlTypeCollection> col;
    };
    std::vector<Case> cases;
    cases.push_back({L"<w><x>0A1B</x></w>", new ChexBinaryCol(L"x", L"", 0, -1)});
    cases.push_back({L"<w><x>AAEC</x></w>", new Cbase64BinaryCol(L"x", L"", 0, -1)});
    cases.push_back({L"<w><x>-128</x><x>127</x></w>", new Ci1Col(L"x", L"", 0, -1)});
    cases.push_back({L"<w><x>-32768</x></w>", new Ci2Col(L"x", L"", 0, -1)});
    cases.push_back({L"<w><x>-9223372036854775808</x></w>", new Ci8Col(L"x", L"", 0, -1)});
    cases.push_back({L"<w><x>255</x></w>", new Cui1Col(L"x", L"", 0, -1)});
    cases.push_back({L"<w><x>65535</x></w>", new Cui2Col(L"x", L"", 0, -1)});
    cases.push_back({L"<w><x>4294967295</x></w>", new Cui4Col(L"x", L"", 0, -1)});
    cases.push_back({L"<w><x>18446744073709551615</x></w>", new Cui8Col(L"x", L"", 0, -1)});
    cases.push_back({L"<w><x>1.5</x></w>", new Cr4Col(L"x", L"", 0, -1)});
    cases.push_back({L"<w><x>-2.25</x></w>", new Cr8Col(L"x", L"", 0, -1)});
    cases.push_back({L"<w><x>P1Y2M</x></w>", new CdurationCol(L"x", L"", 0, -1)});
    cases.push_back({L"<w><x>2026-12</x></w>", new CyearMonthCol(L"x", L"", 0, -1)});
    cases.push_back({L"<w><x>--12-06</x></w>", new CmonthDayCol(L"x", L"", 0, -1)});
    cases.push_back({L"<w><x>2026</x></w>", new CyearCol(L"x", L"", 0, -1)});
    cases.push_back({L"<w><x>--12</x></w>", new CmonthCol(L"x", L"", 0, -1)});
    cases.push_back({L"<w><x>---06</x></w>", new CdayCol(L"x", L"", 0, -1)});
    cases.push_back({L"<w><x>2026-12-06T17:26:44Z</x></w>", new CdatetimeCol(L"x", L"", 0, -1)});
    cases.push_back({L"<w><x>17:26:44</x></w>", new CtimeCol(L"x", L"", 0, -1)});
    cases.push_back({L"<w><x>a b</x><x>c</x></w>", new CstringCol(L"x", L"", 0, -1)});
    cases.push_back({L"<w><x>true</x><x>false</x></w>", new CbooleanCol(L"x", L"", 0, -1)});
    cases.push_back({L"<w><x>-1.5</x></w>", new CdecimalCol(L"x", L"", 0, -1)});
    cases.push_back({L"<w><x>123456789012345678901234567890</x></w>", new CintegerCol(L"x", L"", 0, -1)});
    for (Case& c : cases) {
        SCOPED_TRACE(nyxml_test::Utf8(c.xml));
        CXmlDocument d;
        try {
            EXPECT_EQ(nullptr, Read(*c.col, d, c.xml.c_str(), Ctx()));
            EXPECT_EQ(c.xml, Write(*c.col, Ctx()));
        } catch (const CNyException& e) {
            ADD_FAILURE() << nyxml_test::Utf8(e.GetFullMessage());
        }
    }
}

TEST(PrimitiveCollections, CopiesHoldTheirOwnItems) {
    Ci4Col a(L"n", L"", 0, -1);
    a.Add(1);
    Ci4Col b(a);
    a.Add(2);
    EXPECT_EQ(1, b.GetCount());
    b = a;
    EXPECT_EQ(2, b.GetCount());
    CstringCol s(L"s", L"", 0, -1);
    s.Add(L"x");
    std::vector<std::wstring> items(s.begin(), s.end());
    ASSERT_EQ(1u, items.size());
    EXPECT_EQ(L"x", items[0]);
}

// The date and time collections check a value (its kind, then its facets)
// before they tell their listeners of it, and the index last.
namespace {

struct KindRecorder : IEventSink {
    std::vector<int> events;
    void OnEvent(CXmlObjectBase*, MsgType type, void*) override { events.push_back(type); }
};

struct Case {
    const wchar_t* name;
    std::function<CdatetimeBaseCol*(const wchar_t* min, const wchar_t* max)> make;
    CDateTime inRange;   // of the collection's kind, within [min, max]
    CDateTime tooLate;   // of the collection's kind, above max
    CDateTime wrongKind;
    const wchar_t* min;
    const wchar_t* max;
    const wchar_t* kindMessage;
    const wchar_t* facetMessage;
};

template <class Col>
std::function<CdatetimeBaseCol*(const wchar_t*, const wchar_t*)> Maker() {
    return [](const wchar_t* min, const wchar_t* max) -> CdatetimeBaseCol* {
        return new Col(L"v", L"", 0, -1, nullptr, -1, -1, min, max);
    };
}

CDateTime Parse(void (CDateTime::*parse)(const wchar_t*), const wchar_t* text) {
    CDateTime value;
    (value.*parse)(text);
    return value;
}

CDateTime Date(const wchar_t* text) { return Parse(&CDateTime::ParseXSDDate, text); }

}  // namespace

TEST(DateCollectionAdd, KindAndFacetsAreCheckedBeforeTheEventAndTheIndexLast) {
    const Case cases[] = {
        {L"date", Maker<CdateCol>(), Date(L"2001-10-26"), Date(L"2002-01-01"), Date(L"2001-10"), L"2001-01-01",
         L"2001-12-31", L"Dates added to this collection must be of type dt_date",
         L"Invalid Value for v [2002-01-01]"},
        {L"dateTime", Maker<CdatetimeCol>(), CDateTime(L"2001-10-26T10:00:00"), CDateTime(L"2002-01-01T00:00:00"),
         Date(L"2001-10-26"), L"2001-01-01T00:00:00", L"2001-12-31T00:00:00",
         L"Dates added to this collection must be of type dt_dateTime",
         L"Invalid Value for v [2002-01-01T00:00:00]"},
        {L"time", Maker<CtimeCol>(), Parse(&CDateTime::ParseXSDTime, L"10:00:00"),
         Parse(&CDateTime::ParseXSDTime, L"23:00:00"), Date(L"2001-10-26"), L"08:00:00", L"18:00:00",
         L"Dates added to this collection must be of type dt_time", L"Invalid Value for v [23:00:00]"},
        {L"gMonthDay", Maker<CmonthDayCol>(), Date(L"--10-26"), Date(L"--12-31"), Date(L"--10"), L"--01-01",
         L"--11-30", L"Dates added to this collection must be of type dt_gMonthDay",
         L"Invalid Value for v [--12-31]"},
        {L"gYearMonth", Maker<CyearMonthCol>(), Date(L"2001-10"), Date(L"2003-01"), Date(L"2001"), L"2001-01",
         L"2002-12", L"Dates added to this collection must be of type dt_gYearMonth",
         L"Invalid Value for v [2003-01]"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Utf8(c.name));
        CSmartPtr<CdatetimeBaseCol> col(c.make(c.min, c.max));
        KindRecorder r;
        col->AddEventListener(&r);
        // A value of the wrong kind: no listener hears of it, whatever the index.
        EXPECT_NY_THROW(col->AddAt(7, c.wrongKind), CNyInvalidParamException, c.kindMessage);
        EXPECT_TRUE(r.events.empty());
        // A facet failure wins over a bad index, again before any event.
        EXPECT_NY_THROW(col->AddAt(7, c.tooLate), CNyException, c.facetMessage);
        EXPECT_TRUE(r.events.empty());
        // A good value at a bad index: the before-add event, then the index error.
        EXPECT_NY_THROW(col->AddAt(1, c.inRange), CNyInvalidParamException, L"Index out of range");
        EXPECT_EQ(std::vector<int>{IEventSink::MsgType_Add}, r.events);
        r.events.clear();
        col->Add(c.inRange);
        EXPECT_EQ((std::vector<int>{IEventSink::MsgType_Add, IEventSink::MsgType_AddComplete,
                                    IEventSink::MsgType_Change}),
                  r.events);
        EXPECT_EQ(1, col->GetCount());
        col->RemoveEventListener(&r);
    }
}
