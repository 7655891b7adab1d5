#include "ion_table.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <map>
#include <regex>
#include <set>

namespace {

TEST(IonTable, HoldsFortyWellFormedQuestions) {
    ion.clear();
    initIons();
    ASSERT_EQ(ion.size(), 40U);
    EXPECT_EQ(ion.front().name, "bromine");
    EXPECT_EQ(ion.back().name, "bicarbonate");

    // A name/formula mix-up in any row breaks one of these shapes.
    const std::regex nameShape(R"([a-z]+(\(III?\))?)");
    const std::regex notationShape(R"(([A-Z][a-z]?[0-9]?)+[23]?[+-])");
    std::set<std::string> names;
    std::map<std::string, std::string> notationOf;
    for (const Ion& row : ion) {
        EXPECT_TRUE(std::regex_match(row.name, nameShape)) << row.name;
        EXPECT_TRUE(std::regex_match(row.makeFormula(), notationShape)) << row.name;
        names.insert(row.name);
        notationOf[row.name] = row.makeFormula();
    }
    EXPECT_EQ(names.size(), 40U);
    // Rows that are easy to get wrong.
    EXPECT_EQ(notationOf["bromine"], "Br-");
    EXPECT_EQ(notationOf["bicarbonate"], "HCO3-");
    EXPECT_EQ(notationOf["gold"], "Au2+");
    EXPECT_EQ(notationOf["phosphate"], "PO43-");
    EXPECT_EQ(notationOf["nitrogen"], "N3-");
    EXPECT_EQ(notationOf["iron"], notationOf["iron(II)"]);
}

TEST(IonTable, SeedsTheGeneratorFromTheClock) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        const std::time_t before = std::time(nullptr);
        ion.clear();
        initIons();
        const int drawn[] = {std::rand(), std::rand(), std::rand()};
        if (std::time(nullptr) != before) {
            continue;  // the second turned over meanwhile
        }
        std::srand(static_cast<unsigned>(before));
        for (const int value : drawn) {
            EXPECT_EQ(value, std::rand());
        }
        return;
    }
    FAIL() << "clock kept turning over";
}

}  // namespace
