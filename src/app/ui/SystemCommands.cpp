#include "app/ui/SystemCommands.h"

#include <QApplication>
#include <QMenu>
#include <cstdlib>
#include <optional>

#include "app/ui/DesktopIconCaptions.h"
#include "app/ui/FormParts.h"
#include "app/ui/MainWindowControl.h"
#include "base/AppIdentity.h"
#include "system/ui/OpticalDrive.h"
#include "system/ui/UnitFormConfirm.h"
#include "platform/DisplayModes.h"
#include "platform/SystemActions.h"

namespace toviwall {
namespace {

using platform::DisplayChange;

// One of the confirmation's 20 steps: a second. TOVIWALL_CONFIRM_TICK_MS (1 to
// 1000 milliseconds) shortens it for tests.
int ConfirmTickMs() {
  if (const char* text = std::getenv("TOVIWALL_CONFIRM_TICK_MS")) {
    char* end = nullptr;
    long ms = std::strtol(text, &end, 10);
    if (end != text && *end == '\0' && ms > 0 && ms <= 1000) return static_cast<int>(ms);
  }
  return 1000;
}

// "1024 * 768" -> "1024x768": the numbers of a caption, for an item's object name.
std::string NameOf(const std::string& caption) {
  std::string name;
  bool inNumber = false;
  for (char ch : caption) {
    const bool digit = ch >= '0' && ch <= '9';
    if (digit && !inNumber && !name.empty()) name += 'x';
    if (digit) name += ch;
    inNumber = digit;
  }
  return name;
}

struct ExitItem {
  int caption;
  int tag;
  TToviExitWinType type;
  const char* name;
};
constexpr ExitItem kLogOff{10054, 61, TToviExitWinType::ewLogoff, "ExitWinLogOff"};
constexpr ExitItem kReboot{10056, 62, TToviExitWinType::ewReboot, "ExitWinReboot"};
// The menu's "Shut Down" switches the power off.
constexpr ExitItem kShutDown{10058, 63, TToviExitWinType::ewPowerOff, "ExitWinShutDown"};
constexpr ExitItem kStandBy{10055, 64, TToviExitWinType::ewStandBy, "ExitWinStandBy"};
constexpr ExitItem kHibernate{10057, 65, TToviExitWinType::ewHibernate, "ExitWinHibernate"};

// A command that cannot run here is disabled, with the reason as its tool tip.
void MarkUnavailable(QAction* action, const std::string& why) {
  action->setEnabled(why.empty());
  action->setToolTip(Q(why));
}

}  // namespace

SystemCommands::SystemCommands(QWidget& owner, platform::SystemActions& actions, platform::DisplayModes& display,
                               MainWindowControl& window, DesktopIconCaptions& captions,
                               std::function<void()> saveList)
    : actions_(actions), display_(display), window_(window), captions_(captions), saveList_(std::move(saveList)) {
  ExitWin = new TToviExitWin(actions, this);
  ActionLockWorkStation_ = NamedAction(&owner, "ActionLockWorkStation");
  ActionActivateScreenSave_ = NamedAction(&owner, "ActionActivateScreenSave");
  ActionOpenDisplayProperties_ = NamedAction(&owner, "ActionOpenDisplayProperties");
  TBItemDisplayMode = Named(new QMenu(&owner), "TBItemDisplayMode");
  TBSubmenuCDRom = Named(new QMenu(&owner), "TBSubmenuCDRom");
  TBSubmenuCDRom->menuAction()->setVisible(false);  // shown once a CD drive is found
  TBSubmenuItemExitWin = Named(new QMenu(&owner), "TBSubmenuItemExitWin");
  connect(ActionLockWorkStation_, &QAction::triggered, this,
          Guarded(this, &SystemCommands::ActionLockWorkStationExecute));
  connect(ActionActivateScreenSave_, &QAction::triggered, this,
          Guarded(this, &SystemCommands::ActionActivateScreenSaveExecute));
  connect(ActionOpenDisplayProperties_, &QAction::triggered, this,
          Guarded(this, &SystemCommands::ActionOpenDisplayPropertiesExecute));
}

SystemCommands::~SystemCommands() { display_.SetDisplayChangeListener({}); }

void SystemCommands::ApplyCaptions() {
  ActionLockWorkStation_->setText(T(10041));
  ActionActivateScreenSave_->setText(T(10042));
  ActionOpenDisplayProperties_->setText(T(10061));
  TBItemDisplayMode->setTitle(T(10051));
  TBSubmenuCDRom->setTitle(T(10052));
  TBSubmenuItemExitWin->setTitle(T(10053));
}

// --- Log Out / Power --------------------------------------------------------

void SystemCommands::BuildExitWindowsMenu() {
  QMenu* menu = TBSubmenuItemExitWin;
  menu->clear();
  std::vector<ExitItem> items{kLogOff, kReboot, kShutDown};
  if (ExitWin->CanStandBy()) {
    items.push_back(kStandBy);
    if (ExitWin->CanHibernate()) items.push_back(kHibernate);
  }
  for (const ExitItem& item : items) {
    QAction* action = NamedAction(menu, item.name);
    action->setText(T(item.caption));
    action->setData(item.tag);
    const TToviExitWinType type = item.type;
    connect(action, &QAction::triggered, this, [this, type] { RunGuarded([&] { ExitWindowsAs(type); }); });
    menu->addAction(action);
  }
}

void SystemCommands::ExitWindowsAs(TToviExitWinType type) {
  ExitWin->ExitWinType = type;
  ExitWin->Unconditional = false;  // a refused forced restart forces nothing later
  // Refused or cancelled (no authorisation, No to our question): nothing ends, so neither do we.
  if (!ExitWin->Execute()) {
    if (!ExitWin->LastError.empty()) ShowRefusal(type);
    return;
  }
  // The machine comes back from stand-by and hibernation with us running; the
  // session manager ends us with the session, once it has asked.
  if (!ExitWin->EndsNow()) return;
  window_.EndRun();
}

void SystemCommands::ShowRefusal(TToviExitWinType type) {
  int caption = kShutDown.caption;  // also for a plain shut down, which has no item
  for (const ExitItem& item : {kLogOff, kReboot, kStandBy, kHibernate})
    if (item.type == type) caption = item.caption;
  std::string reason = ExitWin->LastError;
  if (reason.starts_with("Error: ")) reason.erase(0, 7);
  ShowErrorBox(QStringLiteral("\"%1\" did not take place: %2\n\n%3 keeps running.")
                   .arg(T(caption), Q(reason), QString::fromUtf8(kTitle)));
}

// --- CD doors --------------------------------------------------------------

void SystemCommands::BuildCDRomMenu() {
  QMenu* menu = TBSubmenuCDRom;
  cdDrives_ = actions_.OpticalDrives();
  for (std::size_t k = 0; k < cdDrives_.size(); ++k) {
    const std::string& drive = cdDrives_[k];
    if (k > 0) menu->addSeparator();
    menu->menuAction()->setVisible(true);
    QAction* open = NamedAction(menu, ("OpenDrive_" + drive).c_str());
    open->setText(Q(FormatText(S(10083), {drive})));
    open->setData(static_cast<int>(2 * k + 1));
    connect(open, &QAction::triggered, this, [this, open] { RunGuarded([&] { ActionOpenDriveExecute(open); }); });
    menu->addAction(open);
    QAction* close = NamedAction(menu, ("CloseDrive_" + drive).c_str());
    close->setText(Q(FormatText(S(10084), {drive})));
    close->setData(static_cast<int>(2 * k + 2));
    connect(close, &QAction::triggered, this, [this, close] { RunGuarded([&] { ActionCloseDriveExecute(close); }); });
    menu->addAction(close);
  }
}

void SystemCommands::ActionOpenDriveExecute(QAction* item) {
  const std::size_t k = static_cast<std::size_t>((item->data().toInt() - 1) / 2);
  if (k < cdDrives_.size()) OpenDrive(actions_, cdDrives_[k]);
}

void SystemCommands::ActionCloseDriveExecute(QAction* item) {
  const std::size_t k = static_cast<std::size_t>((item->data().toInt() - 1) / 2);
  if (k < cdDrives_.size()) actions_.CloseDoor(cdDrives_[k]);
}

void SystemCommands::OpenFirstCDDrive() {
  const std::vector<std::string> drives = actions_.OpticalDrives();
  if (!drives.empty()) OpenDrive(actions_, drives.front());
}

void SystemCommands::CloseFirstCDDrive() {
  const std::vector<std::string> drives = actions_.OpticalDrives();
  if (!drives.empty()) actions_.CloseDoor(drives.front());
}

// --- Lock, screen saver, display settings ----------------------------------

void SystemCommands::ShowCommandsThatCanRun() {
  ActionLockWorkStation_->setVisible(actions_.CanLock());
  MarkUnavailable(ActionActivateScreenSave_, actions_.ScreenSaverWhyNot());
  MarkUnavailable(ActionOpenDisplayProperties_, actions_.DisplaySettingsWhyNot());
}

void SystemCommands::ActionLockWorkStationExecute() { actions_.Lock(); }
void SystemCommands::ActionActivateScreenSaveExecute() { actions_.ActivateScreenSaver(); }
void SystemCommands::ActionOpenDisplayPropertiesExecute() { actions_.OpenDisplaySettings(); }

// --- Display modes -----------------------------------------------------------

void SystemCommands::BuildDisplayModeMenu() {
  EnumerateModes();
  FillDisplayModeMenu();
  display_.SetDisplayChangeListener([this] { RunGuarded([this] { DisplayChanged(); }); });
}

void SystemCommands::DisplayChanged() {
  FreeDisplayModeItems();
  EnumerateModes();
  FillDisplayModeMenu();
}

void SystemCommands::EnumerateModes() { ModeTable_ = toviwall::EnumerateModes(display_.Modes()); }

void SystemCommands::FillDisplayModeMenu() {
  MarkUnavailable(TBItemDisplayMode->menuAction(), ModeTable_.empty() ? display_.WhyNot() : std::string());
  if (ModeTable_.empty()) return;
  modeTree_ = BuildDisplayModeTree(ModeTable_, display_.ReportsRefreshRates());
  AddModeItems(TBItemDisplayMode, "DisplayMode", modeTree_, modeItems_);
  MarkCurrentMode();
}

void SystemCommands::AddModeItems(QMenu* parent, const std::string& parentName, const std::vector<ModeItem>& items,
                                  std::vector<BuiltItem>& built) {
  for (const ModeItem& item : items) {
    const std::string name = parentName + "_" + NameOf(item.caption);
    BuiltItem b;
    if (item.tag < 0) {
      b.menu = Named(parent->addMenu(Q(item.caption)), name.c_str());
      b.action = b.menu->menuAction();
      AddModeItems(b.menu, name, item.children, b.children);
    } else {
      b.action = NamedAction(parent, name.c_str());
      b.action->setText(Q(item.caption));
      parent->addAction(b.action);
      const int tag = item.tag;
      // After the menu has closed: the confirmation runs a loop of its own, and
      // the tree it was chosen from may be rebuilt meanwhile.
      connect(b.action, &QAction::triggered, this, [this, tag] {
        QMetaObject::invokeMethod(
            this, [this, tag] { RunGuarded([&] { ChangeDisplayMode(tag); }); }, Qt::QueuedConnection);
      });
    }
    b.action->setData(item.tag);
    built.push_back(std::move(b));
  }
}

void SystemCommands::FreeDisplayModeItems() {
  QMenu* menu = TBItemDisplayMode;
  for (QAction* action : menu->actions()) {
    menu->removeAction(action);
    if (QMenu* sub = action->menu())
      delete sub;  // with its items
    else if (action->parent() == menu)
      delete action;
  }
  menu->setDefaultAction(nullptr);
  modeTree_.clear();
  modeItems_.clear();
}

void SystemCommands::MarkCurrentMode() {
  std::optional<DisplayModeRecord> current = display_.CurrentMode();
  CurrentModeIndex_ = current ? toviwall::MarkCurrentMode(modeTree_, *current) : -1;
  if (!current) toviwall::MarkCurrentMode(modeTree_, DisplayModeRecord{});  // clears the marks
  ApplyMarks(TBItemDisplayMode, modeTree_, modeItems_);
}

void SystemCommands::ApplyMarks(QMenu* parent, const std::vector<ModeItem>& items,
                                const std::vector<BuiltItem>& built) {
  parent->setDefaultAction(nullptr);
  for (std::size_t i = 0; i < items.size() && i < built.size(); ++i) {
    QAction* action = built[i].action;
    // Only the marked items show a check box: the others stay plain.
    action->setCheckable(items[i].marked);
    action->setChecked(items[i].marked);
    // The default mark; a menu draws its default item bold, but not a submenu's.
    QFont font = action->font();
    font.setBold(items[i].marked);
    action->setFont(font);
    if (items[i].marked) parent->setDefaultAction(action);
    if (built[i].menu) ApplyMarks(built[i].menu, items[i].children, built[i].children);
  }
}

void SystemCommands::ChangeDisplayMode(int tag) {
  if (tag < 0 || static_cast<std::size_t>(tag) >= ModeTable_.size() || ModeTable_[tag].Empty()) return;
  platform::DisplayModes& display = display_;
  // Where a revert goes, chosen before the switch (the table may be rebuilt
  // while the question is open): the marked leaf's mode; when the mode on screen
  // matched no leaf, that mode itself as the display reports it.
  const int previous = CurrentModeIndex_;
  std::optional<DisplayModeRecord> revertTo;
  if (previous >= 0 && static_cast<std::size_t>(previous) < ModeTable_.size() && !ModeTable_[previous].Empty())
    revertTo = ModeTable_[previous];
  else
    revertTo = display.CurrentMode();

  switch (display.ChangeMode(ModeTable_[tag])) {
    case DisplayChange::Successful:
      if (!ConfirmDisplayMode() && revertTo) display.ChangeMode(*revertTo);  // a failed revert is not reported
      DisplayChanged();
      break;
    case DisplayChange::Restart:
      if (ShowMessage(Q(FormatText(S(10086), {"\n", "\n", "\n"})), QMessageBox::Question,
                      QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok) {
        if (saveList_) saveList_();
        ExitWin->ExitWinType = TToviExitWinType::ewReboot;
        ExitWin->Unconditional = true;
        if (ExitWin->Execute())
          window_.EndRun();
        else
          ShowRefusal(TToviExitWinType::ewReboot);
      }
      break;
    case DisplayChange::Failed: ShowMessage(T(10088), QMessageBox::Critical); break;
    case DisplayChange::BadMode: ShowMessage(T(10089), QMessageBox::Critical); break;
    case DisplayChange::NotUpdated: ShowMessage(T(10090), QMessageBox::Critical); break;
    case DisplayChange::BadFlags: ShowMessage(T(10087), QMessageBox::Critical); break;
  }
  MarkCurrentMode();
  captions_.ReapplyText();
}

bool SystemCommands::ConfirmDisplayMode() {
  TFormConfirm confirm(window_.Window().font(), ConfirmTickMs(), [this](QWidget* w) { window_.BringWindowToFront(w); });
  return confirm.exec() == QDialog::Accepted;
}

}  // namespace toviwall
