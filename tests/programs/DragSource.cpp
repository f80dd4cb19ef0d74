// A small window that drags the URLs it was given ("text/uri-list") as a file
// manager does, for tests that move it over the program with real pointer
// events. The drag starts when a button is pressed in the window; the line
// "drop: copy" (or "ignore" and so on) tells how it ended.
//   toviwall-drag-source URL...
#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <QWidget>
#include <cstdio>

namespace {

class Source final : public QWidget {
 public:
  explicit Source(QByteArray uris) : uris_(std::move(uris)) {
    setWindowTitle(QStringLiteral("ToviDragSource"));
    setGeometry(0, 0, 120, 80);
  }

 protected:
  void showEvent(QShowEvent*) override {
    std::printf("ready\n");
    std::fflush(stdout);
  }
  void mousePressEvent(QMouseEvent*) override {
    auto* data = new QMimeData;  // owned by the drag
    data->setData(QStringLiteral("text/uri-list"), uris_);
    // On the heap: Qt keeps it after exec() returns, for the target that asks
    // for the data only then, and deletes it itself.
    auto* drag = new QDrag(this);
    drag->setMimeData(data);
    Qt::DropAction action = drag->exec(Qt::CopyAction | Qt::MoveAction | Qt::LinkAction, Qt::CopyAction);
    const char* name = action == Qt::CopyAction   ? "copy"
                       : action == Qt::MoveAction ? "move"
                       : action == Qt::LinkAction ? "link"
                                                  : "ignore";
    std::printf("drop: %s\n", name);
    std::fflush(stdout);
  }

 private:
  QByteArray uris_;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QByteArray uris;
  for (int i = 1; i < argc; ++i) uris += QByteArray(argv[i]) + "\r\n";
  Source source(uris);
  source.show();
  return app.exec();
}
