// A lean in-memory host for the library-only benchmarks: it defines the two
// host reader functions over a fixed hash table that is filled before the
// measured loop and only read during it. A read hashes the file and key
// path, compares them once and copies the value: no lock, no log and no heap
// allocation, so what a benchmark measures beyond it is the library's own
// work. (The unit tests' fake host logs every call under a mutex, which would
// dominate these measurements.)
#ifndef STRELL_BENCH_LEAN_HOST_H_
#define STRELL_BENCH_LEAN_HOST_H_

#include <string>

namespace lean_host {

// Forgets every value and parameter.
void Clear();

// Makes `key` in `file` read as `text` (cut at 255 characters). Not safe
// while readers run.
void Set(const std::string& file, const std::string& key, const std::string& text);

// Makes the device parameter `name` read as `text`.
void SetParam(const std::string& name, const std::string& text);

// Loads the text of every element of every XML file below `root`, as the
// library would see it if `root` were "/etc/conf.d/": file
// "<root>/config_onvif/x.xml" becomes "/etc/conf.d/config_onvif/x.xml", and an
// element's key path is the slash-joined names from the document element
// down. Returns the number of files loaded; 0 when `root` holds none.
int LoadTree(const std::string& root);

// Loads the configuration the benchmarks use: the tree named by the
// environment variable STRELL_BENCH_CONF, else the example configuration the
// build points to, else a built-in camera of the same shape (two video inputs
// of three streams, one audio input, metadata). Sets the three capability
// parameters to match. Returns where the configuration came from.
std::string LoadBenchConfiguration();

}  // namespace lean_host

#endif  // STRELL_BENCH_LEAN_HOST_H_
