// File helpers of the level code: opening only regular files, and reading lines that end in CR LF, a lone
// CR or a lone LF.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// Opens a regular file for reading without ever blocking (a FIFO or device named by a level file is
// refused). Returns a descriptor, or -1.
int OpenRegularFile(const std::string& nativePath);
void CloseFile(int fd);

constexpr size_t kMaxLineLength = 1 << 20; // longer lines are cut here and reported as too long

class LineReader {
public:
    explicit LineReader(std::string_view text); // lines of text in memory
    explicit LineReader(int fd);                // lines of an open file (not closed by the reader)

    // The next line without its line end; false at the end of the input. A line longer than
    // kMaxLineLength is consumed whole but only its beginning is returned, with `tooLong` set.
    bool Next(std::string& line, bool& tooLong);
    int64_t BytesRead() const { return consumed_; }

private:
    bool Refill();

    int fd_ = -1;
    std::unique_ptr<char[]> buffer_;
    std::string_view data_;
    size_t pos_ = 0;
    bool pendingCr_ = false; // the last line ended in CR; a LF right after it belongs to that line end
    bool eof_ = false;
    int64_t consumed_ = 0;
};
