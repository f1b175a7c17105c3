// Visibility of the library's own symbols.
//
// The library is built with hidden visibility so that template instances and
// file-local helpers stay out of the dynamic symbol table. The host-facing C
// functions carry STRELL_API (include/strell.h); the internal functions, field
// tables and marker texts that the camera firmware also links against are
// marked STRELL_EXPORT.
#ifndef STRELL_API_EXPORT_H_
#define STRELL_API_EXPORT_H_

#define STRELL_EXPORT __attribute__((visibility("default")))

#endif  // STRELL_API_EXPORT_H_
