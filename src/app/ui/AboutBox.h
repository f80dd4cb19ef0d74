#pragma once
// The About box: program name, version, build date, where the settings live.
#include <QDialog>
#include <string>

namespace toviwall {

struct AboutInfo {
  std::string productTitle;
  std::string proxyServer, proxyPort = "80", proxyUser, proxyPassword;
  std::string homePage;
  std::string productKey;
  std::string settingsFile;
  std::string updateUrl;
};

class TAboutBox final : public QDialog {
  Q_OBJECT
 public:
  TAboutBox(const AboutInfo& info, QWidget* parent = nullptr);

  static QString VersionLabelText();

 private:
  AboutInfo info_;
};

// The maker's web server: the base of the home page and of the update text.
std::string MakerServer();

}  // namespace toviwall
