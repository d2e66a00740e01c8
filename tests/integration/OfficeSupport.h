#pragma once

// What the tests that start a real office share; they carry the label "integration".

#include "TestSupport.h"

#include <string>
#include <vector>

// The office program, or empty when LibreOffice is not installed.
std::string OfficeProgram();
// True when Debian's python3 has the office's bridge module.
bool PythonHasUno();
// Converts `source` with the office's export filter `target` ("xls", "xlt:MS Excel 97 Vorlage/Template")
// into the folder on a private profile; answers the path of `result` there, or empty when that fails.
std::string ConvertWithOffice(const TemporaryFolder& folder, const std::string& source, const std::string& target,
                              const std::string& result);
// The processes whose command line mentions `text`.
std::vector<std::string> ProcessesMentioning(const std::string& text);
// The entries of a folder.
int EntriesIn(const std::string& folder);

// The environment variable while it lives.
class ScopedVariable {
public:
    ScopedVariable(const char* name, const std::string& value) : name_(name) { setenv(name, value.c_str(), 1); }
    ~ScopedVariable() { unsetenv(name_); }
    ScopedVariable(const ScopedVariable&) = delete;
    ScopedVariable& operator=(const ScopedVariable&) = delete;

private:
    const char* name_;
};
