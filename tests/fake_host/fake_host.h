// An in-memory host for unit tests: it defines the two host reader functions
// over maps of (file, key path) to text and of parameter name to text, logs
// every call in order, and fails the reads it is told to fail.
#ifndef STRELL_TESTS_FAKE_HOST_FAKE_HOST_H_
#define STRELL_TESTS_FAKE_HOST_FAKE_HOST_H_

#include <string>
#include <vector>

namespace fake_host {

// One call of XMLSParser_ReadContentEx, as the library made it.
struct XmlRead {
  std::string file;
  std::string key;
  bool zeroedBuffer;  // all 256 bytes of the value buffer were zero on entry
  bool delivered;     // the fake returned 0
};

// Forgets every value, parameter, failure and logged call.
void Reset();

// Makes `key` in `file` read as `text`. The fake writes at most 255
// characters and a NUL, as the host contract allows.
void Set(const std::string& file, const std::string& key, const std::string& text);
void Erase(const std::string& file, const std::string& key);
// Every read of `file` fails, whatever it holds (a missing or broken file).
void FailFile(const std::string& file);
// Makes the parameter `name` read as `text` (written bounded by `size`).
void SetParam(const std::string& name, const std::string& text);

std::vector<XmlRead> XmlReads();
std::vector<std::string> ParamReads();
void ClearLog();

}  // namespace fake_host

#endif  // STRELL_TESTS_FAKE_HOST_FAKE_HOST_H_
