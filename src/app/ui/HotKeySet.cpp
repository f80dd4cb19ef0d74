#include "app/ui/HotKeySet.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QCoreApplication>
#include <QFileInfo>
#include <QLabel>
#include <QPointer>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QVBoxLayout>

#include "app/ui/FormParts.h"
#include "app/ui/HelpViewer.h"
#include "base/Settings.h"
#include "platform/GlobalHotKeys.h"
#include "hotkeys/ui/ToviHotKey.h"
#include "hotkeys/ui/ToviHotKeyBox.h"

namespace toviwall {
namespace {

struct HotKeyDefinition {
  HotKeyCommand command;
  const char* name;  // HotKey<name> is the box, LabelHotKey<name> or Label<name> its label
  const char* labelName;
  int caption;       // the label's text number
  bool underCDHeading;  // the two CD keys: label beside the box, under "CD Drive"
  int helpContext;
  const keys::IntKey& mod;
  const keys::IntKey& vir;
};

const HotKeyDefinition kHotKeys[HotKeySet::kCount] = {
    {HotKeyCommand::ShowMainWindow, "MainWin", "LabelHotKeyMainWin", 10039, false, 4001, keys::ShowMainMod,
     keys::ShowMainVir},
    {HotKeyCommand::ChangeWallpaper, "ChangeWall", "LabelHotKeyChangeWall", 10040, false, 4002, keys::ChangeWallMod,
     keys::ChangeWallVir},
    {HotKeyCommand::NextWallpaper, "NextWall", "LabelHotKeyNextWall", 10160, false, 4005, keys::NextWallMod,
     keys::NextWallVir},
    {HotKeyCommand::PreviousWallpaper, "PrevWall", "LabelHotKeyPrevWall", 10161, false, 4006, keys::PrevWallMod,
     keys::PrevWallVir},
    {HotKeyCommand::OpenCD, "OpenCD", "LabelOpenCD", 10046, true, 4003, keys::OpenCDMod, keys::OpenCDVir},
    {HotKeyCommand::CloseCD, "CloseCD", "LabelCloseCD", 10047, true, 4004, keys::CloseCDMod, keys::CloseCDVir},
};

QString NameOf(const char* prefix, const char* name) { return QString::fromLatin1(prefix) + QString::fromLatin1(name); }

// The program as a key binding runs it: its name where PATH finds this very
// program, else its full path, quoted for the shell when it needs to be.
QString ProgramForBinding() {
  const QString self = QCoreApplication::applicationFilePath();
  const QString name = QFileInfo(self).fileName();
  const QString found = QStandardPaths::findExecutable(name);
  if (!found.isEmpty() && QFileInfo(found).canonicalFilePath() == QFileInfo(self).canonicalFilePath()) return name;
  static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9/._+-]+$"));
  if (plain.match(self).hasMatch()) return self;
  return QStringLiteral("'") + QString(self).replace(QStringLiteral("'"), QStringLiteral("'\\''")) +
         QStringLiteral("'");
}

// The commands that do what the hot keys do.
constexpr const char* kBindingCommands[] = {"--change", "--next", "--previous", "--show"};

}  // namespace

HotKeySet::HotKeySet(QWidget& owner, platform::GlobalHotKeys& keys, Settings& settings,
                     std::function<void(HotKeyCommand)> run)
    : keys_(keys), settings_(settings), run_(std::move(run)) {
  TabSheetHotkeys = BuildPage(owner, keys);
  ShowAvailability();
  QPointer<HotKeySet> self(this);  // the keys may outlive the page
  keys_.OnAvailabilityChanged([self] {
    if (self) RunGuarded([&] { self->ShowAvailability(); });
  });
}

QWidget* HotKeySet::BuildPage(QWidget& owner, platform::GlobalHotKeys& keys) {
  auto* page = Named(new QWidget, "TabSheetHotkeys");
  auto* outer = new QVBoxLayout(page);
  GroupBoxHotkeys = Named(new QGroupBox(page), "GroupBoxHotkeys");
  outer->addWidget(GroupBoxHotkeys);
  auto* grid = new QGridLayout(GroupBoxHotkeys);
  int gridRow = 0;
  for (int i = 0; i < kCount; ++i) {
    const HotKeyDefinition& def = kHotKeys[i];
    Row& row = rows_[i];
    row.label = Named(new QLabel(GroupBoxHotkeys), def.labelName);
    row.box = new TToviHotKeyBox(keys, GroupBoxHotkeys);
    row.box->setObjectName(NameOf("HotKey", def.name));
    if (def.underCDHeading) {
      if (!LabelCDDrive) {
        LabelCDDrive = Named(new QLabel(GroupBoxHotkeys), "LabelCDDrive");
        grid->addWidget(LabelCDDrive, gridRow++, 0, 1, 2);
      }
      grid->addWidget(row.label, gridRow, 0);
      grid->addWidget(row.box, gridRow++, 1);
    } else {
      grid->addWidget(row.label, gridRow++, 0, 1, 2);
      grid->addWidget(row.box, gridRow++, 0, 1, 2);
    }

    row.key = new TToviHotKey(&owner, keys);
    row.key->setObjectName(NameOf("ToviHotKey", def.name));
    const HotKeyCommand command = def.command;
    row.key->OnHotKey = [this, command](QObject*) { RunGuarded([&] { run_(command); }); };
    // Success stores the pair; a refusal empties the box, which says why, and stores 0, 0.
    row.key->OnHotKeyRegisterSuccess = [this, &def](QObject*, TShortCut&, std::uint16_t& virtKey,
                                                   std::uint16_t& modifier) {
      settings_.Set(def.mod, modifier);
      settings_.Set(def.vir, virtKey);
    };
    row.key->OnHotKeyRegisterFailed = [this, &def, box = row.box, key = row.key](
                                          QObject*, TShortCut& hotKey, std::uint16_t& virtKey, std::uint16_t& modifier) {
      box->SetHotKey(hotKey);
      box->ShowRefusal(*key);
      settings_.Set(def.mod, modifier);
      settings_.Set(def.vir, virtKey);
    };
    connect(row.box, &TToviHotKeyBox::Exit, this, [this, i] { RunGuarded([&] { BoxExit(i); }); });
  }
  grid->setColumnStretch(1, 1);
  LabelHotKeysUnavailable = Named(new QLabel(page), "LabelHotKeysUnavailable");
  LabelHotKeysUnavailable->setWordWrap(true);
  LabelHotKeysUnavailable->setTextInteractionFlags(Qt::TextSelectableByMouse);  // to copy the commands
  LabelHotKeysUnavailable->hide();
  outer->addWidget(LabelHotKeysUnavailable);
  outer->addStretch(1);
  return page;
}

void HotKeySet::ShowAvailability() {
  const bool available = keys_.Available();
  for (Row& row : rows_) row.box->setEnabled(available);
  LabelHotKeysUnavailable->setVisible(!available);
  if (available) return;
  QString text = Q(FormatText(S(10180), {keys_.WhyNot()})) + QStringLiteral("\n\n") + T(10181);
  const QString program = ProgramForBinding();
  for (const char* command : kBindingCommands)
    text += QStringLiteral("\n    ") + program + QStringLiteral(" ") + QString::fromLatin1(command);
  LabelHotKeysUnavailable->setText(text);
}

void HotKeySet::ApplyCaptions() {
  GroupBoxHotkeys->setTitle(GroupCaption(10044));
  for (int i = 0; i < kCount; ++i)
    rows_[i].label->setText(kHotKeys[i].underCDHeading ? T(kHotKeys[i].caption)
                                                       : T(kHotKeys[i].caption) + QStringLiteral(":"));
  LabelCDDrive->setText(T(10045));
  ShowAvailability();
}

void HotKeySet::SetHelpContexts(THelpViewer& help) {
  for (int i = 0; i < kCount; ++i) help.SetHelpContext(rows_[i].box, kHotKeys[i].helpContext);
}

void HotKeySet::LoadHotKeys() {
  for (int i = 0; i < kCount; ++i) {
    const int modifier = settings_.Get(kHotKeys[i].mod);
    const int virtKey = settings_.Get(kHotKeys[i].vir);
    // A code outside 0..255 gives no combination.
    rows_[i].box->SetHotKey(virtKey < 0 ? 0 : ShortCut(static_cast<unsigned>(virtKey), ShiftFromModifier(modifier)));
    BoxExit(i);
  }
}

void HotKeySet::BoxExit(int i) {
  TToviHotKey* key = rows_[i].key;
  key->SetHotKey(rows_[i].box->HotKey());
  key->SetActive(key->HotKey() != 0);
}

void HotKeySet::DeactivateHotKeys() {
  for (Row& row : rows_) row.key->SetActive(false);
}

}  // namespace toviwall
