// The image list, its file and the image folder.
#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeDatabase>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <chrono>
#include <cmath>

#include "base/AppIdentity.h"
#include "base/AtomicFile.h"
#include "base/ui/Dialogs.h"
#include "base/Settings.h"
#include "base/UnitLanguage.h"
#include "app/ui/WallPaperMain.h"
#include "imagelist/ui/ImageListView.h"

namespace toviwall {
namespace {

std::int64_t SteadyMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// How often a long batch lets the window handle what is pending. Doing it after
// every file would cost more than the files themselves.
constexpr std::int64_t kPumpEveryMs = 15;

}  // namespace

void TMainForm::ResetListIcons() {
  imageList_.ResetIcons();
  ListViewImage->Model()->ResetIcons(QIcon(QStringLiteral(":/NMAIN008")));  // the current-wallpaper marker
}

int TMainForm::FileTypeIcon(const std::string& path) {
  // The icon theme's icon for the file's type, else the one the style draws for
  // any file; asked once per type group.
  QMimeType type = QMimeDatabase().mimeTypeForFile(Q(path), QMimeDatabase::MatchExtension);
  QIcon icon = QIcon::fromTheme(type.iconName());
  if (icon.isNull()) icon = QIcon::fromTheme(type.genericIconName());
  if (icon.isNull()) icon = QFileIconProvider().icon(QFileInfo(Q(path)));
  if (icon.isNull()) return -1;
  return ListViewImage->Model()->AddIcon(icon);
}

bool TMainForm::ConfirmManyImages(std::size_t count) {
  if (Read(SettingsFile, keys::ConfirmTotalDialog)) return true;
  const std::string crlf = "\r\n";
  std::string text = FormatText(S(10101), {kTitle, static_cast<long long>(count), crlf, crlf, crlf, S(10102)});
  // The message box beeps before it shows.
  AskAnswer answer = AskWithDontShowAgain(Q(text), QMessageBox::Question, QMessageBox::Yes | QMessageBox::No);
  Write(SettingsFile, keys::ConfirmTotalDialog, answer.dontShowAgain);
  return answer.button != QMessageBox::No;
}

void TMainForm::PumpEvents() {
  std::int64_t now = SteadyMs();
  if (now - lastPumpMs_ < kPumpEveryMs) return;
  lastPumpMs_ = now;
  QApplication::processEvents();
}

void TMainForm::BatchRunning(bool running) {
  if (running) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    LabelInfo->show();
    if (!listProgress_) {
      listProgress_ = new QProgressBar(ToviStatusBar);  // owned by the status bar
      listProgress_->setRange(0, 100);
      listProgress_->setTextVisible(false);
      ToviStatusBar->addWidget(listProgress_, 1);
    }
    if (ToviStatusBar->isHidden()) {
      ToviStatusBar->show();
      setFixedHeight(height() + ToviStatusBar->sizeHint().height());
    }
    SetListActionsEnabled(false);
    lastPumpMs_ = SteadyMs();
    return;
  }
  SetListActionsEnabled(true);
  UpdateEntryButtons();
  if (!ToviStatusBar->isHidden()) {
    ToviStatusBar->hide();
    setFixedHeight(height() - ToviStatusBar->sizeHint().height());
  }
  delete listProgress_;
  LabelInfo->setText(Q(FormatText(S(10105), {ImageCount()})));
  QApplication::restoreOverrideCursor();
}

void TMainForm::BatchProgress(std::size_t i, std::size_t n) {
  // The window draws only when it gets to handle events, so the texts need not
  // change more often than that.
  std::int64_t now = SteadyMs();
  if (i != 0 && i + 1 != n && now - lastProgressMs_ < kPumpEveryMs) return;
  lastProgressMs_ = now;
  LabelInfo->setText(Q(FormatText(S(10100), {static_cast<long long>(i), static_cast<long long>(n)})));
  if (listProgress_) listProgress_->setValue(static_cast<int>(std::lround(100.0 * static_cast<double>(i) / n)));
}

void TMainForm::LoadImageList() {
  imageList_.SetListFile(ImageListFile);
  // A list file that cannot be read or written is reported; start-up goes on
  // with what was loaded.
  RunHandler([this] { imageList_.LoadImageList(SettingsFile); });
}

void TMainForm::AddPaths(const std::vector<std::string>& paths) { imageList_.AddPaths(paths); }

void TMainForm::SaveListIfChanged() {
  if (!ListChanged) return;
  imageList_.SaveDefault();
  ListChanged = false;
}

void TMainForm::SelectEntry(int index) { imageList_.SelectEntry(index); }

void TMainForm::UpdateEntryButtons() {
  bool any = imageList_.Rows().FirstSelected() >= 0;
  ActionDeleteImage->setEnabled(any);
  ButtonPrevious->setEnabled(any);
  ButtonNext->setEnabled(any);
}

void TMainForm::SetListActionsEnabled(bool enabled) {
  for (QAction* a : {ActionAddImage, ActionSaveList, ActionDeleteImage}) a->setEnabled(enabled);
  for (QPushButton* b : {ButtonChange, ButtonNone, ButtonPrevious, ButtonNext}) b->setEnabled(enabled);
  TBItemExit->setEnabled(enabled);
}

void TMainForm::EditImageFolderChange() {
  if (StartupFlag) return;
  std::string folder = U(EditImageFolder->text());
  if (!DirectoryExists(folder)) return;
  AddPaths({folder});
  ListChanged = true;
  Write(SettingsFile, keys::ImageFolder, folder);
}

void TMainForm::ButtonImageFolderClick() {}  // not built yet: the folder browse dialog

void TMainForm::ActionAddImageExecute() {
  const QString filter = Q(S(10062)) + QStringLiteral(" (*.bmp *.jpg *.jpeg *.png);;") + Q(S(10063)) +
                         QStringLiteral(" (*.lst)");
  QFileDialog dialog(MainWindowShowing() ? this : nullptr, Q(S(10064)), QString(), filter);
  dialog.setObjectName(QStringLiteral("TToviGraphicOpenDialog"));
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::ExistingFiles);
  dialog.setDefaultSuffix(QStringLiteral("bmp"));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  if (dialog.exec() != QDialog::Accepted) return;
  std::vector<std::string> paths;
  for (const QString& file : dialog.selectedFiles()) paths.push_back(U(file));
  AddPaths(paths);
  ListChanged = true;
}

void TMainForm::ActionSaveListExecute() {
  QFileDialog dialog(MainWindowShowing() ? this : nullptr, Q(S(10065)), QString(),
                     Q(S(10063)) + QStringLiteral(" (*.lst)"));
  dialog.setObjectName(QStringLiteral("TToviSaveDialog"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setDefaultSuffix(QStringLiteral("lst"));
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
  imageList_.SaveTo(U(dialog.selectedFiles().first()));
}

void TMainForm::ActionDeleteImageExecute() {
  bool removed = imageList_.DeleteSelected([](const std::string& question) {
    return ShowMessage(Q(question), QMessageBox::Question, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
  });
  if (removed) ListChanged = true;
}

void TMainForm::ActionSelectAllExecute() { imageList_.Rows().SelectAll(); }

void TMainForm::ListViewImageKeyDown(QKeyEvent* event) {
  const int key = event->key();
  const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
  if (key == Qt::Key_Delete) {
    ActionDeleteImage->trigger();  // not while a batch runs: the action is off then
  } else if (key == Qt::Key_A && mods == Qt::ControlModifier) {
    ActionSelectAllExecute();
  } else if (key == Qt::Key_Return || key == Qt::Key_Enter) {
    int first = imageList_.Rows().FirstSelected();
    if (first >= 0) ChangeToIndex(first);
  } else {
    return;
  }
  event->accept();
}

void TMainForm::ListViewImageDblClick() {
  int first = imageList_.Rows().FirstSelected();
  if (!imageList_.Rows().Empty() && first >= 0) ChangeToIndex(first);
}

void TMainForm::ListViewImageSelectItem(int, bool) {
  // The preview window, once it exists, shows the row's file from here.
}

void TMainForm::ListViewImageDragDrop() {
  imageList_.DropSelectedWithinList();
  ListChanged = true;
}

int TMainForm::ImageCount() const { return imageList_.Rows().Count(); }

int TMainForm::ListColumnWidth() const { return ListViewImage->header()->sectionSize(0); }

void TMainForm::SetListColumnWidth(int width) {
  if (width > 0) ListViewImage->header()->resizeSection(0, width);
}

void TMainForm::WireListHandlers() {
  ImageList::Hooks hooks;
  hooks.confirmMany = [this](std::size_t count) { return ConfirmManyImages(count); };
  hooks.fetchTypeIcon = [this](const std::string& path) { return FileTypeIcon(path); };
  hooks.pump = [this] { PumpEvents(); };
  hooks.batchRunning = [this](bool running) { BatchRunning(running); };
  hooks.progress = [this](std::size_t i, std::size_t n) { BatchProgress(i, n); };
  hooks.refillBag = [this] { RefillBag(); };
  imageList_.SetHooks(hooks);

  connect(ActionAddImage, &QAction::triggered, this, Handler(&TMainForm::ActionAddImageExecute));
  connect(ActionSaveList, &QAction::triggered, this, Handler(&TMainForm::ActionSaveListExecute));
  connect(ActionDeleteImage, &QAction::triggered, this, Handler(&TMainForm::ActionDeleteImageExecute));
  connect(ActionSelectAll, &QAction::triggered, this, Handler(&TMainForm::ActionSelectAllExecute));
  connect(EditImageFolder, &QLineEdit::textChanged, this, Handler(&TMainForm::EditImageFolderChange));
  connect(ButtonImageFolder, &QPushButton::clicked, this, Handler(&TMainForm::ButtonImageFolderClick));

  connect(ListViewImage, &TImageListView::keyDown, this,
          [this](QKeyEvent* e) { RunHandler([&] { ListViewImageKeyDown(e); }); });
  connect(ListViewImage, &TImageListView::dblClick, this, Handler(&TMainForm::ListViewImageDblClick));
  connect(ListViewImage, &TImageListView::listClicked, this, Handler(&TMainForm::UpdateEntryButtons));
  connect(ListViewImage, &TImageListView::listEntered, this, Handler(&TMainForm::UpdateEntryButtons));
  connect(ListViewImage, &TImageListView::selectItem, this,
          [this](int row, bool selected) { RunHandler([&] { ListViewImageSelectItem(row, selected); }); });
  // The buttons follow the selection, also when the program moves it; during a
  // batch they stay off until it ends.
  connect(ListViewImage, &TImageListView::rowSelectionChanged, this, [this] {
    if (!imageList_.Rows().InBatch()) RunHandler([this] { UpdateEntryButtons(); });
  });
  connect(ListViewImage, &TImageListView::dragDropWithin, this, Handler(&TMainForm::ListViewImageDragDrop));
  connect(ListViewImage, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { TBListPopupMenu->popup(ListViewImage->viewport()->mapToGlobal(at)); });
}

}  // namespace toviwall
