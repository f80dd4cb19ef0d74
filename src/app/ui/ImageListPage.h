#pragma once
// The "Image List" page: the list of images and its file, the list commands
// (Add, Save, Delete, Select All), the rotation buttons under them (which ask
// for their commands), batches with their progress, and the preview check box
// with its window (PreviewWindow).
#include <QObject>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imagelist/ImageList.h"

class QAction;
class QCheckBox;
class QKeyEvent;
class QMenu;
class QPushButton;
class QWidget;

namespace toviwall {

struct AppPaths;
struct RunState;
class MainWindowControl;
class PreviewWindow;
class Settings;
class TFileDropTarget;
class THelpViewer;
class TImageListView;

class ImageListPage final : public QObject {
  Q_OBJECT

 public:
  struct Parts {
    ImageList& list;
    Settings& settings;
    RunState& run;
    AppPaths& paths;
    MainWindowControl& window;
  };
  // The actions and the menu belong to `parts.window`'s window.
  explicit ImageListPage(Parts parts);
  ~ImageListPage() override;

  QWidget* Page() const { return TabSheetImageList; }
  int ImageCount() const;

  void ApplyCaptions();
  void SetHelpContexts(THelpViewer& help);
  void ReadSettings();
  // The column width is the one layout value kept at the end of the run.
  void StoreColumnWidth();

  void ResetListIcons();
  void LoadImageList();
  void SaveListIfChanged();
  void UpdateEntryButtons();
  void SetListActionsEnabled(bool enabled);

  // The preview window beside the main window.
  void CheckBoxShowPreviewClick();
  void KeepPreviewDocked();
  void FreePreviewWindow();

 signals:
  // The rotation buttons, and a row chosen by a double-click or Enter.
  void changeRequested();
  void noneRequested();
  void previousRequested();
  void nextRequested();
  void entryChosen(int row);
  // A batch's progress for the main window's information line and bar.
  void infoText(const QString& text);
  void progressShown(bool shown);
  void progressChanged(int percent);
  // The list's commands are off while a batch runs (and the program's Exit with them).
  void listActionsEnabled(bool enabled);

 private:
  QWidget* BuildPage();
  void Wire();
  int FileTypeIcon(const std::string& path);
  bool ConfirmManyImages(std::size_t count);
  void BatchRunning(bool running);
  void BatchProgress(std::size_t i, std::size_t n);
  void PumpEvents();
  int ListColumnWidth() const;

  void ActionAddImageExecute();
  void ActionSaveListExecute();
  void ActionDeleteImageExecute();
  void ActionSelectAllExecute();
  void ButtonChangeClick();
  void ButtonNoneClick();
  void ButtonPreviousClick();
  void ButtonNextClick();
  void ListViewImageKeyDown(QKeyEvent* event);
  void ListViewImageDblClick();
  void ListViewImageSelectItem(int row, bool selected);
  void ListViewImageDragDrop();
  void FileDropTargetDropFiles(const std::vector<std::string>& fileList);

  void AddPaths(const std::vector<std::string>& paths);

  Parts parts_;
  ImageList& imageList_;
  std::unique_ptr<PreviewWindow> preview_;
  std::int64_t lastPumpMs_ = 0;
  std::int64_t lastProgressMs_ = 0;

  QWidget* TabSheetImageList = nullptr;
  TFileDropTarget* FileDropTarget = nullptr;
  TImageListView* ListViewImage = nullptr;
  QPushButton* ButtonAdd = nullptr;
  QPushButton* ButtonSave = nullptr;
  QPushButton* ButtonDelete = nullptr;
  QPushButton* ButtonChange = nullptr;
  QPushButton* ButtonNone = nullptr;
  QPushButton* ButtonPrevious = nullptr;
  QPushButton* ButtonNext = nullptr;
  QCheckBox* CheckBoxShowPreview = nullptr;
  QMenu* TBListPopupMenu = nullptr;
  QAction* ActionAddImage = nullptr;
  QAction* ActionSaveList = nullptr;
  QAction* ActionDeleteImage = nullptr;
  QAction* ActionSelectAll = nullptr;
};

}  // namespace toviwall
