#include "app/ui/ImageListPage.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeDatabase>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <chrono>
#include <cmath>
#include <filesystem>

#include "app/ui/FormParts.h"
#include "app/ui/HelpViewer.h"
#include "app/ui/MainWindowControl.h"
#include "app/ui/PreviewWindow.h"
#include "app/ui/RunState.h"
#include "base/AppIdentity.h"
#include "base/Settings.h"
#include "imagelist/ui/DragDrop.h"
#include "imagelist/ui/ImageListView.h"
#include "preview/ui/ToviGraphicOpenDialog.h"
#include "preview/ui/ToviOpenDialog.h"

namespace toviwall {
namespace {

std::int64_t SteadyMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// How often a long batch lets the window handle what is pending. Doing it after
// every file would cost more than the files themselves.
constexpr std::int64_t kPumpEveryMs = 15;

// Through links and other spellings of the path; files not there yet by their
// spelling alone.
bool SameFile(const std::string& a, const std::string& b) {
  std::error_code error;
  if (std::filesystem::equivalent(a, b, error)) return true;
  return std::filesystem::absolute(a, error).lexically_normal() ==
         std::filesystem::absolute(b, error).lexically_normal();
}

}  // namespace

ImageListPage::ImageListPage(Parts parts) : parts_(parts), imageList_(parts.list) {
  QWidget& owner = parts_.window.Window();
  ActionAddImage = NamedAction(&owner, "ActionAddImage");
  ActionSaveList = NamedAction(&owner, "ActionSaveList");
  ActionDeleteImage = NamedAction(&owner, "ActionDeleteImage");
  ActionSelectAll = NamedAction(&owner, "ActionSelectAll");
  TabSheetImageList = BuildPage();
  preview_ = std::make_unique<PreviewWindow>(owner);
  Wire();
}

ImageListPage::~ImageListPage() = default;

QWidget* ImageListPage::BuildPage() {
  auto* page = Named(new QWidget, "TabSheetImageList");
  auto* column = new QVBoxLayout(page);
  auto* row = new QHBoxLayout;
  column->addLayout(row, 1);
  // Files dragged from a file manager onto the list arrive at its container.
  FileDropTarget = Named(new TFileDropTarget(page), "FileDropTarget");
  ListViewImage = Named(new TImageListView(FileDropTarget), "ListViewImage");
  ListViewImage->setContextMenuPolicy(Qt::CustomContextMenu);
  ListViewImage->Attach(imageList_.Rows());
  FileDropTarget->SetControl(ListViewImage);
  row->addWidget(FileDropTarget, 1);

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
  column->addWidget(CheckBoxShowPreview, 0, Qt::AlignLeft);  // as wide as what it shows, all of it clickable

  TBListPopupMenu = Named(new QMenu(&parts_.window.Window()), "TBListPopupMenu");
  TBListPopupMenu->addAction(ActionAddImage);
  TBListPopupMenu->addAction(ActionSaveList);
  TBListPopupMenu->addAction(ActionDeleteImage);
  TBListPopupMenu->addSeparator();
  TBListPopupMenu->addAction(ActionSelectAll);
  TBListPopupMenu->addSeparator();
  return page;
}

void ImageListPage::ApplyCaptions() {
  ButtonChange->setText(T(10015));
  ButtonNone->setText(T(10016));
  ButtonPrevious->setText(T(10017));
  ButtonNext->setText(T(10018));
  CheckBoxShowPreview->setText(T(10019));
  ListViewImage->Model()->setHeaderData(0, Qt::Horizontal, T(10022), Qt::DisplayRole);
  ActionAddImage->setText(T(10012));  // the linked buttons follow their actions
  ActionSaveList->setText(T(10013));
  ActionDeleteImage->setText(T(10014));
  ActionSelectAll->setText(T(10048));
}

void ImageListPage::SetHelpContexts(THelpViewer& help) {
  const std::pair<QWidget*, int> contexts[] = {
      {ListViewImage, 1001}, {ButtonAdd, 1002},  {ButtonSave, 1003},     {ButtonDelete, 1004},
      {ButtonChange, 1005},  {ButtonNone, 1006}, {ButtonPrevious, 1007}, {ButtonNext, 1008},
  };
  for (auto [widget, context] : contexts) help.SetHelpContext(widget, context);
}

void ImageListPage::ReadSettings() {
  const int width = parts_.settings.Get(keys::Col1, ListColumnWidth());
  if (width > 0) ListViewImage->header()->resizeSection(0, width);
  CheckBoxShowPreview->setChecked(parts_.settings.Get(keys::ShowPreview));
}

void ImageListPage::StoreColumnWidth() {
  if (!parts_.settings.File().empty()) parts_.settings.Set(keys::Col1, ListColumnWidth());
}

int ImageListPage::ListColumnWidth() const { return ListViewImage->header()->sectionSize(0); }

int ImageListPage::ImageCount() const { return imageList_.Rows().Count(); }

void ImageListPage::ResetListIcons() {
  imageList_.ResetIcons();
  ListViewImage->Model()->ResetIcons(QIcon(QStringLiteral(":/NMAIN008")));  // the current-wallpaper marker
}

int ImageListPage::FileTypeIcon(const std::string& path) {
  // The icon theme's icon for the file's type, else the one the style draws for
  // any file; asked once per type group.
  QMimeType type = QMimeDatabase().mimeTypeForFile(Q(path), QMimeDatabase::MatchExtension);
  QIcon icon = QIcon::fromTheme(type.iconName());
  if (icon.isNull()) icon = QIcon::fromTheme(type.genericIconName());
  if (icon.isNull()) icon = QFileIconProvider().icon(QFileInfo(Q(path)));
  if (icon.isNull()) return -1;
  return ListViewImage->Model()->AddIcon(icon);
}

bool ImageListPage::ConfirmManyImages(std::size_t count) {
  if (parts_.settings.Get(keys::ConfirmTotalDialog)) return true;
  const std::string crlf = "\r\n";
  std::string text = FormatText(S(10101), {kTitle, static_cast<long long>(count), crlf, crlf, crlf, S(10102)});
  // The message box beeps before it shows.
  AskAnswer answer = AskWithDontShowAgain(Q(text), QMessageBox::Question, QMessageBox::Yes | QMessageBox::No);
  parts_.settings.Set(keys::ConfirmTotalDialog, answer.dontShowAgain);
  return answer.button != QMessageBox::No;
}

void ImageListPage::PumpEvents() {
  std::int64_t now = SteadyMs();
  if (now - lastPumpMs_ < kPumpEveryMs) return;
  lastPumpMs_ = now;
  QApplication::processEvents();
}

void ImageListPage::BatchRunning(bool running) {
  if (running) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    emit progressShown(true);
    SetListActionsEnabled(false);
    lastPumpMs_ = SteadyMs();
    return;
  }
  SetListActionsEnabled(true);
  UpdateEntryButtons();
  emit progressShown(false);
  emit infoText(Q(FormatText(S(10105), {ImageCount()})));
  QApplication::restoreOverrideCursor();
}

void ImageListPage::BatchProgress(std::size_t i, std::size_t n) {
  // The window draws only when it gets to handle events, so the texts need not
  // change more often than that.
  std::int64_t now = SteadyMs();
  if (i != 0 && i + 1 != n && now - lastProgressMs_ < kPumpEveryMs) return;
  lastProgressMs_ = now;
  emit infoText(Q(FormatText(S(10100), {static_cast<long long>(i), static_cast<long long>(n)})));
  emit progressChanged(static_cast<int>(std::lround(100.0 * static_cast<double>(i) / n)));
}

void ImageListPage::LoadImageList() {
  imageList_.SetListFile(parts_.paths.imageListFile);
  // A list file that cannot be read or written is reported; start-up goes on
  // with what was loaded.
  RunGuarded([this] { imageList_.LoadImageList(parts_.paths.settingsFile); });
}

void ImageListPage::AddPaths(const std::vector<std::string>& paths) {
  imageList_.AddPaths(paths);
  parts_.run.listChanged = true;
}

void ImageListPage::SaveListIfChanged() {
  if (!parts_.run.listChanged) return;
  imageList_.SaveDefault();
  parts_.run.listChanged = false;
}

void ImageListPage::UpdateEntryButtons() {
  bool any = imageList_.Rows().FirstSelected() >= 0;
  ActionDeleteImage->setEnabled(any);
  ButtonPrevious->setEnabled(any);
  ButtonNext->setEnabled(any);
}

void ImageListPage::SetListActionsEnabled(bool enabled) {
  for (QAction* a : {ActionAddImage, ActionSaveList, ActionDeleteImage}) a->setEnabled(enabled);
  for (QPushButton* b : {ButtonChange, ButtonNone, ButtonPrevious, ButtonNext}) b->setEnabled(enabled);
  emit listActionsEnabled(enabled);
}

void ImageListPage::ActionAddImageExecute() {
  TToviGraphicOpenDialog dialog(parts_.window.MainWindowShowing() ? &parts_.window.Window() : nullptr);
  dialog.setWindowTitle(T(10064));
  // The second group of each filter holds the patterns; the text before it is shown.
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  dialog.setNameFilters({T(10062) + QStringLiteral(" (*.bmp, *.jpg, *.jpeg, *.png) (*.bmp *.jpg *.jpeg *.png)"),
                         T(10063) + QStringLiteral(" (*.lst) (*.lst)")});
  dialog.setFileMode(QFileDialog::ExistingFiles);
  dialog.setDefaultSuffix(QStringLiteral("bmp"));
  dialog.setDirectory(StartFolder(Q(parts_.settings.Get(keys::ImageFolder, parts_.paths.defaultImageFolder))));
  if (!dialog.Execute()) return;
  std::vector<std::string> paths;
  for (const QString& file : dialog.selectedFiles()) paths.push_back(U(file));
  AddPaths(paths);
}

void ImageListPage::ActionSaveListExecute() {
  TToviSaveDialog dialog(parts_.window.MainWindowShowing() ? &parts_.window.Window() : nullptr);
  dialog.setWindowTitle(T(10065));
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  dialog.setNameFilter(T(10063) + QStringLiteral(" (*.lst) (*.lst)"));
  dialog.setDefaultSuffix(QStringLiteral("lst"));
  // Qt asks before an existing file is replaced. The program's own files
  // would be lost: the default list file alone may take the list it keeps.
  dialog.RefuseFile = [this](const QString& file) {
    const std::string path = U(file);
    const QString what = SameFile(path, parts_.paths.settingsFile) ? QStringLiteral("holds the settings of")
                         : SameFile(path, parts_.paths.outputFile) ? QStringLiteral("is the wallpaper made by")
                                                            : QString();
    if (what.isEmpty()) return QString();
    return QStringLiteral("\"%1\" %2 %3; the image list cannot be saved there. Choose another file.")
        .arg(file, what, QString::fromUtf8(kTitle));
  };
  if (!dialog.Execute() || dialog.selectedFiles().isEmpty()) return;
  imageList_.SaveTo(U(dialog.selectedFiles().first()));
}

void ImageListPage::ActionDeleteImageExecute() {
  bool removed = imageList_.DeleteSelected([](const std::string& question) {
    return ShowMessage(Q(question), QMessageBox::Question, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
  });
  if (removed) parts_.run.listChanged = true;
}

void ImageListPage::ActionSelectAllExecute() { imageList_.Rows().SelectAll(); }

void ImageListPage::ButtonChangeClick() { emit changeRequested(); }
void ImageListPage::ButtonNoneClick() { emit noneRequested(); }
void ImageListPage::ButtonPreviousClick() { emit previousRequested(); }
void ImageListPage::ButtonNextClick() { emit nextRequested(); }

void ImageListPage::ListViewImageKeyDown(QKeyEvent* event) {
  const int key = event->key();
  const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
  if (key == Qt::Key_Delete) {
    ActionDeleteImage->trigger();  // not while a batch runs: the action is off then
  } else if (key == Qt::Key_A && mods == Qt::ControlModifier) {
    ActionSelectAllExecute();
  } else if (key == Qt::Key_Return || key == Qt::Key_Enter) {
    int first = imageList_.Rows().FirstSelected();
    if (first >= 0) emit entryChosen(first);
  } else {
    return;
  }
  event->accept();
}

void ImageListPage::ListViewImageDblClick() {
  int first = imageList_.Rows().FirstSelected();
  if (!imageList_.Rows().Empty() && first >= 0) emit entryChosen(first);
}

void ImageListPage::ListViewImageSelectItem(int row, bool) {
  // Selected or deselected alike: the last change of a move is the new row.
  if (row < 0 || row >= ImageCount()) return;
  preview_->ShowEntry(imageList_.Rows().Path(row));
}

void ImageListPage::ListViewImageDragDrop() {
  imageList_.DropSelectedWithinList();
  parts_.run.listChanged = true;
}

void ImageListPage::FileDropTargetDropFiles(const std::vector<std::string>& fileList) { AddPaths(fileList); }

void ImageListPage::CheckBoxShowPreviewClick() {
  if (parts_.run.startupFlag) return;
  const bool shown = CheckBoxShowPreview->isChecked();
  // Runs at every showing of the main window too: the file is rewritten only for a change.
  if (parts_.settings.Get(keys::ShowPreview) != shown) parts_.settings.Set(keys::ShowPreview, shown);
  if (!shown) {
    preview_->Close();
    return;
  }
  const int selected = imageList_.Rows().FirstSelected();
  preview_->Open(selected >= 0 ? imageList_.Rows().Path(selected) : std::string());
}

void ImageListPage::KeepPreviewDocked() { preview_->KeepDocked(); }
void ImageListPage::FreePreviewWindow() { preview_->Close(); }

void ImageListPage::Wire() {
  ImageList::Hooks hooks;
  hooks.confirmMany = [this](std::size_t count) { return ConfirmManyImages(count); };
  hooks.fetchTypeIcon = [this](const std::string& path) { return FileTypeIcon(path); };
  hooks.pump = [this] { PumpEvents(); };
  hooks.batchRunning = [this](bool running) { BatchRunning(running); };
  hooks.progress = [this](std::size_t i, std::size_t n) { BatchProgress(i, n); };
  // An end asked for meanwhile (--exit, the session) stops a batch at its next
  // step: the program is not kept running for files nobody waits for.
  hooks.ending = [this] { return parts_.run.endRequested; };
  imageList_.SetHooks(hooks);

  connect(ActionAddImage, &QAction::triggered, this, Guarded(this, &ImageListPage::ActionAddImageExecute));
  connect(ActionSaveList, &QAction::triggered, this, Guarded(this, &ImageListPage::ActionSaveListExecute));
  connect(ActionDeleteImage, &QAction::triggered, this, Guarded(this, &ImageListPage::ActionDeleteImageExecute));
  connect(ActionSelectAll, &QAction::triggered, this, Guarded(this, &ImageListPage::ActionSelectAllExecute));
  connect(ButtonChange, &QPushButton::clicked, this, Guarded(this, &ImageListPage::ButtonChangeClick));
  connect(ButtonNone, &QPushButton::clicked, this, Guarded(this, &ImageListPage::ButtonNoneClick));
  connect(ButtonPrevious, &QPushButton::clicked, this, Guarded(this, &ImageListPage::ButtonPreviousClick));
  connect(ButtonNext, &QPushButton::clicked, this, Guarded(this, &ImageListPage::ButtonNextClick));
  connect(CheckBoxShowPreview, &QCheckBox::clicked, this, Guarded(this, &ImageListPage::CheckBoxShowPreviewClick));

  connect(ListViewImage, &TImageListView::keyDown, this,
          [this](QKeyEvent* e) { RunGuarded([&] { ListViewImageKeyDown(e); }); });
  connect(ListViewImage, &TImageListView::dblClick, this, Guarded(this, &ImageListPage::ListViewImageDblClick));
  connect(ListViewImage, &TImageListView::listClicked, this, Guarded(this, &ImageListPage::UpdateEntryButtons));
  connect(ListViewImage, &TImageListView::listEntered, this, Guarded(this, &ImageListPage::UpdateEntryButtons));
  connect(ListViewImage, &TImageListView::selectItem, this,
          [this](int row, bool selected) { RunGuarded([&] { ListViewImageSelectItem(row, selected); }); });
  // The buttons follow the selection, also when the program moves it; during a
  // batch they stay off until it ends.
  connect(ListViewImage, &TImageListView::rowSelectionChanged, this, [this] {
    if (!imageList_.Rows().InBatch()) RunGuarded([this] { UpdateEntryButtons(); });
  });
  connect(ListViewImage, &TImageListView::dragDropWithin, this, Guarded(this, &ImageListPage::ListViewImageDragDrop));
  FileDropTarget->OnDropFiles = [this](QObject*, const std::vector<std::string>& fileList, int, int) {
    // After the drop has ended: the file manager is not kept waiting while the
    // batch runs (it may ask a question, and a folder may take long).
    QTimer::singleShot(0, this, [this, fileList] { RunGuarded([&] { FileDropTargetDropFiles(fileList); }); });
  };
  connect(ListViewImage, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) { TBListPopupMenu->popup(ListViewImage->viewport()->mapToGlobal(at)); });
}

}  // namespace toviwall
