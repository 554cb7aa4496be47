#include "framework/Files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

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

std::shared_ptr<TextInputStream> FolderItem::OpenAsTextFile() const {
  if (IsFolder()) return nullptr;
  std::ifstream in(path_, std::ios::binary);
  if (!in) return nullptr;
  std::ostringstream content;
  content << in.rdbuf();
  if (in.bad()) return nullptr;
  return std::make_shared<TextInputStream>(content.str());
}

std::shared_ptr<TextOutputStream> FolderItem::CreateTextFile() const {
  // The new content goes to a file of its own beside the old one, which is
  // renamed over it on Close: a crash leaves the old file or the new, never a
  // half-written one.
  std::string temp = path_ + ".XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return nullptr;
  ::fchmod(fd, 0644);
  return std::make_shared<TextOutputStream>(path_, temp, fd);
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
  if (fd_ < 0) return;
  if (!failed_ && ::fsync(fd_) != 0) {
    failed_ = true;
    error_ = std::strerror(errno);
  }
  if (::close(fd_) != 0 && !failed_) {
    failed_ = true;
    error_ = std::strerror(errno);
  }
  fd_ = -1;
  if (!failed_ && ::rename(tempPath_.c_str(), finalPath_.c_str()) != 0) {
    failed_ = true;
    error_ = std::strerror(errno);
  }
  if (failed_) {
    std::fprintf(stderr, "tambourin: could not save %s: %s\n", finalPath_.c_str(), error_.c_str());
    ::unlink(tempPath_.c_str());
  } else {
    succeeded_ = true;
  }
  tempPath_.clear();
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

FolderItemPtr SpecialFolder::Preferences() {
  // The desktop's own folder, also when start-up found it unusable: what
  // cannot be saved there must fail, not go to a folder that is not kept.
  const std::string path = PreferencesPath();
  if (path.empty()) return nullptr;
  // A new account may not have the folder yet; files saved there need it.
  if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
    // Left to the file operations to report: the item still names the folder.
  }
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
