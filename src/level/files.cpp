#include "level/files.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "common/text.h"
#include "level/level.h"

int OpenRegularFile(const std::string& nativePath) {
    if (nativePath.empty() || nativePath.find('\0') != std::string::npos) return -1;
    int fd = ::open(nativePath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void CloseFile(int fd) {
    if (fd >= 0) ::close(fd);
}

LineReader::LineReader(std::string_view text) : data_(text), eof_(true) {}

namespace {
constexpr size_t kChunk = 1 << 16;
}

LineReader::LineReader(int fd) : fd_(fd), buffer_(new char[kChunk]) {}

bool LineReader::Refill() {
    if (eof_) return false;
    for (;;) {
        ssize_t n = ::read(fd_, buffer_.get(), kChunk);
        if (n > 0) {
            data_ = std::string_view(buffer_.get(), static_cast<size_t>(n));
            pos_ = 0;
            return true;
        }
        if (n < 0 && errno == EINTR) continue;
        eof_ = true; // end of file, or an error that ends the reading like one
        data_ = {};
        pos_ = 0;
        return false;
    }
}

bool LineReader::Next(std::string& line, bool& tooLong) {
    line.clear();
    tooLong = false;
    if (pendingCr_) {
        if (pos_ == data_.size()) Refill();
        if (pos_ < data_.size() && data_[pos_] == '\n') {
            ++pos_;
            ++consumed_;
        }
        pendingCr_ = false;
    }
    bool any = false;
    for (;;) {
        if (pos_ == data_.size() && !Refill()) return any;
        any = true;
        size_t end = pos_;
        while (end < data_.size() && data_[end] != '\n' && data_[end] != '\r') ++end;
        size_t take = end - pos_;
        if (line.size() + take > kMaxLineLength) {
            take = kMaxLineLength - line.size();
            tooLong = true;
        }
        line.append(data_.data() + pos_, take);
        consumed_ += static_cast<int64_t>(end - pos_);
        if (end < data_.size()) {
            pendingCr_ = data_[end] == '\r';
            pos_ = end + 1;
            ++consumed_;
            return true;
        }
        pos_ = end;
    }
}

namespace {

std::string CanonicalKey(const std::string& storedPath) {
    std::error_code ec;
    std::filesystem::path p = std::filesystem::weakly_canonical(NativePath(storedPath), ec);
    return ec ? NativePath(storedPath) : p.string();
}

// The whole of a regular file; false when it cannot be read.
bool ReadWholeFile(const std::string& nativePath, std::string& out) {
    int fd = OpenRegularFile(nativePath);
    if (fd < 0) return false;
    out.clear();
    char buf[1 << 16];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n > 0) {
            out.append(buf, static_cast<size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        ::close(fd);
        return n == 0;
    }
}

} // namespace

void MarkLevelKnown(OverwriteGuard& g, const std::string& storedPath) {
    std::string key = CanonicalKey(storedPath);
    if (std::find(g.known.begin(), g.known.end(), key) == g.known.end()) g.known.push_back(key);
}

bool MustAskBeforeSaving(OverwriteGuard& g, const std::string& storedPath, int64_t frame) {
    std::error_code ec;
    if (!std::filesystem::exists(NativePath(storedPath), ec)) return false; // a new file
    std::string key = CanonicalKey(storedPath);
    if (std::find(g.known.begin(), g.known.end(), key) != g.known.end()) return false;
    if (g.asked == key && frame - g.askedFrame <= kOverwriteConfirmFrames) {
        g.asked.clear(); // answered
        return false;
    }
    g.asked = key;
    g.askedFrame = frame;
    return true;
}

std::string OverwriteQuestion(const std::string& storedPath) {
    size_t cut = storedPath.find_last_of("\\/");
    std::string name = cut == std::string::npos ? storedPath : storedPath.substr(cut + 1);
    return name + " exists: press Save again to overwrite";
}

bool WriteKeepingBackup(const std::string& storedPath, std::string_view contents, std::string* why) {
    std::string old;
    if (ReadWholeFile(NativePath(storedPath), old)) {
        std::string reason;
        if (!WriteFileAtomically(storedPath + ".bak", old, &reason)) {
            if (why) *why = "cannot keep the old file as .bak: " + reason;
            return false;
        }
    }
    return WriteFileAtomically(storedPath, contents, why);
}
