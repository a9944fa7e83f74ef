#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>

namespace vexmira::platform {

// A file operation that failed; what() names the file and says why.
class FileError : public std::runtime_error {
  public:
    FileError(const std::filesystem::path& file, const std::string& problem)
        : std::runtime_error(file.string() + ": " + problem), problem_(problem) {}
    // What went wrong, without the file's name.
    const std::string& problem() const { return problem_; }

  private:
    std::string problem_;
};

enum class ReadStatus { Read, Missing, Unreadable };

struct FileContent {
    ReadStatus status = ReadStatus::Missing;
    std::string bytes;  // the whole file when it was read
    std::string reason; // why it could not be read
};

// Reads the whole file. Only regular files are read (never waiting on a pipe), and none larger
// than `maxBytes`: anything else is Unreadable, with the reason. Any thread.
constexpr std::size_t defaultReadLimit = std::size_t(64) << 20;
FileContent readWholeFile(const std::filesystem::path& path, std::size_t maxBytes = defaultReadLimit);

// Replaces the file's content whole, so that a crash leaves either the old or the new file: the
// bytes go to a temporary file beside it, reach the disk, and are renamed over it. A symbolic link
// stays a link (its target is written); an existing file keeps its permission bits. Throws
// FileError (the file as it was) when it cannot be written. Any thread.
void writeFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);
void writeFileAtomically(const std::filesystem::path& path, std::string_view text);

// Writes a file that does not exist yet: whole or not at all, and never over another file.
// False (nothing written) when a file of that name exists; throws FileError when it cannot be
// written. Any thread.
bool writeNewFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

// Removes the temporary files that writes of `path` left behind in processes that ended without
// finishing them (killed during a save). Temporaries of running processes stay.
void removeStaleTemporaries(const std::filesystem::path& path);

// The user's Documents folder: XDG_DOCUMENTS_DIR from user-dirs.dirs when it is set, else
// ~/Documents when it exists, else the home folder; nothing when there is no home.
std::optional<std::filesystem::path> documentsFolder();

// The program file a running process was started from; empty when the process is gone, is
// not ours to look at, or `processId` is not a process.
std::filesystem::path executableOfProcess(long processId);

// This process's id, and the program file it was started from (canonical; empty when the
// system cannot say).
long ownProcessId();
std::filesystem::path ownExecutable();

// Whether `path` names a place from the top of the file system, not from the current folder.
bool isFullPath(std::string_view path);

// Whether files can be created in `folder`.
bool isWritableFolder(const std::filesystem::path& folder);

} // namespace vexmira::platform
