#pragma once
// The display's size in pixels and its monitors, read afresh on every call, and
// the news that they changed.
#include <functional>
#include <vector>

namespace toviwall::platform {

struct ScreenSize {
  int width = 0;
  int height = 0;
};

// A monitor's part of the desktop, in the root window's pixels.
struct MonitorRect {
  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  bool operator==(const MonitorRect&) const = default;
};

// The whole desktop and its monitors: the primary one first, then the others
// from left to right (and top to bottom where they share a column).
struct ScreenLayout {
  int width = 0;
  int height = 0;
  std::vector<MonitorRect> monitors;
  bool operator==(const ScreenLayout&) const = default;
};

class Screen {
 public:
  virtual ~Screen() = default;
  // The primary monitor's size.
  virtual ScreenSize PrimaryScreenSize() = 0;
  // Without monitors of its own to tell: one monitor, the primary screen.
  virtual ScreenLayout Layout() {
    const ScreenSize s = PrimaryScreenSize();
    if (s.width < 1 || s.height < 1) return {};
    return {s.width, s.height, {{0, 0, s.width, s.height}}};
  }

  // Runs on the main thread when the monitors or their sizes have changed.
  void SetLayoutChangeListener(std::function<void()> listener) {
    listener_ = std::move(listener);
    ListenerChanged();
  }

 protected:
  void AnnounceLayoutChange() {
    if (listener_) listener_();
  }
  bool Listening() const { return static_cast<bool>(listener_); }
  // A screen that has to ask to be told starts or stops asking here.
  virtual void ListenerChanged() {}

 private:
  std::function<void()> listener_;
};

// A screen of a fixed size, for tools that render for a named screen.
class FixedScreen final : public Screen {
 public:
  FixedScreen(int width, int height) : size_{width, height} {}
  ScreenSize PrimaryScreenSize() override { return size_; }

 private:
  ScreenSize size_;
};

}  // namespace toviwall::platform
