#include "host/doc_cache.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <pugixml.hpp>
#include <set>
#include <utility>

#include "host/conf_path.h"

namespace strell_host {
namespace internal {

bool operator==(const FileIdentity& a, const FileIdentity& b) {
  if (a.exists != b.exists) return false;
  if (!a.exists) return true;
  return a.device == b.device && a.inode == b.inode && a.mode == b.mode && a.links == b.links &&
         a.size == b.size && a.modified.tv_sec == b.modified.tv_sec &&
         a.modified.tv_nsec == b.modified.tv_nsec && a.changed.tv_sec == b.changed.tv_sec &&
         a.changed.tv_nsec == b.changed.tv_nsec;
}

enum class FileState { kMissing, kRefused, kUnreadable, kMalformed, kParsed };

// The text of one element, as the walk of its key path would find it.
struct ElementText {
  const char* text = nullptr;  // into the parsed document
  size_t length = 0;           // up to 256: 256 means too long to deliver
};

// The bytes of a file and their parse, shared by consecutive snapshots while
// the bytes stay the same.
struct Parsed {
  std::string content;
  pugi::xml_document document;
  pugi::xml_parse_result result;
  bool wellFormed = false;
  // The key paths whose value was reported too long in this version.
  mutable std::mutex reportMutex;
  mutable std::set<std::string> reportedTooLong;
  // Every key path the walk would find, with its element's text: a read
  // looks its key path up here, and only a path the index does not hold is
  // walked (which then also gives the exact reason of a failure).
  StringTable<ElementText> index;
};

namespace {

// Key paths longer than the library's 255 characters are not indexed, nor is
// anything past this many elements: the index is a shortcut for the
// configuration files of a camera, and a huge file is walked as before.
constexpr size_t kMaxIndexedPath = 255;
constexpr size_t kMaxIndexedElements = 4096;

size_t BoundedLength(const char* text) { return strnlen(text, 256); }

// Indexes every element as FindElement reaches it: the document element
// under "/<name>", then each child under its parent's path and its own
// name, only the first child of a name (a later sibling of the same name,
// and all below it, cannot be reached). Breadth-first over an explicit
// queue, so a deeply nested file cannot exhaust the stack.
void BuildIndex(const pugi::xml_document& document, StringTable<ElementText>* index) {
  const pugi::xml_node top = document.document_element();
  if (!top) return;
  struct Pending {
    pugi::xml_node node;
    std::string path;
  };
  std::vector<Pending> queue;
  std::string path = std::string("/") + top.name();
  if (path.size() > kMaxIndexedPath) return;
  index->Insert(path, ElementText{top.text().get(), BoundedLength(top.text().get())});
  queue.push_back({top, std::move(path)});
  for (size_t next = 0; next < queue.size(); ++next) {
    const pugi::xml_node parent = queue[next].node;
    const std::string parentPath = queue[next].path;  // queue may grow below
    for (pugi::xml_node child = parent.first_child(); child; child = child.next_sibling()) {
      if (child.type() != pugi::node_element) continue;
      if (index->Size() >= kMaxIndexedElements) return;
      std::string childPath = parentPath + "/" + child.name();
      if (childPath.size() > kMaxIndexedPath) continue;
      const char* text = child.text().get();
      if (index->Insert(childPath, ElementText{text, BoundedLength(text)}).second) {
        queue.push_back({child, std::move(childPath)});
      }
    }
  }
}

FileIdentity IdentityOf(const struct stat& info) {
  FileIdentity identity;
  identity.exists = true;
  identity.device = info.st_dev;
  identity.inode = info.st_ino;
  identity.mode = info.st_mode;
  identity.links = info.st_nlink;
  identity.size = info.st_size;
  identity.modified = info.st_mtim;
  identity.changed = info.st_ctim;
  return identity;
}

FileIdentity StatIdentity(const char* path) {
  struct stat info;
  if (stat(path, &info) != 0) return FileIdentity();
  return IdentityOf(info);
}

long long Nanoseconds(const timespec& time) {
  return static_cast<long long>(time.tv_sec) * 1000000000LL + time.tv_nsec;
}

// The kernel stamps a file with its coarse clock, so a second write within
// the same tick (and with the same size) leaves stat() unchanged. Content
// whose timestamps are not older than the coarse clock read before it was
// read may therefore change unseen; such a snapshot is checked by content
// at the next read. File systems that keep whole seconds (jffs2, FAT keeps
// two) store a time up to that much before the write, hence the slack.
bool TooRecent(const FileIdentity& identity, const timespec& clockBeforeRead) {
  if (!identity.exists) return false;
  const long long latest = std::max(Nanoseconds(identity.modified), Nanoseconds(identity.changed));
  const bool wholeSeconds = identity.modified.tv_nsec == 0 && identity.changed.tv_nsec == 0;
  const long long slack = wholeSeconds ? 2000000000LL : 0;
  return latest + slack >= Nanoseconds(clockBeforeRead);
}

bool Within(const char* realRoot, const char* resolved) {
  const size_t length = std::strlen(realRoot);
  if (length == 1 && realRoot[0] == '/') return true;
  return std::strncmp(resolved, realRoot, length) == 0 && resolved[length] == '/';
}

// True when `resolved` is the file `relative` names without any symbolic
// link on the way: only then do the events of its directory describe it.
bool IsDirect(const char* realRoot, std::string_view relative, const char* resolved) {
  const size_t length = std::strlen(realRoot);
  const size_t skip = (length == 1 && realRoot[0] == '/') ? 1 : length + 1;
  if (!Within(realRoot, resolved)) return false;
  return std::string_view(resolved + skip) == relative;
}

// Reads the whole of `fd` into `content`; false on an error or when the file
// grows past kMaxFileSize while being read.
bool ReadAll(int fd, off_t expected, std::string* content) {
  content->clear();
  content->reserve(static_cast<size_t>(expected) + 1);
  char chunk[16 * 1024];
  for (;;) {
    const ssize_t got = read(fd, chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return false;
    if (got == 0) return true;
    content->append(chunk, static_cast<size_t>(got));
    if (content->size() > static_cast<size_t>(kMaxFileSize)) return false;
  }
}

}  // namespace

struct Snapshot {
  FileState state = FileState::kMissing;
  std::string failure;  // why a kUnreadable file could not be read
  FileIdentity identity;
  std::shared_ptr<const Parsed> parsed;  // set for kMalformed and kParsed
  bool racy = false;                     // stat() cannot vouch for it: check the content next time
  bool watched = false;                  // every change raises an event naming this file
  uint64_t generation = 0;
  uint64_t treeGeneration = 0;
};

namespace {

int Deliver(const char* text, size_t length, char* value) {
  if (length > 255) return kReadTooLong;
  std::memcpy(value, text, length);
  value[length] = '\0';
  return kReadOk;
}

int Extract(const Snapshot& snapshot, const char* keyPath, char* value) {
  switch (snapshot.state) {
    case FileState::kMissing:
      return kReadNoFile;
    case FileState::kRefused:
      return kReadRefused;
    case FileState::kUnreadable:
      return kReadUnreadable;
    case FileState::kMalformed:
      return kReadMalformed;
    case FileState::kParsed:
      break;
  }
  if (keyPath != nullptr) {
    const size_t length = strnlen(keyPath, kMaxIndexedPath + 1);
    if (length <= kMaxIndexedPath) {
      const ElementText* found = snapshot.parsed->index.Find(std::string_view(keyPath, length));
      if (found != nullptr) return Deliver(found->text, found->length, value);
    }
  }
  pugi::xml_node element;
  switch (FindElement(snapshot.parsed->document, keyPath, &element)) {
    case KeyWalk::kBadPath:
      return kReadBadArgument;
    case KeyWalk::kMissing:
      return kReadNoElement;
    case KeyWalk::kFound:
      break;
  }
  const char* text = element.text().get();
  return Deliver(text, BoundedLength(text), value);
}

std::string NormalizedRoot(std::string root) {
  if (root.empty()) return "/etc/conf.d";
  while (root.size() > 1 && root.back() == '/') root.pop_back();
  return root;
}

}  // namespace

unsigned ThreadShard() {
  static std::atomic<unsigned> nextShard{0};
  // Initial-exec: one load instead of a call to __tls_get_addr at every read.
  // Four bytes fit in the static TLS glibc keeps for libraries loaded late.
  __attribute__((tls_model("initial-exec"))) thread_local unsigned shard = kShards;  // none yet
  if (shard == kShards) shard = nextShard.fetch_add(1, std::memory_order_relaxed) % kShards;
  return shard;
}

unsigned long long Counter::load(std::memory_order) const {
  unsigned long long sum = 0;
  for (const Shard& shard : shards_) sum += shard.value.load(std::memory_order_relaxed);
  return sum;
}

void Counter::store(unsigned long long n, std::memory_order) {
  for (Shard& shard : shards_) shard.value.store(0, std::memory_order_relaxed);
  shards_[0].value.store(n, std::memory_order_relaxed);
}

RwLock::RwLock() {
  pthread_rwlockattr_t attributes;
  pthread_rwlockattr_init(&attributes);
#if defined(__GLIBC__)
  pthread_rwlockattr_setkind_np(&attributes, PTHREAD_RWLOCK_PREFER_WRITER_NONRECURSIVE_NP);
#endif
  for (Shard& shard : shards_) pthread_rwlock_init(&shard.lock, &attributes);
  pthread_rwlockattr_destroy(&attributes);
}

RwLock::~RwLock() {
  for (Shard& shard : shards_) pthread_rwlock_destroy(&shard.lock);
}

void DiagnosticSink::Set(DiagnosticHandler handler) {
  std::lock_guard<std::mutex> lock(mutex_);
  handler_ = std::move(handler);
  wanted_.store(static_cast<bool>(handler_), std::memory_order_release);
}

void DiagnosticSink::Report(const Diagnostic& diagnostic) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (handler_) handler_(diagnostic);
}

DocCache::DocCache(std::string root, Freshness freshness, CounterSet* counters,
                   DiagnosticSink* sink)
    : root_(NormalizedRoot(std::move(root))),
      freshness_(freshness),
      counters_(counters),
      sink_(sink) {
  if (freshness_ == Freshness::kWatch) StartWatcherLocked();
}

DocCache::~DocCache() {
  std::shared_ptr<DirWatcher> watcher;
  {
    std::unique_lock<RwLock> lock(mutex_);
    watcher = std::move(watcher_);
  }
}

int DocCache::Read(std::string_view relative, const char* keyPath, char* value) {
  std::shared_ptr<const Snapshot> stale;
  {
    std::shared_lock<RwLock> lock(mutex_);
    const std::shared_ptr<Entry>* entry = entries_.Find(relative);
    if (entry != nullptr) {
      // Replaced only under the exclusive lock: alive while this one is held.
      const Snapshot* snapshot = (*entry)->snapshot.get();
      if (snapshot != nullptr && IsFresh(**entry, *snapshot, relative)) {
        const int result = Extract(*snapshot, keyPath, value);
        if (result != kReadTooLong || !sink_->Wanted()) return result;
        // Reported after the lock, from a snapshot kept alive for it.
        const std::shared_ptr<const Snapshot> reported = (*entry)->snapshot;
        lock.unlock();
        ReportTooLong(relative, reported, keyPath, 255);
        return result;
      }
      stale = (*entry)->snapshot;
    }
  }
  return ReadAndReload(relative, stale.get(), keyPath, value);
}

namespace {

// True when `fresh` is a broken version of its file that `previous` was not:
// a missing file stays the same problem until it appears, an unreadable one
// while its identity and failure stay, a malformed one while its bytes stay.
bool IsNewProblem(const Snapshot* previous, const Snapshot& fresh) {
  if (fresh.state == FileState::kParsed) return false;
  if (previous == nullptr || previous->state != fresh.state) return true;
  switch (fresh.state) {
    case FileState::kMissing:
    case FileState::kRefused:
      return false;
    case FileState::kUnreadable:
      return !(previous->identity == fresh.identity) || previous->failure != fresh.failure;
    case FileState::kMalformed:
      return previous->parsed != fresh.parsed;
    case FileState::kParsed:
      break;
  }
  return false;
}

// Line and column (1-based, in bytes) of byte `offset` of `text`.
void LineAndColumn(const std::string& text, ptrdiff_t offset, int* line, int* column) {
  const size_t end = std::min(static_cast<size_t>(std::max<ptrdiff_t>(offset, 0)), text.size());
  *line = 1 + static_cast<int>(std::count(text.begin(), text.begin() + end, '\n'));
  const size_t lineStart = text.rfind('\n', end == 0 ? 0 : end - 1);
  const size_t first = lineStart == std::string::npos || end == 0 ? 0 : lineStart + 1;
  *column = static_cast<int>(end - first) + 1;
}

}  // namespace

Diagnostic DocCache::Describe(std::string_view relative, const Snapshot& snapshot) const {
  Diagnostic diagnostic;
  diagnostic.file = std::string(kLibraryPrefix) + std::string(relative);
  char hostPath[PATH_MAX];
  if (HostPath(relative, hostPath, sizeof hostPath)) diagnostic.hostPath = hostPath;
  const std::string& where = diagnostic.hostPath;
  switch (snapshot.state) {
    case FileState::kMissing:
      diagnostic.kind = STRELL_HOST_MISSING_FILE;
      diagnostic.message = where + ": no such file: every read of " + diagnostic.file + " fails";
      break;
    case FileState::kUnreadable:
      diagnostic.kind = STRELL_HOST_UNREADABLE_FILE;
      diagnostic.message = where + ": cannot be read (" + snapshot.failure + "): every read of " +
                           diagnostic.file + " fails";
      break;
    case FileState::kRefused:
      diagnostic.kind = STRELL_HOST_OUTSIDE_ROOT;
      diagnostic.message = where + ": leads outside the configuration root " + root_ +
                           ": every read of " + diagnostic.file + " is refused";
      break;
    case FileState::kMalformed: {
      diagnostic.kind = STRELL_HOST_MALFORMED_FILE;
      const Parsed& parsed = *snapshot.parsed;
      LineAndColumn(parsed.content, parsed.result ? 0 : parsed.result.offset, &diagnostic.line,
                    &diagnostic.column);
      const std::string what = parsed.result ? "no root element" : parsed.result.description();
      diagnostic.message = where + ":" + std::to_string(diagnostic.line) + ":" +
                           std::to_string(diagnostic.column) + ": not well-formed XML (" + what +
                           "): every read of " + diagnostic.file + " fails";
      break;
    }
    case FileState::kParsed:
      break;
  }
  return diagnostic;
}

void DocCache::ReportTooLong(std::string_view relative, const char* keyPath, size_t limit) {
  if (!sink_->Wanted()) return;
  std::shared_ptr<const Snapshot> snapshot;
  {
    std::shared_lock<RwLock> lock(mutex_);
    const std::shared_ptr<Entry>* entry = entries_.Find(relative);
    if (entry != nullptr) snapshot = (*entry)->snapshot;
  }
  ReportTooLong(relative, snapshot, keyPath, limit);
}

void DocCache::ReportTooLong(std::string_view relative,
                             const std::shared_ptr<const Snapshot>& snapshot, const char* keyPath,
                             size_t limit) {
  if (snapshot == nullptr || snapshot->parsed == nullptr || keyPath == nullptr) return;
  const Parsed& parsed = *snapshot->parsed;
  {
    std::lock_guard<std::mutex> lock(parsed.reportMutex);
    if (!parsed.reportedTooLong.insert(keyPath).second) return;
  }
  pugi::xml_node element;
  if (FindElement(parsed.document, keyPath, &element) != KeyWalk::kFound) return;
  Diagnostic diagnostic;
  {
    std::shared_lock<RwLock> lock(mutex_);
    diagnostic = Describe(relative, *snapshot);
  }
  diagnostic.kind = STRELL_HOST_VALUE_TOO_LONG;
  diagnostic.keyPath = keyPath;
  diagnostic.length = std::strlen(element.text().get());
  diagnostic.message = diagnostic.hostPath + ": " + diagnostic.keyPath + " has " +
                       std::to_string(diagnostic.length) + " characters, more than the " +
                       std::to_string(limit) + " a read delivers: the read fails";
  sink_->Report(diagnostic);
}

int DocCache::ReadAndReload(std::string_view relative, const Snapshot* stale, const char* keyPath,
                            char* value) {
  const std::shared_ptr<Entry> entry = FindOrAdd(relative);
  // Lock order: an entry's loadMutex, then the cache's lock.
  std::unique_lock<std::mutex> guard(entry->loadMutex);
  std::shared_ptr<const Snapshot> current;
  std::shared_ptr<const Snapshot> fresh;
  {
    std::shared_lock<RwLock> lock(mutex_);
    current = entry->snapshot;
    // Another reader may have reloaded while this one waited; its snapshot
    // serves if it is still fresh now.
    if (current != nullptr && current.get() != stale && IsFresh(*entry, *current, relative)) {
      const int result = Extract(*current, keyPath, value);
      if (result == kReadTooLong && sink_->Wanted()) {
        lock.unlock();
        guard.unlock();
        ReportTooLong(relative, current, keyPath, 255);
      }
      return result;
    }
    char hostPath[PATH_MAX];
    if (!HostPath(relative, hostPath, sizeof hostPath)) return kReadRefused;
    fresh = Load(*entry, current.get(), relative, hostPath);
  }
  {
    // Readers use the old snapshot without counting references, so it is
    // swapped out under the exclusive lock (for that instant only) and
    // released after, with `current`.
    std::unique_lock<RwLock> exclusive(mutex_);
    entry->snapshot = fresh;
  }
  guard.unlock();
  // Reported outside every lock: the handler may take its time.
  if (sink_->Wanted() && IsNewProblem(current.get(), *fresh)) {
    Diagnostic diagnostic;
    {
      std::shared_lock<RwLock> lock(mutex_);
      diagnostic = Describe(relative, *fresh);
    }
    sink_->Report(diagnostic);
  }
  const int result = Extract(*fresh, keyPath, value);
  if (result == kReadTooLong && sink_->Wanted()) ReportTooLong(relative, fresh, keyPath, 255);
  return result;
}

std::shared_ptr<Entry> DocCache::FindOrAdd(std::string_view relative) {
  {
    std::shared_lock<RwLock> lock(mutex_);
    const std::shared_ptr<Entry>* found = entries_.Find(relative);
    if (found != nullptr) return *found;
  }
  std::unique_lock<RwLock> exclusive(mutex_);
  std::shared_ptr<Entry>& slot = *entries_.Insert(relative, nullptr).first;
  if (slot == nullptr) slot = std::make_shared<Entry>();
  return slot;
}

bool DocCache::HostPath(std::string_view relative, char* path, size_t size) const {
  size_t length = root_.size();
  if (length + 1 + relative.size() >= size) return false;
  std::memcpy(path, root_.data(), length);
  if (path[length - 1] != '/') path[length++] = '/';
  std::memcpy(path + length, relative.data(), relative.size());
  path[length + relative.size()] = '\0';
  return true;
}

bool DocCache::IsFresh(const Entry& entry, const Snapshot& snapshot,
                       std::string_view relative) const {
  if (snapshot.watched) {
    return entry.generation.load(std::memory_order_acquire) == snapshot.generation &&
           treeGeneration_.load(std::memory_order_acquire) == snapshot.treeGeneration;
  }
  counters_->fileChecks.fetch_add(1, std::memory_order_relaxed);
  if (snapshot.racy) return false;
  char hostPath[PATH_MAX];
  return HostPath(relative, hostPath, sizeof hostPath) &&
         StatIdentity(hostPath) == snapshot.identity;
}

std::shared_ptr<const Snapshot> DocCache::Load(Entry& entry, const Snapshot* previous,
                                               std::string_view relative, const char* hostPath) {
  auto snapshot = std::make_shared<Snapshot>();
  // Taken before the file is read: an event that arrives during the read
  // makes the next read load again.
  snapshot->generation = entry.generation.load(std::memory_order_acquire);
  snapshot->treeGeneration = treeGeneration_.load(std::memory_order_acquire);
  const bool watchable = WatchDirsOf(relative);

  char realRoot[PATH_MAX];
  char resolved[PATH_MAX];
  if (realpath(root_.c_str(), realRoot) == nullptr || realpath(hostPath, resolved) == nullptr) {
    const int error = errno;
    snapshot->identity = StatIdentity(hostPath);
    snapshot->state = snapshot->identity.exists ? FileState::kUnreadable : FileState::kMissing;
    snapshot->failure = std::strerror(error);
    // A dangling symbolic link is missing too, but its target's events
    // carry another name: only a plain absence is left to the watcher.
    struct stat link;
    snapshot->watched = watchable && lstat(hostPath, &link) != 0 && errno == ENOENT;
    return snapshot;
  }
  if (!Within(realRoot, resolved)) {
    snapshot->identity = StatIdentity(hostPath);
    snapshot->state = FileState::kRefused;
    return snapshot;
  }
  const bool direct = IsDirect(realRoot, relative, resolved);

  // The resolved path holds no link any more; O_NOFOLLOW catches one put in
  // its place meanwhile. O_NONBLOCK keeps a FIFO from blocking the open.
  const int fd = open(resolved, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK | O_NOFOLLOW);
  if (fd < 0) {
    snapshot->failure = std::strerror(errno);
    snapshot->identity = StatIdentity(hostPath);
    snapshot->state = snapshot->identity.exists ? FileState::kUnreadable : FileState::kMissing;
    snapshot->watched = watchable && direct;
    return snapshot;
  }

  std::string content;
  FileState state = FileState::kUnreadable;
  struct stat before;
  // A writer that rewrites the file in place while it is read shows up as a
  // change of its stat() between the start and the end of the read: read
  // again, a few times at most.
  for (int attempt = 0; attempt < 3; ++attempt) {
    state = FileState::kUnreadable;
    timespec clock;
    clock_gettime(CLOCK_REALTIME_COARSE, &clock);
    if (fstat(fd, &before) != 0) {
      snapshot->failure = std::strerror(errno);
      break;
    }
    snapshot->identity = IdentityOf(before);
    if (!S_ISREG(before.st_mode)) {
      snapshot->failure = "not a regular file";
      break;
    }
    if (before.st_size > kMaxFileSize) {
      snapshot->failure = "larger than 16 MiB";
      break;
    }
    if (lseek(fd, 0, SEEK_SET) != 0 || !ReadAll(fd, before.st_size, &content)) {
      snapshot->failure = "read error, or the file grew past 16 MiB";
      break;
    }
    state = FileState::kMalformed;  // until parsed
    snapshot->racy = TooRecent(snapshot->identity, clock);
    struct stat after;
    if (fstat(fd, &after) == 0 && IdentityOf(after) == snapshot->identity) break;
    snapshot->racy = true;
  }
  close(fd);
  snapshot->state = state;
  snapshot->watched = watchable && direct && snapshot->identity.links <= 1;
  if (state == FileState::kUnreadable) return snapshot;

  if (previous != nullptr && previous->parsed != nullptr && previous->parsed->content == content) {
    snapshot->parsed = previous->parsed;
  } else {
    auto parsed = std::make_shared<Parsed>();
    parsed->content = std::move(content);
    counters_->parses.fetch_add(1, std::memory_order_relaxed);
    parsed->result = parsed->document.load_buffer(parsed->content.data(), parsed->content.size());
    parsed->wellFormed = parsed->result && parsed->document.document_element();
    if (parsed->wellFormed) BuildIndex(parsed->document, &parsed->index);
    snapshot->parsed = std::move(parsed);
  }
  snapshot->state = snapshot->parsed->wellFormed ? FileState::kParsed : FileState::kMalformed;
  return snapshot;
}

bool DocCache::WatchDirsOf(std::string_view relative) {
  if (freshness_ != Freshness::kWatch || watcher_ == nullptr) return false;
  if (!watcher_->Watch("")) return false;
  for (size_t slash = relative.find('/'); slash != std::string_view::npos;
       slash = relative.find('/', slash + 1)) {
    if (!watcher_->Watch(relative.substr(0, slash))) return false;
  }
  return true;
}

void DocCache::StartWatcherLocked() {
  watcher_ = DirWatcher::Start(
      root_, [this](std::string_view relative) { OnFileChanged(relative); },
      [this] { OnTreeChanged(); });
}

void DocCache::OnFileChanged(std::string_view relative) {
  std::shared_lock<RwLock> lock(mutex_);
  const std::shared_ptr<Entry>* found = entries_.Find(relative);
  if (found != nullptr) (*found)->generation.fetch_add(1, std::memory_order_release);
}

void DocCache::OnTreeChanged() { treeGeneration_.fetch_add(1, std::memory_order_release); }

void DocCache::SetRoot(std::string root) {
  std::shared_ptr<DirWatcher> retired;
  {
    std::unique_lock<RwLock> lock(mutex_);
    root_ = NormalizedRoot(std::move(root));
    entries_.Clear();
    retired = std::move(watcher_);
    if (freshness_ == Freshness::kWatch) StartWatcherLocked();
  }
  // Joined outside the lock: its thread may be waiting for the lock.
  retired.reset();
}

std::string DocCache::Root() const {
  std::shared_lock<RwLock> lock(mutex_);
  return root_;
}

void DocCache::SetFreshness(Freshness freshness) {
  std::shared_ptr<DirWatcher> retired;
  {
    std::unique_lock<RwLock> lock(mutex_);
    freshness_ = freshness;
    entries_.Clear();
    retired = std::move(watcher_);
    if (freshness_ == Freshness::kWatch) StartWatcherLocked();
  }
  retired.reset();
}

Freshness DocCache::GetFreshness() const {
  std::shared_lock<RwLock> lock(mutex_);
  return freshness_;
}

void DocCache::Settle() {
  std::shared_ptr<DirWatcher> watcher;
  {
    std::shared_lock<RwLock> lock(mutex_);
    watcher = watcher_;
  }
  if (watcher != nullptr) watcher->Drain();
}

void DocCache::Drop() {
  std::unique_lock<RwLock> lock(mutex_);
  entries_.Clear();
}

}  // namespace internal
}  // namespace strell_host
