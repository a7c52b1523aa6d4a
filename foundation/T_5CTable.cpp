#include "T_5CTable.h"

namespace t5c {
// The set test must agree with the table, character for character.
static_assert([] {
    for (size_t k = 0; k < kTable.size(); k += 2)
        if (static_cast<unsigned char>(kTable[k + 1]) != 0x5C || !IsLead(static_cast<unsigned char>(kTable[k]))) return false;
    return true;
}(), "0x5C table and lead-byte set disagree");
}  // namespace t5c
