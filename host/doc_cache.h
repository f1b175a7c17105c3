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
#include <map>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <string>
#include <string_view>

#include "dir_watcher.h"
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

// A file's slot in the cache. Entries live until the cache is dropped.
struct Entry {
  std::mutex loadMutex;                      // one reload at a time
  std::shared_ptr<const Snapshot> snapshot;  // std::atomic_load / std::atomic_store only
  std::atomic<uint64_t> generation{0};       // bumped by the watcher per event
};

// Monotonic counters, relaxed: they are statistics, not synchronisation.
struct CounterSet {
  std::atomic<unsigned long long> parses{0};
  std::atomic<unsigned long long> xmlReads{0};
  std::atomic<unsigned long long> paramReads{0};
  std::atomic<unsigned long long> fileChecks{0};
};

// A readers-writer lock that lets a waiting writer in before new readers.
// glibc's default, and so std::shared_mutex, lets a steady stream of readers
// (several contexts reloading at once) keep a writer out for as long as the
// stream lasts. Usable with std::shared_lock and std::unique_lock; a thread
// must not take it twice.
class RwLock {
 public:
  RwLock();
  ~RwLock();
  RwLock(const RwLock&) = delete;
  RwLock& operator=(const RwLock&) = delete;
  void lock() { pthread_rwlock_wrlock(&lock_); }
  void unlock() { pthread_rwlock_unlock(&lock_); }
  void lock_shared() { pthread_rwlock_rdlock(&lock_); }
  void unlock_shared() { pthread_rwlock_unlock(&lock_); }

 private:
  pthread_rwlock_t lock_;
};

class DocCache {
 public:
  DocCache(std::string root, Freshness freshness, CounterSet* counters);
  ~DocCache();
  DocCache(const DocCache&) = delete;
  DocCache& operator=(const DocCache&) = delete;

  // Reads the text of `keyPath` in the file `relative` (a clean path under
  // the root) into `value`, at most 255 characters and a NUL. Returns a
  // ReadResult; writes nothing unless it returns kReadOk.
  int Read(std::string_view relative, const char* keyPath, char* value);

  void SetRoot(std::string root);
  std::string Root() const;
  void SetFreshness(Freshness freshness);
  Freshness GetFreshness() const;
  void Settle();
  void Drop();

 private:
  Entry* FindOrAdd(std::shared_lock<RwLock>& lock, std::string_view relative);
  bool IsFresh(const Entry& entry, const Snapshot& snapshot, const char* hostPath) const;
  std::shared_ptr<const Snapshot> Reload(Entry& entry, const Snapshot* stale,
                                         std::string_view relative, const char* hostPath);
  std::shared_ptr<const Snapshot> Load(Entry& entry, const Snapshot* previous,
                                       std::string_view relative, const char* hostPath);
  bool WatchDirsOf(std::string_view relative);
  void StartWatcherLocked();
  void OnFileChanged(std::string_view relative);
  void OnTreeChanged();

  // Guards the fields below: shared for every read, exclusive to add an
  // entry or change the root, the policy or the watcher.
  mutable RwLock mutex_;
  std::string root_;
  Freshness freshness_;
  std::map<std::string, std::unique_ptr<Entry>, std::less<>> entries_;
  std::shared_ptr<DirWatcher> watcher_;

  std::atomic<uint64_t> treeGeneration_{0};  // bumped when changes span many files
  CounterSet* const counters_;
};

}  // namespace internal
}  // namespace strell_host

#endif  // STRELL_HOST_DOC_CACHE_H_
