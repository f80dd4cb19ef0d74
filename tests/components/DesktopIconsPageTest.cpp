// The Desktop page's desktop-icon controls, offscreen against a recording
// desktop: hiding with its notification, the caption colour dialog and its
// sixteen custom colours, the transparent background, the watchdog's colour.
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

#include "app/ui/DesktopPage.h"
#include "app/ui/WallPaperMain.h"
#include "base/IniFile.h"
#include "image/BitmapFile.h"
#include "support/FakePlatform.h"
#include "support/TestSession.h"

namespace toviwall {
namespace {

class DesktopIconsPageTest : public ::testing::Test {
 protected:
  void Start(const std::string& settingsText) {
    SaveBitmapFile(Bitmap24(8, 6, 10, 20, 30), picture);
    std::ofstream(dir / "toviwall.lst") << picture << "\r\n";
    std::ofstream(settings) << "[Option]\nImage Folder=" << dir.Path() << "\n" << settingsText;
    form = std::make_unique<TMainForm>(test::EnvironmentIn(dir.Path(), settings), *fake.platform);
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
  QAction* Hide() { return form->findChild<QAction*>(QStringLiteral("ActionHideDesktopIcon")); }
  std::string Ini(const char* section, const char* key) { return IniReadString(settings, section, key, "<none>"); }

  test::TempDir dir;
  std::string settings = dir / "toviwall.ini", picture = dir / "a.bmp";
  test::FakePlatform fake;
  std::unique_ptr<TMainForm> form;
};

TEST_F(DesktopIconsPageTest, HidingNotifiesUntilToldNotToAndTheDesktopFollows) {
  Start("[Desktop]\nAutoChangeWallpaper=0\n");
  EXPECT_FALSE(fake.icons->hidden);
  auto tickAndOk = [](QWidget* w) {
    auto* box = qobject_cast<QMessageBox*>(w);
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->text().contains(QStringLiteral("Hiding desktop icon prevents the mouse right click")));
    EXPECT_EQ(box->text().count(QStringLiteral("\r\n")), 3);
    box->checkBox()->setChecked(true);
    box->button(QMessageBox::Ok)->click();
  };
  EXPECT_EQ(WithModal([&] { Hide()->trigger(); }, tickAndOk), 1);
  EXPECT_TRUE(fake.icons->hidden);
  EXPECT_EQ(Ini("Option", "HideDesktopIcon"), "1");
  EXPECT_EQ(Ini("Dialogs", "DontShowHideDialog"), "1");
  EXPECT_TRUE(form->findChild<QCheckBox*>(QStringLiteral("CheckBoxDoNotHide"))->isChecked());
  // Showing never asks; the next hide does not either now.
  EXPECT_EQ(WithModal([&] { Hide()->trigger(); }, tickAndOk), 0);
  EXPECT_FALSE(fake.icons->hidden);
  EXPECT_EQ(WithModal([&] { Hide()->trigger(); }, tickAndOk), 0);
  EXPECT_TRUE(fake.icons->hidden);
  // The next start hides them again.
  fake.icons->hidden = false;
  form.reset();
  form = std::make_unique<TMainForm>(test::EnvironmentIn(dir.Path(), settings), *fake.platform);
  EXPECT_TRUE(fake.icons->hidden);
}

TEST_F(DesktopIconsPageTest, TheColourDialogStoresNothingOnCancelAndSixteenColoursOnOk) {
  Start("[Desktop]\nAutoChangeWallpaper=0\n[CustomColor]\nMine=0000FF\nColorB=zz\n");
  QAction* change = form->findChild<QAction*>(QStringLiteral("ActionChangeTextColor"));
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
  setenv("TOVIWALL_TICK_MS", "20", 1);
  Start("AutoChangeWallpaper=1\nInterval=66\nCurrentIndex=0\n[Colors]\nCurColor=255\n");
  unsetenv("TOVIWALL_TICK_MS");
  EXPECT_EQ(fake.icons->textColour, 255u) << "the stored colour is applied at start";
  EXPECT_FALSE(fake.icons->transparent);
  form->findChild<QCheckBox*>(QStringLiteral("CheckBoxTransparentBack"))->click();
  EXPECT_TRUE(fake.icons->transparent);
  EXPECT_EQ(Ini("Desktop", "Transparent"), "1");

  fake.icons->textColour = 0x00FF00;  // another program's colour
  IniWriteString(settings, "Colors", "CurColor", "0");
  QEventLoop loop;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
    if (fake.icons->textColour == 255u) loop.quit();
  });
  poll.start(5);
  QTimer::singleShot(5000, &loop, &QEventLoop::quit);
  loop.exec();
  EXPECT_EQ(fake.icons->textColour, 255u);
  EXPECT_EQ(Ini("Colors", "CurColor"), "255");
}

}  // namespace
}  // namespace toviwall
