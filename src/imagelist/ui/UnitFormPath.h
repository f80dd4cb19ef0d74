#pragma once
// TFormPath: the first-run question for the folder to watch.
#include <QDialog>
#include <string>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace toviwall {

class TToviFolderDialog;

class TFormPath final : public QDialog {
  Q_OBJECT
 public:
  explicit TFormPath(QWidget* parent = nullptr);

  QGroupBox* GroupBoxPath = nullptr;
  QLabel* LabelInfo = nullptr;
  QLabel* LabelAskInfo = nullptr;
  QLineEdit* EditPath = nullptr;
  QPushButton* ButtonBrowse = nullptr;
  QLabel* LabelInfoRec = nullptr;
  QWidget* PanelButton = nullptr;
  QPushButton* ButtonOK = nullptr;
  TToviFolderDialog* ToviFolderDialogPath = nullptr;

 private:
  void ButtonBrowseClick();
};

// Shows TFormPath with `proposed` in its field; answers the field's text when
// closed with OK (untested: it need not exist), otherwise `proposed`.
std::string AskImageFolder(const std::string& proposed, QWidget* parent = nullptr);

}  // namespace toviwall
