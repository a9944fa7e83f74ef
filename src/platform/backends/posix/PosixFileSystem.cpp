#include "platform/FileSystem.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sstream>
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

FileContent readWholeFile(const fs::path& path, std::size_t maxBytes) {
    FileContent content;
    // Not blocking: a named pipe in the file's place must not hold the caller until someone writes.
    Descriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (fd.get() < 0) {
        content.status = errno == ENOENT ? ReadStatus::Missing : ReadStatus::Unreadable;
        content.reason = reason();
        return content;
    }
    struct stat info {};
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        content.status = ReadStatus::Unreadable;
        content.reason = "it is not a file but a device, a pipe or a folder";
        return content;
    }
    if (static_cast<unsigned long long>(info.st_size) > maxBytes) {
        content.status = ReadStatus::Unreadable;
        content.reason = "it is larger than the " + std::to_string(maxBytes >> 20) + " MB this program reads";
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
        if (content.bytes.size() + static_cast<std::size_t>(n) > maxBytes) { // it grew meanwhile
            content.status = ReadStatus::Unreadable;
            content.reason =
                "it is larger than the " + std::to_string(maxBytes >> 20) + " MB this program reads";
            content.bytes.clear();
            return content;
        }
        content.bytes.append(buffer, static_cast<std::size_t>(n));
    }
    content.status = ReadStatus::Read;
    return content;
}

// Writes the bytes to a new temporary file beside `target`, with `mode`, and brings them to the
// disk; returns its name. Throws FileError naming `path` when it cannot.
std::string writeTemporary(const fs::path& path, const fs::path& target, std::span<const std::uint8_t> bytes,
                           mode_t mode) {
    const std::string mark = temporaryMark + std::to_string(::getpid()) + "-XXXXXX";
    // A name near the longest a folder holds gets a short temporary of the same shape, without it.
    std::string temporary = target.filename().string().size() + mark.size() > NAME_MAX
                                ? (target.parent_path() / mark).string()
                                : target.string() + mark;
    Descriptor fd(::mkstemp(temporary.data()));
    if (fd.get() < 0) throw FileError(path, "cannot create the file (" + reason() + ")");
    const bool written = writeAll(fd.get(), bytes) && ::fchmod(fd.get(), mode) == 0 && ::fsync(fd.get()) == 0;
    const std::string why = written ? std::string() : reason();
    if (!fd.close() || !written) {
        const std::string problem = written ? reason() : why;
        ::unlink(temporary.c_str());
        throw FileError(path, "cannot write the file (" + problem + ")");
    }
    return temporary;
}

mode_t modeForNewFiles() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

void writeFileAtomically(const fs::path& path, std::string_view text) {
    writeFileAtomically(path, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

void writeFileAtomically(const fs::path& path, std::span<const std::uint8_t> bytes) {
    const fs::path target = finalTarget(path);
    struct stat existing {};
    const mode_t mode = ::stat(target.c_str(), &existing) == 0 ? existing.st_mode & 07777 : modeForNewFiles();
    const std::string temporary = writeTemporary(path, target, bytes, mode);
    if (std::rename(temporary.c_str(), target.c_str()) != 0) {
        const std::string why = reason();
        ::unlink(temporary.c_str());
        throw FileError(path, "cannot write the file (" + why + ")");
    }
    syncFolder(target.parent_path());
}

bool writeNewFile(const fs::path& path, std::span<const std::uint8_t> bytes) {
    // The bytes reach the disk under a temporary name; the file appears whole under its own
    // name, and only where no file of that name is.
    const std::string temporary = writeTemporary(path, path, bytes, modeForNewFiles());
    const bool linked = ::link(temporary.c_str(), path.c_str()) == 0;
    const int error = errno;
    ::unlink(temporary.c_str());
    if (!linked) {
        if (error == EEXIST) return false;
        errno = error;
        throw FileError(path, "cannot write the file (" + reason() + ")");
    }
    syncFolder(path.parent_path());
    return true;
}

void removeStaleTemporaries(const fs::path& path) {
    const fs::path target = finalTarget(path);
    const std::string prefix = target.filename().string() + temporaryMark;
    std::error_code error;
    fs::directory_iterator folder(target.parent_path().empty() ? fs::path(".") : target.parent_path(), error);
    if (error) return;
    for (const fs::directory_entry& entry : folder) {
        const std::string name = entry.path().filename().string();
        // Its own temporaries, or the short ones of files with very long names.
        const std::size_t start = name.starts_with(prefix)          ? prefix.size()
                                  : name.starts_with(temporaryMark) ? temporaryMark.size()
                                                                    : 0;
        if (start == 0) continue;
        const std::string rest = name.substr(start);
        const auto dash = rest.find('-');
        if (dash == std::string::npos || dash == 0 || rest.size() - dash != 7) continue;
        char* end = nullptr;
        const long pid = std::strtol(rest.c_str(), &end, 10);
        if (end != rest.c_str() + dash || pid <= 0) continue;
        if (pid != ::getpid() && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
            fs::remove(entry.path(), error);
    }
}

std::optional<fs::path> documentsFolder() {
    const char* home = std::getenv("HOME");
    if (!home || !*home) return std::nullopt;
    const fs::path homeFolder = home;
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    const fs::path config = configHome && *configHome == '/' ? fs::path(configHome) : homeFolder / ".config";
    const FileContent dirs = readWholeFile(config / "user-dirs.dirs");
    std::istringstream lines(dirs.bytes);
    for (std::string line; std::getline(lines, line);) {
        // XDG_DOCUMENTS_DIR="$HOME/Documents"
        const std::string key = "XDG_DOCUMENTS_DIR=";
        if (line.rfind(key, 0) != 0) continue;
        std::string value = line.substr(key.size());
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        if (value.rfind("$HOME", 0) == 0) value = homeFolder.string() + value.substr(5);
        if (!value.empty() && value.front() == '/') return fs::path(value);
    }
    std::error_code error;
    if (fs::is_directory(homeFolder / "Documents", error)) return homeFolder / "Documents";
    return homeFolder;
}

bool isWritableFolder(const fs::path& folder) {
    return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

std::filesystem::path executableOfProcess(long processId) {
    if (processId <= 0) return {};
    std::error_code error;
    const auto target = std::filesystem::read_symlink("/proc/" + std::to_string(processId) + "/exe", error);
    return error ? std::filesystem::path() : target;
}

bool isFullPath(std::string_view path) {
    return !path.empty() && path.front() == '/';
}

long ownProcessId() {
    return static_cast<long>(::getpid());
}

std::filesystem::path ownExecutable() {
    std::error_code error;
    const auto path = std::filesystem::canonical("/proc/self/exe", error);
    return error ? std::filesystem::path() : path;
}

} // namespace vexmira::platform
