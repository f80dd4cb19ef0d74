#include "imagelist/ui/ToviBrowseFolderDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QScreen>
#include <QTimer>

#include "imagelist/ShortenedPath.h"

namespace toviwall {

TToviFolderDialog::TToviFolderDialog(QObject* owner) : QObject(owner) {}

void TToviFolderDialog::ShowSelection(QFileDialog& dialog, QLabel* status, const QString& path) {
  if (status) status->setText(QString::fromStdString(ShortenedPath(path.toStdString(), 50)));
  if (OnSelectionChanged) OnSelectionChanged(this, &dialog, path.toStdString());
}

bool TToviFolderDialog::Execute() {
  auto* ownerWindow = qobject_cast<QWidget*>(parent());
  QFileDialog dialog(ownerWindow && ownerWindow->isVisible() ? ownerWindow : nullptr);
  dialog.setObjectName(QStringLiteral("ToviFolderDialog"));
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setWindowTitle(Title.isEmpty() ? QStringLiteral("Browse for Folder") : Title);
  dialog.setFileMode(QFileDialog::Directory);
  dialog.setOption(QFileDialog::ShowDirsOnly, !(Flags & Includefiles));
  dialog.setOption(QFileDialog::ReadOnly, bool(Flags & HideNewFolderButton));

  // The start folder is selected in its parent, so "Choose" takes it as it is.
  const QString start = QString::fromStdString(Folder);
  QFileInfo info(start);
  QString selected;
  if (!start.isEmpty() && info.isDir()) {
    QDir parentDir = QFileInfo(info.absoluteFilePath()).dir();
    if (info.absoluteFilePath() != parentDir.absolutePath()) {
      dialog.setDirectory(parentDir);
      dialog.selectFile(info.fileName());
    } else {
      dialog.setDirectory(info.absoluteFilePath());
    }
    selected = info.absoluteFilePath();
  }

  QLabel* status = nullptr;
  if ((Flags & ShowPath) && dialog.layout()) {
    auto* row = new QHBoxLayout;
    auto* caption = new QLabel(LabelCaption, &dialog);
    caption->setObjectName(QStringLiteral("LabelCaption"));
    status = new QLabel(&dialog);
    status->setObjectName(QStringLiteral("StatusPath"));
    status->setTextFormat(Qt::PlainText);
    row->addWidget(caption);
    row->addWidget(status, 1);
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
      grid->addLayout(row, grid->rowCount(), 0, 1, grid->columnCount());
    else
      dialog.layout()->addItem(row);
  }
  // The selection: the folder highlighted, else the folder shown.
  connect(&dialog, &QFileDialog::currentChanged, this, [&](const QString& path) {
    ShowSelection(dialog, status, path.isEmpty() ? dialog.directory().absolutePath() : path);
  });
  connect(&dialog, &QFileDialog::directoryEntered, this,
          [&](const QString& folder) { ShowSelection(dialog, status, folder); });
  ShowSelection(dialog, status, selected.isEmpty() ? dialog.directory().absolutePath() : selected);

  QTimer::singleShot(0, &dialog, [&] {
    if (!dialog.parentWidget())
      if (QScreen* screen = QGuiApplication::primaryScreen())
        dialog.move(screen->availableGeometry().center() - dialog.rect().center());
    if (OnInitialized) OnInitialized(this, &dialog);
  });
  if (dialog.exec() != QDialog::Accepted) return false;
  const QStringList chosen = dialog.selectedFiles();
  Folder = chosen.isEmpty() ? std::string() : chosen.first().toStdString();
  return true;
}

}  // namespace toviwall
