#include "framework/gtk/Downloads.h"

#include <fcntl.h>
#include <glib/gstdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <deque>
#include <string>

#include "framework/DownloadNames.h"
#include "framework/Values.h"
#include "framework/gtk/Callbacks.h"

namespace fw::gtk {
namespace {

constexpr const char* kGrantsKey = "tambourin-download-grants";
constexpr const char* kDownloadKey = "tambourin-download";
// A click allows the download of its address for this long: a server may
// take a while to answer with the file.
constexpr gint64 kGrantLifetime = 60 * G_USEC_PER_SEC;
// A page cannot pile up grants: only the latest clicks count.
constexpr std::size_t kMaxGrants = 8;
// How many numbered names are tried before the download is given up.
constexpr int kMaxNameAttempts = 1000;
// The engine writes a download into this file beside its destination and
// renames it over the destination at the end; it replaces such a file
// without asking, so a name is only taken when this one is free too.
constexpr const char* kEngineSuffix = ".wkdownload";

// The engine's words for a failure; they may quote the page's file name.
std::string Message(const GError* error) { return error != nullptr ? error->message : "unknown error"; }

struct Grant {
  std::string uri;
  gint64 time = 0;
};
using Grants = std::deque<Grant>;

// What the program knows of one download it let start.
struct Download {
  std::string uri;
  std::string path;  // empty until the file is made
  dev_t device = 0;
  ino_t inode = 0;
  bool failed = false;
};

// Takes the grant for `uri`, when a click made one lately.
bool TakeGrant(WebKitWebView* view, const std::string& uri) {
  auto* grants = static_cast<Grants*>(g_object_get_data(G_OBJECT(view), kGrantsKey));
  if (grants == nullptr) {
    return false;
  }
  const gint64 now = g_get_monotonic_time();
  for (auto it = grants->begin(); it != grants->end(); ++it) {
    if (it->uri == uri && now - it->time <= kGrantLifetime) {
      grants->erase(it);
      return true;
    }
  }
  return false;
}

std::string DownloadFolder() {
  const std::string folder =
      ChooseDownloadFolder(g_get_user_special_dir(G_USER_DIRECTORY_DOWNLOAD), g_get_home_dir());
  if (g_mkdir_with_parents(folder.c_str(), 0700) != 0) {
    std::fprintf(stderr, "tambourin: cannot create the download folder %s: %s\n",
                 OnOneLine(folder).c_str(),
                 std::strerror(errno));
  }
  return folder;
}

bool Exists(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0 || errno != ENOENT;
}

// Makes a new, empty file for the download under a name nobody has taken,
// and only there: the file is created exclusively, so a file that appears
// between the choice and the creation is never opened. Fills `download` and
// answers true when it could make one.
bool CreateFreshFile(const std::string& folder, const std::string& name, Download& download,
                     std::string& error) {
  error = "no free name";
  for (int attempt = 0; attempt < kMaxNameAttempts; ++attempt) {
    gchar* built = g_build_filename(folder.c_str(), NumberedName(name, attempt).c_str(), nullptr);
    const std::string path(built);
    g_free(built);
    if (Exists(path + kEngineSuffix)) {
      continue;
    }
    const int fd = g_open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
      if (errno == EEXIST) {
        continue;
      }
      error = std::strerror(errno);
      return false;
    }
    struct stat info {};
    fstat(fd, &info);
    close(fd);
    download.path = path;
    download.device = info.st_dev;
    download.inode = info.st_ino;
    return true;
  }
  return false;
}

// Removes the download's own file, and only while it is still the file that
// was made for it.
void RemoveOwnFile(const Download& download) {
  if (download.path.empty()) {
    return;
  }
  struct stat info {};
  if (lstat(download.path.c_str(), &info) == 0 && info.st_dev == download.device &&
      info.st_ino == download.inode) {
    g_unlink(download.path.c_str());
  }
}

// Cancels the download when the code that decides about it leaves without
// letting it go on, by an early answer or by an exception: a download
// nobody chose a place for is never written anywhere.
class CancelUnlessAllowed {
 public:
  explicit CancelUnlessAllowed(WebKitDownload* download) : download_(download) {}
  ~CancelUnlessAllowed() {
    if (!allowed_) webkit_download_cancel(download_);
  }
  CancelUnlessAllowed(const CancelUnlessAllowed&) = delete;
  CancelUnlessAllowed& operator=(const CancelUnlessAllowed&) = delete;
  void Allow() { allowed_ = true; }

 private:
  WebKitDownload* download_;
  bool allowed_ = false;
};

Download* DownloadOf(WebKitDownload* webDownload) {
  return static_cast<Download*>(g_object_get_data(G_OBJECT(webDownload), kDownloadKey));
}

gboolean OnDecideDestination(WebKitDownload* webDownload, gchar* suggested, gpointer) {
  CancelUnlessAllowed cancel(webDownload);
  Download* download = DownloadOf(webDownload);
  std::string error;
  if (download == nullptr ||
      !CreateFreshFile(DownloadFolder(), SafeDownloadName(suggested != nullptr ? suggested : ""),
                       *download, error)) {
    std::fprintf(stderr, "tambourin: cannot save the download of %s: %s\n",
                 download != nullptr ? OnOneLine(download->uri).c_str() : "?",
                 OnOneLine(error).c_str());
    return TRUE;
  }
  // The file is ours, made a moment ago: the engine may write over it.
  webkit_download_set_allow_overwrite(webDownload, TRUE);
  webkit_download_set_destination(webDownload, download->path.c_str());
  cancel.Allow();
  return TRUE;
}

void OnFailed(WebKitDownload* webDownload, GError* error, gpointer) {
  Download* download = DownloadOf(webDownload);
  if (download == nullptr || download->failed) {
    return;
  }
  download->failed = true;
  RemoveOwnFile(*download);
  if (download->path.empty()) {
    std::fprintf(stderr, "tambourin: the download of %s failed: %s\n",
                 OnOneLine(download->uri).c_str(), OnOneLine(Message(error)).c_str());
  } else {
    std::fprintf(stderr, "tambourin: the download of %s failed: %s; removed its partial file %s\n",
                 OnOneLine(download->uri).c_str(), OnOneLine(Message(error)).c_str(),
                 OnOneLine(download->path).c_str());
  }
}

// Raised after "failed" too.
void OnFinished(WebKitDownload* webDownload, gpointer) {
  Download* download = DownloadOf(webDownload);
  if (download != nullptr && !download->failed) {
    std::fprintf(stderr, "tambourin: downloaded %s to %s\n", OnOneLine(download->uri).c_str(),
                 OnOneLine(download->path).c_str());
  }
}

void OnDownloadStarted(WebKitWebContext*, WebKitDownload* webDownload, gpointer) {
  CancelUnlessAllowed cancel(webDownload);
  WebKitURIRequest* request = webkit_download_get_request(webDownload);
  const char* requested = request != nullptr ? webkit_uri_request_get_uri(request) : nullptr;
  const std::string uri = requested != nullptr ? requested : "";
  WebKitWebView* view = webkit_download_get_web_view(webDownload);
  if (view == nullptr || !TakeGrant(view, uri)) {
    std::fprintf(stderr, "tambourin: refused a download that no click on the page asked for: %s\n",
                 OnOneLine(uri).c_str());
    return;
  }
  auto* download = new Download;
  download->uri = uri;
  SetOwnedData(webDownload, kDownloadKey, download);
  // A download whose destination cannot be decided is not saved anywhere.
  ConnectForLife<&OnDecideDestination, TRUE>(webDownload, "decide-destination");
  ConnectForLife<&OnFailed>(webDownload, "failed");
  ConnectForLife<&OnFinished>(webDownload, "finished");
  cancel.Allow();
}

}  // namespace

void WatchDownloads(WebKitWebContext* context) {
  ConnectForLife<&OnDownloadStarted>(context, "download-started");
}

void GrantDownloadFromClick(WebKitWebView* view, const std::string& uri) {
  auto* grants = static_cast<Grants*>(g_object_get_data(G_OBJECT(view), kGrantsKey));
  if (grants == nullptr) {
    grants = new Grants;
    SetOwnedData(view, kGrantsKey, grants);
  }
  grants->push_back(Grant{uri, g_get_monotonic_time()});
  while (grants->size() > kMaxGrants) {
    grants->pop_front();
  }
}

}  // namespace fw::gtk
