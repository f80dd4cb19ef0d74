// Handler chains in front of and behind a control's own event handling.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "base/ui/ToviWndProcHook.h"

namespace toviwall {
namespace {

using Log = std::vector<std::string>;

QEvent::Type Probe() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

// A control that notes when its own handling sees the probe.
class Control final : public QWidget {
 public:
  explicit Control(Log& log) : log_(log) {}

 protected:
  bool event(QEvent* e) override {
    if (e->type() == Probe()) {
      log_.push_back("control");
      return true;
    }
    return QWidget::event(e);
  }

 private:
  Log& log_;
};

struct Handler {
  Handler(std::string n, Log& l, bool a = false) : name(std::move(n)), log(l), answer(a) {}
  std::string name;
  Log& log;
  bool answer;
  std::function<void(Handler&)> whileRunning;
  bool sawResult = false;

  bool Run(TToviMessage& m) {
    if (m.event->type() != Probe()) return false;
    log.push_back(name);
    sawResult = m.result;
    if (whileRunning) whileRunning(*this);
    return answer;
  }
  TToviHookHandler Hook() { return TToviHookHandler::Of<&Handler::Run>(this); }
};

class WndProcHookTest : public ::testing::Test {
 protected:
  Log Send() {
    log.clear();
    QEvent probe(Probe());
    QCoreApplication::sendEvent(control.get(), &probe);
    return log;
  }

  Log log;
  std::unique_ptr<Control> control = std::make_unique<Control>(log);
};

TEST_F(WndProcHookTest, AfterChainRunsBehindTheControlInOrderAndUnhooksOneByOne) {
  Handler first{"first", log}, second{"second", log};
  ASSERT_TRUE(HookWndProc(control.get(), HookAfter, first.Hook()));
  ASSERT_TRUE(HookWndProc(control.get(), HookAfter, second.Hook()));
  EXPECT_EQ(Send(), (Log{"control", "first", "second"}));
  EXPECT_TRUE(first.sawResult) << "the control's own answer reaches the after chain";

  EXPECT_TRUE(UnhookWndProc(control.get(), HookAfter, first.Hook()));
  EXPECT_EQ(Send(), (Log{"control", "second"}));
  EXPECT_TRUE(UnhookWndProc(control.get(), HookAfter, second.Hook()));
  EXPECT_EQ(Send(), (Log{"control"})) << "the control's own handling, once, as before any hook";
  // Hooking again works on the kept record.
  EXPECT_TRUE(HookWndProc(control.get(), HookAfter, second.Hook()));
  EXPECT_EQ(Send(), (Log{"control", "second"}));
}

TEST_F(WndProcHookTest, BeforeChainAnsweringTrueHidesTheEvent) {
  Handler guard{"guard", log}, behind{"behind", log};
  HookWndProc(control.get(), HookBefore, guard.Hook());
  HookWndProc(control.get(), HookAfter, behind.Hook());
  EXPECT_EQ(Send(), (Log{"guard", "control", "behind"}));
  EXPECT_FALSE(guard.sawResult) << "nothing has handled it yet";
  guard.answer = true;
  EXPECT_EQ(Send(), (Log{"guard"}));
}

TEST_F(WndProcHookTest, AfterChainStopsAtTheFirstHandlerAnsweringTrue) {
  Handler first{"first", log, true}, second{"second", log};
  HookWndProc(control.get(), HookAfter, first.Hook());
  HookWndProc(control.get(), HookAfter, second.Hook());
  EXPECT_EQ(Send(), (Log{"control", "first"}));
}

TEST_F(WndProcHookTest, HandlerMayUnhookItselfOrTheNextWhileItRuns) {
  Handler first{"first", log}, second{"second", log}, third{"third", log};
  first.whileRunning = [&](Handler& self) { UnhookWndProc(control.get(), HookAfter, self.Hook()); };
  HookWndProc(control.get(), HookAfter, first.Hook());
  HookWndProc(control.get(), HookAfter, second.Hook());
  HookWndProc(control.get(), HookAfter, third.Hook());
  EXPECT_EQ(Send(), (Log{"control", "first", "second", "third"}));
  EXPECT_EQ(Send(), (Log{"control", "second", "third"}));
  second.whileRunning = [&](Handler&) { UnhookWndProc(control.get(), HookAfter, third.Hook()); };
  EXPECT_EQ(Send(), (Log{"control", "second"})) << "a handler removed during dispatch does not run";
}

TEST_F(WndProcHookTest, TheSameHandlerTwiceIsRemovedOnceAtATime) {
  Handler twice{"twice", log};
  HookWndProc(control.get(), HookAfter, twice.Hook());
  HookWndProc(control.get(), HookAfter, twice.Hook());
  EXPECT_EQ(Send(), (Log{"control", "twice", "twice"}));
  UnhookWndProc(control.get(), HookAfter, twice.Hook());
  EXPECT_EQ(Send(), (Log{"control", "twice"}));
  Handler other{"twice", log};  // same method, other object: not the same handler
  EXPECT_TRUE(UnhookWndProc(control.get(), HookAfter, other.Hook()));
  EXPECT_EQ(Send(), (Log{"control", "twice"}));
}

TEST_F(WndProcHookTest, MisuseAnswersFalse) {
  Handler h{"h", log};
  EXPECT_FALSE(HookWndProc(nullptr, HookAfter, h.Hook()));
  EXPECT_FALSE(HookWndProc(control.get(), HookAfter, TToviHookHandler{&h, nullptr}));
  Control never(log);
  EXPECT_FALSE(UnhookWndProc(&never, HookAfter, h.Hook()));
  EXPECT_FALSE(UnhookWndProc(nullptr, HookAfter, h.Hook()));
  HookWndProc(control.get(), HookAfter, h.Hook());
  EXPECT_TRUE(UnhookWndProc(control.get(), HookBefore, h.Hook())) << "nothing matches: nothing happens";
  EXPECT_EQ(Send(), (Log{"control", "h"}));
}

TEST_F(WndProcHookTest, HookedControlsMayBeDestroyedAlsoFromTheirOwnEvents) {
  Handler h{"h", log};
  HookWndProc(control.get(), HookAfter, h.Hook());
  control.reset();  // the record goes with it

  // A control deleted later: its deferred deletion passes the dispatcher.
  QPointer<Control> later = new Control(log);
  HookWndProc(later, HookBefore, h.Hook());
  HookWndProc(later, HookAfter, h.Hook());
  later->deleteLater();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(later.isNull());

  control = std::make_unique<Control>(log);
  EXPECT_TRUE(HookWndProc(control.get(), HookAfter, h.Hook()));
  EXPECT_EQ(Send(), (Log{"control", "h"}));
}

}  // namespace
}  // namespace toviwall
