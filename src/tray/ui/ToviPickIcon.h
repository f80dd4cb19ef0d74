#pragma once
// TToviPickIconDialog: asks the user for an icon, as a file and a position in
// it. Execute opens a modal chooser on IconFile at IconIndex: the file's icons
// in a grid, the file's path with a Browse button. On OK the choice is in
// IconFile and IconIndex, and PickedIcon holds that icon.
#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QString>

class QWidget;

namespace toviwall {

class TToviPickIconDialog final : public QObject {
  Q_OBJECT

 public:
  explicit TToviPickIconDialog(QObject* owner = nullptr) : QObject(owner) {}

  QString IconFile;
  int IconIndex = 0;
  QPointer<QWidget> ParHandle;  // the chooser's owner
  // The file that stands for the program's own icons (see IconFile.h).
  QString ProgramFile;
  QIcon PickedIcon;

  // False when the user cancels; nothing changes then.
  bool Execute();
};

}  // namespace toviwall
