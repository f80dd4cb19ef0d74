#pragma once
// For tests that drive the real program with xdotool: when TOVIWALL_WIDGET_MAP
// names a file, the screen rectangles of every named, visible widget and menu
// item of the program, with the texts they show, are kept in it. Without the
// variable nothing is done.
#include <QObject>
#include <QTimer>
#include <memory>
#include <string>

namespace toviwall {

class WidgetMap final : public QObject {
  Q_OBJECT
 public:
  // Installed on the application when the variable is set; nullptr otherwise.
  static std::unique_ptr<WidgetMap> FromEnvironment();
  explicit WidgetMap(std::string file);
  void Write();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::string file_;
  std::string written_;
  QTimer pending_;
};

}  // namespace toviwall
