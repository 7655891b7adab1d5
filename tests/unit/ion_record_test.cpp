#include "ion_record.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

TEST(Ion, NotationHasDigitOnlyForValencyTwoOrThree) {
    const struct {
        Ion ion;
        const char* notation;
    } cases[] = {
        {Ion("chlorine", "Cl", true, 1), "Cl-"},     {Ion("sulphate", "SO4", true, 2), "SO42-"},
        {Ion("phosphate", "PO4", true, 3), "PO43-"}, {Ion("ammonium", "NH4", false, 1), "NH4+"},
        {Ion("odd", "X", false, 4), "X+"},           {Ion(), "+"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.ion.makeFormula(), c.notation);
    }
}

TEST(Ion, ForgivesLetterCaseOnlyAndNeverScoresIt) {
    const Ion iron3("iron(III)", "Fe", false, 3);
    const Ion chlorine("chlorine", "Cl", true, 1);
    const Ion cobalt("cobalt", "Co", false, 2);
    const std::string close = "Close; correct answer is ";
    const std::string wrong = "Incorrect; correct answer is ";
    const struct {
        const Ion& ion;
        std::string answer;
        std::string line;
        bool correct;
    } cases[] = {
        {iron3, "Fe3+", "Correct.\n", true},        {iron3, "fe3+", close + "Fe3+\n", false},
        {iron3, "Fe+3", wrong + "Fe3+\n", false},   {iron3, "Fe3", wrong + "Fe3+\n", false},
        {iron3, " Fe3+", wrong + "Fe3+\n", false},  {iron3, "", wrong + "Fe3+\n", false},
        {chlorine, "Cl1-", wrong + "Cl-\n", false}, {chlorine, "CL-", close + "Cl-\n", false},
        {cobalt, "CO2+", close + "Co2+\n", false},
    };
    for (const auto& c : cases) {
        testing::internal::CaptureStdout();
        EXPECT_EQ(c.ion.getResponse(c.answer), c.correct) << "answer '" << c.answer << "'";
        std::fflush(stdout);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.line) << "answer '" << c.answer << "'";
    }
}

TEST(Ion, CopiesAndAssignmentsCarryEveryField) {
    const Ion src("sulphate", "SO4", true, 2);
    Ion assigned("iron", "Fe", false, 3);
    assigned = src;
    const Ion copied(src);
    for (const Ion& ion : {assigned, copied}) {
        EXPECT_EQ(ion.name, "sulphate");
        EXPECT_EQ(ion.makeFormula(), "SO42-");
    }
}

TEST(Ucase, RaisesAsciiLowerCaseOnly) {
    const struct {
        std::string in, out;
    } cases[] = {
        {"azAZ09+-() ", "AZAZ09+-() "},
        {"@[`{", "@[`{"},                  // neighbours of the letter ranges
        {"\xe9\xe0\xff", "\xe9\xe0\xff"},  // Latin-1 letters stay as they are
        {std::string("a\0b", 3), std::string("A\0B", 3)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ucase(c.in), c.out);
    }
}

}  // namespace
