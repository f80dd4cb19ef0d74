#include "app/ui/AboutBox.h"

#include <QDate>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLocale>
#include <QVBoxLayout>
#include <cstdlib>

#include "base/Version.h"
#include "base/SettingsPaths.h"

namespace toviwall {

std::string MakerServer() {
  // The server is configuration: an environment variable, for tests and mirrors.
  const char* env = std::getenv("TOVIWALL_SERVER");
  std::string base = env && *env ? env : "http://www.example.com/toviwall/";
  if (base.back() != '/') base += '/';
  return base;
}

namespace {

// The compiler's date pads a one-digit day with a space ("Dec  7 2024").
QString BuildDate() {
  const QString compiled = QStringLiteral(__DATE__).simplified();
  const QDate date = QLocale::c().toDate(compiled, QStringLiteral("MMM d yyyy"));
  return date.isValid() ? QLocale::c().toString(date, QStringLiteral("d MMMM yyyy")) : compiled;
}

}  // namespace

QString TAboutBox::VersionLabelText() {
  return QStringLiteral("Version ") +
         QString::fromStdString(VersionText(kVersionMajor, kVersionMinor, kVersionRelease, kVersionBuild));
}

TAboutBox::TAboutBox(const AboutInfo& info, QWidget* parent) : QDialog(parent), info_(info) {
  setObjectName(QStringLiteral("AboutBox"));
  setWindowTitle(QStringLiteral("About ") + QString::fromStdString(info.productTitle));
  auto* layout = new QVBoxLayout(this);
  auto* name = new QLabel(QStringLiteral("<b>%1</b>").arg(QString::fromStdString(info.productTitle)), this);
  QFont big = name->font();
  big.setPointSizeF(big.pointSizeF() * 1.5);
  name->setFont(big);
  layout->addWidget(name);
  auto* version = new QLabel(VersionLabelText(), this);
  version->setObjectName(QStringLiteral("LabelVersion"));
  version->setToolTip(QStringLiteral("Check new version"));
  layout->addWidget(version);
  layout->addWidget(new QLabel(QStringLiteral("Built %1").arg(BuildDate()), this));
  layout->addWidget(new QLabel(QStringLiteral("A desktop wallpaper changer for the notification area."), this));
  auto* home = new QLabel(
      QStringLiteral("<a href=\"%1\">%1</a>").arg(QString::fromStdString(info.homePage).toHtmlEscaped()), this);
  home->setOpenExternalLinks(true);
  layout->addWidget(home);
  auto* settings =
      new QLabel(QStringLiteral("Settings: %1").arg(QString::fromStdString(info.settingsFile).toHtmlEscaped()), this);
  settings->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(settings);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  layout->addWidget(buttons);
}

}  // namespace toviwall
