// The Desktop page's desktop-icon controls, offscreen against a recording
// desktop, built on the parts the main window hands it: hiding with its
// notification, the caption colour dialog and its sixteen custom colours, the
// transparent background, the watchdog's colour.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QColorDialog>
#include <QEventLoop>
#include <QMessageBox>
#include <QTimer>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>

#include "FeatureParts.h"
#include "app/ui/DesktopPage.h"
#include "base/IniFile.h"
#include "image/BitmapFile.h"

namespace toviwall {
namespace {

class DesktopIconsPageTest : public ::testing::Test {
 protected:
  void Start(const std::string& settingsText) {
    parts.Store("[Option]\nImage Folder=" + parts.dir.Path() + "\n" + settingsText);
    page.reset();
    page = std::make_unique<DesktopPage>(
        parts.window.window, DesktopPage::Parts{parts.settings, *fake.icons, *fake.desktop, parts.captions, parts.env});
    page->ReadSettings();
  }
  // Runs `act`; each modal window that opens meanwhile goes to `answer`.
  int WithModal(const std::function<void()>& act, const std::function<void(QWidget*)>& answer) {
    int opened = 0;
    QTimer probe;
    QObject::connect(&probe, &QTimer::timeout, [&] {
      if (QWidget* modal = QApplication::activeModalWidget()) {
        ++opened;
        answer(modal);
      }
    });
    probe.start(5);
    act();
    return opened;
  }
  QAction* Hide() { return page->ActionHideDesktopIcon(); }
  std::string Ini(const char* section, const char* key) { return parts.Ini(section, key); }

  test::FeatureParts parts;
  test::FakePlatform& fake = parts.fake;
  std::string& settings = parts.paths.settingsFile;
  std::unique_ptr<DesktopPage> page;
};

TEST_F(DesktopIconsPageTest, HidingNotifiesUntilToldNotToAndTheDesktopFollows) {
  Start("[Desktop]\nAutoChangeWallpaper=0\n");
  EXPECT_FALSE(fake.icons->hidden);
  auto tickAndOk = [](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->text().contains(QStringLiteral("Hiding desktop icon turns the icons off in the desktop")));
    EXPECT_EQ(box->text().count(QStringLiteral("\r\n")), 3);
    box->checkBox()->setChecked(true);
    box->button(QMessageBox::Ok)->click();
  };
  EXPECT_EQ(WithModal([&] { Hide()->trigger(); }, tickAndOk), 1);
  EXPECT_TRUE(fake.icons->hidden);
  EXPECT_EQ(Ini("Option", "HideDesktopIcon"), "1");
  EXPECT_EQ(Ini("Dialogs", "DontShowHideDialog"), "1");
  // Showing never asks; the next hide does not either now.
  EXPECT_EQ(WithModal([&] { Hide()->trigger(); }, tickAndOk), 0);
  EXPECT_FALSE(fake.icons->hidden);
  EXPECT_EQ(WithModal([&] { Hide()->trigger(); }, tickAndOk), 0);
  EXPECT_TRUE(fake.icons->hidden);
  // The next start hides them again.
  fake.icons->hidden = false;
  page->ReadSettings();
  EXPECT_TRUE(fake.icons->hidden);
}

TEST_F(DesktopIconsPageTest, TheColourDialogStoresNothingOnCancelAndSixteenColoursOnOk) {
  Start("[Desktop]\nAutoChangeWallpaper=0\n[CustomColor]\nMine=0000FF\nColorB=zz\n");
  QAction* change = parts.window.window.findChild<QAction*>(QStringLiteral("ActionChangeTextColor"));
  const std::string before = test::ReadFile(settings);
  EXPECT_EQ(WithModal([&] { change->trigger(); }, [](QWidget* w) { static_cast<QDialog*>(w)->reject(); }), 1);
  EXPECT_EQ(test::ReadFile(settings), before);

  EXPECT_EQ(WithModal([&] { change->trigger(); },
                      [](QWidget* w) {
                        auto* dialog = qobject_cast<QColorDialog*>(w);
                        ASSERT_NE(dialog, nullptr);
                        EXPECT_EQ(QColorDialog::customColor(0), QColor(Qt::red)) << "Mine=0000FF is red";
                        EXPECT_EQ(QColorDialog::customColor(1), QColor(Qt::white));
                        QColorDialog::setCustomColor(2, QColor(0, 0, 255));
                        dialog->setCurrentColor(QColor(0, 128, 0));
                        dialog->accept();
                      }),
            1);
  EXPECT_EQ(fake.icons->textColour, 0x008000u);
  EXPECT_EQ(Ini("Colors", "CurColor"), std::to_string(0x008000));
  // By position, whatever names the lines had; untouched texts stay as they were.
  EXPECT_EQ(Ini("CustomColor", "ColorA"), "0000FF");
  EXPECT_EQ(Ini("CustomColor", "ColorB"), "zz");
  EXPECT_EQ(Ini("CustomColor", "ColorC"), "FF0000");
  EXPECT_EQ(Ini("CustomColor", "ColorP"), "FFFFFF");
}

TEST_F(DesktopIconsPageTest, TransparentCaptionsAndTheChosenColourComeBackAtTheTick) {
  const std::string picture = parts.dir / "a.bmp";
  SaveBitmapFile(Bitmap24(8, 6, 10, 20, 30), picture);
  Start("AutoChangeWallpaper=1\nInterval=66\nCurrentIndex=0\n[Colors]\nCurColor=255\n");
  EXPECT_EQ(fake.icons->textColour, 255u) << "the stored colour is applied at start";
  EXPECT_FALSE(fake.icons->transparent);
  page->Page()->findChild<QCheckBox*>(QStringLiteral("CheckBoxTransparentBack"))->click();
  EXPECT_TRUE(fake.icons->transparent);
  EXPECT_EQ(Ini("Desktop", "Transparent"), "1");

  setenv("TOVIWALL_TICK_MS", "20", 1);
  parts.Load({picture});
  auto rotation = parts.Rotation();
  unsetenv("TOVIWALL_TICK_MS");
  rotation->ApplyStoredIndex();
  rotation->EnableChangeTimer();
  fake.icons->textColour = 0x00FF00;  // another program's colour
  IniWriteString(settings, "Colors", "CurColor", "0");
  EXPECT_TRUE(test::WaitFor([&] { return fake.icons->textColour == 255u; }, 5000, 5));
  EXPECT_EQ(Ini("Colors", "CurColor"), "255");
}

// A desktop without a caption colour setting: the colour controls are
// disabled and say why, rather than doing nothing.
TEST_F(DesktopIconsPageTest, WithoutACaptionColourSettingTheColourControlsSayWhy) {
  fake.icons->cannotColour = "caja has no setting for its desktop captions' colour.";
  Start("");
  for (const char* name : {"CheckBoxTransparentBack", "PanelColor", "LabelTextColor"}) {
    auto* control = page->Page()->findChild<QWidget*>(name);
    ASSERT_NE(control, nullptr) << name;
    EXPECT_FALSE(control->isEnabled()) << name;
    EXPECT_EQ(control->toolTip(), QString::fromStdString(fake.icons->cannotColour)) << name;
  }
  fake.icons->cannotColour.clear();
  Start("");
  EXPECT_TRUE(page->Page()->findChild<QWidget*>("PanelColor")->isEnabled());
}

}  // namespace
}  // namespace toviwall
