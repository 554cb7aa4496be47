#include "framework/Controls.h"

#include <functional>

#include "framework/PluginEntries.h"

namespace fw {

void OfferComponentEntries() {
  OfferPluginEntry("_", std::function<void()>([] {}));
  OfferPluginEntry("ImageWell.Image.Set",
                   std::function<void(ImageWell&, PicturePtr)>(
                       [](ImageWell& well, PicturePtr picture) { well.ShowImage(std::move(picture)); }));
  auto web = [](HTMLViewer& view) -> WebViewPeer& { return view.RequireWebPeer(); };
  OfferPluginEntry("_HTMLViewerPlugin.LoadURL(url as String)",
                   std::function<void(HTMLViewer&, const std::string&)>(
                       [web](HTMLViewer& view, const std::string& url) { web(view).LoadURL(url); }));
  OfferPluginEntry("HTMLViewer.GoBackExt", std::function<void(HTMLViewer&)>(
                                               [web](HTMLViewer& view) { web(view).GoBack(); }));
  OfferPluginEntry("HTMLViewer.GoForwardExt",
                   std::function<void(HTMLViewer&)>(
                       [web](HTMLViewer& view) { web(view).GoForward(); }));
}

}  // namespace fw
