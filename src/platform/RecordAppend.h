#pragma once
// Appending one record (a line) to a log-like text file so that a crash, a
// full disk or a power loss leaves the file as it was or with the whole
// record, never with a part of it: the bytes go out in one write at the end
// of the file and are flushed to the disk; a write that stops short is taken
// back. Writers of the same file are serialised by a lock on it.
#include <string>

// Appends `record` to the file at `path` (resolved as for writing). A file
// that is new or empty gets `header` first; a file whose last bytes are not
// `lineEnd` (a record cut short by something else) gets `lineEnd` first, so
// the new record starts a line of its own. All of it is one write. False
// when the file could not be opened, written whole or flushed; the file is
// then as it was.
bool AppendRecord(const std::string& path, const std::string& record, const std::string& header,
                  const std::string& lineEnd);
