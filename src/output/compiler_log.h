#pragma once
// What the HTML Help compiler prints, made readable: a large project can make chmcmd print
// a million warnings. Each kind of warning is shown once, with a count at the end, and the
// lines shown are capped; the whole output can be kept in a file.

#include <cstddef>
#include <fstream>
#include <string>
#include <unordered_map>
#include <vector>

namespace parvane {

class TCompilerLog {
public:
    static constexpr std::size_t kMaxShownLines = 200;
    static constexpr std::size_t kMaxSummaryKinds = 40;

    // fullLogFile: where every line is written as it comes ("" for none). Throws
    // EParvaneError when the file cannot be created.
    explicit TCompilerLog(const std::string& fullLogFile = "");

    // Writes one line, as it came, to the whole log (when one is kept).
    void Record(const std::string& line);
    // Takes one line of the compiler's output; true when it is to be shown now: the first
    // line of each kind of warning or error, and other lines, while fewer than
    // kMaxShownLines were shown.
    bool Add(const std::string& line);

    // The lines that close the log: how often each repeated kind of message came, how many
    // lines were not shown and where the whole log is. Empty when nothing was held back
    // and no file is kept.
    std::vector<std::string> Summary() const;

    // The kind of a message: its words with file names, addresses, numbers and quoted
    // texts replaced by "*". "" for a line that is no warning or error.
    static std::string KindOf(const std::string& line);

private:
    struct TKind {
        std::string Example; // the first line of the kind
        std::size_t Count = 0;
        std::size_t Order = 0;
    };
    std::unordered_map<std::string, TKind> kinds_;
    std::size_t shown_ = 0;
    std::size_t hidden_ = 0; // lines not shown because of the cap
    std::string fullLogFile_;
    std::ofstream fullLog_;
};

} // namespace parvane
