#include "framework/gtk/WebEngine.h"

#include <glib/gstdio.h>

#include <cstdio>
#include <string>

#include "framework/gtk/Downloads.h"
#include "framework/gtk/GObjectPtr.h"
#include "framework/gtk/PageRules.h"

namespace fw::gtk {
namespace {

std::string ProgramFolder(const char* base) {
  gchar* path = g_build_filename(base, "tambourin", nullptr);
  std::string folder(path);
  g_free(path);
  // The engine does not make its folders and quietly keeps nothing when they
  // are missing, so they are made here first.
  if (g_mkdir_with_parents(folder.c_str(), 0700) != 0) {
    std::fprintf(stderr, "tambourin: cannot create the folder %s\n", folder.c_str());
  }
  return folder;
}

GObjectPtr<WebKitWebContext> MakeContext() {
  const std::string dataFolder = ProgramFolder(g_get_user_data_dir());
  const std::string cacheFolder = ProgramFolder(g_get_user_cache_dir());

  auto manager = GObjectPtr<WebKitWebsiteDataManager>::Adopt(webkit_website_data_manager_new(
      "base-data-directory", dataFolder.c_str(), "base-cache-directory", cacheFolder.c_str(),
      nullptr));
  // A certificate the engine cannot trust ends the load; nobody may click
  // through it.
  webkit_website_data_manager_set_tls_errors_policy(manager.get(),
                                                    WEBKIT_TLS_ERRORS_POLICY_FAIL);
  gchar* cookieFile = g_build_filename(dataFolder.c_str(), "cookies.sqlite", nullptr);
  webkit_cookie_manager_set_persistent_storage(
      webkit_website_data_manager_get_cookie_manager(manager.get()), cookieFile,
      WEBKIT_COOKIE_PERSISTENT_STORAGE_SQLITE);
  g_free(cookieFile);

  auto context = GObjectPtr<WebKitWebContext>::Adopt(
      webkit_web_context_new_with_website_data_manager(manager.get()));
  // Pages run in a sandboxed process; it must be asked for before the first
  // web process starts.
  webkit_web_context_set_sandbox_enabled(context.get(), TRUE);
  webkit_web_context_set_cache_model(context.get(), WEBKIT_CACHE_MODEL_WEB_BROWSER);
  WatchDownloads(context.get());
  InstallPageRules();
  return context;
}

}  // namespace

WebKitWebContext* SharedWebContext() {
  // Kept for the life of the process, never released at exit: the engine's
  // processes end with ours, and its teardown has nothing to save by then.
  static WebKitWebContext* const context = [] {
    GObjectPtr<WebKitWebContext> made = MakeContext();
    return WEBKIT_WEB_CONTEXT(g_object_ref(made.get()));
  }();
  return context;
}

}  // namespace fw::gtk
