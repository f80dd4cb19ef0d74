#pragma once
// The screens Qt knows (on Wayland, the compositor's outputs) for a session
// without X: their layout in logical pixels, the primary one first, and their
// changes.
#include <QObject>

#include "platform/Screen.h"

class QScreen;

namespace toviwall::platform {

class QtScreen final : public QObject, public Screen {
 public:
  QtScreen();
  ScreenSize PrimaryScreenSize() override;
  ScreenLayout Layout() override;

 private:
  void Watch(QScreen* screen);
};

}  // namespace toviwall::platform
