#include "ion_table.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <map>
#include <string>

namespace {

TEST(IonTable, HoldsFortyDistinctQuestions) {
    ion.clear();
    initIons();
    ASSERT_EQ(ion.size(), 40U);
    EXPECT_EQ(ion.front().name, "bromine");
    EXPECT_EQ(ion.back().name, "bicarbonate");

    std::map<std::string, std::string> notationOf;
    for (const Ion& row : ion) {
        notationOf[row.name] = row.makeFormula();
    }
    EXPECT_EQ(notationOf.size(), 40U);  // no name asked twice
    // Rows that are easy to get wrong; a name/formula mix-up fails them all.
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
