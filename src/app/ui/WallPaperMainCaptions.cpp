// Every caption of the main window, its menus and actions, from the language strings.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTreeView>

#include "base/AppIdentity.h"
#include "base/ui/Dialogs.h"
#include "base/UnitLanguage.h"
#include "app/ui/WallPaperMain.h"

namespace toviwall {
namespace {
QString T(int number) { return Q(S(number)); }
QString GroupCaption(int number) { return QStringLiteral(" ") + T(number) + QStringLiteral(" "); }
}  // namespace

void TMainForm::ApplyCaptions() {
  PageControl->setTabText(0, T(10011));
  ButtonAdd->setText(T(10012));
  ButtonSave->setText(T(10013));
  ButtonDelete->setText(T(10014));
  ButtonChange->setText(T(10015));
  ButtonNone->setText(T(10016));
  ButtonPrevious->setText(T(10017));
  ButtonNext->setText(T(10018));
  CheckBoxShowPreview->setText(T(10019));
  ButtonOK->setText(T(10005));
  ButtonHelp->setText(T(10020));
  ButtonAbout->setText(T(10021));
  if (auto* model = qobject_cast<QStandardItemModel*>(ListViewImage->model()))
    model->setHorizontalHeaderLabels({T(10022)});
  else if (ListViewImage->model())
    ListViewImage->model()->setHeaderData(0, Qt::Horizontal, T(10022));
  ListViewImage->setProperty("columnCaption", T(10022));

  PageControl->setTabText(1, T(10023));
  GroupBoxDesktop->setTitle(GroupCaption(10023));
  CheckBoxHideDesktopIcon->setText(T(10024));
  CheckBoxAutoChange->setText(T(10025));
  CheckBoxRandomizeWall->setText(T(10026));
  LabelInterval->setText(T(10027));
  LabelFilling->setText(T(10028));
  CheckBoxTransparentBack->setText(T(10029));
  LabelTextColor->setText(T(10030));
  CheckBoxCustomIcon->setText(T(10031));
  ButtonChangeIcon->setText(T(10032));

  PageControl->setTabText(2, T(10033));
  GroupBoxOptions->setTitle(GroupCaption(10033));
  CheckBoxStartWithWin->setText(T(10034));
  CheckBoxNoExitDialog->setText(T(10035));
  CheckBoxDoNotHide->setText(T(10036));
  LabelDblClick->setText(T(10038));
  RBShowMain->setText(T(10039));
  RBChangeWall->setText(T(10040));
  RBLockWork->setText(T(10041));
  RadioButtonScrSave->setText(T(10042));
  LabelImageFolder->setText(T(10043));

  PageControl->setTabText(3, T(10044));
  GroupBoxHotkeys->setTitle(GroupCaption(10044));
  LabelHotKeyMainWin->setText(T(10039) + QStringLiteral(":"));
  LabelHotKeyChangeWall->setText(T(10040) + QStringLiteral(":"));
  LabelCDDrive->setText(T(10045));
  LabelOpenCD->setText(T(10046));
  LabelCloseCD->setText(T(10047));

  // The list's pop-up menu shows the actions, whose captions follow below.
  TBItemRightChange->setText(T(10015));

  // Tray menu items that are not actions.
  TBSubmenuItemDisplay->setTitle(T(10049));
  TBItemDisplayMode->setTitle(T(10051));
  TBSubmenuCDRom->setTitle(T(10052));
  TBSubmenuItemExitWin->setTitle(T(10053));
  TBSubmenuItemPopupOptions->setTitle(T(10033));
  TBItemHide->setText(T(10037));
  TBItemAutoChange->setText(T(10059));
  TBItemAbout->setText(T(10021) + QStringLiteral(" ") + QString::fromUtf8(kTitle));
  TBItemExit->setText(T(10060));

  FillFillingTypes();

  ActionAddImage->setText(T(10012));
  ActionSaveList->setText(T(10013));
  ActionDeleteImage->setText(T(10014));
  ActionSelectAll->setText(T(10048));
  ActionHelp->setText(T(10020));
  ActionShowAbout->setText(T(10021));
  ActionHideDesktopIcon->setText(T(10037));
  ActionActivateWallChanger->setText(T(10059));
  ActionChangeTextColor->setText(T(10015));
  ActionStartWithWin->setText(T(10034));
  ActionChange->setText(T(10015));
  ActionLockWorkStation->setText(T(10041));
  ActionActivateScreenSave->setText(T(10042));
  ActionOpenDisplayProperties->setText(T(10061));
  ActionShowMainWindow->setText(T(10039));
  // Buttons and check boxes linked to an action now show the action's caption.
}

void TMainForm::FillFillingTypes() {
  ComboBoxFilling->clear();
  for (int number = 10076; number <= 10080; ++number) ComboBoxFilling->addItem(T(number));
}

}  // namespace toviwall
