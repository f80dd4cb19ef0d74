#pragma once
// sway's outputs as the screen: their layout asked afresh on every call, their
// changes told as sway (or the Wayland outputs) report them.
#include <QObject>
#include <memory>

#include "platform/Screen.h"
#include "platform/sway/SwaySession.h"

namespace toviwall::platform {

class SwayScreen final : public QObject, public Screen {
 public:
  explicit SwayScreen(std::shared_ptr<SwaySession> session);
  // sway has no primary output: the leftmost one counts as the primary.
  ScreenSize PrimaryScreenSize() override;
  ScreenLayout Layout() override;

 private:
  std::shared_ptr<SwaySession> session_;
};

}  // namespace toviwall::platform
