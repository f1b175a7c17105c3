#include "reliability/table_host.h"

#include <cstring>

namespace table_host {
namespace {

constexpr int kGroups = 4;
Column g_columns[kGroups] = {Column::kA, Column::kA, Column::kA, Column::kA};
bool g_overfill = false;

int fileIndex(const char* path) {
  for (int i = 0; i < reliability::kFileCount; ++i) {
    if (std::strcmp(reliability::kFiles[i].path, path) == 0) return i;
  }
  return -1;
}

}  // namespace

void Select(reliability::FileGroup group, Column column) {
  g_columns[static_cast<int>(group)] = column;
}

void SelectAll(Column column) {
  for (Column& each : g_columns) each = column;
}

void SetOverfill(bool overfill) { g_overfill = overfill; }

}  // namespace table_host

extern "C" int XMLSParser_ReadContentEx(const char* filePath, const char* keyPath, char* value) {
  using namespace table_host;
  if (g_overfill) {
    std::memset(value, 'x', 256);
    return 0;
  }
  const int file = fileIndex(filePath);
  if (file < 0) return 1;
  const Column column = g_columns[static_cast<int>(reliability::kFiles[file].group)];
  for (const reliability::ConfigValue& entry : reliability::kValues) {
    if (entry.file != file || std::strcmp(entry.key, keyPath) != 0) continue;
    const char* text = column == Column::kA ? entry.a : entry.b;
    if (text == nullptr) return 1;
    const size_t length = strnlen(text, 255);
    std::memcpy(value, text, length);
    value[length] = '\0';
    return 0;
  }
  return 1;
}

extern "C" int Configer_GetParamValueByXPath(const char* name, char* value, int size) {
  using namespace table_host;
  if (g_overfill) {
    // Ignores `size` too; the library's buffer holds 256 bytes.
    std::memset(value, '7', 256);
    return 0;
  }
  for (const reliability::Parameter& parameter : reliability::kParameters) {
    if (std::strcmp(parameter.name, name) != 0 || size <= 0) continue;
    const size_t length = strnlen(parameter.value, static_cast<size_t>(size - 1));
    std::memcpy(value, parameter.value, length);
    value[length] = '\0';
    return 0;
  }
  return 1;
}
