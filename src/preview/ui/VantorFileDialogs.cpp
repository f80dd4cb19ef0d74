#include "preview/ui/VantorFileDialogs.h"

#include <QDir>
#include <QEvent>
#include <QGridLayout>
#include <QHeaderView>
#include <QListView>
#include <QTreeView>
#include <algorithm>
#include <QStandardPaths>
#include <QToolTip>

#include "base/ui/Dialogs.h"

namespace toviwall {

QList<QUrl> UserPlaces() {
  QList<QUrl> places;
  const QString home = QDir::homePath();
  auto add = [&](const QString& path) {
    if (path.isEmpty() || !QFileInfo(path).isDir()) return;
    const QUrl url = QUrl::fromLocalFile(path);
    if (!places.contains(url)) places.append(url);
  };
  add(home);
  for (auto kind : {QStandardPaths::DesktopLocation, QStandardPaths::DocumentsLocation,
                    QStandardPaths::PicturesLocation}) {
    const QString path = QStandardPaths::writableLocation(kind);
    if (path != home) add(path);  // an unset XDG folder falls back to home
  }
  add(QDir::rootPath());
  return places;
}

QString StartFolder(const QString& preferred) {
  for (const QString& folder : {preferred, QStandardPaths::writableLocation(QStandardPaths::PicturesLocation)})
    if (!folder.isEmpty() && QFileInfo(folder).isDir()) return folder;
  return QDir::homePath();
}

TVantorCustomFileDialog::TVantorCustomFileDialog(QWidget* parent) : QFileDialog(parent) {
  setOption(QFileDialog::DontUseNativeDialog);
  setSidebarUrls(UserPlaces());
}

bool TVantorCustomFileDialog::Execute() {
  setAcceptMode(IsSaveDialog() ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  FitToContents();
  return exec() == QDialog::Accepted;
}

// Qt's own sizes cut the places' names and the columns of the details view:
// wide enough for them, in the dialog's font (never narrower than the user
// or Qt's saved state made them).
void TVantorCustomFileDialog::FitToContents() {
  const QFontMetrics metrics = fontMetrics();
  const int chars = metrics.averageCharWidth();
  int sidebar = 0;
  if (auto* places = findChild<QListView*>(QStringLiteral("sidebar"))) {
    sidebar = places->sizeHintForColumn(0) + 2 * places->frameWidth() + 2 * chars;
    places->setMinimumWidth(sidebar);  // the splitter keeps it; dragging may widen it
  }
  int columns = 0;
  if (auto* details = findChild<QTreeView*>(QStringLiteral("treeView"))) {
    // Name, Size, Type, Date Modified: a long file name, "999.9 KiB", "jpeg File", a date and time.
    const int wanted[] = {30 * chars, metrics.horizontalAdvance(QStringLiteral("999.9 KiB")) + 3 * chars,
                          metrics.horizontalAdvance(QStringLiteral("jpeg File")) + 3 * chars,
                          metrics.horizontalAdvance(QStringLiteral("30/12/2026 23:59")) + 3 * chars};
    QHeaderView* header = details->header();
    for (int column = 0; column < header->count() && column < 4; ++column) {
      if (header->sectionSize(column) < wanted[column]) header->resizeSection(column, wanted[column]);
      columns += header->sectionSize(column);
    }
  }
  // The two views, the splitter, the frames and a scroll bar between the dialog's margins.
  resize(size().expandedTo(QSize(sidebar + columns + 8 * chars, 30 * metrics.height())));
}

void TVantorCustomFileDialog::accept() {
  const QStringList files = selectedFiles();
  if (RefuseFile && !files.isEmpty())
    if (const QString reason = RefuseFile(files.first()); !reason.isEmpty()) return ShowErrorBox(reason);
  QFileDialog::accept();  // asks before replacing a file, unless told not to
}

void TVantorCustomFileDialog::done(int result) {
  QToolTip::hideText();
  QFileDialog::done(result);
}

TVantorCustomExtendedFileDialog::TVantorCustomExtendedFileDialog(QWidget* parent)
    : TVantorCustomFileDialog(parent) {}

QWidget* TVantorCustomExtendedFileDialog::Container() {
  if (!container_) {
    container_ = CreateContainer();
    container_->installEventFilter(this);
  }
  return container_;
}

QWidget* TVantorCustomExtendedFileDialog::CreateContainer() {
  auto* panel = new QWidget(this);
  panel->setObjectName(QStringLiteral("ExtendedContainer"));
  return panel;
}

void TVantorCustomExtendedFileDialog::setVisible(bool visible) {
  // Before the dialog takes its size, so that it grows by the panel.
  if (visible) PlaceContainer();
  TVantorCustomFileDialog::setVisible(visible);
}

void TVantorCustomExtendedFileDialog::PlaceContainer() {
  auto* grid = qobject_cast<QGridLayout*>(layout());
  QWidget* panel = Container();
  if (!grid || grid->indexOf(panel) >= 0) return;
  // The window grows by the panel and a margin; being placed after this, it
  // stays centred where it would have been.
  const int growth = extendedSize_ + 8;
  if (alignment_ == TVantorExtendedDialogAlignment::veaBottom) {
    panel->setFixedHeight(extendedSize_);
    grid->addWidget(panel, grid->rowCount(), 0, 1, grid->columnCount());
    resize(width(), height() + growth);
  } else {
    panel->setFixedWidth(extendedSize_);
    grid->addWidget(panel, 0, grid->columnCount(), grid->rowCount(), 1);
    resize(width() + growth, height());
  }
  panel->show();
}

bool TVantorCustomExtendedFileDialog::eventFilter(QObject* watched, QEvent* event) {
  if (watched == container_ && event->type() == QEvent::Resize) {
    if (OnContainerResize) OnContainerResize(this);
    LayoutContainer();
  }
  return TVantorCustomFileDialog::eventFilter(watched, event);
}

void TVantorCustomExtendedFileDialog::LayoutContainer() {
  if (OnContainerLayout) OnContainerLayout(this);
}

}  // namespace toviwall
