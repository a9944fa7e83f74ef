#include "platform/FileSystem.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vexmira::platform {

namespace fs = std::filesystem;

namespace {

std::string reason() {
    return std::strerror(errno);
}

// Temporaries are named "<file>.tmp-<pid>-XXXXXX", so that a later run can tell whose they are.
const std::string temporaryMark = ".tmp-";

class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    bool close() {
        const int fd = fd_;
        fd_ = -1;
        return ::close(fd) == 0;
    }

  private:
    int fd_;
};

// Where the bytes really go: a symbolic link is followed to its target (however many hops).
fs::path finalTarget(const fs::path& path) {
    fs::path target = path;
    for (int hop = 0; hop < 40; ++hop) {
        std::error_code error;
        if (!fs::is_symlink(fs::symlink_status(target, error))) return target;
        const fs::path link = fs::read_symlink(target, error);
        if (error) return target;
        target = link.is_absolute() ? link : target.parent_path() / link;
    }
    return target;
}

bool writeAll(int fd, std::span<const std::uint8_t> bytes) {
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        written += static_cast<std::size_t>(n);
    }
    return true;
}

void syncFolder(const fs::path& folder) {
    Descriptor fd(::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.get() >= 0) ::fsync(fd.get());
}

} // namespace

FileContent readWholeFile(const fs::path& path) {
    FileContent content;
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) {
        content.status = errno == ENOENT ? ReadStatus::Missing : ReadStatus::Unreadable;
        content.reason = reason();
        return content;
    }
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            content.status = ReadStatus::Unreadable;
            content.reason = reason();
            content.bytes.clear();
            return content;
        }
        if (n == 0) break;
        content.bytes.append(buffer, static_cast<std::size_t>(n));
    }
    content.status = ReadStatus::Read;
    return content;
}

void writeFileAtomically(const fs::path& path, std::span<const std::uint8_t> bytes) {
    const fs::path target = finalTarget(path);
    std::string temporary = target.string() + temporaryMark + std::to_string(::getpid()) + "-XXXXXX";
    Descriptor fd(::mkstemp(temporary.data()));
    if (fd.get() < 0) throw FileError(path, "cannot create the file (" + reason() + ")");
    auto fail = [&](const std::string& why) {
        ::unlink(temporary.c_str());
        throw FileError(path, "cannot write the file (" + why + ")");
    };
    struct stat existing {};
    mode_t mode = 0644;
    if (::stat(target.c_str(), &existing) == 0) {
        mode = existing.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    if (!writeAll(fd.get(), bytes)) fail(reason());
    if (::fchmod(fd.get(), mode) != 0) fail(reason());
    if (::fsync(fd.get()) != 0) fail(reason());
    if (!fd.close()) fail(reason());
    if (std::rename(temporary.c_str(), target.c_str()) != 0) fail(reason());
    syncFolder(target.parent_path());
}

void removeStaleTemporaries(const fs::path& path) {
    const fs::path target = finalTarget(path);
    const std::string prefix = target.filename().string() + temporaryMark;
    std::error_code error;
    fs::directory_iterator folder(target.parent_path().empty() ? fs::path(".") : target.parent_path(), error);
    if (error) return;
    for (const fs::directory_entry& entry : folder) {
        const std::string name = entry.path().filename().string();
        if (!name.starts_with(prefix)) continue;
        const std::string rest = name.substr(prefix.size());
        const auto dash = rest.find('-');
        if (dash == std::string::npos || dash == 0 || rest.size() - dash != 7) continue;
        char* end = nullptr;
        const long pid = std::strtol(rest.c_str(), &end, 10);
        if (end != rest.c_str() + dash || pid <= 0) continue;
        if (pid != ::getpid() && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
            fs::remove(entry.path(), error);
    }
}

bool isWritableFolder(const fs::path& folder) {
    return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

} // namespace vexmira::platform
