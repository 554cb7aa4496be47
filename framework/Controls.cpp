#include "framework/Controls.h"

#include <functional>

#include "framework/PluginEntries.h"

namespace fw {

void OfferComponentEntries() {
  OfferPluginEntry("_", std::function<void()>([] {}));
  OfferPluginEntry("ImageWell.Image.Set",
                   std::function<void(ImageWell&, PicturePtr)>(
                       [](ImageWell& well, PicturePtr picture) { well.ShowImage(std::move(picture)); }));
  OfferPluginEntry("_HTMLViewerPlugin.LoadURL(url as String)",
                   std::function<void(HTMLViewer&, const std::string&)>(
                       [](HTMLViewer& view, const std::string& url) {
                         view.RequireWebPeer().LoadURL(url);
                       }));
  OfferPluginEntry("HTMLViewer.GoBackExt",
                   std::function<void(HTMLViewer&)>(
                       [](HTMLViewer& view) { view.RequireWebPeer().GoBack(); }));
  OfferPluginEntry("HTMLViewer.GoForwardExt",
                   std::function<void(HTMLViewer&)>(
                       [](HTMLViewer& view) { view.RequireWebPeer().GoForward(); }));
}

}  // namespace fw
