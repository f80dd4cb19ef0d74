#include "app/ui/DesktopPage.h"

#include <QAction>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/Intervals.h"
#include "app/ui/DesktopIconCaptions.h"
#include "app/ui/FormParts.h"
#include "app/ui/HelpViewer.h"
#include "base/AppIdentity.h"
#include "base/Settings.h"
#include "base/SettingsPaths.h"
#include "base/UnitLanguage.h"
#include "base/ui/Dialogs.h"
#include "tray/ui/IconFile.h"
#include "tray/ui/ToviPickIcon.h"
#include "platform/DesktopIcons.h"
#include "platform/DesktopWallpaper.h"
#include "wallpaper/FillingType.h"

namespace toviwall {
namespace {

QColor QColorOf(std::uint32_t value) { return QColor(value & 0xff, value >> 8 & 0xff, value >> 16 & 0xff); }
std::uint32_t ValueOf(const QColor& c) {
  return static_cast<std::uint32_t>(c.red()) | static_cast<std::uint32_t>(c.green()) << 8 |
         static_cast<std::uint32_t>(c.blue()) << 16;
}

// A colour box shows its colour as its background.
void PaintSwatch(QWidget& box, std::uint32_t value) {
  QPalette palette = box.palette();
  palette.setColor(QPalette::Window, QColorOf(value));
  box.setPalette(palette);
}

// A custom colour line's value: the text after its first "=" (the whole line without one).
std::string CustomColourText(const std::string& line) {
  const std::size_t eq = line.find('=');
  return eq == std::string::npos ? line : line.substr(eq + 1);
}

// Colour values are kept as six hex digits of the value (blue first, red last).
QColor CustomColour(const std::string& text) {
  bool ok = false;
  const unsigned value = QString::fromStdString(text).trimmed().toUInt(&ok, 16);
  return ok && value <= 0xFFFFFF ? QColorOf(value) : QColor(Qt::white);
}

std::string CustomColourHex(const QColor& c) {
  return QStringLiteral("%1").arg(ValueOf(c), 6, 16, QLatin1Char('0')).toUpper().toStdString();
}

}  // namespace

DesktopPage::DesktopPage(QWidget& owner, Parts parts) : owner_(owner), parts_(parts) {
  ActionHideDesktopIcon_ = NamedAction(&owner, "ActionHideDesktopIcon", true);
  ActionActivateWallChanger_ = NamedAction(&owner, "ActionActivateWallChanger", true);
  ActionChangeTextColor = NamedAction(&owner, "ActionChangeTextColor");
  ActionChangeBackColor = NamedAction(&owner, "ActionChangeBackColor");
  TabSheetDesktop = BuildPage();
  Wire();
}

QWidget* DesktopPage::BuildPage() {
  auto* page = Named(new QWidget, "TabSheetDesktop");
  auto* outer = new QVBoxLayout(page);
  GroupBoxDesktop = Named(new QGroupBox(page), "GroupBoxDesktop");
  outer->addWidget(GroupBoxDesktop);
  auto* grid = new QGridLayout(GroupBoxDesktop);
  int r = 0;
  CheckBoxHideDesktopIcon = Named(new QCheckBox(GroupBoxDesktop), "CheckBoxHideDesktopIcon");
  grid->addWidget(CheckBoxHideDesktopIcon, r++, 0, 1, 3);
  // Where hiding does nothing, why; in place of the box's notice.
  LabelCannotHide = Named(new QLabel(GroupBoxDesktop), "LabelCannotHide");
  LabelCannotHide->setEnabled(false);
  LabelCannotHide->setWordWrap(true);
  LabelCannotHide->hide();
  auto* cannotHideRow = new QHBoxLayout;
  cannotHideRow->addSpacing(20);
  cannotHideRow->addWidget(LabelCannotHide, 1);
  grid->addLayout(cannotHideRow, r++, 0, 1, 3);
  CheckBoxAutoChange = Named(new QCheckBox(GroupBoxDesktop), "CheckBoxAutoChange");
  grid->addWidget(CheckBoxAutoChange, r++, 0, 1, 3);
  CheckBoxRandomizeWall = Named(new QCheckBox(GroupBoxDesktop), "CheckBoxRandomizeWall");
  auto* randomRow = new QHBoxLayout;  // indented: it belongs to the automatic change
  randomRow->addSpacing(20);
  randomRow->addWidget(CheckBoxRandomizeWall, 1);
  grid->addLayout(randomRow, r++, 0, 1, 3);
  LabelInterval = Named(new QLabel(GroupBoxDesktop), "LabelInterval");
  ComboBoxUpdate = Named(new QComboBox(GroupBoxDesktop), "ComboBoxUpdate");
  // Styles that open the list as a menu around the current item (Fusion) show all
  // 67 intervals, taller than the screen; a plain drop-down list keeps to 16 rows.
  ComboBoxUpdate->setStyleSheet(QStringLiteral("combobox-popup: 0;"));
  ComboBoxUpdate->setMaxVisibleItems(16);
  grid->addWidget(LabelInterval, r, 0);
  grid->addWidget(ComboBoxUpdate, r++, 1);
  LabelFilling = Named(new QLabel(GroupBoxDesktop), "LabelFilling");
  ComboBoxFilling = Named(new QComboBox(GroupBoxDesktop), "ComboBoxFilling");
  grid->addWidget(LabelFilling, r, 0);
  grid->addWidget(ComboBoxFilling, r++, 1);
  LabelMonitors = Named(new QLabel(GroupBoxDesktop), "LabelMonitors");
  ComboBoxMonitors = Named(new QComboBox(GroupBoxDesktop), "ComboBoxMonitors");
  grid->addWidget(LabelMonitors, r, 0);
  grid->addWidget(ComboBoxMonitors, r++, 1);
  LabelBackColor = Named(new QLabel(GroupBoxDesktop), "LabelBackColor");
  PanelBackColor = Named(new QLabel(GroupBoxDesktop), "PanelBackColor");
  PanelBackColor->setFixedSize(40, 18);
  PanelBackColor->setFrameShape(QFrame::Box);
  PanelBackColor->setAutoFillBackground(true);
  PanelBackColor->setCursor(Qt::PointingHandCursor);
  grid->addWidget(LabelBackColor, r, 0);
  grid->addWidget(PanelBackColor, r++, 1, Qt::AlignLeft);
  CheckBoxTransparentBack = Named(new QCheckBox(GroupBoxDesktop), "CheckBoxTransparentBack");
  grid->addWidget(CheckBoxTransparentBack, r++, 0, 1, 3);
  LabelTextColor = Named(new QLabel(GroupBoxDesktop), "LabelTextColor");
  PanelColor = Named(new QLabel(GroupBoxDesktop), "PanelColor");
  PanelColor->setFixedSize(40, 18);
  PanelColor->setFrameShape(QFrame::Box);
  PanelColor->setAutoFillBackground(true);
  PanelColor->setContextMenuPolicy(Qt::CustomContextMenu);
  PanelColor->setCursor(Qt::PointingHandCursor);
  grid->addWidget(LabelTextColor, r, 0);
  grid->addWidget(PanelColor, r++, 1, Qt::AlignLeft);
  CheckBoxCustomIcon = Named(new QCheckBox(GroupBoxDesktop), "CheckBoxCustomIcon");
  ImageIcon = Named(new QLabel(GroupBoxDesktop), "ImageIcon");
  ImageTray = Named(new QLabel(GroupBoxDesktop), "ImageTray");
  for (QLabel* image : {ImageIcon, ImageTray}) {
    image->setFixedSize(20, 20);
    image->setAlignment(Qt::AlignCenter);
  }
  ImageIcon->setPixmap(QIcon(QStringLiteral(":/icons/toviwall.png")).pixmap(16, 16));
  ImageTray->hide();
  ButtonChangeIconTray = Named(new QPushButton(GroupBoxDesktop), "ButtonChangeIconTray");
  auto* iconRow = new QHBoxLayout;
  iconRow->addWidget(CheckBoxCustomIcon);
  iconRow->addStretch(1);
  iconRow->addWidget(ImageIcon);
  iconRow->addWidget(ImageTray);
  iconRow->addWidget(ButtonChangeIconTray);
  grid->addLayout(iconRow, r++, 0, 1, 3);
  grid->setColumnStretch(2, 1);
  grid->setRowStretch(r, 1);
  outer->addStretch(1);

  LinkButton(CheckBoxHideDesktopIcon, ActionHideDesktopIcon_);
  LinkButton(CheckBoxAutoChange, ActionActivateWallChanger_);
  PanelColorPopupMenu = Named(new QMenu(&owner_), "PanelColorPopupMenu");
  TBItemRightChange = PanelColorPopupMenu->addAction(QString());
  TBItemRightChange->setObjectName(QStringLiteral("TBItemRightChange"));
  connect(TBItemRightChange, &QAction::triggered, ActionChangeTextColor, &QAction::trigger);
  connect(PanelColor, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { PanelColorPopupMenu->popup(PanelColor->mapToGlobal(at)); });
  ClickRunsAction(PanelColor, ActionChangeTextColor);
  ColorDialog = Named(new QColorDialog(&owner_), "ColorDialog");
  ClickRunsAction(PanelBackColor, ActionChangeBackColor);
  BackColorDialog = Named(new QColorDialog(&owner_), "BackColorDialog");
  return page;
}

void DesktopPage::ApplyCaptions() {
  GroupBoxDesktop->setTitle(GroupCaption(10023));
  CheckBoxHideDesktopIcon->setText(T(10024));
  CheckBoxAutoChange->setText(T(10025));
  CheckBoxRandomizeWall->setText(T(10026));
  LabelInterval->setText(T(10027));
  LabelFilling->setText(T(10028));
  LabelMonitors->setText(T(10108));
  FillMonitorModes();
  LabelBackColor->setText(T(10112));
  PanelBackColor->setToolTip(T(10113));
  PanelColor->setToolTip(T(10113));
  CheckBoxTransparentBack->setText(T(10029));
  LabelTextColor->setText(T(10030));
  CheckBoxCustomIcon->setText(T(10031));
  ButtonChangeIconTray->setText(T(10032));
  TBItemRightChange->setText(T(10015));
  FillFillingTypes();
  ActionHideDesktopIcon_->setText(T(10037));
  ActionActivateWallChanger_->setText(T(10059));
  ActionChangeTextColor->setText(T(10015));
}

void DesktopPage::SetHelpContexts(THelpViewer& help) {
  const std::pair<QWidget*, int> contexts[] = {
      {CheckBoxAutoChange, 2003}, {CheckBoxRandomizeWall, 2004},   {ComboBoxUpdate, 2005},
      {ComboBoxFilling, 2006},    {CheckBoxTransparentBack, 2007}, {PanelColor, 2008},
  };
  for (auto [widget, context] : contexts) help.SetHelpContext(widget, context);
}

void DesktopPage::FillChoices() {
  ComboBoxUpdate->clear();
  for (int position = 0; position < kIntervalCount; ++position)
    ComboBoxUpdate->addItem(QString::fromStdString(IntervalText(position)));
  FillFillingTypes();
  FillMonitorModes();
  ComboBoxUpdate->setCurrentIndex(0);
  ComboBoxFilling->setCurrentIndex(2);
  ComboBoxMonitors->setCurrentIndex(0);
}

void DesktopPage::FillFillingTypes() {
  ComboBoxFilling->clear();
  for (int number = 10076; number <= 10080; ++number) ComboBoxFilling->addItem(T(number));
  ComboBoxFilling->addItem(T(10107));  // Zoom, a later addition
  ComboBoxFilling->addItem(T(10170));  // Fit with blurred background
}

void DesktopPage::FillMonitorModes() {
  ComboBoxMonitors->clear();
  for (int number = 10109; number <= 10111; ++number) ComboBoxMonitors->addItem(T(number));
}

void DesktopPage::ReadSettings() {
  Settings& f = parts_.settings;
  ActionHideDesktopIcon_->setChecked(f.Get(keys::HideDesktopIcon));
  const QString cannotHide = Q(parts_.icons.CannotHideReason());
  ActionHideDesktopIcon_->setEnabled(cannotHide.isEmpty());
  LabelCannotHide->setText(cannotHide);
  LabelCannotHide->setVisible(!cannotHide.isEmpty());
  // Caption colours where the desktop has no setting for them: disabled, saying why.
  const QString cannotColour = Q(parts_.icons.CannotColourReason());
  for (QWidget* control : std::initializer_list<QWidget*>{CheckBoxTransparentBack, LabelTextColor, PanelColor}) {
    control->setEnabled(cannotColour.isEmpty());
    control->setToolTip(cannotColour);
  }
  ActionChangeTextColor->setEnabled(cannotColour.isEmpty());
  parts_.captions.ApplyHidden();
  ActionActivateWallChanger_->setChecked(f.Get(keys::AutoChangeWallpaper));
  const bool autoChange = ActionActivateWallChanger_->isChecked();
  ComboBoxUpdate->setEnabled(autoChange);
  CheckBoxRandomizeWall->setEnabled(autoChange);
  CheckBoxRandomizeWall->setChecked(f.Get(keys::Randomize));
  ComboBoxUpdate->setCurrentIndex(f.Get(keys::Interval));
  ComboBoxFilling->setCurrentIndex(f.Get(keys::Type));
  ComboBoxMonitors->setCurrentIndex(f.Get(keys::Monitors));
  // Desktops that show one picture whole on each monitor cannot take a composed one.
  ComboBoxMonitors->setEnabled(parts_.desktop.SpansMonitors());
  BackgroundColour_ = static_cast<std::uint32_t>(f.Get(keys::BackgroundColor));
  ShowBackgroundColour();
  // The chosen colour before the caption background's re-application, so that
  // it applies the colour the user chose rather than a placeholder.
  parts_.captions.ReadStoredColour();
  bool transparent = f.Get(keys::Transparent);
  if (transparent != CheckBoxTransparentBack->isChecked()) {
    CheckBoxTransparentBack->setChecked(transparent);
    CheckBoxTransparentBackClick();  // a change of the box runs its handler
  }
  ApplyIconTextColorSetting();
}

void DesktopPage::ActionActivateWallChangerExecute() {
  // The action has already toggled its own check mark.
  const bool on = ActionActivateWallChanger_->isChecked();
  parts_.settings.Set(keys::AutoChangeWallpaper, on);
  ComboBoxUpdate->setEnabled(on);
  CheckBoxRandomizeWall->setEnabled(on);
}

void DesktopPage::CheckBoxRandomizeWallClick() {
  parts_.settings.Set(keys::Randomize, CheckBoxRandomizeWall->isChecked());
}

void DesktopPage::ComboBoxUpdateChange() { parts_.settings.Set(keys::Interval, ComboBoxUpdate->currentIndex()); }

void DesktopPage::ComboBoxFillingChange() {
  parts_.settings.Set(keys::Type, StoredValue(FillingTypeFromStored(ComboBoxFilling->currentIndex())));
}

// Like the filling type, the monitors and the colour take effect at the next change.
void DesktopPage::ComboBoxMonitorsChange() { parts_.settings.Set(keys::Monitors, ComboBoxMonitors->currentIndex()); }

void DesktopPage::ActionChangeBackColorExecute() {
  BackColorDialog->setCurrentColor(QColorOf(BackgroundColour_));
  if (BackColorDialog->exec() != QDialog::Accepted) return;
  BackgroundColour_ = ValueOf(BackColorDialog->selectedColor());
  ShowBackgroundColour();
  parts_.settings.Set(keys::BackgroundColor, static_cast<std::int32_t>(BackgroundColour_));
}

void DesktopPage::ShowBackgroundColour() { PaintSwatch(*PanelBackColor, BackgroundColour_); }

void DesktopPage::CheckBoxTransparentBackClick() {
  parts_.settings.Set(keys::Transparent, CheckBoxTransparentBack->isChecked());
  parts_.captions.ReapplyText();
}

void DesktopPage::ApplyIconTextColorSetting() {
  parts_.captions.ApplyStoredColour();
  ShowChosenColour();
}

void DesktopPage::ShowChosenColour() { PaintSwatch(*PanelColor, parts_.captions.Chosen()); }

void DesktopPage::ActionHideDesktopIconExecute() {
  Settings& f = parts_.settings;
  // The action has already toggled its own check mark.
  const bool hiding = ActionHideDesktopIcon_->isChecked();
  if (hiding && !f.Get(keys::DontShowHideDialog)) {
    const std::string crlf = "\r\n";
    // The answer does not matter: the icons are hidden in any case.
    AskAnswer answer =
        AskWithDontShowAgain(Q(FormatText(S(10068), {crlf, crlf, crlf})), QMessageBox::Question, QMessageBox::Ok);
    f.Set(keys::DontShowHideDialog, answer.dontShowAgain);
  }
  f.Set(keys::HideDesktopIcon, hiding);
  parts_.captions.ApplyHidden();
}

void DesktopPage::ActionChangeTextColorExecute() {
  Settings& f = parts_.settings;
  std::vector<std::string> lines;
  const QStringList stored = Q(f.SectionText(keys::kCustomColor)).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
  for (const QString& line : stored) lines.push_back(U(line));
  constexpr std::size_t kCount = std::size(keys::CustomColors);
  while (lines.size() < kCount) lines.push_back(std::string(keys::CustomColors[lines.size()].name) + "=" + keys::kCustomColorMissing);
  std::vector<QColor> offered;
  for (std::size_t i = 0; i < kCount; ++i) {
    offered.push_back(CustomColour(CustomColourText(lines[i])));
    QColorDialog::setCustomColor(static_cast<int>(i), offered.back());
  }
  ColorDialog->setCurrentColor(QColorOf(parts_.captions.Chosen()));
  if (ColorDialog->exec() != QDialog::Accepted) return;  // nothing changes, nothing is stored

  parts_.captions.ChooseColour(ValueOf(ColorDialog->selectedColor()));
  ShowChosenColour();
  // Keys by position, whatever names the lines had; a colour the user left
  // alone keeps its text as it was.
  for (std::size_t i = 0; i < kCount; ++i) {
    const QColor now = QColorDialog::customColor(static_cast<int>(i));
    const std::string text = now == offered[i] ? CustomColourText(lines[i]) : CustomColourHex(now);
    f.Set(keys::CustomColors[i], text);
  }
}

void DesktopPage::LoadCustomIconOption() {
  const bool on = parts_.settings.Get(keys::UseCustomMainIcon);
  if (on != CheckBoxCustomIcon->isChecked()) {
    CheckBoxCustomIcon->setChecked(on);
    CheckBoxCustomIconClick();  // a change of the box runs its handler, which applies the option
    return;                     // once: a second time would open the chooser again after a cancel
  }
  ApplyCustomIconOption();
}

QIcon DesktopPage::CustomTrayIcon() const {
  // A tray icon with nothing to draw would leave the program out of reach.
  return customIcon_.isNull() ? BuiltInIcon() : customIcon_;
}

void DesktopPage::ApplyCustomIconOption() {
  if (!CheckBoxCustomIcon->isChecked()) {
    ImageTray->hide();
    ImageIcon->show();
    emit trayIconChanged(QIcon());
    return;
  }
  Settings& f = parts_.settings;
  const std::string file = f.Get(keys::IconFile);
  if (file.empty()) {
    ButtonChangeIconTrayClick();
    return;
  }
  // A missing file or a position past its icons shows the program's own icon; the
  // stored values stay for when the file is back.
  ShowCustomIcon(ExtractSmallIcon(Q(file), f.Get(keys::IconIdx), Q(parts_.env.programFile)));
}

void DesktopPage::CheckBoxCustomIconClick() {
  parts_.settings.Set(keys::UseCustomMainIcon, CheckBoxCustomIcon->isChecked());
  ApplyCustomIconOption();
}

void DesktopPage::ButtonChangeIconTrayClick() {
  Settings& f = parts_.settings;
  const QString programFile = Q(parts_.env.programFile);
  TToviPickIconDialog picker;
  picker.IconFile = Q(f.Get(keys::IconFile, parts_.env.programFile));
  picker.IconIndex = f.Get(keys::IconIdx);
  picker.ParHandle = ButtonChangeIconTray;
  picker.ProgramFile = programFile;
  if (!picker.Execute()) return;
  f.Set(keys::IconFile, U(picker.IconFile));
  f.Set(keys::IconIdx, picker.IconIndex);
  if (!CheckBoxCustomIcon->isChecked()) {
    CheckBoxCustomIcon->setChecked(true);
    CheckBoxCustomIconClick();
  }
  f.Set(keys::UseCustomMainIcon, true);
  ShowCustomIcon(picker.PickedIcon);
}

void DesktopPage::ShowCustomIcon(const QIcon& icon) {
  customIcon_ = icon;
  ImageTray->setPixmap(CustomTrayIcon().pixmap(16, 16));
  ImageTray->show();
  ImageIcon->hide();
  emit trayIconChanged(CustomTrayIcon());
}

void DesktopPage::Wire() {
  connect(ActionActivateWallChanger_, &QAction::triggered, this,
          Guarded(this, &DesktopPage::ActionActivateWallChangerExecute));
  connect(CheckBoxRandomizeWall, &QCheckBox::clicked, this, Guarded(this, &DesktopPage::CheckBoxRandomizeWallClick));
  connect(ComboBoxUpdate, &QComboBox::activated, this, Guarded(this, &DesktopPage::ComboBoxUpdateChange));
  connect(ComboBoxFilling, &QComboBox::activated, this, Guarded(this, &DesktopPage::ComboBoxFillingChange));
  connect(ComboBoxMonitors, &QComboBox::activated, this, Guarded(this, &DesktopPage::ComboBoxMonitorsChange));
  connect(ActionChangeBackColor, &QAction::triggered, this,
          Guarded(this, &DesktopPage::ActionChangeBackColorExecute));
  connect(ActionHideDesktopIcon_, &QAction::triggered, this, Guarded(this, &DesktopPage::ActionHideDesktopIconExecute));
  connect(ActionChangeTextColor, &QAction::triggered, this, Guarded(this, &DesktopPage::ActionChangeTextColorExecute));
  connect(CheckBoxTransparentBack, &QCheckBox::clicked, this,
          Guarded(this, &DesktopPage::CheckBoxTransparentBackClick));
  connect(CheckBoxCustomIcon, &QCheckBox::clicked, this, Guarded(this, &DesktopPage::CheckBoxCustomIconClick));
  connect(ButtonChangeIconTray, &QPushButton::clicked, this, Guarded(this, &DesktopPage::ButtonChangeIconTrayClick));
}

}  // namespace toviwall
