#include "framework/Files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <optional>
#include <string>

#include "framework/Backend.h"
#include "framework/DesktopFolders.h"
#include "framework/Errors.h"

namespace fw {
namespace {

std::string ParentPath(const std::string& path) {
  if (path.empty() || path == "/") return {};
  std::string p = path;
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  const auto slash = p.rfind('/');
  if (slash == std::string::npos) return {};
  if (slash == 0) return "/";
  return p.substr(0, slash);
}

// What a replacement's temporary name adds to the file's own name, before
// mkstemp's six letters and digits. A name the user may give a copy of the
// file ("….backup", "….old123") must never look like it: those are removed as
// litter when a save finds them.
constexpr char kTemporaryMark[] = ".tambourin-save-";
constexpr std::size_t kTemporaryMarkLength = sizeof kTemporaryMark - 1;

// Whether `entry` is the temporary name a replacement of `base` uses.
bool IsTemporaryNameOf(const char* entry, const std::string& base) {
  const std::size_t length = std::strlen(entry);
  const std::size_t random = base.size() + kTemporaryMarkLength;
  if (length != random + 6 || base.compare(0, base.size(), entry, base.size()) != 0 ||
      std::strncmp(entry + base.size(), kTemporaryMark, kTemporaryMarkLength) != 0) {
    return false;
  }
  for (std::size_t i = random; i < length; ++i) {
    const char c = entry[i];
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) {
      return false;
    }
  }
  return true;
}

// Removes what a replacement of the file at `path` that never finished (the
// program was killed in the middle of a save) left beside it: regular files
// of its temporary naming and nothing else. A save under way in another run
// of the program holds a lock on its temporary file, which is then left be.
void RemoveLeftTemporaries(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return;
  const std::string folder = slash == 0 ? "/" : path.substr(0, slash);
  const std::string base = path.substr(slash + 1);
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return;
  const int dirFd = ::dirfd(dir);
  while (const dirent* entry = ::readdir(dir)) {
    if (!IsTemporaryNameOf(entry->d_name, base)) continue;
    // O_NOFOLLOW: a link of that name is not ours and is never removed.
    const int fd = ::openat(dirFd, entry->d_name,
                            O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat opened {};
    struct stat named {};
    if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) &&
        ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
        ::fstatat(dirFd, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
        named.st_dev == opened.st_dev && named.st_ino == opened.st_ino) {
      ::unlinkat(dirFd, entry->d_name, 0);
    }
    ::close(fd);
  }
  ::closedir(dir);
}

// The process's file-creation mask, as the kernel reports it. umask() itself
// cannot be read without being set, and setting it, even for a moment, would
// change the files that other threads create meanwhile.
std::optional<mode_t> CurrentUmask() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("Umask:", 0) != 0) continue;
    char* end = nullptr;
    const unsigned long mask = std::strtoul(line.c_str() + 6, &end, 8);
    if (end == line.c_str() + 6 || mask > 0777) return std::nullopt;
    return static_cast<mode_t>(mask);
  }
  return std::nullopt;
}

// A temporary file is made readable by its owner only; the saved file gets
// the permissions any new file of the user's gets. With the mask unknown it
// stays private, which is the safe side to err on.
void GiveUsualPermissions(int fd, const std::string& path) {
  const std::optional<mode_t> mask = CurrentUmask();
  if (!mask) return;
  if (::fchmod(fd, 0666 & ~*mask) != 0) {
    std::fprintf(stderr, "tambourin: %s is kept private: %s\n", path.c_str(),
                 std::strerror(errno));
  }
}

}  // namespace

std::string FolderItem::Name() const {
  const auto slash = path_.rfind('/');
  return slash == std::string::npos ? path_ : path_.substr(slash + 1);
}

FolderItemPtr FolderItem::Child(const std::string& name) const {
  if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos ||
      name.find('\0') != std::string::npos) {
    return nullptr;
  }
  std::string base = path_;
  if (base.empty() || base.back() != '/') base.push_back('/');
  return std::make_shared<FolderItem>(base + name);
}

FolderItemPtr FolderItem::Parent() const {
  std::string parent = ParentPath(path_);
  if (parent.empty() || parent == path_) return nullptr;
  return std::make_shared<FolderItem>(parent);
}

bool FolderItem::Exists() const {
  struct stat st {};
  return ::stat(path_.c_str(), &st) == 0;
}

bool FolderItem::IsFolder() const {
  struct stat st {};
  return ::stat(path_.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::shared_ptr<TextInputStream> FolderItem::OpenAsTextFile(std::size_t limit) const {
  // A FIFO would block the open or the read, a device such as /dev/zero never
  // ends: only a regular file is opened. The first look keeps devices from
  // being opened at all; the second, on what was opened, settles it, since the
  // name may have changed in between. O_NONBLOCK keeps a FIFO put there in
  // the meantime from blocking the open.
  struct stat st {};
  if (::stat(path_.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return nullptr;
  const int fd = ::open(path_.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return nullptr;
  }
  // One byte past the limit tells a file that is too long from one that fits.
  const std::size_t wanted = limit < SIZE_MAX ? limit + 1 : limit;
  std::string content;
  char buffer[4096];
  while (content.size() < wanted) {
    const ssize_t n = ::read(fd, buffer, std::min(sizeof buffer, wanted - content.size()));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      ::close(fd);
      return nullptr;
    }
    if (n == 0) break;
    content.append(buffer, static_cast<std::size_t>(n));
  }
  ::close(fd);
  const bool truncated = content.size() > limit;
  if (truncated) content.resize(limit);
  return std::make_shared<TextInputStream>(std::move(content), truncated);
}

std::shared_ptr<TextOutputStream> FolderItem::CreateTextFile() const {
  // The new content goes to a file of its own beside the old one, which is
  // renamed over it on Close: a crash leaves the old file or the new, never a
  // half-written one.
  RemoveLeftTemporaries(path_);
  std::string temp = path_ + kTemporaryMark + "XXXXXX";
  const int fd = ::mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return nullptr;
  GiveUsualPermissions(fd, path_);
  // Held until the file is in place, so that another run's clean-up of left
  // temporaries knows it from one whose writer is gone.
  ::flock(fd, LOCK_EX | LOCK_NB);
  return std::make_shared<TextOutputStream>(path_, temp, fd);
}

std::shared_ptr<TextOutputStream> FolderItem::CreateTextFile(FileBatch& batch) const {
  std::shared_ptr<TextOutputStream> stream = CreateTextFile();
  if (!stream) return nullptr;
  stream->deferred_ = true;
  batch.streams_.push_back(stream);
  return stream;
}

PicturePtr FolderItem::OpenAsPicture() const {
  if (!Exists() || IsFolder()) return nullptr;
  return TheBackend().DecodePicture(path_);
}

std::string TextInputStream::ReadAll(const void*) {
  if (closed_) return {};
  std::string all = std::move(content_);
  content_.clear();
  return all;
}

void TextInputStream::Close() {
  closed_ = true;
  content_.clear();
}

TextOutputStream::TextOutputStream(std::string finalPath, std::string tempPath, int fd)
    : finalPath_(std::move(finalPath)), tempPath_(std::move(tempPath)), fd_(fd) {}

TextOutputStream::~TextOutputStream() {
  // A stream that was never closed published nothing: its file is dropped.
  Discard();
}

void TextOutputStream::Write(const std::string& text) {
  if (fd_ < 0 || failed_) return;
  std::size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = ::write(fd_, text.data() + done, text.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      failed_ = true;
      error_ = std::strerror(errno);
      return;
    }
    done += static_cast<std::size_t>(n);
  }
}

void TextOutputStream::Close() {
  if (fd_ < 0 || completed_) return;
  if (!failed_ && ::fsync(fd_) != 0) Fail(std::strerror(errno));
  if (deferred_ && !failed_) {
    // Complete; the file and its lock are kept until the batch commits.
    completed_ = true;
    return;
  }
  PutInPlace();
}

void TextOutputStream::PutInPlace() {
  Rename();
  Release();
}

void TextOutputStream::Rename() {
  if (fd_ < 0 || renamed_) return;
  // Renamed while the lock is still held.
  if (!failed_ && ::rename(tempPath_.c_str(), finalPath_.c_str()) != 0) Fail(std::strerror(errno));
  renamed_ = true;
}

void TextOutputStream::Release() {
  if (fd_ < 0) return;
  if (::close(fd_) != 0 && !failed_) Fail(std::strerror(errno));
  fd_ = -1;
  completed_ = false;
  if (failed_) {
    std::fprintf(stderr, "tambourin: could not save %s: %s\n", finalPath_.c_str(), error_.c_str());
    ::unlink(tempPath_.c_str());
  } else {
    succeeded_ = true;
  }
  tempPath_.clear();
}

void TextOutputStream::Fail(const char* what) {
  failed_ = true;
  error_ = what;
}

void TextOutputStream::Discard() {
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
  if (!tempPath_.empty()) {
    ::unlink(tempPath_.c_str());
    tempPath_.clear();
  }
}

FileBatch::~FileBatch() {
  for (const auto& stream : streams_) stream->Discard();
}

bool FileBatch::Commit() {
  bool all = true;
  // The renames come one straight after another, and only then is each file
  // let go of: the step in which a kill can mix old files and new is kept as
  // short as it can be.
  for (const auto& stream : streams_) {
    if (stream->completed_) stream->Rename();
  }
  for (const auto& stream : streams_) {
    if (stream->completed_) {
      stream->Release();
    } else {
      // Never closed, or failed at its Close (reported there): nothing of it
      // goes in place.
      stream->Discard();
    }
    all = all && stream->Succeeded();
  }
  streams_.clear();
  return all;
}

FolderItemPtr SpecialFolder::Preferences() {
  // The desktop's own folder, also when start-up found it unusable: what
  // cannot be saved there must fail, not go to a folder that is not kept.
  const std::string path = PreferencesPath();
  if (path.empty()) return nullptr;
  // A new account may not have the folder yet; files saved there need it.
  // A folder that cannot be made is left to the file operations to report:
  // the item still names it.
  ::mkdir(path.c_str(), 0700);
  return std::make_shared<FolderItem>(path);
}

FolderItemPtr GetApplicationBundleResources() {
  const std::string exe = TheBackend().ExecutablePath();
  if (exe.empty()) throw NilObjectException("the program's executable file cannot be found");
  auto executable = std::make_shared<FolderItem>(exe);
  auto bin = executable->Parent();
  if (!bin) throw NilObjectException("the executable's folder cannot be found");
  auto prefix = bin->Parent();
  if (!prefix) throw NilObjectException("the executable's folder has no parent");
  auto share = prefix->Child("share");
  auto resources = share ? share->Child("tambourin") : nullptr;
  // A program installed without its pictures has no resources folder.
  return resources && resources->IsFolder() ? resources : nullptr;
}

}  // namespace fw
