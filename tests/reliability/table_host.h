// A host over the configuration table of reliability_config.h that never
// allocates, so that an allocation-failure test fails only the library's own
// allocations. Each file group reads column A or B; a hostile mode fills every
// value buffer to its last byte without a terminating NUL.
#ifndef STRELL_TESTS_RELIABILITY_TABLE_HOST_H_
#define STRELL_TESTS_RELIABILITY_TABLE_HOST_H_

#include "reliability/reliability_config.h"

namespace table_host {

enum class Column { kA, kB };

// The column every file of `group` reads from now on.
void Select(reliability::FileGroup group, Column column);
void SelectAll(Column column);

// When set, every read succeeds and fills all 256 bytes of the value buffer,
// none of them a NUL, and a parameter read ignores its `size` and does the
// same: a host that breaks the contract.
void SetOverfill(bool overfill);

}  // namespace table_host

#endif  // STRELL_TESTS_RELIABILITY_TABLE_HOST_H_
