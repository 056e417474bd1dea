#pragma once
#include <string>

// Opens a file for reading only when it is a regular file, and never waits on the way: a named
// pipe without a writer or a device would block a plain open. Returns the descriptor (close it
// with close()), or -1 with reason set to what the name is instead ("It is a folder, not a
// file") or to the system's text.
int OpenRegularFile(const std::string& path, std::string& reason);
