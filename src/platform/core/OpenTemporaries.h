#pragma once

#include <string>

// The temporary files the program has open, kept where a signal handler can reach them without
// allocating or locking: a program ended at once by a signal removes them first, so that none stays
// in the user's folder.

// Makes a new file, open for reading and writing by its user alone, named `prefix` followed by random
// letters and digits. Its name is an open temporary's before the file exists, so that a program
// ended at any moment of the making leaves no file. Answers the file's handle, with its name in
// `path` and its entry in `entry` (-1 when every entry is taken or the name is longer than an entry
// holds: that file is then left behind as before); -1 with errno set when no file could be made.
int CreateOpenTemporary(const std::string& prefix, std::string& path, int& entry);
// Forgets an entry once its file is removed or renamed; -1 is no entry.
void ForgetOpenTemporary(int entry) noexcept;
// Removes the file of every entry, with async-signal-safe calls only, for a program that ends now.
// A file another thread is making meanwhile is waited for, briefly, and removed too.
void RemoveOpenTemporaries() noexcept;
