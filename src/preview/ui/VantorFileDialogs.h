#pragma once
// The program's file dialogs: Qt's own file dialog (the same on every desktop,
// no portal needed), with the user's places in its sidebar.
//  TVantorCustomFileDialog          Execute, the open or save kind, hints hidden at close
//  TVantorCustomExtendedFileDialog  the dialog enlarged by a panel of its own,
//                                   below the file controls or to their right
#include <QFileDialog>
#include <QList>
#include <QUrl>
#include <functional>

namespace toviwall {

// The home folder, Desktop, Documents and Pictures (those that exist) and the root.
QList<QUrl> UserPlaces();
// Where a file dialog opens: `preferred` when it is a folder, else the user's
// Pictures folder, else home (never the working folder, which for a program
// started from a menu or at login says nothing).
QString StartFolder(const QString& preferred);

class TVantorCustomFileDialog : public QFileDialog {
  Q_OBJECT
 public:
  explicit TVantorCustomFileDialog(QWidget* parent = nullptr);
  // Shows the dialog modally; true when the user confirmed.
  bool Execute();

  // Why the chosen file may not be taken (one of the program's own), shown in
  // the error box while the dialog stays open; empty to take it.
  std::function<QString(const QString& file)> RefuseFile;

  void accept() override;

 protected:
  // A save dialog says so; the open kind is the default.
  virtual bool IsSaveDialog() const { return false; }
  void done(int result) override;

 private:
  void FitToContents();
};

enum class TVantorExtendedDialogAlignment { veaBottom, veaRight };

class TVantorCustomExtendedFileDialog : public TVantorCustomFileDialog {
  Q_OBJECT
 public:
  explicit TVantorCustomExtendedFileDialog(QWidget* parent = nullptr);

  // The panel's height (below) or width (right), in pixels.
  int ExtendedSize() const { return extendedSize_; }
  void SetExtendedSize(int size) { extendedSize_ = size; }
  TVantorExtendedDialogAlignment ExtendedAlignment() const { return alignment_; }
  void SetExtendedAlignment(TVantorExtendedDialogAlignment alignment) { alignment_ = alignment; }

  // The panel, made on first use by CreateContainer.
  QWidget* Container();

  // After the panel was resized, and after its controls were laid out.
  std::function<void(QObject* sender)> OnContainerResize;
  std::function<void(QObject* sender)> OnContainerLayout;

  void setVisible(bool visible) override;

 protected:
  // Subclasses may supply a panel of their own; this one is plain, "ExtendedContainer".
  virtual QWidget* CreateContainer();
  // Lays the panel's controls out; raises OnContainerLayout.
  virtual void LayoutContainer();
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void PlaceContainer();

  int extendedSize_ = 24;
  TVantorExtendedDialogAlignment alignment_ = TVantorExtendedDialogAlignment::veaBottom;
  QWidget* container_ = nullptr;
};

}  // namespace toviwall
