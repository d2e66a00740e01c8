#pragma once

#include <string>
#include <string_view>
#include <vector>

// The arguments the program was started with (without its own name), kept for the whole run.
const std::vector<std::string>& ProgramCommandLine();
void SetProgramCommandLine(std::vector<std::string> arguments);

// "/debug" or "-debug" in any letter case: the help integration's switch, never a file.
bool IsDebugSwitch(std::string_view argument);

// The planogram named on the command line: the first argument that is neither empty nor a debug
// switch, without the double quotes a launcher may have left around it, made absolute against the
// current folder; empty when there is none.
std::string PlanogramPathArgument(const std::vector<std::string>& arguments);
