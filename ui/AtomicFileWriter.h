#pragma once

#include <string>
#include <string_view>

// Replaces the file at path with bytes, all or nothing: the bytes go to a new
// file in the same folder, are flushed to disk, and only then renamed over the
// target. A failed save therefore never loses or truncates an existing file.
// New files get the user's umask. On failure returns false and sets error to
// the system's reason.
bool WriteFileAtomically(const std::string& path, std::string_view bytes, std::string& error);
