#pragma once
// What a compiled help file holds, as chmls lists it: for tests that check what reached
// the .chm (and what did not).

#include "output/chm_compiler.h"

#include <cstdio>
#include <set>
#include <string>
#include <sys/wait.h>

namespace parvane::chmtest {

inline std::string ShellQuoted(const std::string& s) {
    std::string out = "'";
    for (char c : s)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// Runs a shell command; true when it exited with 0. Its stdout goes to out when given.
inline bool RunCommand(const std::string& command, std::string* out = nullptr) {
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe)
        return false;
    char buffer[4096];
    while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe))
        if (out)
            out->append(buffer, n);
    const int status = ::pclose(pipe);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

inline bool HaveChmTools() {
    return !FindHtmlHelpCompiler().empty() && RunCommand("command -v chmls >/dev/null 2>&1");
}

// The names a .chm holds ("/index.htm", ...); empty when it cannot be listed.
inline std::set<std::string> ChmNames(const std::string& chm) {
    std::set<std::string> names;
    std::string listing;
    if (!RunCommand("chmls -n list " + ShellQuoted(chm) + " 2>/dev/null", &listing))
        return names;
    std::size_t start = 0;
    while (start < listing.size()) {
        std::size_t end = listing.find('\n', start);
        if (end == std::string::npos)
            end = listing.size();
        std::string line = listing.substr(start, end - start);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
            line.pop_back();
        if (!line.empty() && line[0] == '/')
            names.insert(line);
        start = end + 1;
    }
    return names;
}

} // namespace parvane::chmtest
