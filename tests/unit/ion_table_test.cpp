#include "ion_table.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <map>
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

// Name and notation from each line of a document's ion list, which reads
// OPEN name MIDDLE notation CLOSE.
struct RowShape {
    std::string open, middle, close;
};

Rows listedIn(const std::string& file, const RowShape& shape) {
    std::ifstream in(std::string(IONDRILL_SOURCE_DIR) + "/" + file);
    EXPECT_TRUE(in) << file;
    Rows rows;
    const auto& [open, middle, close] = shape;
    for (std::string line; std::getline(in, line);) {
        if (line.size() < open.size() + close.size() || line.rfind(open, 0) != 0 ||
            line.compare(line.size() - close.size(), close.size(), close) != 0) {
            continue;
        }
        const std::string inner =
            line.substr(open.size(), line.size() - open.size() - close.size());
        const std::size_t mid = inner.find(middle);
        if (mid != std::string::npos) {
            rows.emplace_back(inner.substr(0, mid), inner.substr(mid + middle.size()));
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
        RowShape row;
    } docs[] = {
        {"README.md", {"| ", " | `", "` |"}},
        {"man/iondrill.6.in", {".It ", " Ta Ql ", ""}},
    };
    for (const auto& doc : docs) {
        EXPECT_EQ(listedIn(doc.file, doc.row), table) << doc.file;
    }
}

}  // namespace
