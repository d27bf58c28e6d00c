#pragma once
// The sub-commands of parvane-cli. Each takes the arguments after its name and returns
// the process exit code; messages go to stdout (progress) and stderr (failures).

#include <string>
#include <vector>

namespace parvane::cli {

using Args = std::vector<std::string>;

int CmdTree(const Args& args);
int CmdNew(const Args& args);
int CmdBuild(const Args& args);
int CmdCheck(const Args& args);

} // namespace parvane::cli
