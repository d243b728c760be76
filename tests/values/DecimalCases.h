// Loader for the expected-result files written by tests/tools/gen_decimal_cases.py.
#ifndef NYXML_TESTS_VALUES_DECIMALCASES_H
#define NYXML_TESTS_VALUES_DECIMALCASES_H

#include <nyxml/decimal.h>

#include "TestSupport.h"

#include <sstream>
#include <string>
#include <vector>

namespace nyxml_test {

struct DecimalCase {
    int line = 0;
    int places = 30;                  // maximum decimal places in force
    std::vector<std::string> fields;  // operation, operands..., expected
};

inline std::vector<DecimalCase> LoadDecimalCases(const std::string& name) {
    std::istringstream in(ReadFile(TestDataPath(name)));
    std::vector<DecimalCase> cases;
    std::string line;
    int number = 0;
    int places = 30;
    while (std::getline(in, line)) {
        ++number;
        if (line.empty() || line[0] == '#') continue;
        DecimalCase c;
        c.line = number;
        std::istringstream fields(line);
        for (std::string field; std::getline(fields, field, '\t');) c.fields.push_back(field);
        if (c.fields.size() == 2 && c.fields[0] == "places") {
            places = std::stoi(c.fields[1]);
            continue;
        }
        c.places = places;
        cases.push_back(c);
    }
    return cases;
}

inline std::string Trace(const DecimalCase& c) {
    std::string text = "line " + std::to_string(c.line) + ":";
    for (const std::string& f : c.fields) text += " [" + f.substr(0, 120) + "]";
    return text;
}

// Restores the process-wide number of decimal places when a test ends.
class MaxPlacesScope {
public:
    MaxPlacesScope() : m_saved(NyXmlLib9::CDecimal::GetMaxDecimalPlaces()) {}
    ~MaxPlacesScope() { NyXmlLib9::CDecimal::SetMaxDecimalPlaces(m_saved); }

private:
    int m_saved;
};

// Runs `check` on the fields of every case of operation `op`, with its number
// of decimal places in force; expects at least `atLeast` such cases.
template <class Check>
void ForEachDecimalCase(const std::vector<DecimalCase>& cases, const std::string& op, size_t atLeast, Check check) {
    MaxPlacesScope scope;
    size_t count = 0;
    for (const DecimalCase& c : cases) {
        if (c.fields[0] != op) continue;
        ++count;
        NyXmlLib9::CDecimal::SetMaxDecimalPlaces(c.places);
        SCOPED_TRACE(Trace(c));
        check(c.fields);
    }
    EXPECT_GE(count, atLeast) << "cases of " << op;
}

}  // namespace nyxml_test

#endif
