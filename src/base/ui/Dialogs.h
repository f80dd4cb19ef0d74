#pragma once
// The program's message boxes and its general error handler.
#include <QApplication>
#include <QMessageBox>
#include <QString>
#include <QTranslator>
#include <functional>
#include <string>

namespace toviwall {

// Catches what escapes an event handler, shows it in the error box and goes
// on. Qt's own dialogs and buttons speak the user's language.
class ToviApplication final : public QApplication {
 public:
  ToviApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;

 private:
  QTranslator qtTranslator_;
};

// The general error box: the text of a failure, with the program's title.
void ShowErrorBox(const QString& text);

// For an end of the run asked for from outside (a signal, the session), when
// nobody may be there to answer: closes every open dialog, box and menu as
// cancelled (a box as its Cancel or No button would), and from then on shows
// none: errors go to stderr, each text once, and questions answer as cancelled.
void EndDialogs();
bool DialogsEnded();
// Runs `body`; an exception that escapes it is shown in the error box.
void RunGuarded(const std::function<void()>& body);

// A beep, then a message box of the given kind; answers the button pressed.
QMessageBox::StandardButton ShowMessage(const QString& text, QMessageBox::Icon kind,
                                        QMessageBox::StandardButtons buttons = QMessageBox::Ok);

struct AskAnswer {
  QMessageBox::StandardButton button = QMessageBox::NoButton;
  bool dontShowAgain = false;
};
// A message box with the check box "&Don't show this message again" below the text.
AskAnswer AskWithDontShowAgain(const QString& text, QMessageBox::Icon kind, QMessageBox::StandardButtons buttons);

inline QString Q(const std::string& s) { return QString::fromStdString(s); }
inline std::string U(const QString& s) { return s.toStdString(); }

}  // namespace toviwall
