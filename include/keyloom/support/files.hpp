#pragma once

// Reading a whole file, and replacing a file's contents so that a crash
// leaves either the old or the new contents, never a mix: the one way the
// form files, the command and the per-user store do both.

#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "keyloom/errors.hpp"

namespace keyloom {

class EFileReadError : public EKeyloomError {
 public:
  EFileReadError(std::filesystem::path Path, std::string Message, bool Missing);

  const std::filesystem::path& Path() const noexcept { return FPath; }
  // "cannot read: ...", without the path.
  const std::string& Message() const noexcept { return FMessage; }
  // Nothing is there (or a folder on the way is not one).
  bool Missing() const noexcept { return FMissing; }

 private:
  std::filesystem::path FPath;
  std::string FMessage;
  bool FMissing;
};

// Far beyond any form; it bounds what a device such as /dev/zero could make us hold.
inline constexpr std::size_t MaxReadSize = std::size_t{1} << 30;

// The bytes of a file, a folder refused. Throws EFileReadError.
std::string ReadWholeFile(const std::filesystem::path& Path);

class EFileWriteError : public EKeyloomError {
 public:
  EFileWriteError(std::filesystem::path Path, std::string Message);

  const std::filesystem::path& Path() const noexcept { return FPath; }
  const std::string& Message() const noexcept { return FMessage; }

 private:
  std::filesystem::path FPath;
  std::string FMessage;
};

// The steps of an atomic write, in order; a hook sees each one before it runs.
// Before SyncFolder the new content is already in place.
enum class TWriteStep { Create, Write, Sync, Rename, SyncFolder };

// A temporary file in the target's folder receives the bytes, is flushed to
// disk and renamed over the target, which keeps its permission bits (and its
// owner where the system allows). A symbolic link is followed: its final
// target is replaced and the link stays. A target that does not exist yet is
// created with the usual permissions (0666 less the umask). A file or folder
// without write permission (even for the superuser), or a target that is not
// a regular file, is refused.
// Throws EFileWriteError; the target is then unchanged and no temporary file
// remains. BeforeStep (for tests) may throw to stop the write at a step.
void WriteFileAtomically(const std::filesystem::path& Path, std::string_view Bytes,
                         const std::function<void(TWriteStep)>& BeforeStep = {});

// For files that are ours rather than the user's (the per-user store): a new
// file gets NewFileMode, and a read-only one is replaced all the same.
struct TPrivateFile {
  unsigned NewFileMode = 0600;
};
void WriteFileAtomically(const std::filesystem::path& Path, std::string_view Bytes, const TPrivateFile& Private,
                         const std::function<void(TWriteStep)>& BeforeStep = {});

// The file a path names after following every symbolic link (the path itself
// when it is none). Throws EFileWriteError on a loop.
std::filesystem::path ResolveSymlinks(const std::filesystem::path& Path);

}  // namespace keyloom
