#pragma once
// The project check: everything that would break or surprise in the outputs, found before
// a build. It reads every page the topics reach once, follows their links inside the root
// and reports each problem as one finding. Nothing is written and nothing is fetched.

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace parvane {

class TPvx;

enum class CheckSeverity { Error = 0, Warning = 1, Note = 2 };

struct TCheckFinding {
    CheckSeverity Severity = CheckSeverity::Error;
    // A stable, machine-readable name of the kind of finding ("missing-target", ...).
    std::string Code;
    // The page it is in, relative to the root with "/" separators; "" for the project itself.
    std::string Page;
    int Line = 0;          // 1-based line in Page, 0 when none applies
    std::string Topic;     // the topic's title when the finding concerns a topic
    std::string Target;    // what it points at, as written
    std::string Message;   // one sentence for the author
    std::string Suggestion; // e.g. the exact name to use; may be empty
};

struct TCheckOptions {
    bool ListExternal = false; // report external addresses (never fetched)
    // The process ends once the report is written (the command line): what the check
    // used while it ran is left to the end of the process, which frees it at once, instead
    // of being freed piece by piece before the report is written.
    bool ProcessEndsAfter = false;
};

struct TCheckReport {
    std::string ProjectFile;
    std::string RootFolder;
    std::vector<TCheckFinding> Findings; // sorted by page, line, then code
    int PagesRead = 0;
    int Errors() const { return Count(CheckSeverity::Error); }
    int Warnings() const { return Count(CheckSeverity::Warning); }
    int Notes() const { return Count(CheckSeverity::Note); }
    int Count(CheckSeverity severity) const;
};

using CheckProgress = std::function<void(const std::string&)>;

// A check's findings as the check keeps them: compact records (a large site has hundreds
// of thousands of findings), each formatted only when it is written or asked for.
class TCheckResult {
public:
    struct TData;
    explicit TCheckResult(std::unique_ptr<TData> data);
    TCheckResult(TCheckResult&&) noexcept;
    TCheckResult& operator=(TCheckResult&&) noexcept;
    ~TCheckResult();

    std::size_t Size() const;
    TCheckFinding Finding(std::size_t index) const; // sorted as TCheckReport::Findings
    int PagesRead() const;
    int Count(CheckSeverity severity) const;
    int Errors() const { return Count(CheckSeverity::Error); }
    // Every finding formatted.
    TCheckReport Report() const;
    // The same bytes as FormatCheckText and FormatCheckJson of Report().
    std::string Text() const;
    std::string Json() const;
    // The same bytes again, handed to write piece by piece as they are formatted: a large
    // site's report is hundreds of megabytes and is never held whole. An exception from
    // write stops the formatting and leaves here.
    using TWrite = std::function<void(std::string_view)>;
    void WriteText(const TWrite& write) const;
    void WriteJson(const TWrite& write) const;
    // The last line of Text(): the counts of the findings and of the files read.
    std::string TextSummary() const;

private:
    std::unique_ptr<TData> data_;
};

// Checks the loaded project. Never throws for problems of the project (they are
// findings); only for a root folder that cannot be read at all.
TCheckResult RunCheck(const TPvx& project, const TCheckOptions& options = {},
                      const CheckProgress& progress = {});
TCheckReport CheckProject(const TPvx& project, const TCheckOptions& options = {},
                          const CheckProgress& progress = {});

const char* SeverityName(CheckSeverity severity); // "error", "warning", "note"
// One line per finding, then a summary line.
std::string FormatCheckText(const TCheckReport& report);
// The report as a JSON object; its layout is documented in the README.
std::string FormatCheckJson(const TCheckReport& report);

} // namespace parvane
