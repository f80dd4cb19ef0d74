#include "update/ui/ToviGetHttpText.h"

#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

#include "update/VersionCheck.h"

namespace toviwall {

TToviGetHttpText::TToviGetHttpText(QObject* owner) : QObject(owner) {
  limit_.setSingleShot(true);
  connect(&limit_, &QTimer::timeout, this,
          [this] { Fail(QStringLiteral("The server did not answer within %1 seconds.").arg(TimeOut)); });
}

TToviGetHttpText::~TToviGetHttpText() { Drop(); }

void TToviGetHttpText::Fetch() {
  Drop();
  error_.clear();
  redirects_ = 0;
  manager_.setProxy(ProxySrv.isEmpty() ? QNetworkProxy(QNetworkProxy::DefaultProxy)
                                       : QNetworkProxy(QNetworkProxy::HttpProxy, ProxySrv, ProxyPort.toUShort(),
                                                       ProxyUserName, ProxyPassword));
  limit_.start(TimeOut * 1000);
  Get(QUrl(Url));
}

void TToviGetHttpText::Get(const QUrl& url) {
  body_.clear();
  QNetworkRequest request(url);
  request.setHeader(QNetworkRequest::UserAgentHeader, Agent);
  // Redirects are ours to follow (Done): only to http(s), and only a few.
  request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
  request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
  reply_ = manager_.get(request);
  reply_->setReadBufferSize(kMaxReplyBytes);
  connect(reply_, &QNetworkReply::metaDataChanged, this, [this] {
    if (reply_->header(QNetworkRequest::ContentLengthHeader).toLongLong() > kMaxReplyBytes) ReadSome();
  });
  connect(reply_, &QNetworkReply::readyRead, this, &TToviGetHttpText::ReadSome);
  connect(reply_, &QNetworkReply::finished, this, &TToviGetHttpText::Done);
}

void TToviGetHttpText::Cancel() {
  Drop();
  error_ = QStringLiteral("Cancelled.");
}

void TToviGetHttpText::ReadSome() {
  if (!reply_) return;
  const qint64 announced = reply_->header(QNetworkRequest::ContentLengthHeader).toLongLong();
  body_ += reply_->read(kMaxReplyBytes + 1 - body_.size());
  if (body_.size() > kMaxReplyBytes || announced > kMaxReplyBytes)
    Fail(QStringLiteral("The server's answer is larger than %1 KiB.").arg(kMaxReplyBytes / 1024));
}

void TToviGetHttpText::Done() {
  if (!reply_) return;
  ReadSome();
  if (!reply_) return;  // too large
  const int status = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
  const QUrl to = reply_->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl();
  if (status >= 300 && status < 400 && to.isValid()) {
    const QUrl next = reply_->url().resolved(to);
    const QString scheme = next.scheme().toLower();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https"))
      Fail(QStringLiteral("The server sent us on to %1, which is not a web address.").arg(next.toDisplayString()));
    else if (++redirects_ > kMaxRedirects)
      Fail(QStringLiteral("The server sent us on more than %1 times.").arg(kMaxRedirects));
    else {
      Drop(false);
      Get(next);
    }
    return;
  }
  if (status >= 400) {
    const QString phrase = reply_->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
    Fail(QStringLiteral("The server answered %1 %2.").arg(status).arg(phrase).trimmed());
    return;
  }
  if (reply_->error() != QNetworkReply::NoError) {
    Fail(reply_->errorString());
    return;
  }
  Drop();
  const std::string lines = update::ReplyLines(std::string_view(body_.constData(), body_.size()));
  if (lines.empty()) {
    error_ = QStringLiteral("The server's answer is empty.");
    emit Finished(false);
    return;
  }
  TheText = QString::fromUtf8(lines.data(), static_cast<qsizetype>(lines.size()));
  emit Finished(true);
}

void TToviGetHttpText::Fail(const QString& reason) {
  Drop();
  error_ = reason;
  emit Finished(false);
}

void TToviGetHttpText::Drop(bool stopClock) {
  if (stopClock) limit_.stop();
  if (!reply_) return;
  QNetworkReply* reply = reply_;
  reply_ = nullptr;
  reply->disconnect(this);
  reply->abort();
  reply->deleteLater();
}

}  // namespace toviwall
