// parvane-cli: builds help from the command line, imports folders, prints the tree.

#include "cli/commands.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

const char* const kUsage =
    "Usage: parvane-cli COMMAND [ARGS...]\n"
    "\n"
    "Commands:\n"
    "  tree PROJECT.pvx              print the table of contents and the other groups\n"
    "  new ROOT --output PROJECT.pvx create a project, optionally importing ROOT's pages\n"
    "  build PROJECT.pvx --single-html|--webhelp|--htmlhelp\n"
    "                                build one output of a project\n"
    "  check PROJECT.pvx             report broken links, missing pages and other faults\n"
    "\n"
    "Run 'parvane-cli COMMAND --help' for the options of a command.\n";

} // namespace

int main(int argc, char** argv) {
    using namespace parvane::cli;
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        std::fputs(kUsage, argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    if (std::strcmp(argv[1], "--version") == 0) {
        std::printf("parvane-cli %s\n", PARVANE_VERSION);
        return 0;
    }
    const std::string command = argv[1];
    const Args args(argv + 2, argv + argc);
    if (command == "tree")
        return CmdTree(args);
    if (command == "new")
        return CmdNew(args);
    if (command == "build")
        return CmdBuild(args);
    if (command == "check")
        return CmdCheck(args);
    std::fprintf(stderr, "parvane-cli: unknown command '%s'\n\n%s", command.c_str(), kUsage);
    return 2;
}
