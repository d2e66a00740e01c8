#pragma once

// Whether the program was asked to end (SIGTERM, SIGINT). The signal handler notes it; work that
// blocks the window thread for long (a database read) looks at it, so that it ends early and the
// event loop hears the request.
void NoteTerminationRequest() noexcept; // async-signal-safe
bool TerminationRequested() noexcept;
