// main() of every Google Benchmark program here. The library prints its trace
// lines to standard output, and printing them is part of the work a request
// costs, so they are kept, but sent to a file: STRELL_BENCH_STDOUT, by
// default "strell-bench-stdout.txt" in the working directory. The results
// table goes to the original standard output.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <streambuf>
#include <vector>

namespace {

// An output stream buffer over a file descriptor, for the results table.
class FdBuffer : public std::streambuf {
 public:
  explicit FdBuffer(int fd) : fd_(fd) {}

 protected:
  int_type overflow(int_type c) override {
    if (c == traits_type::eof()) return traits_type::not_eof(c);
    const char byte = traits_type::to_char_type(c);
    return write(fd_, &byte, 1) == 1 ? c : traits_type::eof();
  }
  std::streamsize xsputn(const char* data, std::streamsize count) override {
    std::streamsize done = 0;
    while (done < count) {
      const ssize_t n = write(fd_, data + done, static_cast<size_t>(count - done));
      if (n <= 0) break;
      done += n;
    }
    return done;
  }

 private:
  int fd_;
};

// The console table, remembering whether a benchmark reported an error (an
// unexpected result code, for one): the program then fails, so CI notices.
class CheckingReporter : public benchmark::ConsoleReporter {
 public:
  using benchmark::ConsoleReporter::ConsoleReporter;
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs) failed_ = failed_ || run.error_occurred;
    benchmark::ConsoleReporter::ReportRuns(runs);
  }
  bool failed() const { return failed_; }

 private:
  bool failed_ = false;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

  const char* tracePath = std::getenv("STRELL_BENCH_STDOUT");
  if (tracePath == nullptr || *tracePath == '\0') tracePath = "strell-bench-stdout.txt";
  std::fflush(stdout);
  const int console = dup(STDOUT_FILENO);
  const int trace = open(tracePath, O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (console < 0 || trace < 0 || dup2(trace, STDOUT_FILENO) < 0) {
    std::perror(tracePath);
    return 1;
  }
  close(trace);
  std::cerr << "library standard output goes to " << tracePath << "\n";

  FdBuffer buffer(console);
  std::ostream results(&buffer);
  CheckingReporter reporter(isatty(console) ? benchmark::ConsoleReporter::OO_ColorTabular
                                            : benchmark::ConsoleReporter::OO_Tabular);
  reporter.SetOutputStream(&results);
  reporter.SetErrorStream(&std::cerr);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  std::fflush(stdout);
  return reporter.failed() ? 1 : 0;
}
