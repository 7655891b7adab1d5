#include "ion_table.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <map>
#include <regex>
#include <string>
#include <utility>
#include <vector>

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

using Rows = std::vector<std::pair<std::string, std::string>>;

// Name and notation from each line of a document's ion list.
Rows listedIn(const std::string& file, const std::regex& row) {
    std::ifstream in(std::string(IONDRILL_SOURCE_DIR) + "/" + file);
    EXPECT_TRUE(in) << file;
    Rows rows;
    std::smatch m;
    for (std::string line; std::getline(in, line);) {
        if (std::regex_match(line, m, row)) {
            rows.emplace_back(m[1], m[2]);
        }
    }
    return rows;
}

// The lists that teachers and learners read are a second source for the
// table: a wrong row in the code, or a list that drifts from it, fails here.
TEST(IonTable, IsListedRowForRowInTheReadmeAndTheManual) {
    ion.clear();
    initIons();
    Rows table;
    for (const Ion& row : ion) {
        table.emplace_back(row.name, row.makeFormula());
    }
    const struct {
        const char* file;
        std::regex row;
    } docs[] = {
        {"README.md", std::regex(R"(\| (\S+) \| `(\S+)` \|)")},
        {"man/iondrill.6.in", std::regex(R"(\.It (\S+) Ta Ql (\S+))")},
    };
    for (const auto& doc : docs) {
        EXPECT_EQ(listedIn(doc.file, doc.row), table) << doc.file;
    }
}

}  // namespace
