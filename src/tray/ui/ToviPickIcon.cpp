#include "tray/ui/ToviPickIcon.h"

#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "base/UnitLanguage.h"
#include "base/ui/Dialogs.h"
#include "tray/ui/IconFile.h"

namespace toviwall {
namespace {

constexpr int kCellIconSide = 32;
constexpr int kCellSide = kCellIconSide + 12;

class PickIconWindow final : public QDialog {
 public:
  PickIconWindow(const QString& programFile, QWidget* parent) : QDialog(parent), programFile_(programFile) {
    setObjectName(QStringLiteral("ToviPickIconDialog"));
    setWindowTitle(QStringLiteral("Change Icon"));
    auto* layout = new QVBoxLayout(this);
    auto* fileLabel = new QLabel(QStringLiteral("&Look for icons in this file:"), this);
    layout->addWidget(fileLabel);
    auto* row = new QHBoxLayout;
    edit_ = new QLineEdit(this);
    edit_->setObjectName(QStringLiteral("EditIconFile"));
    fileLabel->setBuddy(edit_);
    browse_ = new QPushButton(QStringLiteral("&Browse..."), this);
    browse_->setObjectName(QStringLiteral("ButtonBrowseIcon"));
    row->addWidget(edit_, 1);
    row->addWidget(browse_);
    layout->addLayout(row);
    auto* listLabel = new QLabel(QStringLiteral("&Select an icon from the list below:"), this);
    layout->addWidget(listLabel);
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("ListIcons"));
    listLabel->setBuddy(list_);
    list_->setViewMode(QListView::IconMode);
    list_->setFlow(QListView::LeftToRight);
    list_->setWrapping(true);
    list_->setResizeMode(QListView::Adjust);
    list_->setMovement(QListView::Static);
    list_->setUniformItemSizes(true);
    list_->setIconSize(QSize(kCellIconSide, kCellIconSide));
    list_->setGridSize(QSize(kCellSide, kCellSide));
    // Items without text: the whole cell shows the selection, not a line below the icon.
    list_->setStyleSheet(QStringLiteral("QListView::item { border: 1px solid transparent; }"
                                        "QListView::item:selected { background: palette(highlight); }"
                                        "QListView::item:selected:!active { background: palette(mid); }"));
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setMinimumSize(8 * kCellSide + 24, 3 * kCellSide + 8);
    layout->addWidget(list_, 1);
    none_ = new QLabel(Q(S(10124)), this);
    none_->setObjectName(QStringLiteral("LabelNoIcons"));
    none_->hide();
    layout->addWidget(none_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    ok_ = new QPushButton(QStringLiteral("OK"), this);
    ok_->setObjectName(QStringLiteral("ButtonIconOK"));
    cancel_ = new QPushButton(QStringLiteral("Cancel"), this);
    cancel_->setObjectName(QStringLiteral("ButtonIconCancel"));
    // Enter in the path field loads the file it names; no button takes it.
    for (QPushButton* b : {browse_, ok_, cancel_}) b->setAutoDefault(false);
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);
    layout->addLayout(buttons);

    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    connect(browse_, &QPushButton::clicked, this, [this] { Browse(); });
    connect(edit_, &QLineEdit::returnPressed, this, [this] {
      if (PathTyped() != loaded_) Load(PathTyped(), 0);
      else if (ok_->isEnabled()) accept();
    });
    connect(edit_, &QLineEdit::editingFinished, this, [this] {
      if (PathTyped() != loaded_) Load(PathTyped(), 0);
    });
    connect(list_, &QListWidget::currentRowChanged, this, [this](int row) { ok_->setEnabled(row >= 0); });
    connect(list_, &QListWidget::itemActivated, this, [this] { accept(); });
  }

  // Shows the icons of `file` with `index` selected (the first when out of range).
  void Load(const QString& file, int index) {
    loaded_ = file;
    edit_->setText(file);
    list_->clear();
    const QList<QIcon> icons = IconsOf(file, programFile_);
    for (int i = 0; i < icons.size(); ++i) {
      auto* item = new QListWidgetItem(icons[i], QString(), list_);
      item->setSizeHint(QSize(kCellSide - 4, kCellSide - 4));
      item->setToolTip(QStringLiteral("Icon %1").arg(i + 1));
    }
    none_->setVisible(icons.isEmpty());
    if (!icons.isEmpty()) list_->setCurrentRow(index >= 0 && index < icons.size() ? index : 0);
    ok_->setEnabled(list_->currentRow() >= 0);
  }

  const QString& File() const { return loaded_; }
  int Position() const { return list_->currentRow(); }

 private:
  QString PathTyped() const {
    QString path = edit_->text().trimmed();
    if (path.startsWith(QLatin1String("~/"))) path = QDir::homePath() + path.mid(1);
    return path.isEmpty() ? path : QFileInfo(path).absoluteFilePath();
  }

  void Browse() {
    const QString start = QFileInfo(loaded_).absolutePath();
    const QString chosen = QFileDialog::getOpenFileName(
        this, windowTitle(), start,
        QStringLiteral("Icons (*.ico *.png *.svg *.svgz *.xpm *.bmp);;All files (*)"));
    if (!chosen.isEmpty()) Load(chosen, 0);
  }

  QString programFile_;
  QString loaded_;
  QLineEdit* edit_;
  QPushButton* browse_;
  QListWidget* list_;
  QLabel* none_;
  QPushButton* ok_;
  QPushButton* cancel_;
};

}  // namespace

bool TToviPickIconDialog::Execute() {
  PickIconWindow window(ProgramFile, ParHandle ? ParHandle->window() : nullptr);
  window.Load(IconFile.isEmpty() ? ProgramFile : IconFile, IconIndex);
  if (window.exec() != QDialog::Accepted || window.Position() < 0) return false;
  IconFile = window.File();
  IconIndex = window.Position();
  PickedIcon = ExtractSmallIcon(IconFile, IconIndex, ProgramFile);
  return true;
}

}  // namespace toviwall
