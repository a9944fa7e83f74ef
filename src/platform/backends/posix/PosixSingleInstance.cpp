#include "platform/SingleInstance.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace vexmira::platform {

namespace {

// A folder only this user can reach: a real directory (not a link), owned by us, closed to
// everyone else.
bool privateFolder(const std::filesystem::path& folder) {
    struct stat info {};
    return lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == geteuid() &&
           (info.st_mode & 077) == 0;
}

bool socketAddress(const std::filesystem::path& path, sockaddr_un& address) {
    address = {};
    address.sun_family = AF_UNIX;
    if (path.native().size() >= sizeof(address.sun_path)) return false;
    std::memcpy(address.sun_path, path.c_str(), path.native().size() + 1);
    return true;
}

std::filesystem::path canonicalOrSame(const std::filesystem::path& path) {
    std::error_code error;
    const std::filesystem::path canonical = std::filesystem::canonical(path, error);
    return error ? path : canonical;
}

} // namespace

std::filesystem::path SingleInstance::lockFolder() {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime && privateFolder(runtime))
        return runtime;
    const std::filesystem::path own = "/tmp/vexmira-" + std::to_string(geteuid());
    if (mkdir(own.c_str(), 0700) != 0 && errno != EEXIST) return {};
    return privateFolder(own) ? own : std::filesystem::path();
}

std::string SingleInstance::baseName(const std::filesystem::path& executable) {
    std::uint64_t hash = 14695981039346656037ULL; // FNV-1a
    const std::filesystem::path canonical = canonicalOrSame(executable);
    for (const unsigned char c : canonical.native()) {
        hash ^= c;
        hash *= 1099511628211ULL;
    }
    char text[32];
    std::snprintf(text, sizeof text, "vexmira-%016llx", static_cast<unsigned long long>(hash));
    return text;
}

SingleInstance::Claim SingleInstance::claim(const std::filesystem::path& executable) {
    Claim claim;
    const std::filesystem::path folder = lockFolder();
    if (folder.empty()) {
        claim.problem = "no private folder for the lock file";
        return claim;
    }
    const std::string name = baseName(executable);
    const int lock =
        open((folder / (name + ".lock")).c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (lock < 0) {
        claim.problem = std::string("cannot open the lock file: ") + std::strerror(errno);
        return claim;
    }
    if (flock(lock, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        close(lock);
        if (error == EWOULDBLOCK) {
            claim.anotherRuns = true;
        } else {
            claim.problem = std::string("cannot lock the lock file: ") + std::strerror(error);
        }
        return claim;
    }
    // The lock is ours, so a socket left by a copy that was killed is stale.
    const std::filesystem::path socketPath = folder / (name + ".sock");
    unlink(socketPath.c_str());
    const int listener = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    sockaddr_un address;
    if (listener < 0 || !socketAddress(socketPath, address) ||
        bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener, 8) != 0) {
        // Still the only copy; later copies just cannot reach it.
        if (listener >= 0) close(listener);
        claim.instance.reset(new SingleInstance(lock, -1, {}));
        return claim;
    }
    claim.instance.reset(new SingleInstance(lock, listener, socketPath));
    return claim;
}

bool SingleInstance::askRunningCopyToShow(const std::filesystem::path& executable, double seconds) {
    return askRunningCopy(executable, "show", seconds);
}

bool SingleInstance::askRunningCopy(const std::filesystem::path& executable, const std::string& request,
                                    double seconds) {
    const std::filesystem::path folder = lockFolder();
    if (folder.empty()) return false;
    sockaddr_un address;
    if (!socketAddress(folder / (baseName(executable) + ".sock"), address)) return false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    do {
        const int client = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (client < 0) return false;
        if (connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
            const std::string line = request + "\n";
            const bool sent =
                send(client, line.data(), line.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(line.size());
            close(client);
            return sent;
        }
        close(client);
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    } while (std::chrono::steady_clock::now() < deadline);
    return false;
}

std::vector<std::string> SingleInstance::takeRequests() {
    std::vector<std::string> requests;
    if (listener_ < 0) return requests;
    for (;;) {
        const int client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) break;
        // A knocking copy writes its few bytes at once; wait for them briefly, never longer.
        timeval patience{0, 200000};
        setsockopt(client, SOL_SOCKET, SO_RCVTIMEO, &patience, sizeof patience);
        char buffer[64];
        const ssize_t got = recv(client, buffer, sizeof buffer, 0);
        close(client);
        if (got <= 0) continue;
        std::string request(buffer, static_cast<std::size_t>(got));
        while (!request.empty() && (request.back() == '\n' || request.back() == '\r'))
            request.pop_back();
        requests.push_back(request);
    }
    return requests;
}

SingleInstance::~SingleInstance() {
    if (listener_ >= 0) {
        close(listener_);
        unlink(socket_.c_str());
    }
    if (lock_ >= 0) close(lock_); // releases the lock
}

} // namespace vexmira::platform
