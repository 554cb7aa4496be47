#include "framework/ButtonBase.h"

namespace fw {

std::string ButtonBase::Caption() const {
  return HasProperty("Caption") ? std::get<std::string>(Property("Caption")) : std::string();
}

void ButtonBase::PropertyChanged(const std::string& property, const PropertyValue& value) {
  if (property == "Caption" && Peer()) Peer()->SetCaption(std::get<std::string>(value));
}

std::optional<HandlerSignature> ButtonBase::EventHandlerType(const std::string& event) const {
  if (event == "Action") return SignatureOf<ActionHandler>();
  return std::nullopt;
}

void ButtonBase::PeerAction() {
  Raise<ActionHandler>("Action");
}

}  // namespace fw
