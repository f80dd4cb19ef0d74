#include "platform/sway/SwayScreen.h"

namespace toviwall::platform {

SwayScreen::SwayScreen(std::shared_ptr<SwaySession> session) : session_(std::move(session)) {
  connect(session_.get(), &SwaySession::OutputsChanged, this, [this] { AnnounceLayoutChange(); });
}

ScreenSize SwayScreen::PrimaryScreenSize() {
  const ScreenLayout layout = Layout();
  if (layout.monitors.empty()) return {};
  return {layout.monitors.front().width, layout.monitors.front().height};
}

ScreenLayout SwayScreen::Layout() {
  try {
    return LayoutOf(session_->Outputs());
  } catch (const SwayIpcError&) {
    return {};  // sway has gone: no screen to fit to
  }
}

}  // namespace toviwall::platform
