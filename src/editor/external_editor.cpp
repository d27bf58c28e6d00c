#include "editor/external_editor.h"

#include "model/string_func.h"
#include "settings/app_options.h"

namespace parvane {

namespace {

// Steps 1 and 2 of the rule: "%1" bare, and present.
std::string WithPlaceholder(std::string_view entry) {
    std::string command(entry);
    if (command.find("%1") == std::string::npos)
        return command + " %1";
    return StringFunc::ReplaceAll(command, "\"%1\"", "%1");
}

} // namespace

std::string EditorCommandLine(std::string_view entry, std::string_view pagePath) {
    return StringFunc::ReplaceAll(WithPlaceholder(entry), "%1",
                                  "\"" + std::string(pagePath) + "\"");
}

std::vector<std::string> EditorArguments(std::string_view entry, std::string_view pagePath) {
    if (ExtractProgramPath(entry).empty())
        return {};
    const std::string command = WithPlaceholder(entry);
    std::vector<std::string> args;
    std::string current;
    bool inWord = false, quoted = false;
    const auto finish = [&] {
        if (inWord)
            args.push_back(StringFunc::ReplaceAll(current, "%1", pagePath));
        current.clear();
        inWord = false;
    };
    for (const char c : command) {
        if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if (c == ' ' && !quoted) {
            finish();
        } else {
            current += c;
            inWord = true;
        }
    }
    finish();
    return args;
}

std::vector<std::string> EditorLaunchArguments(std::string_view entry, std::string_view pagePath) {
    std::vector<std::string> args = EditorArguments(entry, pagePath);
    if (args.empty())
        return args;
    const std::string program = EditorProgramPath(entry);
    if (program.empty() || !EditorProgramExists(entry))
        return {};
    args.front() = program;
    return args;
}

} // namespace parvane
