#pragma once
// Help from an HTML file beside the program: a contents page, four topics
// reached by anchor ("ImageListTab", "DesktopTab", "OptionTab", "Hotkeys") and
// short context texts by number, shown as What's This pop-ups.
#include <QObject>
#include <QString>
#include <memory>
#include <string>

class QTextBrowser;

namespace toviwall {

class THelpViewer final : public QObject {
  Q_OBJECT
 public:
  explicit THelpViewer(std::string helpFile);
  ~THelpViewer() override;

  // The help file for a program file: its path with ".html" for its extension,
  // else the shared data folder of an installed program.
  static std::string HelpFileFor(const std::string& programFile);

  const std::string& File() const { return file_; }
  void ShowTopics();
  void ShowTopic(const QString& topic);
  // The context text numbered `context`, empty when the file has none.
  QString ContextText(int context) const;
  QWidget* Window() const;

  // Gives `widget` the context number; the What's This pop-up then shows its text.
  void SetHelpContext(QWidget* widget, int context);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QTextBrowser& Browser();
  static void Present(QTextBrowser& b);

  std::string file_;
  std::unique_ptr<QTextBrowser> browser_;
};

}  // namespace toviwall
