// The reference host kit (host/) as the benchmarks use it, and a naive host
// to compare it with, in one process.
//
// The program defines the two host reader functions itself and forwards each
// call to the reader chosen with UseReader: the kit's own functions (linked
// from the shared kit, libstrell_host.so, and found with dlsym(RTLD_NEXT)) or
// the naive reader, which loads and parses the file on every read. The
// forwarding costs one indirect call per read.
#ifndef STRELL_BENCH_REFERENCE_HOST_H_
#define STRELL_BENCH_REFERENCE_HOST_H_

#include <string>
#include <vector>

namespace reference_host {

// Copies the example configuration into a new temporary directory, so the
// benchmarks that change files never touch the source tree, and points the
// kit at it. Returns the directory.
std::string PrepareRoot();

// Every XML file below the root, for the benchmarks that change them.
std::vector<std::string> ConfigurationFiles();

// Makes the content of every configuration file differ from what it was
// (a comment at the end is added or taken away), as a configuration tool
// rewriting them all would.
void ChangeEveryFile();

enum class Reader {
  kReferenceHost,  // the host kit, in the freshness mode set on it
  kNaive,          // load_file and walk the key path on every read
};
void UseReader(Reader reader);

// One XMLSParser_ReadContentEx call the library made.
struct Read {
  std::string file;  // as the library named it
  std::string key;
  std::string hostPath;  // where the kit finds the file
};

// Records the reads the library makes until StopRecording returns them.
void StartRecording();
std::vector<Read> StopRecording();

}  // namespace reference_host

#endif  // STRELL_BENCH_REFERENCE_HOST_H_
