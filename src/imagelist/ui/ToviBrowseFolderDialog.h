#pragma once
// TToviFolderDialog: the folder browser. The caller puts the start folder into
// Folder, calls Execute and, when it answers true, reads the chosen folder
// from Folder. The browser opens with the start folder selected, offers a
// "Create New Folder" button, and with ShowPath shows the selected folder in
// its status line, shortened to 50 characters. It is Qt's own dialog, so it
// works without a desktop portal.
#include <QFlags>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <string>

class QFileDialog;
class QLabel;
class QWidget;

namespace toviwall {

class TToviFolderDialog final : public QObject {
  Q_OBJECT

 public:
  // Of these, ShowPath (the status line), Includefiles (files show too) and
  // HideNewFolderButton act here; the others name choices this browser has
  // no use for and are kept as given.
  enum TBrowseInfoFlags : unsigned {
    OnlyComputers = 0x1000,
    OnlyPrinters = 0x2000,
    OnlyDomains = 0x2,
    OnlyAncestors = 0x8,
    OnlyFileSystem = 0x1,
    ShowPath = 0x4,
    EditBox = 0x10,
    Includefiles = 0x4000,
    IncludeURLs = 0x80,
    NewDialogStyle = 0x40,
    UsageHint = 0x100,
    HideNewFolderButton = 0x200,
    ShowShared = 0x8000,
    Validate = 0x20,
  };
  Q_DECLARE_FLAGS(TBrowseInfoFlagSet, TBrowseInfoFlags)

  explicit TToviFolderDialog(QObject* owner = nullptr);

  std::string Folder;
  TBrowseInfoFlagSet Flags = TBrowseInfoFlagSet(ShowPath) | NewDialogStyle | ShowShared;
  QString LabelCaption = QStringLiteral("Current folder:");  // in front of the status line
  QString Title;                                            // empty: "Browse for Folder"

  // While the browser is open: once when it shows, and at every change of the selection.
  std::function<void(QObject* sender, QFileDialog* dialog)> OnInitialized;
  std::function<void(QObject* sender, QFileDialog* dialog, const std::string& folder)> OnSelectionChanged;

  // True when the user chose a folder (then in Folder); false on cancel.
  bool Execute();

 private:
  void ShowSelection(QFileDialog& dialog, QLabel* status, const QString& path);
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TToviFolderDialog::TBrowseInfoFlagSet)

}  // namespace toviwall
