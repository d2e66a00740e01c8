#pragma once

// The fence around a SQLite database that a data link opens, put up on SQLite's own connection
// rather than around the database's text: a supplier's database reaches a function by name from
// places no check of its definitions sees (a full-text table's compress and uncompress call
// whatever function they name, from statements SQLite builds itself), so no function that reaches
// outside the database may be left on the connection at all.

// Fences `database`, the SQLite connection (sqlite3*) the driver has just opened: extension loading
// off, the driver's file functions and SQLite's own functions that load code or take its address
// replaced by functions that refuse, SQLite's defensive settings for untrusted files on, no other
// database attached. Raises EDataLinkRefused when the fence cannot be put up (no connection known,
// or a library lacking a call or a setting), and the connection must then open nothing.
void FenceSqliteDatabase(void* database);
