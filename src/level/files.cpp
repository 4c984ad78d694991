#include "level/files.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include "common/text.h"
#include "level/level.h"

namespace {

std::string NotRegularReason(const struct stat& st) {
    if (S_ISDIR(st.st_mode)) return "it is a folder";
    if (S_ISFIFO(st.st_mode)) return "it is a FIFO, not a regular file";
    if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) return "it is a device, not a regular file";
    return "it is not a regular file";
}

} // namespace

int OpenRegularFile(const std::string& nativePath, std::string* why) {
    auto fail = [&](const std::string& reason) {
        if (why) *why = reason;
        return -1;
    };
    if (nativePath.empty() || nativePath.find('\0') != std::string::npos) return fail("no file name");
    struct stat st {};
    if (::stat(nativePath.c_str(), &st) != 0)
        return fail(errno == ENOENT ? kNoSuchFile : std::strerror(errno));
    if (!S_ISREG(st.st_mode)) return fail(NotRegularReason(st));
    int fd = ::open(nativePath.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return fail(errno == ENOENT ? kNoSuchFile : std::strerror(errno));
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return fail(NotRegularReason(st));
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

// ---- Writing whole files -------------------------------------------------------------------------------

namespace {

// A writer killed part-way leaves its partial file beside the target; the next write removes those whose
// process has ended.
void RemoveAbandonedParts(const std::string& target) {
    std::filesystem::path t(target);
    std::string prefix = t.filename().string() + ".part";
    std::filesystem::path folder = t.parent_path().empty() ? std::filesystem::path(".") : t.parent_path();
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) continue;
        std::string digits = name.substr(prefix.size());
        if (digits.find_first_not_of("0123456789") != std::string::npos || digits.size() > 9) continue;
        pid_t pid = static_cast<pid_t>(std::stol(digits));
        if (pid <= 0 || pid == ::getpid()) continue;
        if (::kill(pid, 0) == 0 || errno != ESRCH) continue; // its writer may still be at work
        std::filesystem::remove(it->path(), ec);
        ec.clear();
    }
}

bool FailAtomicFile(AtomicFile& f, const std::string& reason) {
    if (f.error.empty()) f.error = reason;
    AbandonAtomicFile(f);
    return false;
}

} // namespace

AtomicFile::~AtomicFile() {
    AbandonAtomicFile(*this);
}

bool BeginAtomicFile(AtomicFile& f, const std::string& storedPath) {
    AbandonAtomicFile(f);
    f.error.clear();
    f.replaces = false;
    f.target = NativePath(storedPath);
    if (f.target.empty() || f.target.find('\0') != std::string::npos)
        return FailAtomicFile(f, "no file name");

    // A link is followed: the file it names is replaced, the link stays.
    struct stat st {};
    if (::lstat(f.target.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
        std::error_code ec;
        std::filesystem::path resolved = std::filesystem::weakly_canonical(f.target, ec);
        if (ec) return FailAtomicFile(f, ec.message());
        f.target = resolved.string();
    }
    if (::stat(f.target.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return FailAtomicFile(f, "it is a folder");
        if (!S_ISREG(st.st_mode)) return FailAtomicFile(f, NotRegularReason(st));
        if ((st.st_mode & 0222) == 0 || ::access(f.target.c_str(), W_OK) != 0)
            return FailAtomicFile(f, "the file is read-only");
        f.replaces = true;
        f.mode = st.st_mode & 07777;
    }
    f.part = f.target + ".part" + std::to_string(::getpid());
    f.fd = ::open(f.part.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (f.fd < 0) {
        std::string reason = std::strerror(errno);
        f.part.clear(); // not ours to remove
        return FailAtomicFile(f, reason);
    }
    return true;
}

bool AppendAtomicFile(AtomicFile& f, std::string_view bytes) {
    if (f.fd < 0) return FailAtomicFile(f, "the file is not open");
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(f.fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return FailAtomicFile(f, n < 0 ? std::strerror(errno) : "nothing could be written");
        done += static_cast<size_t>(n);
    }
    return true;
}

bool CommitAtomicFile(AtomicFile& f, bool durable) {
    if (f.fd < 0) return FailAtomicFile(f, "the file is not open");
    if (f.replaces) (void)::fchmod(f.fd, static_cast<mode_t>(f.mode));
    if (durable && ::fsync(f.fd) != 0) return FailAtomicFile(f, std::strerror(errno));
    int fd = f.fd;
    f.fd = -1;
    if (::close(fd) != 0) return FailAtomicFile(f, std::strerror(errno));
    if (::rename(f.part.c_str(), f.target.c_str()) != 0) return FailAtomicFile(f, std::strerror(errno));
    f.part.clear();
    RemoveAbandonedParts(f.target);
    if (!durable) return true;
    // Make the rename itself durable (best effort).
    std::string folder = std::filesystem::path(f.target).parent_path().string();
    int dfd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd >= 0) {
        (void)::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

void AbandonAtomicFile(AtomicFile& f) {
    if (f.fd >= 0) ::close(f.fd);
    f.fd = -1;
    if (!f.part.empty()) ::unlink(f.part.c_str());
    f.part.clear();
}

// ---- Overwrite safety ------------------------------------------------------------------------------------

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
