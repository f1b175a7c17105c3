// strell_host: a reference host for libstrell. It defines the two reader
// functions the library calls, XMLSParser_ReadContentEx and
// Configer_GetParamValueByXPath, over real XML files parsed with pugixml.
//
// Link a process against strell_host (static) or strell_host_shared and the
// library's two undefined functions resolve to this kit. Everything here is
// safe to call from several threads at once.
//
//  1. Files. The library names every file under "/etc/conf.d/". That prefix
//     is mapped to the configuration root (SetRoot, else $STRELL_CONF_ROOT,
//     else /etc/conf.d). A path that does not start with the prefix, that has
//     a ".." component, or that resolves (through symbolic links) to a place
//     outside the root, is refused. Symbolic links that stay inside the root
//     are followed.
//  2. Key paths. "/root/a/b": the first name must be the document's root
//     element, each further name is a child element (the first of that name);
//     the value is the element's text, exactly as written (entities decoded,
//     no blanks trimmed). An element without text gives the empty text.
//  3. Values. At most 255 characters and a NUL are written. A longer value, a
//     missing or unreadable file, a file that is not well-formed XML or a
//     missing element is a failure: a nonzero result and nothing written.
//  4. Freshness. Parsed documents are cached. Strict (default): one stat() per
//     read; a file edited in place or renamed over is seen at the next read.
//     Watch: an inotify thread reports changes, a read makes no system call,
//     and a change is seen once its event has been applied (Settle()).
//  5. Parameters. "group_name" is the text of /root/group/name in
//     config_group.xml in the root (split at the first underscore).
//  6. Diagnostics. The library answers a missing or broken file as it must:
//     with the start values of every field it would have read, and no error.
//     The kit tells the host what it found instead, through a handler: a file
//     missing, unreadable or not well-formed (with line and column), a value
//     too long to deliver (over 255 characters, or a parameter longer than
//     the caller's buffer), a path refused. Each once per version of a file.
//
// This header is C++; its C part (the diagnostics handler and the root) can
// be used from C as well.
#ifndef STRELL_HOST_STRELL_HOST_H_
#define STRELL_HOST_STRELL_HOST_H_

#include "strell.h"

#ifdef __cplusplus
extern "C" {
#endif

/* What a diagnostic of the host kit is about. */
typedef enum StrellHostDiagnosticKind {
  STRELL_HOST_MISSING_FILE = 1,    /* a file the library reads does not exist */
  STRELL_HOST_UNREADABLE_FILE = 2, /* not a regular file, no permission, over 16 MiB, I/O error */
  STRELL_HOST_MALFORMED_FILE = 3,  /* not well-formed XML, or caught half written */
  STRELL_HOST_VALUE_TOO_LONG = 4,  /* a value longer than the read takes: not delivered */
  STRELL_HOST_OUTSIDE_ROOT = 5     /* a path not under /etc/conf.d/, or leading out of the root */
} StrellHostDiagnosticKind;

/* One finding. Every text is valid only during the handler's call. */
typedef struct StrellHostDiagnostic {
  StrellHostDiagnosticKind kind;
  const char* file;     /* the path as the library names it, "/etc/conf.d/..." */
  const char* hostPath; /* the file it maps to under the root; "" when refused before */
  const char* keyPath;  /* STRELL_HOST_VALUE_TOO_LONG: the key path read; else "" */
  int line;             /* STRELL_HOST_MALFORMED_FILE: 1-based line; else 0 */
  int column;           /* STRELL_HOST_MALFORMED_FILE: 1-based column, in bytes; else 0 */
  size_t length;        /* STRELL_HOST_VALUE_TOO_LONG: the value's length; else 0 */
  const char* message;  /* the whole finding in one line, "<where>: <what>: <consequence>" */
} StrellHostDiagnostic;

/* Receives one diagnostic; `user` is the pointer given with the handler. */
typedef void (*StrellHostDiagnosticHandler)(const StrellHostDiagnostic* diagnostic, void* user);

/* Sends the kit's diagnostics to handler(diagnostic, user) from now on; a null
 * handler drops them (the default). Called on the thread whose read found
 * the problem, never two at once. Once this returns, the previous handler is
 * not called again. A handler must not call back into the kit. */
void StrellHost_SetDiagnosticHandler(StrellHostDiagnosticHandler handler, void* user);

/* Sets the directory "/etc/conf.d/" maps to (see strell_host::SetRoot); null
 * or "" selects /etc/conf.d. */
void StrellHost_SetRoot(const char* root);

#ifdef __cplusplus
} /* extern "C" */

#include <functional>
#include <string>

namespace strell_host {

// How a cached document is checked against its file.
enum class Freshness {
  kStrict,  // one stat() per read: inode, size, modification and change time
  kWatch,   // an inotify thread marks changed files; reads make no system call
};

// Sets the directory that "/etc/conf.d/" maps to and forgets every cached
// document. An empty text selects /etc/conf.d. Trailing slashes are dropped.
void SetRoot(const std::string& root);
// The directory "/etc/conf.d/" maps to: the last SetRoot, else
// $STRELL_CONF_ROOT when set and not empty, else /etc/conf.d.
std::string Root();

// Selects the freshness policy and forgets every cached document. Starting
// the watcher can fail (no inotify, the root missing); files that cannot be
// watched are then checked as in strict mode.
void SetFreshness(Freshness freshness);
// The policy in force: the last SetFreshness, else $STRELL_HOST_FRESHNESS
// ("strict" or "watch"; any other text means strict), else strict.
Freshness GetFreshness();

// In watch mode, returns once every file event the kernel has queued so far
// has been applied, so a change made before the call is seen by the next
// read. Needs no sleep. Does nothing in strict mode.
void Settle();

// Forgets every parsed document; the next read of each file parses it again.
void DropCache();

// What the kit has done since the start or the last ResetCounters.
struct Counters {
  unsigned long long parses;      // documents parsed (a well-formed result or not)
  unsigned long long xmlReads;    // calls of XMLSParser_ReadContentEx
  unsigned long long paramReads;  // calls of Configer_GetParamValueByXPath
};
Counters GetCounters();
void ResetCounters();

// Number of stat() calls made to check cached documents (zero in watch mode
// while nothing changes). Reset by ResetCounters.
unsigned long long GetFileChecks();

// The file a library path denotes under the current root ("" when the path
// is refused), for diagnostics. Does not look at the file system.
std::string MapPath(const std::string& libraryPath);

// One diagnostic, as StrellHostDiagnostic but owning its texts.
struct Diagnostic {
  StrellHostDiagnosticKind kind = STRELL_HOST_MISSING_FILE;
  std::string file;      // "/etc/conf.d/config_streamserver.xml"
  std::string hostPath;  // "<root>/config_streamserver.xml"; "" when refused before mapping
  std::string keyPath;   // a value too long: the key path read
  int line = 0;          // a malformed file: where, 1-based
  int column = 0;
  size_t length = 0;    // a value too long: its length
  std::string message;  // the whole finding in one line
};

// Sends the kit's diagnostics to `handler` from now on; an empty handler
// drops them (the default). As StrellHost_SetDiagnosticHandler.
using DiagnosticHandler = std::function<void(const Diagnostic&)>;
void SetDiagnosticHandler(DiagnosticHandler handler);

// Nonzero results of XMLSParser_ReadContentEx, for diagnostics. The library
// itself only tells zero from nonzero.
enum ReadResult : int {
  kReadOk = 0,
  kReadBadArgument = 1,  // a null pointer, or a key path that is not "/name/name..."
  kReadRefused = 2,      // the file path is not under /etc/conf.d/ or leaves the root
  kReadNoFile = 3,       // no such file
  kReadUnreadable = 4,   // not a regular file, cannot be read, or larger than 16 MiB
  kReadMalformed = 5,    // not well-formed XML (also a file caught half written)
  kReadNoElement = 6,    // the key path names no element
  kReadTooLong = 7,      // the value has more than 255 characters
};

}  // namespace strell_host

#endif /* __cplusplus */

// The kit defines the two host reader functions that strell.h declares:
//  - XMLSParser_ReadContentEx(filePath, keyPath, value) reads the text of the
//    element `keyPath` names in `filePath` into `value` (at most 255
//    characters and a NUL). Returns 0, or a ReadResult and writes nothing.
//  - Configer_GetParamValueByXPath(name, value, size) reads the parameter
//    `name` ("group_name") into `value`: at most size - 1 characters and a
//    NUL. A parameter that is missing, or whose text does not fit, gives the
//    empty text (when size > 0) and a nonzero result; one that does not fit
//    is reported as a value too long. A name without an
//    underscore, with an empty group or name, or with a slash, names no
//    parameter.

#endif  // STRELL_HOST_STRELL_HOST_H_
