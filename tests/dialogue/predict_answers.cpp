// Prints the right answers to the first COUNT questions of an iondrill whose
// generator was seeded with SEED, then the Enter after the score line. The
// drill draws with rand(), so the same C library replays its questions.
#include <cstdio>
#include <cstdlib>

#include "ion_table.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: predict_answers SEED COUNT\n", stderr);
        return 2;
    }
    initIons();
    std::srand(static_cast<unsigned>(std::strtoul(argv[1], nullptr, 10)));
    for (long n = std::strtol(argv[2], nullptr, 10); n > 0; --n) {
        std::puts(ion[static_cast<unsigned>(std::rand()) % ion.size()].makeFormula().c_str());
    }
    std::puts("");
    return 0;
}
