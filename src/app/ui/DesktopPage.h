#pragma once
// The "Desktop" page: hiding the desktop icons, automatic changing with its
// order and interval, the filling type, the monitors and the colour around
// pictures, the icon captions' colour and background, and the custom tray icon.
#include <QIcon>
#include <QObject>

#include <cstdint>

class QAction;
class QColorDialog;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;
class QWidget;

namespace toviwall {

enum class FillingType;
enum class MonitorMode;

class THelpViewer;
class TMainForm;

class DesktopPage final : public QObject {
  Q_OBJECT

 public:
  explicit DesktopPage(TMainForm& form);

  QWidget* Page() const { return TabSheetDesktop; }
  QAction* ActionActivateWallChanger() const { return ActionActivateWallChanger_; }
  QAction* ActionHideDesktopIcon() const { return ActionHideDesktopIcon_; }

  void ApplyCaptions();
  void SetHelpContexts(THelpViewer& help);
  // The interval and filling type choices, with their first defaults.
  void FillChoices();
  void ReadSettings();

  // What the rotation reads.
  bool AutoChange() const;
  bool Randomize() const;
  int IntervalPosition() const;  // -1: none selected
  FillingType Filling() const;
  // What the desktop can take: one picture where it cannot lay one across monitors.
  MonitorMode Monitors() const;
  std::uint32_t BackgroundColour() const { return BackgroundColour_; }

  // The desktop icons' captions, hidden icons and the custom tray icon.
  void ApplyDesktopIconsHidden();
  void ReapplyIconText();
  void ApplyIconTextColorSetting();
  // The watchdog's tick: the chosen caption colour back when the desktop lost it.
  void KeepIconTextColor();
  std::uint32_t ChosenIconTextColor() const { return ChosenIconTextColor_; }
  // The custom tray icon, read at start-up.
  void LoadCustomIconOption();
  bool CustomIconChosen() const;
  // The icon the tray shows while the custom icon is on.
  QIcon CustomTrayIcon() const;

 private:
  QWidget* BuildPage();
  void FillFillingTypes();
  void FillMonitorModes();
  void Wire();

  void ActionActivateWallChangerExecute();
  void CheckBoxRandomizeWallClick();
  void ComboBoxUpdateChange();
  void ComboBoxFillingChange();
  void ComboBoxMonitorsChange();
  void ActionChangeBackColorExecute();
  void ShowBackgroundColour();
  void ActionHideDesktopIconExecute();
  void ActionChangeTextColorExecute();
  void CheckBoxTransparentBackClick();
  void ApplyIconTextColor(std::uint32_t colour);
  void ShowChosenColour();
  void ApplyCustomIconOption();
  void CheckBoxCustomIconClick();
  void ButtonChangeIconTrayClick();
  void ShowCustomIcon(const QIcon& icon);

  TMainForm& form_;
  QAction* ActionHideDesktopIcon_ = nullptr;
  QAction* ActionActivateWallChanger_ = nullptr;
  QAction* ActionChangeTextColor = nullptr;

  QWidget* TabSheetDesktop = nullptr;
  QGroupBox* GroupBoxDesktop = nullptr;
  QCheckBox* CheckBoxHideDesktopIcon = nullptr;
  QLabel* LabelCannotHide = nullptr;
  QCheckBox* CheckBoxAutoChange = nullptr;
  QCheckBox* CheckBoxRandomizeWall = nullptr;
  QLabel* LabelInterval = nullptr;
  QComboBox* ComboBoxUpdate = nullptr;
  QLabel* LabelFilling = nullptr;
  QComboBox* ComboBoxFilling = nullptr;
  QLabel* LabelMonitors = nullptr;
  QComboBox* ComboBoxMonitors = nullptr;
  QLabel* LabelBackColor = nullptr;
  QLabel* PanelBackColor = nullptr;
  QAction* ActionChangeBackColor = nullptr;
  QColorDialog* BackColorDialog = nullptr;
  std::uint32_t BackgroundColour_ = 0;
  QCheckBox* CheckBoxTransparentBack = nullptr;
  QLabel* LabelTextColor = nullptr;
  QLabel* PanelColor = nullptr;
  QMenu* PanelColorPopupMenu = nullptr;
  QAction* TBItemRightChange = nullptr;
  QColorDialog* ColorDialog = nullptr;
  std::uint32_t ChosenIconTextColor_ = 0xFFFFFF;
  QCheckBox* CheckBoxCustomIcon = nullptr;
  QPushButton* ButtonChangeIconTray = nullptr;
  QLabel* ImageIcon = nullptr;  // the built-in icon, while the custom one is off
  QLabel* ImageTray = nullptr;  // the custom icon, in the same place
  QIcon customIcon_;
};

}  // namespace toviwall
