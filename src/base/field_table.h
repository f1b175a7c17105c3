// The lookup behind every field table of the library (onvifMediaOneConfigMap,
// MediaTwoconfigMap, configMap): each row holds an int id, and a field's row
// is the first whose id equals the field. Row order therefore never changes
// a result, and an id without a row has none.
#ifndef STRELL_BASE_FIELD_TABLE_H_
#define STRELL_BASE_FIELD_TABLE_H_

#include <cstddef>

// The first row of `table` whose `id` equals `id`, or null.
template <typename Row, size_t N>
const Row* findRow(const Row (&table)[N], int id) {
  for (const Row& row : table) {
    if (row.id == id) return &row;
  }
  return nullptr;
}

#endif  // STRELL_BASE_FIELD_TABLE_H_
