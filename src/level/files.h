// File helpers: opening only regular files, reading lines that end in CR LF, a lone CR or a lone LF,
// writing a file whole or not at all, and the overwrite safety of saves.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// Opens a regular file for reading without ever blocking: a folder, FIFO, device or socket is refused
// before it is opened (and again after, should the name change in between). Returns a descriptor, or -1
// with the reason in `why` ("no such file", "it is a folder", "it is not a regular file"...).
int OpenRegularFile(const std::string& nativePath, std::string* why = nullptr);
constexpr const char* kNoSuchFile = "no such file"; // the reason given for a name that names nothing
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

// ---- Writing whole files -------------------------------------------------------------------------------

// A file written beside its target (as NAME.part<pid>) and renamed over it once complete, so the target is
// always either the old file or the whole new one. The first failure is kept in `error`; from then on
// nothing more is written and the commit fails. A file neither committed nor abandoned is abandoned when
// it goes away.
struct AtomicFile {
    AtomicFile() = default;
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;
    ~AtomicFile();

    std::string target; // the native path replaced by the commit (a link's target, not the link)
    std::string part;   // the file being written
    int fd = -1;
    bool replaces = false; // the target exists: the new file takes its permissions
    unsigned mode = 0;
    std::string error;
};

// Starts writing a file that will replace `storedPath`. Fails (with the reason in `f.error`) when the target
// is a folder, not a regular file, read-only, or in a folder that cannot be written.
bool BeginAtomicFile(AtomicFile& f, const std::string& storedPath);
// Appends bytes; false (with `f.error`) once any write has failed.
bool AppendAtomicFile(AtomicFile& f, std::string_view bytes);
// Closes the file and renames it over the target; a durable commit also reaches the disk first. On any
// failure the partial file is removed and the target stays as it was.
bool CommitAtomicFile(AtomicFile& f, bool durable = true);
// Closes and removes the partial file; the target stays as it was.
void AbandonAtomicFile(AtomicFile& f);

// ---- Overwrite safety -----------------------------------------------------------------------------------

// The level files this session has loaded or saved, and the last save that had to ask before replacing a
// file. Paths are compared in their canonical form.
struct OverwriteGuard {
    std::vector<std::string> known;
    std::string asked;
    int64_t askedFrame = 0;
};

constexpr int64_t kOverwriteConfirmFrames = 180; // a second "Save" within three seconds (60 frames a second)

// Remembers a file loaded or saved in this session: saving onto it never asks.
void MarkLevelKnown(OverwriteGuard& g, const std::string& storedPath);
// Whether a save to `storedPath` in frame `frame` must ask first: the file exists, was neither loaded nor
// saved in this session, and no save asked about it within the last kOverwriteConfirmFrames frames. A
// question asked is remembered, so the next save within that time writes.
bool MustAskBeforeSaving(OverwriteGuard& g, const std::string& storedPath, int64_t frame);
// "tower.lvl exists: press Save again to overwrite".
std::string OverwriteQuestion(const std::string& storedPath);

// Writes `contents` to `storedPath` as WriteFileAtomically does; when it replaces a file, the old bytes are
// first kept beside it as NAME.bak (one generation, written the same way). When the backup cannot be
// written, nothing is replaced.
bool WriteKeepingBackup(const std::string& storedPath, std::string_view contents, std::string* why = nullptr);
