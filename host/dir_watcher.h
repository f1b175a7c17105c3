// The inotify watcher behind the watch freshness policy: one thread that
// turns the kernel's file events under the configuration root into calls of
// two callbacks.
#ifndef STRELL_HOST_DIR_WATCHER_H_
#define STRELL_HOST_DIR_WATCHER_H_

#include <sys/inotify.h>

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <thread>

namespace strell_host {
namespace internal {

class DirWatcher {
 public:
  // Called with the path, relative to the root, of a file that may have
  // changed (written, replaced, created, deleted, attributes changed).
  using FileChanged = std::function<void(std::string_view relative)>;
  // Called when changes cannot be pinned to single files: a directory was
  // created, moved or deleted, a watched directory went away, or the
  // kernel's event queue overflowed.
  using TreeChanged = std::function<void()>;

  // Starts the watcher thread for `root`; null when inotify or the thread is
  // not available. The root itself need not exist yet.
  static std::unique_ptr<DirWatcher> Start(std::string root, FileChanged fileChanged,
                                           TreeChanged treeChanged);
  // Stops and joins the thread. Must not be called from a callback.
  ~DirWatcher();
  DirWatcher(const DirWatcher&) = delete;
  DirWatcher& operator=(const DirWatcher&) = delete;

  // Makes sure the directory `relativeDir` ("" is the root) is watched. Cheap
  // when it already is. False when it cannot be (missing, limit reached).
  bool Watch(std::string_view relativeDir);

  // Applies every event the kernel has queued; returns when done. Events are
  // queued by the writer's own system call, so after a write has returned,
  // Drain() applies it.
  void Drain();

 private:
  DirWatcher(int inotifyFd, int stopFd, std::string root, FileChanged fileChanged,
             TreeChanged treeChanged);
  void Run();
  void Apply(const inotify_event& event);

  const int inotifyFd_;
  const int stopFd_;
  const std::string root_;
  const FileChanged fileChanged_;
  const TreeChanged treeChanged_;
  std::thread thread_;

  // Serialises reading the inotify descriptor, so Drain() returns only after
  // events read by the thread have been applied too.
  std::mutex drainMutex_;
  std::mutex watchMutex_;  // guards the two maps below
  std::map<int, std::string> dirByWatch_;
  std::set<std::string, std::less<>> watchedDirs_;
};

}  // namespace internal
}  // namespace strell_host

#endif  // STRELL_HOST_DIR_WATCHER_H_
