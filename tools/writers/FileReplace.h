#pragma once
// Writing a whole file by replacing it: the bytes go to a temporary file
// beside it, which is then renamed over the name. A reader never sees half a
// file, and a name that is a link is replaced itself, never the file it
// points at (a test folder may link the build's files and write its own).
#include <string>

// False when the file cannot be written; the old file is then left as it was.
bool WriteFileReplacing(const std::string& path, const std::string& bytes);
