#pragma once
// Runs parvane-cli as a person would and captures what it prints.

#include <array>
#include <cstdio>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace parvane::testing {

struct CliRun {
    int code = -1;
    std::string output; // stdout and stderr together
};

inline std::string ShellQuote(const std::string& s) {
    std::string out = "'";
    for (char c : s)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// Runs the command line program with args, in folder cwd when given.
inline CliRun RunCli(const std::vector<std::string>& args, const std::string& cwd = "") {
    std::string command;
    if (!cwd.empty())
        command = "cd " + ShellQuote(cwd) + " && ";
    command += ShellQuote(PARVANE_CLI);
    for (const auto& a : args)
        command += " " + ShellQuote(a);
    command += " 2>&1 </dev/null";
    CliRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return run;
    std::array<char, 4096> buffer{};
    std::size_t n;
    while ((n = fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        run.output.append(buffer.data(), n);
    const int status = pclose(pipe);
    run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

} // namespace parvane::testing
