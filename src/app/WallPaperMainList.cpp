// The image list, its file and the image folder.
#include <QAction>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeView>

#include "app/WallPaperMain.h"

namespace toviwall {

void TMainForm::ResetListIcons() {}     // not built yet: the row icon list
void TMainForm::LoadImageList() {}      // not built yet: the list and its file
void TMainForm::SaveListIfChanged() {}  // not built yet: writing a changed list
void TMainForm::UpdateEntryButtons() {}
void TMainForm::EditImageFolderChange() {}
void TMainForm::ButtonImageFolderClick() {}
void TMainForm::ActionAddImageExecute() {}
void TMainForm::ActionSaveListExecute() {}
void TMainForm::ActionDeleteImageExecute() {}
void TMainForm::ActionSelectAllExecute() {}

int TMainForm::ImageCount() const { return ListViewImage->model() ? ListViewImage->model()->rowCount() : 0; }

int TMainForm::ListColumnWidth() const { return ListViewImage->header()->sectionSize(0); }

void TMainForm::SetListColumnWidth(int width) {
  if (width > 0) ListViewImage->header()->resizeSection(0, width);
}

void TMainForm::WireListHandlers() {
  connect(ActionAddImage, &QAction::triggered, this, Handler(&TMainForm::ActionAddImageExecute));
  connect(ActionSaveList, &QAction::triggered, this, Handler(&TMainForm::ActionSaveListExecute));
  connect(ActionDeleteImage, &QAction::triggered, this, Handler(&TMainForm::ActionDeleteImageExecute));
  connect(ActionSelectAll, &QAction::triggered, this, Handler(&TMainForm::ActionSelectAllExecute));
  connect(EditImageFolder, &QLineEdit::textChanged, this, Handler(&TMainForm::EditImageFolderChange));
  connect(ButtonImageFolder, &QPushButton::clicked, this, Handler(&TMainForm::ButtonImageFolderClick));
}

}  // namespace toviwall
