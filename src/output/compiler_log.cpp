#include "output/compiler_log.h"

#include "model/errors.h"
#include "model/string_func.h"

#include <algorithm>

namespace parvane {

namespace {

// The severity words chmcmd and compilers like it begin a message with.
bool IsMessage(const std::string& line) {
    const std::string lower = StringFunc::AsciiLowerCase(StringFunc::Trim(line));
    for (const char* word : {"warning", "error", "hint", "note", "fatal"})
        if (lower.rfind(word, 0) == 0)
            return true;
    return false;
}

// A word that names a particular thing rather than saying what happened.
bool IsVariableWord(const std::string& word) {
    if (word.empty())
        return false;
    if (word.front() == '"' || word.front() == '\'' || word.front() == '(' || word.front() == '[')
        return true;
    return std::any_of(word.begin(), word.end(), [](char c) {
        return c == '.' || c == '_' || c == '/' || c == '\\' || c == '#' || c == '=' || (c >= '0' && c <= '9') ||
               static_cast<unsigned char>(c) >= 0x80;
    });
}

// A word after which the compiler names an id, a file or an anchor ("with ID intro").
bool NamesAThing(const std::string& word) {
    const std::string lower = StringFunc::AsciiLowerCase(word);
    return lower == "id" || lower == "file" || lower == "anchor" || lower == "topic" ||
           lower == "keyword";
}

} // namespace

TCompilerLog::TCompilerLog(const std::string& fullLogFile) : fullLogFile_(fullLogFile) {
    if (fullLogFile_.empty())
        return;
    fullLog_.open(fullLogFile_, std::ios::binary | std::ios::trunc);
    if (!fullLog_)
        throw EParvaneError("Cannot write the compiler's log \"" + fullLogFile_ + "\".");
}

std::string TCompilerLog::KindOf(const std::string& line) {
    if (!IsMessage(line))
        return {};
    std::string kind;
    std::string previous;
    std::size_t i = 0;
    const std::string text = StringFunc::Trim(line);
    while (i < text.size()) {
        if (text[i] == ' ') {
            kind += ' ';
            ++i;
            continue;
        }
        std::size_t end = text.find(' ', i);
        if (end == std::string::npos)
            end = text.size();
        std::string word = text.substr(i, end - i);
        // Punctuation that closes a clause is part of the sentence, not of the name.
        std::string tail;
        while (!word.empty() && (word.back() == ',' || word.back() == ';' || word.back() == ':')) {
            tail.insert(tail.begin(), word.back());
            word.pop_back();
        }
        const bool named = NamesAThing(previous);
        previous = word;
        kind += (named || IsVariableWord(word) ? std::string("*") : word) + tail;
        i = end;
    }
    return kind;
}

void TCompilerLog::Record(const std::string& line) {
    if (fullLog_.is_open())
        fullLog_ << line << '\n';
}

bool TCompilerLog::Add(const std::string& line) {
    const std::string kind = KindOf(line);
    if (!kind.empty()) {
        auto [it, added] = kinds_.try_emplace(kind);
        ++it->second.Count;
        if (!added)
            return false; // counted; the summary tells how often it came
        it->second.Example = line;
        it->second.Order = kinds_.size();
    }
    if (shown_ >= kMaxShownLines) {
        ++hidden_;
        return false;
    }
    ++shown_;
    return true;
}

std::vector<std::string> TCompilerLog::Summary() const {
    std::vector<const TKind*> repeated;
    for (const auto& [key, kind] : kinds_)
        if (kind.Count > 1)
            repeated.push_back(&kind);
    // The most frequent first; the order of first appearance breaks ties.
    std::sort(repeated.begin(), repeated.end(), [](const TKind* a, const TKind* b) {
        return a->Count != b->Count ? a->Count > b->Count : a->Order < b->Order;
    });
    std::vector<std::string> lines;
    if (!repeated.empty())
        lines.push_back("Messages of the compiler that came more than once (the first of each, "
                        "then how often it came):");
    for (std::size_t i = 0; i < repeated.size() && i < kMaxSummaryKinds; ++i)
        lines.push_back(repeated[i]->Example + " [" + std::to_string(repeated[i]->Count) +
                        " times]");
    if (repeated.size() > kMaxSummaryKinds)
        lines.push_back("... and " + std::to_string(repeated.size() - kMaxSummaryKinds) +
                        " more kinds of messages that came more than once.");
    if (hidden_ > 0)
        lines.push_back(std::to_string(hidden_) + " more line(s) of the compiler were not shown.");
    if (!fullLogFile_.empty())
        lines.push_back("The compiler's whole output is in \"" + fullLogFile_ + "\".");
    else if (!lines.empty())
        lines.push_back("Build with the compiler's log kept to read every line.");
    return lines;
}

} // namespace parvane
