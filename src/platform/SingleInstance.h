#pragma once

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace vexmira::platform {

// One running copy per executable path. The copy that holds a kernel lock on a file named after
// the executable is the one; a copy that ends in any way, even killed, lets the lock go. Beside
// the lock file a local socket lets a later copy ask the running one to show itself.
class SingleInstance {
  public:
    struct Claim {
        std::unique_ptr<SingleInstance> instance; // set: this copy is the one
        bool anotherRuns = false;                 // another copy holds the lock
        std::string problem;                      // neither: why the guard could not work
    };
    // Tries to become the running copy of `executable`.
    static Claim claim(const std::filesystem::path& executable);
    // Asks the running copy of `executable` to show itself; retries for up to `seconds` while it
    // is still starting. True when the request was delivered.
    static bool askRunningCopyToShow(const std::filesystem::path& executable, double seconds);
    // The same with any one-line `request` ("show", "blank", ...).
    static bool askRunningCopy(const std::filesystem::path& executable, const std::string& request,
                               double seconds);
    // The folder that holds the lock files: $XDG_RUNTIME_DIR, else a private /tmp/vexmira-UID/.
    // Empty when neither is safe to use.
    static std::filesystem::path lockFolder();
    // The name both files share, from a hash of the executable's canonical path.
    static std::string baseName(const std::filesystem::path& executable);

    ~SingleInstance();
    SingleInstance(const SingleInstance&) = delete;
    SingleInstance& operator=(const SingleInstance&) = delete;

    // Watch this for readability: a later copy is knocking.
    int requestSocket() const { return listener_; }
    // The requests waiting now ("show" for each later copy, or the command it was given), read
    // without blocking.
    std::vector<std::string> takeRequests();

  private:
    SingleInstance(int lock, int listener, std::filesystem::path socket)
        : lock_(lock), listener_(listener), socket_(std::move(socket)) {}
    int lock_ = -1;
    int listener_ = -1;
    std::filesystem::path socket_;
};

} // namespace vexmira::platform
