// The one in-memory host of the tests, the fuzz targets and the benchmarks.
// It defines the library's two reader functions over a table of (file, key
// path) -> text and a table of device parameters, so that the library runs
// without files. Two modes:
//  - logging (the default, for tests): every read is recorded in order,
//    under a lock, with whether the library's buffer came zero-filled;
//  - quiet (benchmarks, fuzz targets): a read takes no lock, logs nothing
//    and allocates nothing, so what is measured beyond it is the library's
//    own work. The tables must not change while the library reads.
#ifndef STRELL_TESTING_MEMORY_HOST_H_
#define STRELL_TESTING_MEMORY_HOST_H_

#include <string>
#include <vector>

namespace memory_host {

// One call of XMLSParser_ReadContentEx, as the library made it.
struct Read {
  std::string file;
  std::string key;
  bool zeroedBuffer;  // all 256 bytes of the value buffer were zero on entry
  bool delivered;     // the host returned 0
};

// Forgets every value, parameter, failing file and logged read.
void Clear();
// Makes `key` in `file` read as `text`, cut at 255 characters as the host
// contract allows.
void Set(const std::string& file, const std::string& key, const std::string& text);
void Erase(const std::string& file, const std::string& key);
// Every read of `file` fails, whatever it holds (a missing or broken file).
void FailFile(const std::string& file);
// Makes the parameter `name` read as `text` (cut to the caller's size).
void SetParam(const std::string& name, const std::string& text);

// Quiet mode on or off (see above).
void SetQuiet(bool quiet);

std::vector<Read> Reads();
std::vector<std::string> ParamReads();
void ClearLog();

}  // namespace memory_host

#endif  // STRELL_TESTING_MEMORY_HOST_H_
