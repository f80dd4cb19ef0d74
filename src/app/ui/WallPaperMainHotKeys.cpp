// The four global hot keys: a key-capture box on the Hotkeys page and a hot key
// component for each, with the pair of settings the combination is stored in.
#include <QAction>

#include "base/Settings.h"
#include "app/ui/WallPaperMain.h"
#include "desktop/ui/ToviHotKey.h"
#include "desktop/ui/ToviHotKeyBox.h"

namespace toviwall {
namespace {

// Leaving a box registers what it shows; an empty box deactivates its key.
void ApplyBox(TToviHotKey* key, const TToviHotKeyBox* box) {
  key->SetHotKey(box->HotKey());
  key->SetActive(key->HotKey() != 0);
}

}  // namespace

void TMainForm::BuildHotKeys() {
  struct Row {
    TToviHotKey*& component;
    TToviHotKeyBox* box;
    const keys::IntKey& mod;
    const keys::IntKey& vir;
    void (TMainForm::*exit)();
    void (TMainForm::*pressed)();
  };
  const Row rows[] = {
      {ToviHotKeyMainWin, HotKeyMainWin, keys::ShowMainMod, keys::ShowMainVir, &TMainForm::HotKeyMainWinExit,
       &TMainForm::ToviHotKeyMainWinHotKey},
      {ToviHotKeyChangeWall, HotKeyChangeWall, keys::ChangeWallMod, keys::ChangeWallVir,
       &TMainForm::HotKeyChangeWallExit, &TMainForm::ToviHotKeyChangeWallHotKey},
      {ToviHotKeyOpenCD, HotKeyOpenCD, keys::OpenCDMod, keys::OpenCDVir, &TMainForm::HotKeyOpenCDExit,
       &TMainForm::ToviHotKeyOpenCDHotKey},
      {ToviHotKeyCloseCD, HotKeyCloseCD, keys::CloseCDMod, keys::CloseCDVir, &TMainForm::HotKeyCloseCDExit,
       &TMainForm::ToviHotKeyCloseCDHotKey},
  };
  for (const Row& row : rows) {
    auto* component = new TToviHotKey(this, platform_.globalHotKeys.get());
    row.component = component;
    const keys::IntKey* mod = &row.mod;
    const keys::IntKey* vir = &row.vir;
    TToviHotKeyBox* box = row.box;
    component->OnHotKey = [this, pressed = row.pressed](QObject*) { RunHandler([&] { (this->*pressed)(); }); };
    // Success stores the pair; a refusal empties the box and stores 0, 0 without a word.
    component->OnHotKeyRegisterSuccess = [this, mod, vir](QObject*, TShortCut&, std::uint16_t& virtKey,
                                                          std::uint16_t& modifier) {
      Write(SettingsFile, *mod, modifier);
      Write(SettingsFile, *vir, virtKey);
    };
    component->OnHotKeyRegisterFailed = [this, box, mod, vir](QObject*, TShortCut& hotKey, std::uint16_t& virtKey,
                                                              std::uint16_t& modifier) {
      box->SetHotKey(hotKey);
      Write(SettingsFile, *mod, modifier);
      Write(SettingsFile, *vir, virtKey);
    };
    connect(box, &TToviHotKeyBox::Exit, this, Handler(row.exit));
  }
}

void TMainForm::LoadHotKeys() {
  const std::string& f = SettingsFile;
  LoadHotKeyBox(Read(f, keys::ShowMainMod), Read(f, keys::ShowMainVir), HotKeyMainWin);
  LoadHotKeyBox(Read(f, keys::ChangeWallMod), Read(f, keys::ChangeWallVir), HotKeyChangeWall);
  LoadHotKeyBox(Read(f, keys::OpenCDMod), Read(f, keys::OpenCDVir), HotKeyOpenCD);
  LoadHotKeyBox(Read(f, keys::CloseCDMod), Read(f, keys::CloseCDVir), HotKeyCloseCD);
}

void TMainForm::LoadHotKeyBox(int modifier, int virtKey, TToviHotKeyBox* box) {
  // A code outside 0..255 gives no combination.
  box->SetHotKey(virtKey < 0 ? 0 : ShortCut(static_cast<unsigned>(virtKey), ShiftFromModifier(modifier)));
  if (box == HotKeyMainWin)
    HotKeyMainWinExit();
  else if (box == HotKeyChangeWall)
    HotKeyChangeWallExit();
  else if (box == HotKeyOpenCD)
    HotKeyOpenCDExit();
  else if (box == HotKeyCloseCD)
    HotKeyCloseCDExit();
}

void TMainForm::HotKeyMainWinExit() { ApplyBox(ToviHotKeyMainWin, HotKeyMainWin); }
void TMainForm::HotKeyChangeWallExit() { ApplyBox(ToviHotKeyChangeWall, HotKeyChangeWall); }
void TMainForm::HotKeyOpenCDExit() { ApplyBox(ToviHotKeyOpenCD, HotKeyOpenCD); }
void TMainForm::HotKeyCloseCDExit() { ApplyBox(ToviHotKeyCloseCD, HotKeyCloseCD); }

void TMainForm::ToviHotKeyMainWinHotKey() { ActionShowMainWindow->trigger(); }
void TMainForm::ToviHotKeyChangeWallHotKey() { ChangeWallpaperNow(); }
void TMainForm::ToviHotKeyOpenCDHotKey() { OpenFirstCDDrive(); }
void TMainForm::ToviHotKeyCloseCDHotKey() { CloseFirstCDDrive(); }

void TMainForm::DeactivateHotKeys() {
  for (TToviHotKey* key : {ToviHotKeyMainWin, ToviHotKeyChangeWall, ToviHotKeyOpenCD, ToviHotKeyCloseCD})
    if (key) key->SetActive(false);
}

}  // namespace toviwall
