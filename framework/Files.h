#pragma once

#include <memory>
#include <string>

#include "framework/Picture.h"

namespace fw {

class TextInputStream;
class TextOutputStream;
class FolderItem;
using FolderItemPtr = std::shared_ptr<FolderItem>;

// A file or folder by its path; the item may name a file that does not exist yet.
class FolderItem {
 public:
  explicit FolderItem(std::string path) : path_(std::move(path)) {}

  const std::string& NativePath() const { return path_; }
  std::string Name() const;

  // The item of that name inside this folder, also for a file not there yet;
  // nil for a name that cannot be a child ("", ".", "..", or one holding '/').
  FolderItemPtr Child(const std::string& name) const;
  // The folder holding this item; nil at the root.
  FolderItemPtr Parent() const;
  bool Exists() const;
  bool IsFolder() const;

  // A stream on the file, or nil without an error when it cannot be opened
  // (a missing file, a folder, no permission).
  std::shared_ptr<TextInputStream> OpenAsTextFile() const;
  // A stream on a new, empty file. The old file, if any, is replaced whole
  // and at once when the stream is closed. Nil when it cannot be created.
  std::shared_ptr<TextOutputStream> CreateTextFile() const;
  // The decoded picture, or nil when the file is missing or not a picture.
  PicturePtr OpenAsPicture() const;

 private:
  std::string path_;
};

class TextInputStream {
 public:
  explicit TextInputStream(std::string content) : content_(std::move(content)) {}
  // The whole remaining content. The encoding argument is accepted for the
  // callers' sake; the bytes come back as they are in the file.
  std::string ReadAll(const void* encoding = nullptr);
  void Close();

 private:
  std::string content_;
  bool closed_ = false;
};

class TextOutputStream {
 public:
  TextOutputStream(std::string finalPath, std::string tempPath, int fd);
  ~TextOutputStream();
  TextOutputStream(const TextOutputStream&) = delete;
  TextOutputStream& operator=(const TextOutputStream&) = delete;

  // Writes the text unchanged, without a line end.
  void Write(const std::string& text);
  // Completes the file and puts it in place of the old one. A failure is
  // reported on stderr and leaves the old file as it was.
  void Close();
  // Whether the last Close put the new file in place.
  bool Succeeded() const { return succeeded_; }

 private:
  void Discard();

  std::string finalPath_;
  std::string tempPath_;
  int fd_;
  bool failed_ = false;
  bool succeeded_ = false;
  std::string error_;
};

// The user's preferences folder: $XDG_CONFIG_HOME, else ~/.config.
class SpecialFolder {
 public:
  static FolderItemPtr Preferences();
};

// The folder holding the program's pictures: the executable's parent's
// parent's child "share/tambourin", or nil when there is no such folder.
// Raises NilObjectException when the
// executable or one of those parents cannot be had.
FolderItemPtr GetApplicationBundleResources();

}  // namespace fw
