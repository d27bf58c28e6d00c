#pragma once
// A text file written piece by piece, with the bytes SaveTextFile would write for all the
// pieces joined: line ends made CR LF (a last line without one gets one), converted to the
// charset, and put in place at Commit by renaming a temporary file from the same folder.
// A page of hundreds of megabytes is then never held whole in memory.

#include <string>
#include <string_view>

namespace parvane {

class TTextFileWriter {
public:
    // Throws EParvaneError when the temporary file cannot be made.
    TTextFileWriter(const std::string& fileName, const std::string& charset);
    // Without Commit the temporary file is removed and the target left as it was.
    ~TTextFileWriter();
    TTextFileWriter(const TTextFileWriter&) = delete;
    TTextFileWriter& operator=(const TTextFileWriter&) = delete;

    // UTF-8 text; pieces end on character boundaries.
    void Append(std::string_view utf8);
    // Writes what is left and replaces the target. Throws EParvaneError on failure.
    void Commit();

private:
    friend void SaveNewTextFile(std::string_view, const std::string&, const std::string&);
    struct TInPlace {};
    // Writes straight into fileName, which it has just created (fd).
    TTextFileWriter(TInPlace, const std::string& fileName, const std::string& charset, int fd);
    void Flush();
    void Fail(const std::string& reason);

    std::string target_;
    std::string temporary_;
    std::string charset_;
    bool wholeAtOnce_ = false; // a charset with state (UTF-16, ISO-2022-JP): converted at the end
    int fd_ = -1;
    bool afterCr_ = false;  // the last piece ended in CR: a LF opening the next one is its pair
    bool openLine_ = false; // text was written after the last line end
    std::string pending_;   // normalised UTF-8 not yet converted and written
    bool inPlace_ = false;  // temporary_ is the target itself: no rename
};

// SaveTextFile for a file in a folder the build has just emptied: when no file of that name
// exists it is written in place, without a temporary file and a rename (a half-written
// file can only be a new one); an existing file is replaced as SaveTextFile replaces it.
void SaveNewTextFile(std::string_view text, const std::string& fileName,
                     const std::string& charset);

} // namespace parvane
