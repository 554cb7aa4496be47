#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "framework/Picture.h"

namespace fw {

class TextInputStream;
class TextOutputStream;
class FolderItem;
class FileBatch;
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

  // The most a text file is read up to unless the caller says otherwise.
  static constexpr std::size_t kTextFileLimit = 1 << 20;

  // A stream on the file, or nil without an error when it cannot be opened:
  // a missing file, no permission, or anything but a regular file (a folder,
  // a FIFO, a device, a socket); a link to a regular file is followed.
  // Opening never blocks, and at most `limit` bytes are read; a longer file
  // gives its first `limit` bytes and a stream that says it was cut short.
  std::shared_ptr<TextInputStream> OpenAsTextFile(std::size_t limit = kTextFileLimit) const;
  // A stream on a new, empty file. The old file, if any, is replaced whole
  // and at once when the stream is closed. Nil when it cannot be created.
  // Temporary files that an interrupted replacement of this same file left
  // beside it are removed first.
  std::shared_ptr<TextOutputStream> CreateTextFile() const;
  // The same, but the new file takes the old one's place only when the batch
  // is committed (FileBatch).
  std::shared_ptr<TextOutputStream> CreateTextFile(FileBatch& batch) const;
  // The decoded picture, or nil when the file is missing or not a picture.
  PicturePtr OpenAsPicture() const;

 private:
  std::string path_;
};

class TextInputStream {
 public:
  explicit TextInputStream(std::string content, bool truncated = false)
      : content_(std::move(content)), truncated_(truncated) {}
  // The whole remaining content. The encoding argument is accepted for the
  // callers' sake; the bytes come back as they are in the file.
  std::string ReadAll(const void* encoding = nullptr);
  void Close();
  // Whether the file held more than the stream was opened to read.
  bool Truncated() const { return truncated_; }

 private:
  std::string content_;
  bool truncated_ = false;
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
  // Completes the file and puts it in place of the old one (for a stream of
  // a batch: only completes it; the batch puts it in place). A failure is
  // reported on stderr and leaves the old file as it was.
  void Close();
  // Whether the new file is in place.
  bool Succeeded() const { return succeeded_; }

 private:
  friend class FileBatch;
  friend class FolderItem;
  // Renames the completed file over the old one and lets go of it.
  void PutInPlace();
  void Rename();
  // Closes the file and reports how its replacement went.
  void Release();
  void Fail(const char* what);
  void Discard();

  std::string finalPath_;
  std::string tempPath_;
  int fd_;
  bool deferred_ = false;   // a stream of a batch, put in place at Commit
  bool completed_ = false;  // closed without a fault, waiting for Commit
  bool renamed_ = false;
  bool failed_ = false;
  bool succeeded_ = false;
  std::string error_;
};

// Several files replaced as one save. Each new file is written and completed
// when its stream is closed, while every old file stays as it was; Commit then
// renames the new files over the old ones one after another, in the order
// their streams were made. A save interrupted before Commit leaves the old set
// whole, and only an interruption among the renames themselves, a short step
// with nothing left to write, can mix old files and new.
class FileBatch {
 public:
  FileBatch() = default;
  // Files never committed are dropped; the old ones stay.
  ~FileBatch();
  FileBatch(const FileBatch&) = delete;
  FileBatch& operator=(const FileBatch&) = delete;

  // Puts every completed file in place. A file that cannot be put in place is
  // reported on stderr and the others still are. True when all were.
  bool Commit();

 private:
  friend class FolderItem;
  std::vector<std::shared_ptr<TextOutputStream>> streams_;
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
