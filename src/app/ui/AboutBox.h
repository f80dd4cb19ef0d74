#pragma once
// The About box: program name, version, build date, where the settings live.
// A click on the version asks the maker's server for a newer one.
#include <QDialog>
#include <QPointer>
#include <string>

class QLabel;
class QPushButton;

namespace toviwall {

class TToviGetHttpText;

struct AboutInfo {
  std::string productTitle;
  std::string homePage;
  std::string settingsFile;
  std::string updateUrl;
};

class TAboutBox final : public QDialog {
  Q_OBJECT
 public:
  TAboutBox(const AboutInfo& info, QWidget* parent = nullptr);
  ~TAboutBox() override;

  static QString VersionLabelText();

 private:
  void LabelVersionClick();
  void VersionCheckDone(bool fetched);
  void SetChecking(bool checking);

  AboutInfo info_;
  QLabel* LabelVersion = nullptr;
  QPushButton* ButtonCancelCheck = nullptr;
  QPointer<TToviGetHttpText> check_;
  bool checking_ = false;
};

}  // namespace toviwall
