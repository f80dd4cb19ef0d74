#pragma once
// The icons a file manager draws on its desktop window: hiding them through the
// desktop's own setting, and their captions' colour. Colours are colour values:
// red in the low byte, then green, then blue (white is 0xFFFFFF).
#include <cstdint>
#include <string>

namespace toviwall::platform {

inline constexpr std::uint32_t kWhiteColour = 0xFFFFFF;

class DesktopIcons {
 public:
  virtual ~DesktopIcons() = default;

  // Hides the icons, remembering the setting found; showing them puts that
  // back (icons hidden by the user's own choice, not by us, stay hidden).
  // Nothing changes when the desktop is as asked already.
  virtual void SetHidden(bool hidden) = 0;
  // Why hiding does nothing here, for the user; empty where it hides the icons.
  virtual std::string CannotHideReason() const { return {}; }
  // Why the captions' colour cannot be set here, for the user; empty where it can.
  virtual std::string CannotColourReason() const { return {}; }

  // The captions' colour; white where the desktop draws no icons or has no
  // setting for it.
  virtual std::uint32_t TextColor() = 0;
  // Sets the captions' colour and, with `transparentBack`, lets the wallpaper
  // show behind them; without it the background stays as it is. Nothing happens
  // where the desktop has no such setting, or when it holds them already.
  virtual void ApplyTextColor(std::uint32_t colour, bool transparentBack) = 0;
};

}  // namespace toviwall::platform
