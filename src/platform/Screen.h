#pragma once
// The primary display's size in pixels, read afresh on every call.
namespace toviwall::platform {

struct ScreenSize {
  int width = 0;
  int height = 0;
};

class Screen {
 public:
  virtual ~Screen() = default;
  virtual ScreenSize PrimaryScreenSize() = 0;
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
