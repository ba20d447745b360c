#include "runner/ChildProcess.h"
#include "runner/ToolRunner.h"

namespace vantrel {

std::string ToolPath(const std::string& toolDirectory, const std::string& toolName)
{
    return toolDirectory + "/" + toolName;
}

int RunToolAndWait(const std::string& file, const ToolArguments& parameters)
{
    ToolArguments commandLine;
    commandLine.reserve(parameters.size() + 1);
    commandLine.push_back(file);
    commandLine.insert(commandLine.end(), parameters.begin(), parameters.end());

    ChildProcess child;
    if (child.start(commandLine, -1) != 0)
        return ToolCouldNotStart;
    return child.wait();
}

}  // namespace vantrel
