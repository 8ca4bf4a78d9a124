#include "keyloom/support/files.hpp"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <mutex>
#include <string>
#include <system_error>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace keyloom {

namespace fs = std::filesystem;

EFileWriteError::EFileWriteError(fs::path Path, std::string Message)
    : EKeyloomError(Path.string() + ": " + Message), FPath(std::move(Path)), FMessage(std::move(Message)) {}

EFileReadError::EFileReadError(fs::path Path, std::string Message, bool Missing)
    : EKeyloomError(Path.string() + ": " + Message), FPath(std::move(Path)), FMessage(std::move(Message)),
      FMissing(Missing) {}

namespace {

std::string ErrnoText(int Error) { return std::generic_category().message(Error); }

[[noreturn]] void Fail(const fs::path& Path, const std::string& What, int Error) {
  throw EFileWriteError(Path, What + ": " + ErrnoText(Error));
}

// Setting the mask to read it would change it for every thread for a moment
// (and for good if two did it at once); the kernel tells it without that.
mode_t CurrentUmask() {
  std::ifstream Status("/proc/self/status");
  for (std::string Line; std::getline(Status, Line);)
    if (Line.starts_with("Umask:")) return static_cast<mode_t>(std::strtoul(Line.c_str() + 6, nullptr, 8) & 0777);
  static std::mutex Lock;
  const std::lock_guard Guard(Lock);
  const mode_t Mask = ::umask(0);
  ::umask(Mask);
  return Mask;
}

// Owns the temporary file until it has been renamed into place.
class TTempFile {
 public:
  TTempFile(const TTempFile&) = delete;
  TTempFile& operator=(const TTempFile&) = delete;
  explicit TTempFile(const fs::path& Target) {
    const fs::path Folder = Target.has_parent_path() ? Target.parent_path() : fs::path(".");
    std::string Template = (Folder / ("." + Target.filename().string() + ".keyloom-XXXXXX")).string();
    FFd = ::mkstemp(Template.data());
    if (FFd < 0) Fail(Target, "cannot create a temporary file in " + Folder.string(), errno);
    FPath = Template;
  }
  ~TTempFile() {
    if (FFd >= 0) ::close(FFd);
    if (!FPath.empty()) ::unlink(FPath.c_str());
  }

  int Fd() const { return FFd; }
  const fs::path& Path() const { return FPath; }
  int Close() {
    const int Result = ::close(FFd);
    FFd = -1;
    return Result;
  }
  void Release() { FPath.clear(); }

 private:
  int FFd = -1;
  fs::path FPath;
};

void WriteAll(int Fd, std::string_view Bytes, const fs::path& Target) {
  const char* Data = Bytes.data();
  std::size_t Left = Bytes.size();
  while (Left > 0) {
    const ssize_t Written = ::write(Fd, Data, Left);
    if (Written < 0) {
      if (errno == EINTR) continue;
      Fail(Target, "cannot write", errno);
    }
    Data += Written;
    Left -= static_cast<std::size_t>(Written);
  }
}

void SyncFolder(const fs::path& Target) {
  const fs::path Folder = Target.has_parent_path() ? Target.parent_path() : fs::path(".");
  const int Fd = ::open(Folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (Fd < 0) return;  // the rename is done; a folder we cannot open cannot be synced
  ::fsync(Fd);
  ::close(Fd);
}

}  // namespace

fs::path ResolveSymlinks(const fs::path& Path) {
  fs::path Current = Path;
  for (int Hop = 0; Hop < 40; ++Hop) {
    struct stat Info {};
    if (::lstat(Current.c_str(), &Info) != 0 || !S_ISLNK(Info.st_mode)) return Current;
    std::error_code Error;
    fs::path Next = fs::read_symlink(Current, Error);
    if (Error) throw EFileWriteError(Path, "cannot read the symbolic link: " + Error.message());
    Current = Next.is_absolute() ? Next : Current.parent_path() / Next;
  }
  throw EFileWriteError(Path, "too many levels of symbolic links");
}

namespace {

[[noreturn]] void FailRead(const fs::path& Path, int Error) {
  throw EFileReadError(Path, "cannot read: " + ErrnoText(Error), Error == ENOENT || Error == ENOTDIR);
}

void WriteFile(const fs::path& Path, std::string_view Bytes, const TPrivateFile* Private,
               const std::function<void(TWriteStep)>& BeforeStep);

}  // namespace

std::string ReadWholeFile(const fs::path& Path) {
  const int Fd = ::open(Path.c_str(), O_RDONLY | O_CLOEXEC);
  if (Fd < 0) FailRead(Path, errno);
  struct TCloser {
    int Fd;
    ~TCloser() { ::close(Fd); }
  } Closer{Fd};
  struct stat Info {};
  if (::fstat(Fd, &Info) != 0) FailRead(Path, errno);
  if (S_ISDIR(Info.st_mode)) throw EFileReadError(Path, "cannot read: it is a directory", false);
  const std::string TooLarge = "cannot read: larger than 1 GiB, which no form file is";
  if (S_ISREG(Info.st_mode) && static_cast<std::uint64_t>(Info.st_size) > MaxReadSize)
    throw EFileReadError(Path, TooLarge, false);
  std::string Bytes;
  if (S_ISREG(Info.st_mode)) Bytes.reserve(static_cast<std::size_t>(Info.st_size));
  char Buffer[65536];
  for (;;) {
    const ssize_t Got = ::read(Fd, Buffer, sizeof Buffer);
    if (Got < 0) {
      if (errno == EINTR) continue;
      FailRead(Path, errno);
    }
    if (Got == 0) break;
    if (Bytes.size() + static_cast<std::size_t>(Got) > MaxReadSize) throw EFileReadError(Path, TooLarge, false);
    Bytes.append(Buffer, static_cast<std::size_t>(Got));
  }
  return Bytes;
}

void WriteFileAtomically(const fs::path& Path, std::string_view Bytes,
                         const std::function<void(TWriteStep)>& BeforeStep) {
  WriteFile(Path, Bytes, nullptr, BeforeStep);
}

void WriteFileAtomically(const fs::path& Path, std::string_view Bytes, const TPrivateFile& Private,
                         const std::function<void(TWriteStep)>& BeforeStep) {
  WriteFile(Path, Bytes, &Private, BeforeStep);
}

namespace {

void WriteFile(const fs::path& Path, std::string_view Bytes, const TPrivateFile* Private,
               const std::function<void(TWriteStep)>& BeforeStep) {
  auto Step = [&](TWriteStep S) {
    if (BeforeStep) BeforeStep(S);
  };
  const fs::path Target = ResolveSymlinks(Path);

  struct stat Info {};
  bool Exists = true;
  if (::stat(Target.c_str(), &Info) != 0) {
    if (errno != ENOENT) Fail(Path, "cannot examine the file", errno);
    Exists = false;
  }
  mode_t Mode = 0;
  if (!Exists) Mode = Private ? static_cast<mode_t>(Private->NewFileMode) : 0666 & ~CurrentUmask();
  if (Exists) {
    if (!S_ISREG(Info.st_mode)) throw EFileWriteError(Path, "not a regular file");
    // Renaming would replace a read-only file happily; respect its protection
    // (also for the superuser, whom access() lets through).
    if (!Private && ((Info.st_mode & 0222) == 0 || ::access(Target.c_str(), W_OK) != 0))
      throw EFileWriteError(Path, "the file is read-only");
    Mode = Info.st_mode & 07777;
  }
  // The superuser could create the temporary file in a folder that is
  // read-only for everyone; the folder's protection holds for it too.
  const fs::path Folder = Target.has_parent_path() ? Target.parent_path() : fs::path(".");
  struct stat FolderInfo {};
  if (::stat(Folder.c_str(), &FolderInfo) == 0 && (FolderInfo.st_mode & 0222) == 0) {
    throw EFileWriteError(Path, "its folder is read-only");
  }

  Step(TWriteStep::Create);
  TTempFile Temp(Target);
  Step(TWriteStep::Write);
  WriteAll(Temp.Fd(), Bytes, Path);
  if (::fchmod(Temp.Fd(), Mode) != 0) Fail(Path, "cannot set the permissions", errno);
  if (Exists && (Info.st_uid != ::geteuid() || Info.st_gid != ::getegid())) {
    // Best effort: only the superuser may give a file away.
    [[maybe_unused]] const int Ignored = ::fchown(Temp.Fd(), Info.st_uid, Info.st_gid);
  }
  Step(TWriteStep::Sync);
  if (::fsync(Temp.Fd()) != 0) Fail(Path, "cannot flush to disk", errno);
  if (Temp.Close() != 0) Fail(Path, "cannot write", errno);
  Step(TWriteStep::Rename);
  if (::rename(Temp.Path().c_str(), Target.c_str()) != 0) Fail(Path, "cannot replace the file", errno);
  Temp.Release();
  Step(TWriteStep::SyncFolder);
  SyncFolder(Target);
}

}  // namespace

}  // namespace keyloom
