#pragma once

#include <string>

// The temporary files the program has open, kept where a signal handler can reach them without
// allocating or locking: a program ended at once by a signal removes them first, so that none stays
// in the user's folder.

// Names `path` as an open temporary file; answers its entry, -1 when every entry is taken or the path
// is longer than an entry holds (that file is then left behind as before).
int RegisterOpenTemporary(const std::string& path) noexcept;
// Forgets an entry once its file is removed or renamed; -1 is no entry.
void ForgetOpenTemporary(int entry) noexcept;
// Removes the file of every entry, with async-signal-safe calls only, for a program that ends now.
void RemoveOpenTemporaries() noexcept;
