#include "base/ui/Dialogs.h"

#include <QCheckBox>
#include <exception>

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

}  // namespace

ToviApplication::ToviApplication(int& argc, char** argv) : QApplication(argc, argv) { InitToviWallResources(); }

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
  QMessageBox box(QMessageBox::Critical, QString::fromUtf8(kTitle), text, QMessageBox::Ok, DialogParent());
  box.setObjectName(QStringLiteral("ErrorBox"));
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

QMessageBox::StandardButton ShowMessage(const QString& text, QMessageBox::Icon kind,
                                        QMessageBox::StandardButtons buttons) {
  QMessageBox box(kind, QString::fromUtf8(kTitle), text, buttons, DialogParent());
  box.setObjectName(QStringLiteral("MessageBox"));
  QApplication::beep();
  return static_cast<QMessageBox::StandardButton>(box.exec());
}

AskAnswer AskWithDontShowAgain(const QString& text, QMessageBox::Icon kind, QMessageBox::StandardButtons buttons) {
  QMessageBox box(kind, QString::fromUtf8(kTitle), text, buttons, DialogParent());
  box.setObjectName(QStringLiteral("AskBox"));
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
