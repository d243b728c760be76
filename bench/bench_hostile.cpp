// Loading 100,000 distinct names built to collide in a name table against
// 100,000 ordinary names of the same length: as elements, and as attributes
// of one element. The colliding names share their length and their last
// sixteen characters, which is all a hash of a name's end would see.
#include <nyxml/document.h>

#include "BenchSupport.h"

#include <cstdio>
#include <string>

using namespace NyXmlLib9;
using nyxml_bench::BestOf;

namespace {

const int kNames = 100000;
const std::string kSame = "abcdefghijklmnop";  // sixteen characters

// Same length for both: a six-digit number before or after the shared part.
std::string Name(int i, bool colliding) {
    char digits[8];
    std::snprintf(digits, sizeof digits, "%06d", i);
    return colliding ? "n" + std::string(digits) + kSame : "n" + kSame + digits;
}

std::string Elements(bool colliding) {
    std::string xml = "<r>";
    for (int i = 0; i < kNames; ++i) xml += "<" + Name(i, colliding) + "/>";
    return xml + "</r>";
}

std::string Attributes(bool colliding) {
    std::string xml = "<r";
    for (int i = 0; i < kNames; ++i) xml += " " + Name(i, colliding) + "='1'";
    return xml + "/>";
}

double Load(const std::string& xml) {
    return BestOf(3, [&] {
        CXmlDocument document;
        document.LoadXml(xml.c_str());
    });
}

}  // namespace

int main() {
    std::printf("%d distinct names of %zu characters, best of 3 loads\n", kNames, Name(0, false).size());
    double worst = 0;
    for (bool attributes : {false, true}) {
        std::string ordinary = attributes ? Attributes(false) : Elements(false);
        std::string colliding = attributes ? Attributes(true) : Elements(true);
        double a = Load(ordinary), b = Load(colliding);
        std::printf("%-10s ordinary %8.1f ms   colliding %8.1f ms   ratio %.2f\n",
                    attributes ? "attributes" : "elements", a * 1e3, b * 1e3, b / a);
        if (b / a > worst) worst = b / a;
    }
    std::printf("worst ratio %.2f (at most 2 expected)\n", worst);
    return 0;
}
