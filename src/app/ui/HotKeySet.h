#pragma once
// The global hot keys, as one table: for each, a key-capture box on the
// "Hotkeys" page, the pair of settings its combination is stored in, the
// component that holds it system-wide, and the command a press runs.
#include <QObject>
#include <array>
#include <functional>

class QLabel;
class QGroupBox;
class QWidget;

namespace toviwall {
namespace platform {
class GlobalHotKeys;
}

class Settings;
class THelpViewer;
class TToviHotKey;
class TToviHotKeyBox;

enum class HotKeyCommand { ShowMainWindow, ChangeWallpaper, NextWallpaper, PreviousWallpaper, OpenCD, CloseCD };

class HotKeySet final : public QObject {
  Q_OBJECT

 public:
  static constexpr int kCount = 6;

  // The keys are held for `owner`'s window; a press runs `run` with the row's command.
  HotKeySet(QWidget& owner, platform::GlobalHotKeys& keys, Settings& settings, std::function<void(HotKeyCommand)> run);

  QWidget* Page() const { return TabSheetHotkeys; }
  void ApplyCaptions();
  void SetHelpContexts(THelpViewer& help);
  // Shows the stored combinations and takes them system-wide.
  void LoadHotKeys();
  // Gives every combination back (the end of the run).
  void DeactivateHotKeys();

 private:
  struct Row {
    TToviHotKeyBox* box = nullptr;
    QLabel* label = nullptr;
    TToviHotKey* key = nullptr;
  };
  QWidget* BuildPage(QWidget& owner, platform::GlobalHotKeys& keys);
  // Where no combination can ever be pressed (a Wayland compositor without global
  // shortcuts), the boxes are disabled and the page says why and what to bind instead.
  void ShowAvailability();
  // Leaving a box registers what it shows; an empty box deactivates its key.
  void BoxExit(int row);

  platform::GlobalHotKeys& keys_;
  Settings& settings_;
  std::function<void(HotKeyCommand)> run_;
  std::array<Row, kCount> rows_{};
  QWidget* TabSheetHotkeys = nullptr;
  QGroupBox* GroupBoxHotkeys = nullptr;
  QLabel* LabelCDDrive = nullptr;
  QLabel* LabelHotKeysUnavailable = nullptr;
};

}  // namespace toviwall
