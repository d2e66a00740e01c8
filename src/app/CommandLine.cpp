#include "app/CommandLine.h"

#include "platform/core/FilePaths.h"
#include "platform/core/TextUtils.h"

namespace {

std::vector<std::string>& KeptArguments()
{
    static std::vector<std::string> arguments;
    return arguments;
}

std::string WithoutEnclosingQuotes(std::string_view argument)
{
    if (argument.size() >= 2 && argument.front() == '"' && argument.back() == '"')
        argument = argument.substr(1, argument.size() - 2);
    return std::string(argument);
}

// A relative path means the folder this start runs in, not the one a running program was started in.
std::string Absolute(const std::string& path)
{
    if (path.front() == '/')
        return path;
    return IncludeTrailingPathDelimiter(GetCurrentDir()) + path;
}

} // namespace

const std::vector<std::string>& ProgramCommandLine() { return KeptArguments(); }

void SetProgramCommandLine(std::vector<std::string> arguments) { KeptArguments() = std::move(arguments); }

bool IsDebugSwitch(std::string_view argument) { return SameText(argument, "/debug") || SameText(argument, "-debug"); }

std::string PlanogramPathArgument(const std::vector<std::string>& arguments)
{
    for (const std::string& argument : arguments) {
        const std::string path = WithoutEnclosingQuotes(argument);
        if (!path.empty() && !IsDebugSwitch(path))
            return Absolute(path);
    }
    return {};
}
