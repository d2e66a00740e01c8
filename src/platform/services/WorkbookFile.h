#pragma once

#include <string>

// Makes sure that `path` names a file this user can read that begins as a workbook does, without
// asking an office: one that cannot load it would show the user its own dialogs first. A workbook is
// a compound document (.xls, .xlt), a zip package (.xlsx, .ods), markup (an XML or HTML table) or an
// old BIFF stream. Raises EFOpenError, its message naming the file, when it is none.
void CheckWorkbookFile(const std::string& path);
