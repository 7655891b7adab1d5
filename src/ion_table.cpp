#include "ion_table.h"

#include <cstdlib>
#include <ctime>

std::vector<Ion> ion;

void initIons() {
    // Arguments: name, formula, negative?, valency. Rows 4/5 and 7/8 share a
    // notation on purpose: each name is a question of its own.
    ion.push_back(Ion("bromine", "Br", true, 1));
    ion.push_back(Ion("barium", "Ba", false, 2));
    ion.push_back(Ion("iodine", "I", true, 1));
    ion.push_back(Ion("manganese", "Mn", false, 2));
    ion.push_back(Ion("iron", "Fe", false, 2));
    ion.push_back(Ion("iron(II)", "Fe", false, 2));
    ion.push_back(Ion("iron(III)", "Fe", false, 3));
    ion.push_back(Ion("copper", "Cu", false, 2));
    ion.push_back(Ion("copper(II)", "Cu", false, 2));
    ion.push_back(Ion("copper(III)", "Cu", false, 3));
    ion.push_back(Ion("cobalt", "Co", false, 2));
    ion.push_back(Ion("nickel", "Ni", false, 2));
    ion.push_back(Ion("zinc", "Zn", false, 2));
    ion.push_back(Ion("cadmium", "Cd", false, 2));
    ion.push_back(Ion("tin", "Sn", false, 2));
    ion.push_back(Ion("gold", "Au", false, 2));
    ion.push_back(Ion("mercury", "Hg", false, 2));
    ion.push_back(Ion("lead", "Pb", false, 2));
    ion.push_back(Ion("chromium", "Cr", false, 3));
    ion.push_back(Ion("silver", "Ag", false, 1));
    ion.push_back(Ion("hydrogen", "H", false, 1));
    ion.push_back(Ion("lithium", "Li", false, 1));
    ion.push_back(Ion("beryllium", "Be", false, 2));
    ion.push_back(Ion("nitrogen", "N", true, 3));
    ion.push_back(Ion("oxygen", "O", true, 2));
    ion.push_back(Ion("fluorine", "F", true, 1));
    ion.push_back(Ion("sodium", "Na", false, 1));
    ion.push_back(Ion("magnesium", "Mg", false, 2));
    ion.push_back(Ion("aluminium", "Al", false, 3));
    ion.push_back(Ion("phosphorus", "P", true, 3));
    ion.push_back(Ion("sulfur", "S", true, 2));
    ion.push_back(Ion("chlorine", "Cl", true, 1));
    ion.push_back(Ion("potassium", "K", false, 1));
    ion.push_back(Ion("nitrate", "NO3", true, 1));
    ion.push_back(Ion("phosphate", "PO4", true, 3));
    ion.push_back(Ion("sulphate", "SO4", true, 2));
    ion.push_back(Ion("hydroxide", "OH", true, 1));
    ion.push_back(Ion("carbonate", "CO3", true, 2));
    ion.push_back(Ion("ammonium", "NH4", false, 1));
    ion.push_back(Ion("bicarbonate", "HCO3", true, 1));
    // Seeded here, after the count has been typed, not at program start.
    std::srand(static_cast<unsigned>(std::time(nullptr)));
}
