#pragma once
// The "Desktop" page: hiding the desktop icons, automatic changing with its
// order and interval, the filling type, the monitors and the colour around
// pictures, the icon captions' colour and background, and the custom tray icon.
// Each choice is stored at once; who acts on one reads the settings (or hears
// of the key's change), not the page.
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
namespace platform {
class DesktopIcons;
class DesktopWallpaper;
}  // namespace platform

struct ProcessEnvironment;
class DesktopIconCaptions;
class Settings;
class THelpViewer;

class DesktopPage final : public QObject {
  Q_OBJECT

 public:
  struct Parts {
    Settings& settings;
    platform::DesktopIcons& icons;
    platform::DesktopWallpaper& desktop;
    DesktopIconCaptions& captions;
    const ProcessEnvironment& env;
  };
  // The actions and dialogs belong to `owner`'s window.
  DesktopPage(QWidget& owner, Parts parts);

  QWidget* Page() const { return TabSheetDesktop; }
  QAction* ActionActivateWallChanger() const { return ActionActivateWallChanger_; }
  QAction* ActionHideDesktopIcon() const { return ActionHideDesktopIcon_; }

  void ApplyCaptions();
  void SetHelpContexts(THelpViewer& help);
  // The interval and filling type choices, with their first defaults.
  void FillChoices();
  void ReadSettings();

  // The custom tray icon, read at start-up.
  void LoadCustomIconOption();

 signals:
  // The tray's icon: the custom one chosen, or null for the program's own.
  void trayIconChanged(const QIcon& icon);

 private:
  // The icon the tray shows while the custom icon is on.
  QIcon CustomTrayIcon() const;
  void ApplyIconTextColorSetting();
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
  void ShowChosenColour();
  void ApplyCustomIconOption();
  void CheckBoxCustomIconClick();
  void ButtonChangeIconTrayClick();
  void ShowCustomIcon(const QIcon& icon);

  QWidget& owner_;
  Parts parts_;
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
  QCheckBox* CheckBoxCustomIcon = nullptr;
  QPushButton* ButtonChangeIconTray = nullptr;
  QLabel* ImageIcon = nullptr;  // the built-in icon, while the custom one is off
  QLabel* ImageTray = nullptr;  // the custom icon, in the same place
  QIcon customIcon_;
};

}  // namespace toviwall
