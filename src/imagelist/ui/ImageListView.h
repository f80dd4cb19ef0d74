#pragma once
// The list control of the image list: a one-column report view of the rows of
// a WallpaperList, which stays the only store. The view follows the rows
// through their observer and reports the user's selection back; keys, double
// clicks and drops go to the window that owns the list.
#include <QAbstractTableModel>
#include <QIcon>
#include <QTreeView>
#include <vector>

#include "imagelist/WallpaperList.h"

namespace toviwall {

// The rows as a Qt model, and the row icon list (slot 0 is the marker).
class TImageListModel final : public QAbstractTableModel {
  Q_OBJECT
 public:
  TImageListModel(const WallpaperList& rows, QObject* parent);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  bool setHeaderData(int section, Qt::Orientation orientation, const QVariant& value, int role) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QStringList mimeTypes() const override;
  QMimeData* mimeData(const QModelIndexList& indexes) const override;

  // The row icons: cleared with the marker put into slot 0.
  void ResetIcons(const QIcon& marker);
  // Appends an icon; answers its slot.
  int AddIcon(const QIcon& icon);

  // The rows as they stand now (after rows were added, removed or moved).
  void Reset();
  void RowChanged(int row);
  // The rows are gone: the model shows none from now on.
  void Detach();

 private:
  const WallpaperList* rows_;
  int shown_ = 0;  // rows the view knows of
  QString caption_;
  std::vector<QIcon> icons_;
};

class TImageListView final : public QTreeView, private WallpaperList::Observer {
  Q_OBJECT
 public:
  explicit TImageListView(QWidget* parent = nullptr);
  ~TImageListView() override;

  // Shows these rows from now on.
  void Attach(WallpaperList& rows);
  TImageListModel* Model() const { return model_; }

  static constexpr const char* kRowsMimeType = "application/x-toviwall-rows";

 signals:
  // Runs before the view's own key handling, which is skipped when the
  // receiver accepts the event.
  void keyDown(QKeyEvent* event);
  void dblClick();
  void listClicked();
  void listEntered();
  // A row was selected or deselected, by the user or by the program.
  void selectItem(int row, bool selected);
  // After one or more selectItem.
  void rowSelectionChanged();
  // Rows of this list were dropped on it. Drags from elsewhere are left to
  // the widget that holds the list (the file drop target).
  void dragDropWithin();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void focusInEvent(QFocusEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void RowsReset() override;
  void RowChanged(int index) override;
  void SelectionReset() override;
  void FocusChanged(int index) override;
  void ScrollIntoView(int index) override;
  void ListGone() override;

  void ApplySelection();
  void ViewSelectionChanged(const QItemSelection& selected, const QItemSelection& deselected);
  void ViewCurrentChanged(const QModelIndex& current);

  WallpaperList* rows_ = nullptr;
  TImageListModel* model_ = nullptr;
  bool following_ = false;  // applying the rows' own changes: not the user's
};

}  // namespace toviwall
