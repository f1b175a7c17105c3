// The document cache behind the host kit's XML reader: one entry per file
// read, each holding an immutable snapshot (parsed document plus what the
// file looked like when it was read) that readers share without blocking the
// reload of a newer one.
#ifndef STRELL_HOST_DOC_CACHE_H_
#define STRELL_HOST_DOC_CACHE_H_

#include <pthread.h>
#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <ctime>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <string_view>

#include "host/dir_watcher.h"
#include "host/string_table.h"
#include "strell_host.h"

namespace pugi {
class xml_document;
}

namespace strell_host {
namespace internal {

// Files larger than this are refused rather than read into memory.
constexpr off_t kMaxFileSize = 16 * 1024 * 1024;

// What stat() tells about a file; two equal identities are taken to mean
// unchanged content unless the timestamps are too recent to tell (racy).
struct FileIdentity {
  bool exists = false;
  dev_t device = 0;
  ino_t inode = 0;
  mode_t mode = 0;
  nlink_t links = 0;
  off_t size = 0;
  timespec modified = {0, 0};
  timespec changed = {0, 0};
};
bool operator==(const FileIdentity& a, const FileIdentity& b);

// One read of a file, shared by every reader until a newer one replaces it.
struct Snapshot;

// A file's slot in the cache. Entries live until the cache is dropped, and
// as long as a reload still holds one.
struct Entry {
  std::mutex loadMutex;  // one reload at a time; taken before the cache's lock
  // Guarded by the cache's lock: read under it shared, replaced under it
  // exclusive, so a reader holding the lock may use the snapshot without
  // counting a reference.
  std::shared_ptr<const Snapshot> snapshot;
  std::atomic<uint64_t> generation{0};  // bumped by the watcher per event
};

// Threads are spread over this many shards of the cache's lock and of the
// read counters, so that readers in different threads write to different
// cache lines.
constexpr unsigned kShards = 16;

// The calling thread's shard, fixed for the thread's life.
unsigned ThreadShard();

// A monotonic counter, relaxed: a statistic, not synchronisation. Each
// thread adds to its own shard, so counting every read costs no cache line
// shared between threads. The interface is std::atomic's, as far as used.
class Counter {
 public:
  void fetch_add(unsigned long long n, std::memory_order) {
    shards_[ThreadShard()].value.fetch_add(n, std::memory_order_relaxed);
  }
  unsigned long long load(std::memory_order) const;
  void store(unsigned long long n, std::memory_order);

 private:
  struct alignas(64) Shard {
    std::atomic<unsigned long long> value{0};
  };
  Shard shards_[kShards];
};

struct CounterSet {
  Counter parses;
  Counter xmlReads;
  Counter paramReads;
  Counter fileChecks;
};

// Delivers the kit's diagnostics to the host's handler, one at a time.
class DiagnosticSink {
 public:
  void Set(DiagnosticHandler handler);
  void Report(const Diagnostic& diagnostic);
  // Whether a handler listens: a finding is only put into words for one.
  bool Wanted() const { return wanted_.load(std::memory_order_acquire); }

 private:
  std::mutex mutex_;  // held while the handler runs
  DiagnosticHandler handler_;
  std::atomic<bool> wanted_{false};
};

// A readers-writer lock that lets a waiting writer in before new readers.
// glibc's default, and so std::shared_mutex, lets a steady stream of readers
// (several contexts reloading at once) keep a writer out for as long as the
// stream lasts. A reader takes the shard of its thread, a writer all shards
// in order: readers in different threads never write to one cache line, so
// the reads of several contexts scale with the threads. Usable with
// std::shared_lock and std::unique_lock; a thread must not take it twice.
class RwLock {
 public:
  RwLock();
  ~RwLock();
  RwLock(const RwLock&) = delete;
  RwLock& operator=(const RwLock&) = delete;
  void lock() {
    for (Shard& shard : shards_) pthread_rwlock_wrlock(&shard.lock);
  }
  void unlock() {
    for (Shard& shard : shards_) pthread_rwlock_unlock(&shard.lock);
  }
  void lock_shared() { pthread_rwlock_rdlock(&shards_[ThreadShard()].lock); }
  void unlock_shared() { pthread_rwlock_unlock(&shards_[ThreadShard()].lock); }

 private:
  struct alignas(64) Shard {
    pthread_rwlock_t lock;
  };
  Shard shards_[kShards];
};

class DocCache {
 public:
  DocCache(std::string root, Freshness freshness, CounterSet* counters, DiagnosticSink* sink);
  ~DocCache();
  DocCache(const DocCache&) = delete;
  DocCache& operator=(const DocCache&) = delete;

  // Reads the text of `keyPath` in the file `relative` (a clean path under
  // the root) into `value`, at most 255 characters and a NUL. Returns a
  // ReadResult; writes nothing unless it returns kReadOk. A file that is
  // missing, unreadable or malformed in a version not seen before, and a
  // value too long to deliver, are reported to the diagnostic sink.
  int Read(std::string_view relative, const char* keyPath, char* value);
  // Reports that the value of `keyPath` in `relative`, just read, is longer
  // than the `limit` characters its reader takes, once per version of the
  // file: a device parameter that does not fit its caller's buffer.
  void ReportTooLong(std::string_view relative, const char* keyPath, size_t limit);

  void SetRoot(std::string root);
  std::string Root() const;
  void SetFreshness(Freshness freshness);
  Freshness GetFreshness() const;
  void Settle();
  void Drop();

 private:
  // The read when the file's snapshot is missing or `stale`.
  int ReadAndReload(std::string_view relative, const Snapshot* stale, const char* keyPath,
                    char* value);
  std::shared_ptr<Entry> FindOrAdd(std::string_view relative);
  // Callers hold mutex_ (shared or exclusive).
  bool HostPath(std::string_view relative, char* path, size_t size) const;
  bool IsFresh(const Entry& entry, const Snapshot& snapshot, std::string_view relative) const;
  std::shared_ptr<const Snapshot> Load(Entry& entry, const Snapshot* previous,
                                       std::string_view relative, const char* hostPath);
  bool WatchDirsOf(std::string_view relative);
  // The diagnostic for the problem of `snapshot`, named after `relative`.
  Diagnostic Describe(std::string_view relative, const Snapshot& snapshot) const;
  // Reports a value longer than `limit`, once per version of the file.
  void ReportTooLong(std::string_view relative, const std::shared_ptr<const Snapshot>& snapshot,
                     const char* keyPath, size_t limit);
  void StartWatcherLocked();
  void OnFileChanged(std::string_view relative);
  void OnTreeChanged();

  // Guards the fields below: shared for every read, exclusive to add an
  // entry or change the root, the policy or the watcher.
  mutable RwLock mutex_;
  std::string root_;
  Freshness freshness_;
  StringTable<std::shared_ptr<Entry>> entries_;
  std::shared_ptr<DirWatcher> watcher_;

  std::atomic<uint64_t> treeGeneration_{0};  // bumped when changes span many files
  CounterSet* const counters_;
  DiagnosticSink* const sink_;
};

}  // namespace internal
}  // namespace strell_host

#endif  // STRELL_HOST_DOC_CACHE_H_
