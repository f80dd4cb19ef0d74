#include "base/ui/Dialogs.h"

#include <QCheckBox>
#include <QDialog>
#include <QLibraryInfo>
#include <QLocale>
#include <cstdio>
#include <exception>
#include <set>
#include <string>

#include "base/AppIdentity.h"

// The images and icons are compiled into a static library; naming its resource
// initialiser here makes the linker keep it.
static void InitToviWallResources() { Q_INIT_RESOURCE(toviwall); }

namespace toviwall {
namespace {

QWidget* DialogParent() {
  QWidget* active = QApplication::activeWindow();
  return active && active->isVisible() ? active : nullptr;
}

// The run is ending on a request from outside: no box may wait for an answer.
// Process-wide like the boxes themselves; only the main thread touches it.
bool g_dialogsEnded = false;

void ReportOnStderr(const QString& text) {
  static std::set<QString> reported;
  if (!reported.insert(text).second) return;
  std::fprintf(stderr, "toviwall: %s\n", text.toLocal8Bit().constData());
}

// A box's text often carries what came from outside (a server's answer, a file
// name): shown as it is, never as markup with links a click would open.
void MakePlain(QMessageBox& box) { box.setTextFormat(Qt::PlainText); }

// The answer of a box closed without a choice: what Escape would give.
QMessageBox::StandardButton CancelledAnswer(QMessageBox::StandardButtons buttons) {
  for (QMessageBox::StandardButton b : {QMessageBox::Cancel, QMessageBox::No, QMessageBox::Abort, QMessageBox::Ok})
    if (buttons.testFlag(b)) return b;
  return QMessageBox::NoButton;
}

}  // namespace

ToviApplication::ToviApplication(int& argc, char** argv) : QApplication(argc, argv) {
  InitToviWallResources();
  // Qt's translations for the locale the environment names (LANGUAGE, LC_ALL,
  // LC_MESSAGES, LANG), where Debian's qt6-translations-l10n put them. The
  // windows keep their left-to-right layout, as the program's own texts are
  // English unless a translation file says otherwise.
  setLayoutDirection(Qt::LeftToRight);
  if (qtTranslator_.load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    installTranslator(&qtTranslator_);
}

bool ToviApplication::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (const std::exception& e) {
    ShowErrorBox(QString::fromUtf8(e.what()));
  } catch (...) {
    ShowErrorBox(QStringLiteral("Unknown error"));
  }
  return false;
}

void ShowErrorBox(const QString& text) {
  if (g_dialogsEnded) {
    ReportOnStderr(text);
    return;
  }
  QMessageBox box(QMessageBox::Critical, QString::fromUtf8(kTitle), text, QMessageBox::Ok, DialogParent());
  box.setObjectName(QStringLiteral("ErrorBox"));
  MakePlain(box);
  QApplication::beep();
  box.exec();
}

void RunGuarded(const std::function<void()>& body) {
  try {
    body();
  } catch (const std::exception& e) {
    ShowErrorBox(QString::fromUtf8(e.what()));
  } catch (...) {
    ShowErrorBox(QStringLiteral("Unknown error"));
  }
}

void EndDialogs() {
  g_dialogsEnded = true;
  // A menu's or dialog's own event loop returns once its window has closed.
  for (int i = 0; i < 16 && QApplication::activePopupWidget(); ++i) QApplication::activePopupWidget()->close();
  for (QWidget* w : QApplication::topLevelWidgets()) {
    auto* dialog = qobject_cast<QDialog*>(w);
    if (!dialog || !dialog->isVisible()) continue;
    dialog->close();  // a message box answers with its escape button
    if (dialog->isVisible()) dialog->reject();
  }
}

bool DialogsEnded() { return g_dialogsEnded; }

QMessageBox::StandardButton ShowMessage(const QString& text, QMessageBox::Icon kind,
                                        QMessageBox::StandardButtons buttons) {
  if (g_dialogsEnded) {
    if (kind == QMessageBox::Critical || kind == QMessageBox::Warning) ReportOnStderr(text);
    return CancelledAnswer(buttons);
  }
  QMessageBox box(kind, QString::fromUtf8(kTitle), text, buttons, DialogParent());
  box.setObjectName(QStringLiteral("MessageBox"));
  MakePlain(box);
  QApplication::beep();
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

AskAnswer AskWithDontShowAgain(const QString& text, QMessageBox::Icon kind, QMessageBox::StandardButtons buttons) {
  if (g_dialogsEnded) return {CancelledAnswer(buttons), false};
  QMessageBox box(kind, QString::fromUtf8(kTitle), text, buttons, DialogParent());
  box.setObjectName(QStringLiteral("AskBox"));
  MakePlain(box);
  auto* check = new QCheckBox(QStringLiteral("&Don't show this message again"), &box);
  check->setObjectName(QStringLiteral("CheckBoxDontShowAgain"));
  check->setChecked(false);
  box.setCheckBox(check);  // the box owns it
  AskAnswer answer;
  answer.button = static_cast<QMessageBox::StandardButton>(box.exec());
  answer.dontShowAgain = check->isChecked();
  return answer;
}

}  // namespace toviwall
