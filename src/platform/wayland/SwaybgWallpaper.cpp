#include "platform/wayland/SwaybgWallpaper.h"

#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include <unistd.h>
#include <wayland-client.h>

#include "base/AtomicFile.h"
#include "image/BitmapFile.h"
#include "platform/sway/OutputPicture.h"

namespace toviwall::platform {
namespace {

constexpr int kOverlapMs = 500;  // the replaced swaybg paints until the new one has

struct DisplayCloser {
  void operator()(wl_display* d) const { wl_display_disconnect(d); }
};

void Global(void* data, wl_registry*, uint32_t, const char* interface, uint32_t) {
  if (std::string_view(interface) == "zwlr_layer_shell_v1") *static_cast<bool*>(data) = true;
}
void GlobalRemoved(void*, wl_registry*, uint32_t) {}

std::string PidFile(const std::string& folder) { return folder + "/swaybg.pid"; }

}  // namespace

bool HasLayerShell() {
  std::unique_ptr<wl_display, DisplayCloser> display(wl_display_connect(nullptr));
  if (!display) return false;
  bool found = false;
  static const wl_registry_listener listener{Global, GlobalRemoved};
  wl_registry* registry = wl_display_get_registry(display.get());
  wl_registry_add_listener(registry, &listener, &found);
  wl_display_roundtrip(display.get());
  wl_registry_destroy(registry);
  return found;
}

std::vector<NamedOutput> QtOutputs() {
  std::vector<NamedOutput> outputs;
  if (!qGuiApp) return outputs;
  int left = INT_MAX, top = INT_MAX;
  for (const QScreen* screen : QGuiApplication::screens()) {
    const QRect r = screen->geometry();
    if (screen->name().isEmpty() || !r.isValid()) continue;
    outputs.push_back({screen->name().toStdString(), {r.x(), r.y(), r.width(), r.height()}});
    left = std::min(left, r.x());
    top = std::min(top, r.y());
  }
  for (NamedOutput& o : outputs) {
    o.rect.x -= left;
    o.rect.y -= top;
  }
  return outputs;
}

SwaybgWallpaper::SwaybgWallpaper(Outputs outputs, std::string folder, std::string program)
    : outputs_(std::move(outputs)), folder_(std::move(folder)), program_(std::move(program)) {
  // The swaybg an earlier run left is replaced at the first change.
  std::ifstream in(PidFile(folder_));
  long pid = 0;
  if (in >> pid && pid > 0 && Ours(static_cast<pid_t>(pid))) running_ = static_cast<pid_t>(pid);
}

SwaybgWallpaper::~SwaybgWallpaper() { EndReplaced(); }

bool SwaybgWallpaper::Ours(pid_t pid) const {
  // A swaybg of this user's: the id kept may have been given to another process since.
  std::ifstream in("/proc/" + std::to_string(pid) + "/cmdline", std::ios::binary);
  std::string args((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::string first = args.substr(0, args.find('\0'));
  const std::string name = first.substr(first.rfind('/') + 1);
  const std::string wanted = program_.substr(program_.rfind('/') + 1);
  return !args.empty() && name == wanted && ::kill(pid, 0) == 0;
}

void SwaybgWallpaper::EndReplaced() {
  for (pid_t pid : std::exchange(replaced_, {}))
    if (Ours(pid)) ::kill(pid, SIGTERM);
}

void SwaybgWallpaper::Reload() {
  const std::shared_ptr<const Bitmap24> inHand = inHand_.GiveUp(written_ ? &written_->file : nullptr);
  if (!written_) return AnnounceSettingsChange();
  EnsurePictureFolder(folder_);
  const std::vector<NamedOutput> outputs = outputs_();
  std::optional<Bitmap24> loaded;
  if (!written_->file.empty() && !inHand) {
    try {
      loaded = LoadBitmapFile(written_->file);
    } catch (const std::exception&) {
      // shown as the colour alone
    }
  }
  const Bitmap24* picture = inHand ? inHand.get() : loaded ? &*loaded : nullptr;

  // No shell between us and swaybg: the paths go as they are.
  QStringList args;
  std::vector<std::string> files;
  if (picture && !outputs.empty()) {
    std::vector<MonitorRect> rects;
    for (const NamedOutput& o : outputs) rects.push_back(o.rect);
    files = WriteOutputPictures(folder_, ++serial_, *picture, written_->style, rects, background_);
    for (std::size_t i = 0; i < outputs.size(); ++i)
      args << QStringLiteral("-o") << QString::fromStdString(outputs[i].name) << QStringLiteral("-i")
           << QString::fromStdString(files[i]) << QStringLiteral("-m") << QStringLiteral("stretch");
  } else {
    args << QStringLiteral("-c") << QString::fromStdString(HexColour(background_));
  }
  qint64 pid = 0;
  if (!QProcess::startDetached(QString::fromStdString(program_), args, QString::fromStdString(folder_), &pid))
    throw std::runtime_error("Cannot start " + program_ + " to show the wallpaper.");
  if (running_) replaced_.push_back(running_);
  running_ = static_cast<pid_t>(pid);
  WriteFileAtomically(PidFile(folder_), std::to_string(pid) + "\n");
  QTimer::singleShot(kOverlapMs, this, [this, ended = replaced_] {
    for (pid_t old : ended)
      if (std::find(replaced_.begin(), replaced_.end(), old) != replaced_.end() && Ours(old)) ::kill(old, SIGTERM);
    std::erase_if(replaced_, [&](pid_t p) { return std::find(ended.begin(), ended.end(), p) != ended.end(); });
  });
  shown_ = written_->file;
  RemoveOldPictures(folder_, files);
  AnnounceSettingsChange();
}

std::optional<std::string> SwaybgWallpaper::ReadWallpaper() {
  if (!shown_ || !running_ || !Ours(running_)) return std::nullopt;
  return shown_;
}

}  // namespace toviwall::platform
