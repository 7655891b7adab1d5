#ifndef IONDRILL_ION_RECORD_H
#define IONDRILL_ION_RECORD_H

#include <cstdint>
#include <string>

// One ion the drill can ask about: its English name and the facts from which
// the expected answer (the charge notation, e.g. "SO42-") is built.
class Ion {
public:
    std::string name;

    Ion();
    Ion(std::string n, std::string f, bool s, std::int16_t v);
    Ion(const Ion& src);
    const Ion& operator=(const Ion& src);
    ~Ion() = default;

    // Formula, then "2" or "3" for valency 2 or 3, then "-" or "+".
    std::string makeFormula() const;

    // Prints one verdict line (Correct, Close or Incorrect) for the learner's
    // answer; true only for an exact match.
    bool getResponse(std::string input) const;

private:
    std::string formula;
    bool sign;  // true: negative ion
    std::int16_t valency;
};

// Upper-cases the ASCII letters a-z only; every other byte passes unchanged.
std::string ucase(std::string src);

#endif
