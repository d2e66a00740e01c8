#pragma once

// Makes SIGTERM and SIGINT ask the program to end instead of killing it: the first writes a byte to
// a pipe whose reading end this answers, so that the event loop can end the program in order (-1
// when no pipe could be made: the signals then keep their default effect). A second signal, should
// the first not be heard in time (a long operation under way), removes the temporary files the
// program has open and ends it at once by that signal.
int CatchTerminationSignals();
