#include "host/dir_watcher.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <utility>

namespace strell_host {
namespace internal {
namespace {

// Everything that can change what a read of a file in a watched directory
// returns, and what happens to the directory itself.
constexpr uint32_t kDirMask = IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_CREATE | IN_DELETE |
                              IN_MODIFY | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

}  // namespace

std::unique_ptr<DirWatcher> DirWatcher::Start(std::string root, FileChanged fileChanged,
                                              TreeChanged treeChanged) {
  const int inotifyFd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (inotifyFd < 0) return nullptr;
  const int stopFd = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
  if (stopFd < 0) {
    close(inotifyFd);
    return nullptr;
  }
  std::unique_ptr<DirWatcher> watcher(new DirWatcher(
      inotifyFd, stopFd, std::move(root), std::move(fileChanged), std::move(treeChanged)));
  watcher->Watch("");
  try {
    watcher->thread_ = std::thread([raw = watcher.get()] { raw->Run(); });
  } catch (...) {
    return nullptr;  // the destructor closes both descriptors
  }
  return watcher;
}

DirWatcher::DirWatcher(int inotifyFd, int stopFd, std::string root, FileChanged fileChanged,
                       TreeChanged treeChanged)
    : inotifyFd_(inotifyFd),
      stopFd_(stopFd),
      root_(std::move(root)),
      fileChanged_(std::move(fileChanged)),
      treeChanged_(std::move(treeChanged)) {}

DirWatcher::~DirWatcher() {
  if (thread_.joinable()) {
    const uint64_t one = 1;
    while (write(stopFd_, &one, sizeof one) < 0 && errno == EINTR) {
    }
    thread_.join();
  }
  close(stopFd_);
  close(inotifyFd_);
}

bool DirWatcher::Watch(std::string_view relativeDir) {
  std::lock_guard<std::mutex> lock(watchMutex_);
  if (watchedDirs_.find(relativeDir) != watchedDirs_.end()) return true;
  std::string path = root_;
  if (!relativeDir.empty()) {
    path += '/';
    path += relativeDir;
  }
  const int wd = inotify_add_watch(inotifyFd_, path.c_str(), kDirMask);
  if (wd < 0) return false;
  // The same directory reached by another name gives the same descriptor;
  // the later name wins, and files read through the earlier one are checked
  // by stat() (they resolve to a different path, see DocCache).
  auto previous = dirByWatch_.find(wd);
  if (previous != dirByWatch_.end()) watchedDirs_.erase(previous->second);
  dirByWatch_[wd] = std::string(relativeDir);
  watchedDirs_.emplace(relativeDir);
  return true;
}

void DirWatcher::Run() {
  pollfd fds[2] = {{inotifyFd_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
  for (;;) {
    fds[0].revents = fds[1].revents = 0;
    if (poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      return;
    }
    if (fds[1].revents != 0) return;
    if (fds[0].revents != 0) Drain();
  }
}

void DirWatcher::Drain() {
  std::lock_guard<std::mutex> drain(drainMutex_);
  alignas(inotify_event) char buffer[16 * 1024];
  for (;;) {
    const ssize_t length = read(inotifyFd_, buffer, sizeof buffer);
    if (length < 0 && errno == EINTR) continue;
    if (length <= 0) return;  // EAGAIN: the queue is empty
    for (ssize_t offset = 0; offset < length;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + offset);
      Apply(*event);
      offset += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
    }
  }
}

void DirWatcher::Apply(const inotify_event& event) {
  if ((event.mask & IN_Q_OVERFLOW) != 0) {
    treeChanged_();
    return;
  }
  std::string dir;
  {
    std::lock_guard<std::mutex> lock(watchMutex_);
    auto found = dirByWatch_.find(event.wd);
    if (found == dirByWatch_.end()) return;
    dir = found->second;
    if ((event.mask & IN_IGNORED) != 0) {
      watchedDirs_.erase(dir);
      dirByWatch_.erase(found);
    } else if ((event.mask & IN_MOVE_SELF) != 0) {
      // The directory now lives elsewhere: its events no longer name files
      // under `dir`. IN_IGNORED follows the removal.
      inotify_rm_watch(inotifyFd_, event.wd);
      watchedDirs_.erase(dir);
      dirByWatch_.erase(found);
    }
  }
  // Callbacks run without watchMutex_, which readers take while holding the
  // cache's lock.
  if ((event.mask & (IN_IGNORED | IN_MOVE_SELF | IN_DELETE_SELF | IN_ISDIR)) != 0 ||
      event.len == 0) {
    treeChanged_();
    return;
  }
  std::string relative = dir;
  if (!relative.empty()) relative += '/';
  relative += event.name;
  fileChanged_(relative);
}

}  // namespace internal
}  // namespace strell_host
