// Stands in for plasmashell on a test's session bus: org.kde.PlasmaShell's
// evaluateScript runs the script against a model of Plasma 5.27's desktop
// scripting API (plasma-scripting-5.27.js, with node), which reads and writes
// the appletsrc file as Plasma keeps it. Every script is appended to a record
// file; a script the model rejects gets its error as the D-Bus error reply.
//   toviwall-plasma-double APPLETSRC RECORD MODEL.js
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusMessage>
#include <QFile>
#include <QObject>
#include <QProcess>

#include <cstdio>

class PlasmaShell : public QObject, protected QDBusContext {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.kde.PlasmaShell")

 public:
  PlasmaShell(QString appletsrc, QString record, QString model)
      : appletsrc_(std::move(appletsrc)), record_(std::move(record)), model_(std::move(model)) {}

 public Q_SLOTS:
  void evaluateScript(const QString& script) {
    QFile record(record_);
    if (record.open(QIODevice::Append)) record.write(script.toUtf8() + "\n----\n");
    QProcess node;
    node.start(QStringLiteral("node"), {model_, appletsrc_});
    node.write(script.toUtf8());
    node.closeWriteChannel();
    if (!node.waitForFinished(20000) || node.exitCode() != 0)
      sendErrorReply(QDBusError::Failed, QString::fromUtf8(node.readAllStandardError()).trimmed());
  }

 private:
  QString appletsrc_, record_, model_;
};

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc != 4) {
    std::fprintf(stderr, "usage: toviwall-plasma-double APPLETSRC RECORD MODEL.js\n");
    return 2;
  }
  PlasmaShell shell(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]));
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.registerObject(QStringLiteral("/PlasmaShell"), &shell, QDBusConnection::ExportAllSlots) ||
      !bus.registerService(QStringLiteral("org.kde.PlasmaShell"))) {
    std::fprintf(stderr, "cannot take org.kde.PlasmaShell: %s\n", qPrintable(bus.lastError().message()));
    return 1;
  }
  return app.exec();
}

#include "PlasmaShellDouble.moc"
