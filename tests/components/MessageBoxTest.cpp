// The program's message boxes show what came from outside (a server's answer,
// a file name) as it is: markup in it is text, and a click on it opens nothing.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDesktopServices>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QTimer>
#include <QUrl>
#include <functional>

#include "base/ui/Dialogs.h"

namespace toviwall {
namespace {

class OpenedUrls final : public QObject {
  Q_OBJECT
 public:
  QList<QUrl> urls;
 public slots:
  void Open(const QUrl& url) { urls.append(url); }
};

// Clicks the start of the open box's text, where a link would be, then closes the box.
void ClickTextThenClose() {
  QTimer::singleShot(0, [] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    ASSERT_NE(box, nullptr);
    auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    ASSERT_NE(label, nullptr);
    const QPointF at(3, label->height() / 2.0);
    QMouseEvent press(QEvent::MouseButtonPress, at, label->mapToGlobal(at), Qt::LeftButton, Qt::LeftButton, {});
    QMouseEvent release(QEvent::MouseButtonRelease, at, label->mapToGlobal(at), Qt::LeftButton, Qt::NoButton, {});
    QApplication::sendEvent(label, &press);
    QApplication::sendEvent(label, &release);
    box->reject();
  });
}

TEST(MessageBoxTest, MarkupFromOutsideIsTextAndALinkInItOpensNothing) {
  OpenedUrls opened;
  QDesktopServices::setUrlHandler(QStringLiteral("http"), &opened, "Open");
  const QString text = QStringLiteral("<a href=\"http://127.0.0.1:9/x\">Click here</a> for a new version.jpg");
  const std::function<void()> boxes[] = {
      [&] { ShowMessage(text, QMessageBox::Warning); },
      [&] { ShowErrorBox(text); },
      [&] { AskWithDontShowAgain(text, QMessageBox::Question, QMessageBox::Yes | QMessageBox::No); },
  };
  for (const auto& box : boxes) {
    ClickTextThenClose();
    box();
  }
  QDesktopServices::unsetUrlHandler(QStringLiteral("http"));
  EXPECT_TRUE(opened.urls.isEmpty()) << opened.urls.first().toString().toStdString();
}

}  // namespace
}  // namespace toviwall

#include "MessageBoxTest.moc"
