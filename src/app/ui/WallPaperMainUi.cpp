// The main window's controls, actions and menus. Captions come later, from the
// language strings (WallPaperMainCaptions.cpp); here only structure and names.
#include <QAbstractButton>
#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QTabWidget>
#include <QTreeView>
#include <QVBoxLayout>

#include "app/ui/HelpViewer.h"
#include "app/ui/WallPaperMain.h"
#include "desktop/ui/ToviHotKeyBox.h"
#include "imagelist/ui/ImageListView.h"

namespace toviwall {
namespace {

template <class W>
W* Named(W* w, const char* name) {
  w->setObjectName(QString::fromLatin1(name));
  return w;
}

QAction* NamedAction(QObject* owner, const char* name) {
  auto* a = new QAction(owner);
  a->setObjectName(QString::fromLatin1(name));
  return a;
}

// A button that stands for an action: it shows the action's caption and state and
// runs the action when pressed.
void LinkButton(QAbstractButton* button, QAction* action) {
  auto sync = [button, action] {
    button->setText(action->text());
    button->setEnabled(action->isEnabled());
    button->setVisible(action->isVisible());
    if (action->isCheckable()) button->setChecked(action->isChecked());
  };
  QObject::connect(action, &QAction::changed, button, sync);
  QObject::connect(action, &QAction::toggled, button, [button](bool on) { button->setChecked(on); });
  QObject::connect(button, &QAbstractButton::clicked, action, [action] { action->trigger(); });
  sync();
}

// Clicks on a plain label (the colour box) run an action.
class ClickToAction final : public QObject {
 public:
  ClickToAction(QWidget* target, QAction* action) : QObject(target), action_(action) {
    target->installEventFilter(this);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
      action_->trigger();
      return true;
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  QAction* action_;
};

}  // namespace

void TMainForm::BuildActions() {
  ActionAddImage = NamedAction(this, "ActionAddImage");
  ActionSaveList = NamedAction(this, "ActionSaveList");
  ActionDeleteImage = NamedAction(this, "ActionDeleteImage");
  ActionSelectAll = NamedAction(this, "ActionSelectAll");
  ActionHelp = NamedAction(this, "ActionHelp");
  ActionShowAbout = NamedAction(this, "ActionShowAbout");
  ActionHideDesktopIcon = NamedAction(this, "ActionHideDesktopIcon");
  ActionHideDesktopIcon->setCheckable(true);
  ActionActivateWallChanger = NamedAction(this, "ActionActivateWallChanger");
  ActionActivateWallChanger->setCheckable(true);
  ActionChangeTextColor = NamedAction(this, "ActionChangeTextColor");
  ActionStartWithWin = NamedAction(this, "ActionStartWithWin");
  ActionStartWithWin->setCheckable(true);
  ActionChange = NamedAction(this, "ActionChange");
  ActionLockWorkStation = NamedAction(this, "ActionLockWorkStation");
  ActionActivateScreenSave = NamedAction(this, "ActionActivateScreenSave");
  ActionOpenDisplayProperties = NamedAction(this, "ActionOpenDisplayProperties");
  ActionShowMainWindow = NamedAction(this, "ActionShowMainWindow");
}

QWidget* TMainForm::BuildImageListPage() {
  auto* page = Named(new QWidget, "TabSheetImageList");
  auto* column = new QVBoxLayout(page);
  auto* row = new QHBoxLayout;
  column->addLayout(row, 1);
  ListViewImage = Named(new TImageListView(page), "ListViewImage");
  ListViewImage->setContextMenuPolicy(Qt::CustomContextMenu);
  ListViewImage->Attach(imageList_.Rows());
  row->addWidget(ListViewImage, 1);

  auto* buttons = new QVBoxLayout;
  ButtonAdd = Named(new QPushButton(page), "ButtonAdd");
  ButtonSave = Named(new QPushButton(page), "ButtonSave");
  ButtonDelete = Named(new QPushButton(page), "ButtonDelete");
  ButtonChange = Named(new QPushButton(page), "ButtonChange");
  ButtonNone = Named(new QPushButton(page), "ButtonNone");
  ButtonPrevious = Named(new QPushButton(page), "ButtonPrevious");
  ButtonNext = Named(new QPushButton(page), "ButtonNext");
  for (QPushButton* b : {ButtonAdd, ButtonSave, ButtonDelete}) buttons->addWidget(b);
  buttons->addSpacing(12);
  for (QPushButton* b : {ButtonChange, ButtonNone, ButtonPrevious, ButtonNext}) buttons->addWidget(b);
  buttons->addStretch(1);
  row->addLayout(buttons);
  LinkButton(ButtonAdd, ActionAddImage);
  LinkButton(ButtonSave, ActionSaveList);
  LinkButton(ButtonDelete, ActionDeleteImage);

  CheckBoxShowPreview = Named(new QCheckBox(page), "CheckBoxShowPreview");
  column->addWidget(CheckBoxShowPreview);

  TBListPopupMenu = Named(new QMenu(this), "TBListPopupMenu");
  TBListPopupMenu->addAction(ActionAddImage);
  TBListPopupMenu->addAction(ActionSaveList);
  TBListPopupMenu->addAction(ActionDeleteImage);
  TBListPopupMenu->addSeparator();
  TBListPopupMenu->addAction(ActionSelectAll);
  TBListPopupMenu->addSeparator();
  return page;
}

QWidget* TMainForm::BuildDesktopPage() {
  auto* page = Named(new QWidget, "TabSheetDesktop");
  auto* outer = new QVBoxLayout(page);
  GroupBoxDesktop = Named(new QGroupBox(page), "GroupBoxDesktop");
  outer->addWidget(GroupBoxDesktop);
  auto* grid = new QGridLayout(GroupBoxDesktop);
  int r = 0;
  CheckBoxHideDesktopIcon = Named(new QCheckBox(GroupBoxDesktop), "CheckBoxHideDesktopIcon");
  grid->addWidget(CheckBoxHideDesktopIcon, r++, 0, 1, 3);
  CheckBoxAutoChange = Named(new QCheckBox(GroupBoxDesktop), "CheckBoxAutoChange");
  grid->addWidget(CheckBoxAutoChange, r++, 0, 1, 3);
  CheckBoxRandomizeWall = Named(new QCheckBox(GroupBoxDesktop), "CheckBoxRandomizeWall");
  auto* randomRow = new QHBoxLayout;  // indented: it belongs to the automatic change
  randomRow->addSpacing(20);
  randomRow->addWidget(CheckBoxRandomizeWall, 1);
  grid->addLayout(randomRow, r++, 0, 1, 3);
  LabelInterval = Named(new QLabel(GroupBoxDesktop), "LabelInterval");
  ComboBoxUpdate = Named(new QComboBox(GroupBoxDesktop), "ComboBoxUpdate");
  ComboBoxUpdate->setMaxVisibleItems(16);
  grid->addWidget(LabelInterval, r, 0);
  grid->addWidget(ComboBoxUpdate, r++, 1);
  LabelFilling = Named(new QLabel(GroupBoxDesktop), "LabelFilling");
  ComboBoxFilling = Named(new QComboBox(GroupBoxDesktop), "ComboBoxFilling");
  grid->addWidget(LabelFilling, r, 0);
  grid->addWidget(ComboBoxFilling, r++, 1);
  CheckBoxTransparentBack = Named(new QCheckBox(GroupBoxDesktop), "CheckBoxTransparentBack");
  grid->addWidget(CheckBoxTransparentBack, r++, 0, 1, 3);
  LabelTextColor = Named(new QLabel(GroupBoxDesktop), "LabelTextColor");
  PanelColor = Named(new QLabel(GroupBoxDesktop), "PanelColor");
  PanelColor->setFixedSize(40, 18);
  PanelColor->setFrameShape(QFrame::Box);
  PanelColor->setAutoFillBackground(true);
  PanelColor->setToolTip(QStringLiteral("Click the box to change"));
  PanelColor->setContextMenuPolicy(Qt::CustomContextMenu);
  PanelColor->setCursor(Qt::PointingHandCursor);
  grid->addWidget(LabelTextColor, r, 0);
  grid->addWidget(PanelColor, r++, 1, Qt::AlignLeft);
  CheckBoxCustomIcon = Named(new QCheckBox(GroupBoxDesktop), "CheckBoxCustomIcon");
  ImageMainIcon = Named(new QLabel(GroupBoxDesktop), "ImageMainIcon");
  ImageMainIcon->setFixedSize(20, 20);
  ImageMainIcon->setAlignment(Qt::AlignCenter);
  ImageMainIcon->setPixmap(QIcon(QStringLiteral(":/icons/toviwall.png")).pixmap(16, 16));
  ButtonChangeIcon = Named(new QPushButton(GroupBoxDesktop), "ButtonChangeIcon");
  auto* iconRow = new QHBoxLayout;
  iconRow->addWidget(CheckBoxCustomIcon);
  iconRow->addStretch(1);
  iconRow->addWidget(ImageMainIcon);
  iconRow->addWidget(ButtonChangeIcon);
  grid->addLayout(iconRow, r++, 0, 1, 3);
  grid->setColumnStretch(2, 1);
  grid->setRowStretch(r, 1);
  outer->addStretch(1);

  LinkButton(CheckBoxHideDesktopIcon, ActionHideDesktopIcon);
  LinkButton(CheckBoxAutoChange, ActionActivateWallChanger);
  PanelColorPopupMenu = Named(new QMenu(this), "PanelColorPopupMenu");
  TBItemRightChange = PanelColorPopupMenu->addAction(QString());
  TBItemRightChange->setObjectName(QStringLiteral("TBItemRightChange"));
  connect(TBItemRightChange, &QAction::triggered, ActionChangeTextColor, &QAction::trigger);
  connect(PanelColor, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { PanelColorPopupMenu->popup(PanelColor->mapToGlobal(at)); });
  new ClickToAction(PanelColor, ActionChangeTextColor);  // owned by PanelColor
  return page;
}

QWidget* TMainForm::BuildOptionsPage() {
  auto* page = Named(new QWidget, "TabSheetOptions");
  auto* outer = new QVBoxLayout(page);
  GroupBoxOptions = Named(new QGroupBox(page), "GroupBoxOptions");
  outer->addWidget(GroupBoxOptions);
  auto* box = new QVBoxLayout(GroupBoxOptions);
  CheckBoxStartWithWin = Named(new QCheckBox(GroupBoxOptions), "CheckBoxStartWithWin");
  CheckBoxNoExitDialog = Named(new QCheckBox(GroupBoxOptions), "CheckBoxNoExitDialog");
  CheckBoxDoNotHide = Named(new QCheckBox(GroupBoxOptions), "CheckBoxDoNotHide");
  for (QCheckBox* c : {CheckBoxStartWithWin, CheckBoxNoExitDialog, CheckBoxDoNotHide}) box->addWidget(c);
  LinkButton(CheckBoxStartWithWin, ActionStartWithWin);
  LabelDblClick = Named(new QLabel(GroupBoxOptions), "LabelDblClick");
  box->addWidget(LabelDblClick);
  RBShowMain = Named(new QRadioButton(GroupBoxOptions), "RBShowMain");
  RBChangeWall = Named(new QRadioButton(GroupBoxOptions), "RBChangeWall");
  RBLockWork = Named(new QRadioButton(GroupBoxOptions), "RBLockWork");
  RadioButtonScrSave = Named(new QRadioButton(GroupBoxOptions), "RadioButtonScrSave");
  auto* radios = new QGridLayout;
  radios->setContentsMargins(16, 0, 0, 0);
  radios->addWidget(RBShowMain, 0, 0);
  radios->addWidget(RBChangeWall, 0, 1);
  radios->addWidget(RBLockWork, 1, 0);
  radios->addWidget(RadioButtonScrSave, 1, 1);
  box->addLayout(radios);
  LabelImageFolder = Named(new QLabel(GroupBoxOptions), "LabelImageFolder");
  EditImageFolder = Named(new QLineEdit(GroupBoxOptions), "EditImageFolder");
  ButtonImageFolder = Named(new QPushButton(QStringLiteral("..."), GroupBoxOptions), "ButtonImageFolder");
  ButtonImageFolder->setFixedWidth(ButtonImageFolder->fontMetrics().horizontalAdvance(QStringLiteral("....")) + 16);
  box->addWidget(LabelImageFolder);
  auto* folderRow = new QHBoxLayout;
  folderRow->addWidget(EditImageFolder, 1);
  folderRow->addWidget(ButtonImageFolder);
  box->addLayout(folderRow);
  box->addStretch(1);
  outer->addStretch(1);
  return page;
}

QWidget* TMainForm::BuildHotkeysPage() {
  auto* page = Named(new QWidget, "TabSheetHotkeys");
  auto* outer = new QVBoxLayout(page);
  GroupBoxHotkeys = Named(new QGroupBox(page), "GroupBoxHotkeys");
  outer->addWidget(GroupBoxHotkeys);
  auto* grid = new QGridLayout(GroupBoxHotkeys);
  LabelHotKeyMainWin = Named(new QLabel(GroupBoxHotkeys), "LabelHotKeyMainWin");
  HotKeyMainWin = Named(new TToviHotKeyBox(platform_.globalHotKeys.get(), GroupBoxHotkeys), "HotKeyMainWin");
  LabelHotKeyChangeWall = Named(new QLabel(GroupBoxHotkeys), "LabelHotKeyChangeWall");
  HotKeyChangeWall = Named(new TToviHotKeyBox(platform_.globalHotKeys.get(), GroupBoxHotkeys), "HotKeyChangeWall");
  LabelCDDrive = Named(new QLabel(GroupBoxHotkeys), "LabelCDDrive");
  LabelOpenCD = Named(new QLabel(GroupBoxHotkeys), "LabelOpenCD");
  HotKeyOpenCD = Named(new TToviHotKeyBox(platform_.globalHotKeys.get(), GroupBoxHotkeys), "HotKeyOpenCD");
  LabelCloseCD = Named(new QLabel(GroupBoxHotkeys), "LabelCloseCD");
  HotKeyCloseCD = Named(new TToviHotKeyBox(platform_.globalHotKeys.get(), GroupBoxHotkeys), "HotKeyCloseCD");
  grid->addWidget(LabelHotKeyMainWin, 0, 0, 1, 2);
  grid->addWidget(HotKeyMainWin, 1, 0, 1, 2);
  grid->addWidget(LabelHotKeyChangeWall, 2, 0, 1, 2);
  grid->addWidget(HotKeyChangeWall, 3, 0, 1, 2);
  grid->addWidget(LabelCDDrive, 4, 0, 1, 2);
  grid->addWidget(LabelOpenCD, 5, 0);
  grid->addWidget(HotKeyOpenCD, 5, 1);
  grid->addWidget(LabelCloseCD, 6, 0);
  grid->addWidget(HotKeyCloseCD, 6, 1);
  grid->setColumnStretch(1, 1);
  outer->addStretch(1);
  return page;
}

void TMainForm::BuildTrayMenu() {
  TBPopupMenu = Named(new QMenu(this), "TBPopupMenu");
  TBItemShow = ActionShowMainWindow;
  TBPopupMenu->addAction(TBItemShow);
  TBItemChange = ActionChange;
  TBPopupMenu->addAction(TBItemChange);
  TBItemLock = ActionLockWorkStation;
  TBPopupMenu->addAction(TBItemLock);
  TBItemScrSave = ActionActivateScreenSave;
  TBPopupMenu->addAction(TBItemScrSave);
  TBPopupMenu->addSeparator();
  TBSubmenuItemDisplay = Named(TBPopupMenu->addMenu(QString()), "TBSubmenuItemDisplay");
  TBItemShowDisplay = ActionOpenDisplayProperties;
  TBSubmenuItemDisplay->addAction(TBItemShowDisplay);
  TBSubmenuItemDisplay->addSeparator();
  TBItemDisplayMode = Named(TBSubmenuItemDisplay->addMenu(QString()), "TBItemDisplayMode");
  TBSubmenuCDRom = Named(TBPopupMenu->addMenu(QString()), "TBSubmenuCDRom");
  TBSubmenuCDRom->menuAction()->setVisible(false);  // shown once a CD drive is found
  TBSubmenuItemExitWin = Named(TBPopupMenu->addMenu(QString()), "TBSubmenuItemExitWin");
  TBPopupMenu->addSeparator();
  TBSubmenuItemPopupOptions = Named(TBPopupMenu->addMenu(QString()), "TBSubmenuItemPopupOptions");
  TBItemStartWithWin = ActionStartWithWin;
  TBSubmenuItemPopupOptions->addAction(TBItemStartWithWin);
  // The automatic-change and hide items carry captions of their own, so they are
  // items that mirror their actions rather than the actions themselves.
  TBItemAutoChange = NamedAction(this, "TBItemAutoChange");
  TBItemAutoChange->setCheckable(true);
  TBSubmenuItemPopupOptions->addAction(TBItemAutoChange);
  TBItemHide = NamedAction(this, "TBItemHide");
  TBItemHide->setCheckable(true);
  TBSubmenuItemPopupOptions->addAction(TBItemHide);
  for (auto [item, action] : {std::pair{TBItemAutoChange, ActionActivateWallChanger},
                              std::pair{TBItemHide, ActionHideDesktopIcon}}) {
    connect(action, &QAction::toggled, item, &QAction::setChecked);
    connect(item, &QAction::triggered, this, [item, action] {
      item->setChecked(action->isChecked());  // the action decides the state
      action->trigger();
    });
  }
  TBPopupMenu->addSeparator();
  TBItemAbout = NamedAction(this, "TBItemAbout");
  connect(TBItemAbout, &QAction::triggered, ActionShowAbout, &QAction::trigger);
  TBPopupMenu->addAction(TBItemAbout);
  TBItemHelp = ActionHelp;
  TBPopupMenu->addAction(TBItemHelp);
  TBPopupMenu->addSeparator();
  TBItemExit = NamedAction(this, "TBItemExit");
  TBPopupMenu->addAction(TBItemExit);
}

void TMainForm::BuildControls() {
  BuildActions();
  auto* layout = new QVBoxLayout(this);
  PageControl = Named(new QTabWidget(this), "PageControl");
  TabSheetImageList = BuildImageListPage();
  TabSheetDesktop = BuildDesktopPage();
  TabSheetOptions = BuildOptionsPage();
  TabSheetHotkeys = BuildHotkeysPage();
  for (QWidget* page : {TabSheetImageList, TabSheetDesktop, TabSheetOptions, TabSheetHotkeys})
    PageControl->addTab(page, QString());
  layout->addWidget(PageControl, 1);

  auto* bottom = new QHBoxLayout;
  LabelInfo = Named(new QLabel(this), "LabelInfo");
  ButtonOK = Named(new QPushButton(this), "ButtonOK");
  ButtonHelp = Named(new QPushButton(this), "ButtonHelp");
  ButtonAbout = Named(new QPushButton(this), "ButtonAbout");
  bottom->addWidget(LabelInfo, 1);
  LabelInfo->setMinimumWidth(0);
  for (QPushButton* b : {ButtonOK, ButtonHelp, ButtonAbout}) {
    // Compact buttons leave the information label room for its longest texts.
    b->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    b->setMinimumWidth(0);
    bottom->addWidget(b);
  }
  layout->addLayout(bottom);
  LinkButton(ButtonHelp, ActionHelp);
  LinkButton(ButtonAbout, ActionShowAbout);

  ToviStatusBar = Named(new QStatusBar(this), "ToviStatusBar");
  ToviStatusBar->setSizeGripEnabled(false);
  layout->addWidget(ToviStatusBar);

  BuildTrayMenu();
  BuildTrayIcon();
  BuildHotKeys();
}

void TMainForm::SetHelpContexts() {
  const std::pair<QWidget*, int> contexts[] = {
      {ListViewImage, 1001},        {ButtonAdd, 1002},          {ButtonSave, 1003},
      {ButtonDelete, 1004},         {ButtonChange, 1005},       {ButtonNone, 1006},
      {ButtonPrevious, 1007},       {ButtonNext, 1008},         {CheckBoxAutoChange, 2003},
      {CheckBoxRandomizeWall, 2004}, {ComboBoxUpdate, 2005},    {ComboBoxFilling, 2006},
      {CheckBoxTransparentBack, 2007}, {PanelColor, 2008},      {CheckBoxStartWithWin, 3001},
      {CheckBoxNoExitDialog, 3003}, {CheckBoxDoNotHide, 3004},  {RBShowMain, 3005},
      {RBChangeWall, 3006},         {RBLockWork, 3008},         {HotKeyMainWin, 4001},
      {HotKeyChangeWall, 4002},     {HotKeyOpenCD, 4003},       {HotKeyCloseCD, 4004},
      {ButtonAbout, 5001},          {ButtonHelp, 5002},         {ButtonOK, 5003},
  };
  for (auto [widget, context] : contexts) Help().SetHelpContext(widget, context);
}

}  // namespace toviwall
