#include "preview/ui/VantorFileDialogs.h"

#include <QDir>
#include <QEvent>
#include <QGridLayout>
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

TVantorCustomFileDialog::TVantorCustomFileDialog(QWidget* parent) : QFileDialog(parent) {
  setOption(QFileDialog::DontUseNativeDialog);
  setSidebarUrls(UserPlaces());
}

bool TVantorCustomFileDialog::Execute() {
  setAcceptMode(IsSaveDialog() ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  return exec() == QDialog::Accepted;
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
