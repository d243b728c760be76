// nyxml generate --root-only: what the named schemas' global elements do not
// reach is left out. The same output is compiled with -Werror by the build
// (schema_root_only_objects).
#include "Generator.h"

#include <gtest/gtest.h>

#include <string>

TEST(SchemaCompiler, RootOnlyLeavesOutWhatTheGlobalElementsDoNotReach) {
    const std::string dir = std::string(NYXML_SOURCE_DIR) + "/tests/data/rootonly/";
    nyxml_compiler::GenerateOptions options;
    options.schemas = {dir + "rootonly.xsd"};
    std::string all[2];
    for (bool rootOnly : {false, true}) {
        options.rootOnly = rootOnly;
        nyxml_compiler::GenerateResult result = nyxml_compiler::Generate(options);
        ASSERT_TRUE(result.ok);
        ASSERT_EQ(4u, result.files.size());  // the imported schema's files are written either way
        for (const nyxml_compiler::GeneratedFile& f : result.files) all[rootOnly] += f.text;
    }
    const struct {
        const char* text;
        bool kept;
    } rows[] = {
        {"class CShipment : public", true},
        {"class CParcel : public", true},
        {"class CItem : public", true},   // base of Parcel
        {"class CCrate : public", true},  // derived from Parcel: xsi:type may name it
        {"class CPallet : public", false},
        {"enum Colour", false},
        {"if (name == L\"shipment\"", true},
        {"if (name == L\"pallet\"", false},  // a global element of the imported schema
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_NE(std::string::npos, all[0].find(row.text));
        EXPECT_EQ(row.kept, all[1].find(row.text) != std::string::npos);
    }
}
