#pragma once
// The preview window's part of the main window: the one TPreviewForm (none
// while the box is unticked), kept against the main window's right edge with
// the same top, hidden with the main window and shown again with it.
#include <QObject>
#include <QPointer>
#include <string>

class QWidget;

namespace toviwall {

class TPreviewForm;

class PreviewWindow final : public QObject {
  Q_OBJECT
 public:
  explicit PreviewWindow(QWidget& mainWindow);
  ~PreviewWindow() override;

  // Makes the window when there is none (as tall as the main window, showing
  // `selectedFile` unless that is empty) and shows it beside the main window.
  void Open(const std::string& selectedFile);
  // Hides and destroys the window.
  void Close();
  bool IsOpen() const { return !window_.isNull(); }
  // Places it against the main window's right edge again.
  void KeepDocked();
  // Shows the picture of a list entry whose selection changed, when the window
  // is open and the file exists.
  void ShowEntry(const std::string& file);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget& form_;  // the main window
  QPointer<TPreviewForm> window_;  // a child window of the main window
};

}  // namespace toviwall
