#pragma once

#include <webkit2/webkit2.h>

#include <string>

namespace fw::gtk {

// Takes every download of the context in hand. A download goes ahead only
// when the user's own click on the page asked for its address (see
// GrantDownloadFromClick); it is saved under a name that did not exist
// before, in the download folder, and nothing else there is ever touched.
// Every other download is refused with a line on stderr.
void WatchDownloads(WebKitWebContext* context);

// Notes that a navigation of `view` to `uri` came from the user's click (or
// key press) on the page, so that a download of that address may start.
void GrantDownloadFromClick(WebKitWebView* view, const std::string& uri);

}  // namespace fw::gtk
