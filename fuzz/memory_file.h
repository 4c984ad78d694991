// The fuzz input as a file the readers can open by name, without touching the disk.
#pragma once

#include <cstdint>
#include <string>
#include <sys/mman.h>
#include <unistd.h>

class MemoryFile {
public:
    MemoryFile() : fd_(::memfd_create("fuzz-input", 0)) {}
    ~MemoryFile() { ::close(fd_); }
    // Replaces the contents; returns the file's path.
    std::string Set(const uint8_t* data, size_t size) {
        (void)::ftruncate(fd_, 0);
        (void)::lseek(fd_, 0, SEEK_SET);
        size_t done = 0;
        while (done < size) {
            ssize_t n = ::write(fd_, data + done, size - done);
            if (n <= 0) break;
            done += static_cast<size_t>(n);
        }
        return "/proc/self/fd/" + std::to_string(fd_);
    }

private:
    int fd_;
};
