#include "app/ui/TrashCommand.h"

#include <QAction>

#include "app/RotationState.h"
#include "app/ui/FormParts.h"
#include "app/ui/RunState.h"
#include "base/SettingsPaths.h"
#include "imagelist/ImageList.h"
#include "imagelist/Trash.h"

namespace toviwall {

TrashCommand::TrashCommand(QWidget& owner, Parts parts) : parts_(std::move(parts)) {
  action_ = NamedAction(&owner, "ActionMoveToTrash");
  connect(action_, &QAction::triggered, this, Guarded(this, &TrashCommand::MoveCurrentToTrash));
}

void TrashCommand::ApplyCaptions() { action_->setText(T(10162)); }

void TrashCommand::UpdateAction() { action_->setEnabled(parts_.list.Rows().Valid(parts_.state.CurrentIndex())); }

void TrashCommand::MoveCurrentToTrash() {
  const WallpaperList& rows = parts_.list.Rows();
  const int current = parts_.state.CurrentIndex();
  if (!rows.Valid(current)) return;
  const std::string path = rows.Path(current);
  const QString question = Q(FormatText(S(10163), {"\"" + ExtractFileName(path) + "\""}));
  if (ShowMessage(question, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes) return;
  // While the question was open the list may have changed.
  if (rows.IndexOf(path) < 0) return;
  auto fail = [&](const std::string& reason) { ShowErrorBox(Q(FormatText(S(10164), {path, reason}))); };
  // A batch holds the rows: the file stays until its row can go with it.
  if (rows.InBatch()) return fail("the image list is busy adding pictures; try again when it is done");
  try {
    MoveToTrash(path, parts_.env.dataHome);
  } catch (const std::exception& e) {
    return fail(e.what());
  }
  const int row = rows.IndexOf(path);
  parts_.list.RemoveEntry(path);
  parts_.run.listChanged = true;
  parts_.saveList();
  // The row now holds the picture that followed.
  if (rows.Empty()) parts_.clear();
  else parts_.show(row < rows.Count() ? row : 0);
}

}  // namespace toviwall
