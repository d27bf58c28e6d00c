#include "cli/commands.h"

#include <cstdio>

namespace parvane::cli {

int CmdBuild(const Args& /*args*/) {
    std::fputs("parvane-cli: this command is not available yet\n", stderr);
    return 1;
}

} // namespace parvane::cli
