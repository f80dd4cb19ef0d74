#include "base/ui/ToviWndProcHook.h"

#include <QEvent>
#include <QPointer>
#include <QWidget>
#include <algorithm>
#include <memory>
#include <vector>

namespace toviwall {
namespace {

// Runs a control's own event handling, as if no filter sat in front of it.
struct OwnHandling : QWidget {
  static bool Run(QWidget* control, QEvent* event) { return (control->*(&OwnHandling::event))(event); }
};

struct Entry {
  TToviHookHandler handler;
  bool removed = false;
};
using Chain = std::vector<std::shared_ptr<Entry>>;

// One hooked control: its two chains, and the dispatcher (an event filter on the
// control while installed).
class HookRecord final : public QObject, public std::enable_shared_from_this<HookRecord> {
 public:
  explicit HookRecord(QWidget* control) : control_(control), raw_(control) {}
  ~HookRecord() override { Uninstall(); }

  QWidget* Control() const { return raw_; }
  Chain& Of(THookPosition position) { return chains_[position == HookBefore ? 0 : 1]; }
  bool Empty() const { return chains_[0].empty() && chains_[1].empty(); }

  void Install() {
    if (installed_ || !control_) return;
    control_->installEventFilter(this);
    installed_ = true;
  }
  void Uninstall() {
    if (installed_ && control_) control_->removeEventFilter(this);
    installed_ = false;
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != raw_ || !installed_) return false;
    auto keepAlive = shared_from_this();  // the control may go away while it handles the event
    TToviMessage message{event, false};
    // Copies: a handler may change the chains; entries it removes do not run.
    const Chain before = chains_[0];
    for (const auto& entry : before)
      if (!entry->removed && entry->handler(message)) return true;
    message.result = OwnHandling::Run(raw_, event);
    const Chain after = chains_[1];
    for (const auto& entry : after)
      if (!entry->removed && entry->handler(message)) break;
    return true;  // handled here: Qt must not run the control's handling a second time
  }

 private:
  QPointer<QWidget> control_;
  QWidget* raw_;  // identity, also while the control is being destroyed
  Chain chains_[2];
  bool installed_ = false;
};

class TToviWndProcHook {
 public:
  static TToviWndProcHook& Instance() {
    static TToviWndProcHook hook;
    return hook;
  }

  bool Hook(QWidget* control, THookPosition position, TToviHookHandler handler) {
    if (!control || !handler.code) return false;
    std::shared_ptr<HookRecord> record = Find(control);
    if (!record) {
      record = std::make_shared<HookRecord>(control);
      records_.push_back(record);
      // The record goes with its control.
      QObject::connect(control, &QObject::destroyed, record.get(), [this, control] { Forget(control); });
    }
    record->Of(position).push_back(std::make_shared<Entry>(Entry{handler}));
    record->Install();
    return true;
  }

  bool Unhook(QWidget* control, THookPosition position, TToviHookHandler handler) {
    if (!control || !handler.code || records_.empty()) return false;
    std::shared_ptr<HookRecord> record = Find(control);
    if (!record) return false;
    Chain& chain = record->Of(position);
    auto it = std::find_if(chain.begin(), chain.end(), [&](const auto& e) { return e->handler == handler; });
    if (it != chain.end()) {
      (*it)->removed = true;
      chain.erase(it);
    }
    if (record->Empty()) record->Uninstall();  // the record itself stays
    return true;
  }

 private:
  std::shared_ptr<HookRecord> Find(QWidget* control) const {
    for (const auto& r : records_)
      if (r->Control() == control) return r;
    return nullptr;
  }

  void Forget(QWidget* control) {
    records_.erase(std::remove_if(records_.begin(), records_.end(),
                                  [control](const auto& r) { return r->Control() == control; }),
                   records_.end());
  }

  std::vector<std::shared_ptr<HookRecord>> records_;
};

}  // namespace

bool HookWndProc(QWidget* control, THookPosition position, TToviHookHandler handler) {
  return TToviWndProcHook::Instance().Hook(control, position, handler);
}

bool UnhookWndProc(QWidget* control, THookPosition position, TToviHookHandler handler) {
  return TToviWndProcHook::Instance().Unhook(control, position, handler);
}

}  // namespace toviwall
