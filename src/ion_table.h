#ifndef IONDRILL_ION_TABLE_H
#define IONDRILL_ION_TABLE_H

#include <vector>

#include "ion_record.h"

// The questions: empty until initIons() fills it, read-only afterwards.
extern std::vector<Ion> ion;

// Appends the 40 ions to `ion`, then seeds rand() from the clock. Called once,
// and only when at least one question is wanted.
void initIons();

#endif
