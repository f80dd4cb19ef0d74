#include "app/ui/HelpViewer.h"

#include <QEvent>
#include <QHelpEvent>
#include <QTextBrowser>
#include <QUrl>
#include <QWhatsThis>

#include "base/AppIdentity.h"
#include "base/AtomicFile.h"
#include "base/SettingsPaths.h"

namespace toviwall {

THelpViewer::THelpViewer(std::string helpFile) : file_(std::move(helpFile)) {}

THelpViewer::~THelpViewer() = default;

std::string THelpViewer::HelpFileFor(const std::string& programFile) {
  std::string beside = ChangeFileExt(programFile, ".html");
  if (FileExists(beside)) return beside;
  std::string folder = ExtractFilePath(programFile);  // <prefix>/bin/
  std::string shared = folder + "../share/toviwall/" + ExtractFileName(beside);
  if (FileExists(shared)) return shared;
  return beside;
}

QTextBrowser& THelpViewer::Browser() {
  if (!browser_) {
    browser_ = std::make_unique<QTextBrowser>();
    // A dialog, as the main window is: window managers keep a dialog without an
    // owner above all the program's other windows, so an ordinary Help window
    // would open under the main window and could not be brought in front of it.
    browser_->setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                             Qt::WindowCloseButtonHint);
    browser_->setObjectName(QStringLiteral("HelpWindow"));
    browser_->setWindowTitle(QString::fromUtf8(kTitle) + QStringLiteral(" Help"));
    browser_->setOpenExternalLinks(true);
    browser_->resize(640, 520);
    browser_->setSource(QUrl::fromLocalFile(QString::fromStdString(file_)));
  }
  return *browser_;
}

QWidget* THelpViewer::Window() const { return browser_.get(); }

void THelpViewer::ShowTopics() {
  QTextBrowser& b = Browser();
  b.setSource(QUrl::fromLocalFile(QString::fromStdString(file_)));
  b.scrollToAnchor(QStringLiteral("contents"));
  Present(b);
}

void THelpViewer::ShowTopic(const QString& topic) {
  QTextBrowser& b = Browser();
  QUrl url = QUrl::fromLocalFile(QString::fromStdString(file_));
  url.setFragment(topic);
  b.setSource(url);
  Present(b);
}

void THelpViewer::Present(QTextBrowser& b) {
  b.show();
  b.raise();
  b.activateWindow();
}

QString THelpViewer::ContextText(int context) const {
  std::string html;
  if (!ReadWholeFile(file_, html)) return {};
  const std::string marker = "id=\"context-" + std::to_string(context) + "\"";
  std::size_t at = html.find(marker);
  if (at == std::string::npos) return {};
  std::size_t start = html.find('>', at);
  std::size_t end = html.find("</p>", start);
  if (start == std::string::npos || end == std::string::npos) return {};
  return QString::fromUtf8(html.substr(start + 1, end - start - 1)).simplified();
}

void THelpViewer::SetHelpContext(QWidget* widget, int context) {
  widget->setProperty("helpContext", context);
  widget->installEventFilter(this);
}

bool THelpViewer::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::WhatsThis && event->type() != QEvent::QueryWhatsThis)
    return QObject::eventFilter(watched, event);
  int context = watched->property("helpContext").toInt();
  if (event->type() == QEvent::QueryWhatsThis) {
    event->setAccepted(context != 0);
    return true;
  }
  QString text = ContextText(context);
  if (text.isEmpty()) return false;
  QWhatsThis::showText(static_cast<QHelpEvent*>(event)->globalPos(), text, qobject_cast<QWidget*>(watched));
  return true;
}

}  // namespace toviwall
