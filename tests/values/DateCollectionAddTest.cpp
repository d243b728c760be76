// The date and time collections check a value (its kind, then its facets)
// before they tell their listeners of it, and the index last.
#include <nyxml/primitivecols.h>

#include "TestSupport.h"

#include <functional>
#include <vector>

using namespace NyXmlLib9;
using nyxml_test::Utf8;

namespace {

struct Recorder : IEventSink {
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
        Recorder r;
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
