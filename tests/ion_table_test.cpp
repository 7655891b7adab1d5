#include "ion_table.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <ctime>
#include <map>
#include <string>

namespace {

// A name/formula mix-up in any row breaks one of these shapes.
bool nameShaped(const std::string& s) {
    return !s.empty() && s[0] >= 'a' && s[0] <= 'z' &&
           s.find_first_not_of("abcdefghijklmnopqrstuvwxyz()I") == std::string::npos;
}

bool notationShaped(const std::string& s) {
    return s.size() >= 2 && s[0] >= 'A' && s[0] <= 'Z' && (s.back() == '+' || s.back() == '-') &&
           std::all_of(s.begin(), s.end() - 1, [](unsigned char c) { return std::isalnum(c); });
}

TEST(IonTable, HoldsFortyWellFormedQuestions) {
    ion.clear();
    initIons();
    ASSERT_EQ(ion.size(), 40U);
    EXPECT_EQ(ion.front().name, "bromine");
    EXPECT_EQ(ion.back().name, "bicarbonate");

    std::map<std::string, std::string> notationOf;
    for (const Ion& row : ion) {
        EXPECT_TRUE(nameShaped(row.name)) << row.name;
        EXPECT_TRUE(notationShaped(row.makeFormula())) << row.name;
        notationOf[row.name] = row.makeFormula();
    }
    EXPECT_EQ(notationOf.size(), 40U);  // no name asked twice
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
