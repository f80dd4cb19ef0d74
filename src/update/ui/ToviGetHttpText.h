#pragma once
// TToviGetHttpText: fetches a small text file over HTTP(S) without holding up
// the event loop. One GET of Url with Agent as the User-Agent, through the proxy
// when ProxySrv is set; the reply's lines land in TheText, each followed by CR LF.
// A fetch gives up after TimeOut seconds, on a reply larger than 64 KiB, on an
// error status, and on a redirect to anything but http(s) or past the third.
#include <QByteArray>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QUrl>

namespace toviwall {

class TToviGetHttpText final : public QObject {
  Q_OBJECT

 public:
  static constexpr qint64 kMaxReplyBytes = 64 * 1024;
  static constexpr int kMaxRedirects = 3;

  explicit TToviGetHttpText(QObject* owner = nullptr);
  ~TToviGetHttpText() override;

  QString Agent = QStringLiteral("Tovi Solution");
  QString Url;
  QString ProxySrv;
  QString ProxyPort = QStringLiteral("80");
  QString ProxyUserName;
  QString ProxyPassword;
  QString TheText;  // the text of the last successful fetch
  int TimeOut = 15;  // seconds for the whole fetch

  // Starts a fetch (a running one is cancelled); Finished follows once.
  void Fetch();
  // Stops a running fetch; Finished does not follow.
  void Cancel();
  bool Busy() const { return reply_ != nullptr; }
  // Why the last fetch failed.
  const QString& ErrorText() const { return error_; }

 signals:
  void Finished(bool ok);

 private:
  void Get(const QUrl& url);
  void ReadSome();
  void Done();
  void Fail(const QString& reason);
  // Ends the request in flight; the time limit goes on for a redirect's next request.
  void Drop(bool stopClock = true);

  QNetworkAccessManager manager_;
  QPointer<QNetworkReply> reply_;
  QTimer limit_;
  QByteArray body_;
  QString error_;
  int redirects_ = 0;
};

}  // namespace toviwall
