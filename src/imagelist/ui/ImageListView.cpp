#include "imagelist/ui/ImageListView.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>

namespace toviwall {

TImageListModel::TImageListModel(const WallpaperList& rows, QObject* parent)
    : QAbstractTableModel(parent), rows_(&rows), shown_(rows.Count()) {}

int TImageListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : shown_; }

int TImageListModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : 1; }

QVariant TImageListModel::data(const QModelIndex& index, int role) const {
  if (!rows_ || !index.isValid() || index.row() >= shown_ || !rows_->Valid(index.row())) return {};
  const WallpaperList::Row& row = rows_->At(index.row());
  switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:  // the whole path, also when the row shows it shortened
      return QString::fromStdString(row.path);
    case Qt::DecorationRole:
      if (row.icon >= 0 && static_cast<std::size_t>(row.icon) < icons_.size()) return icons_[row.icon];
      return {};
    default:
      return {};
  }
}

QVariant TImageListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (section == 0 && orientation == Qt::Horizontal && role == Qt::DisplayRole) return caption_;
  return {};
}

bool TImageListModel::setHeaderData(int section, Qt::Orientation orientation, const QVariant& value, int role) {
  if (section != 0 || orientation != Qt::Horizontal || (role != Qt::DisplayRole && role != Qt::EditRole)) return false;
  caption_ = value.toString();
  emit headerDataChanged(orientation, 0, 0);
  return true;
}

Qt::ItemFlags TImageListModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::ItemIsDropEnabled;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemIsDropEnabled;
}

QStringList TImageListModel::mimeTypes() const { return {QString::fromLatin1(TImageListView::kRowsMimeType)}; }

QMimeData* TImageListModel::mimeData(const QModelIndexList&) const {
  // The dragged rows are the selected ones; the drop reads them from the list.
  auto* data = new QMimeData;  // owned by the drag that asked for it
  data->setData(QString::fromLatin1(TImageListView::kRowsMimeType), QByteArray());
  return data;
}

void TImageListModel::ResetIcons(const QIcon& marker) {
  icons_.assign(1, marker);
  if (shown_ > 0) emit dataChanged(index(0, 0), index(shown_ - 1, 0), {Qt::DecorationRole});
}

int TImageListModel::AddIcon(const QIcon& icon) {
  icons_.push_back(icon);
  return static_cast<int>(icons_.size()) - 1;
}

void TImageListModel::Reset() {
  beginResetModel();
  shown_ = rows_ ? rows_->Count() : 0;
  endResetModel();
}

void TImageListModel::Detach() {
  rows_ = nullptr;
  Reset();
}

void TImageListModel::RowChanged(int row) {
  if (row < 0 || row >= shown_) return;
  QModelIndex at = index(row, 0);
  emit dataChanged(at, at);
}

TImageListView::TImageListView(QWidget* parent) : QTreeView(parent) {
  setRootIsDecorated(false);
  setUniformRowHeights(true);
  setItemsExpandable(false);
  setAllColumnsShowFocus(true);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setIconSize(QSize(16, 16));
  // Paths share their start: shorten them in the middle so the file name shows.
  setTextElideMode(Qt::ElideMiddle);
  setDragEnabled(true);
  setAcceptDrops(true);
  setDragDropMode(QAbstractItemView::DragDrop);
  setDefaultDropAction(Qt::CopyAction);
  setDropIndicatorShown(false);
  header()->setStretchLastSection(false);
  // Wide enough for a usual path until the stored width is read.
  header()->setDefaultSectionSize(fontMetrics().averageCharWidth() * 48);
}

TImageListView::~TImageListView() {
  if (rows_) rows_->SetObserver(nullptr);
}

void TImageListView::Attach(WallpaperList& rows) {
  if (rows_) rows_->SetObserver(nullptr);
  rows_ = &rows;
  QAbstractItemModel* old = model();
  model_ = new TImageListModel(rows, this);
  setModel(model_);
  if (old && old->parent() == this) delete old;
  rows.SetObserver(this);
  connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, &TImageListView::ViewSelectionChanged);
  connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current) { ViewCurrentChanged(current); });
  RowsReset();
}

// --- the rows changed: follow them ---------------------------------------

void TImageListView::RowsReset() {
  bool was = following_;
  following_ = true;
  model_->Reset();
  ApplySelection();
  FocusChanged(rows_->Focus());
  following_ = was;
}

void TImageListView::RowChanged(int index) {
  model_->RowChanged(index);
  if (index < 0 || index >= model_->rowCount()) return;
  bool was = following_;
  following_ = true;
  selectionModel()->select(model_->index(index, 0), (rows_->At(index).selected ? QItemSelectionModel::Select
                                                                                 : QItemSelectionModel::Deselect) |
                                                          QItemSelectionModel::Rows);
  following_ = was;
}

void TImageListView::SelectionReset() {
  bool was = following_;
  following_ = true;
  ApplySelection();
  following_ = was;
}

void TImageListView::ApplySelection() {
  QItemSelection selection;
  const int n = model_->rowCount();
  for (int i = 0; i < n;) {
    if (!rows_->At(i).selected) {
      ++i;
      continue;
    }
    int first = i;
    while (i < n && rows_->At(i).selected) ++i;
    selection.select(model_->index(first, 0), model_->index(i - 1, 0));
  }
  selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void TImageListView::FocusChanged(int index) {
  bool was = following_;
  following_ = true;
  QModelIndex at = index >= 0 && index < model_->rowCount() ? model_->index(index, 0) : QModelIndex();
  selectionModel()->setCurrentIndex(at, QItemSelectionModel::NoUpdate);
  following_ = was;
}

void TImageListView::ListGone() {
  rows_ = nullptr;
  following_ = true;  // from now on nothing is reported back
  if (model_) model_->Detach();
}

void TImageListView::ScrollIntoView(int index) {
  if (index >= 0 && index < model_->rowCount()) scrollTo(model_->index(index, 0), QAbstractItemView::EnsureVisible);
}

// --- the user changed the selection: tell the rows -------------------------

void TImageListView::ViewSelectionChanged(const QItemSelection& selected, const QItemSelection& deselected) {
  if (!rows_) return;
  std::vector<std::pair<int, bool>> changed;
  for (const QItemSelection* part : {&deselected, &selected}) {
    bool on = part == &selected;
    for (const QItemSelectionRange& range : *part)
      for (int r = range.top(); r <= range.bottom(); ++r) changed.emplace_back(r, on);
  }
  if (!following_)
    for (auto [row, on] : changed) rows_->ViewSelected(row, on);
  for (auto [row, on] : changed) emit selectItem(row, on);
  emit rowSelectionChanged();
}

void TImageListView::ViewCurrentChanged(const QModelIndex& current) {
  if (following_ || !rows_) return;
  rows_->ViewFocused(current.isValid() ? current.row() : -1);
}

// --- events ----------------------------------------------------------------

void TImageListView::keyPressEvent(QKeyEvent* event) {
  event->ignore();
  emit keyDown(event);
  if (event->isAccepted()) return;
  QTreeView::keyPressEvent(event);
}

void TImageListView::mouseDoubleClickEvent(QMouseEvent* event) {
  QTreeView::mouseDoubleClickEvent(event);
  if (event->button() == Qt::LeftButton) emit dblClick();
}

void TImageListView::mouseReleaseEvent(QMouseEvent* event) {
  QTreeView::mouseReleaseEvent(event);
  emit listClicked();
}

void TImageListView::focusInEvent(QFocusEvent* event) {
  QTreeView::focusInEvent(event);
  emit listEntered();
}

void TImageListView::dragEnterEvent(QDragEnterEvent* event) {
  // Its own rows: any place on the list takes them. Anything else goes on to
  // the widget that holds the list.
  if (event->source() != this) {
    event->ignore();
    return;
  }
  event->setDropAction(Qt::CopyAction);
  event->accept();
}

void TImageListView::dragMoveEvent(QDragMoveEvent* event) {
  if (event->source() != this) {
    event->ignore();
    return;
  }
  QTreeView::dragMoveEvent(event);  // scrolls near the edges
  event->setDropAction(Qt::CopyAction);
  event->accept();
}

void TImageListView::dropEvent(QDropEvent* event) {
  if (event->source() != this) {
    event->ignore();
    return;
  }
  // A copy, never a move: the view must not remove the dragged rows itself.
  event->setDropAction(Qt::CopyAction);
  event->accept();
  emit dragDropWithin();
}

}  // namespace toviwall
