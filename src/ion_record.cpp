#include "ion_record.h"

#include <algorithm>
#include <cstdio>
#include <utility>

Ion::Ion() : sign(false), valency(1) {}

Ion::Ion(std::string n, std::string f, bool s, std::int16_t v)
    : name(std::move(n)), formula(std::move(f)), sign(s), valency(v) {}

Ion::Ion(const Ion& src) = default;

const Ion& Ion::operator=(const Ion& src) {
    name = src.name;
    formula = src.formula;
    sign = src.sign;
    valency = src.valency;
    return *this;
}

std::string Ion::makeFormula() const {
    std::string ret = formula;
    if (valency == 2) {
        ret += '2';
    } else if (valency == 3) {
        ret += '3';
    }
    ret += sign ? '-' : '+';
    return ret;
}

bool Ion::getResponse(std::string input) const {
    const std::string notation = makeFormula();
    if (input == notation) {
        std::printf("Correct.\n");
        return true;
    }
    if (ucase(std::move(input)) == ucase(notation)) {
        std::printf("Close; correct answer is %s\n", notation.c_str());
    } else {
        std::printf("Incorrect; correct answer is %s\n", notation.c_str());
    }
    return false;
}

std::string ucase(std::string src) {
    // Byte arithmetic rather than toupper(): no locale may change the result.
    std::transform(src.begin(), src.end(), src.begin(),
                   [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 0x20) : c; });
    return src;
}
