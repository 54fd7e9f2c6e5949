#include <gtest/gtest.h>

#include <chrono>
#include <cstddef>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/driver/driver_win.h"
#include "tray/simple_timer_win.h"

namespace tallivo {
namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;
using test::PumpUntil;

// How much earlier than its period a system timer may fire against the steady
// clock (timer and clock granularity). Only lower bounds use it.
constexpr milliseconds kEarly{100};

// Records each tick of the timers it is the event of.
struct TickLog {
  std::vector<Clock::time_point> at;
  std::vector<TSimpleTimer*> senders;

  TTimerNotifyEvent Event() {
    return [this](TSimpleTimer* sender) {
      at.push_back(Clock::now());
      senders.push_back(sender);
    };
  }
  std::size_t Count() const { return at.size(); }
};

// Lets a timer that should be silent have its chance to tick: pumps until a
// 20 ms witness timer has ticked ten times.
void PumpWhileWitnessTicks() {
  TickLog witness;
  TSimpleTimer timer(20, witness.Event());
  timer.SetActive(true);
  ASSERT_TRUE(PumpUntil([&] { return witness.Count() >= 10; }));
}

class SimpleTimerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(SharedTimerWindow::Users(), 0u);
    ui::SetExceptionReportHook([this](const std::exception& e) { reports_.emplace_back(e.what()); });
  }
  void TearDown() override {
    ui::SetExceptionReportHook(nullptr);
    EXPECT_EQ(SharedTimerWindow::Users(), 0u);
    EXPECT_EQ(SharedTimerWindow::Instance(), nullptr);
  }
  static HWND TimerWindow() { return SharedTimerWindow::Instance()->Window(); }

  std::vector<std::string> reports_;
};

TEST_F(SimpleTimerTest, SharedWindowLivesFromFirstToLastTimer) {
  auto first = std::make_unique<TSimpleTimer>();
  EXPECT_EQ(first->Period(), 1000u);
  EXPECT_FALSE(first->OnTick());
  EXPECT_FALSE(first->Active());
  const HWND window = TimerWindow();
  EXPECT_EQ(FindWindowExW(HWND_MESSAGE, nullptr, L"TallivoTimerWindow", nullptr), window);

  auto second = std::make_unique<TSimpleTimer>(20, nullptr);
  EXPECT_EQ(TimerWindow(), window);
  first.reset();
  EXPECT_TRUE(IsWindow(window));
  second.reset();
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(SharedTimerWindow::Instance(), nullptr);

  TickLog log;
  TSimpleTimer third(20, log.Event());
  EXPECT_TRUE(IsWindow(TimerWindow()));
  third.SetActive(true);
  EXPECT_TRUE(PumpUntil([&] { return log.Count() >= 1; }));
}

TEST_F(SimpleTimerTest, ManyTimersOnOneWindowEachReachTheirOwnHandler) {
  constexpr std::size_t kTimers = 8;
  std::vector<TickLog> logs(kTimers);
  std::vector<std::unique_ptr<TSimpleTimer>> timers;
  for (std::size_t i = 0; i < kTimers; ++i) {
    timers.push_back(std::make_unique<TSimpleTimer>(static_cast<unsigned>(15 + 10 * i), logs[i].Event()));
    timers.back()->SetActive(true);
  }
  EXPECT_EQ(SharedTimerWindow::Users(), kTimers);
  EXPECT_TRUE(PumpUntil([&] {
    for (const TickLog& log : logs) {
      if (log.Count() < 3) return false;
    }
    return true;
  }));
  for (std::size_t i = 0; i < kTimers; ++i) {
    SCOPED_TRACE(i);
    for (TSimpleTimer* sender : logs[i].senders) EXPECT_EQ(sender, timers[i].get());
  }
}

TEST_F(SimpleTimerTest, ActivatingWithPeriodZeroStartsNothing) {
  for (const bool wasRunning : {false, true}) {
    SCOPED_TRACE(wasRunning ? "stopped by Period 0 while running" : "never started");
    TickLog log;
    TSimpleTimer timer(20, log.Event());
    if (wasRunning) {
      timer.SetActive(true);
      ASSERT_TRUE(PumpUntil([&] { return log.Count() >= 2; }));
    }
    timer.SetPeriod(0);
    EXPECT_EQ(timer.Active(), wasRunning);
    const std::size_t before = log.Count();
    EXPECT_FALSE(timer.Activate());
    timer.SetActive(true);
    EXPECT_EQ(timer.Active(), wasRunning);
    PumpWhileWitnessTicks();
    EXPECT_EQ(log.Count(), before);
  }
}

TEST_F(SimpleTimerTest, PeriodZeroPausesAndANewPeriodResumes) {
  TickLog log;
  TSimpleTimer timer(20, log.Event());
  timer.SetActive(true);
  ASSERT_TRUE(PumpUntil([&] { return log.Count() >= 2; }));
  timer.SetPeriod(0);
  EXPECT_TRUE(timer.Active());
  const std::size_t before = log.Count();
  PumpWhileWitnessTicks();
  EXPECT_EQ(log.Count(), before);

  const auto resumed = Clock::now();
  timer.SetPeriod(500);
  ASSERT_TRUE(PumpUntil([&] { return log.Count() >= before + 2; }));
  EXPECT_GE(log.at[before] - resumed, milliseconds(500) - kEarly);
  EXPECT_GE(log.at[before + 1] - log.at[before], milliseconds(500) - kEarly);
}

TEST_F(SimpleTimerTest, ClearedOnTickStaysStoppedUntilRestarted) {
  const struct {
    const char* name;
    std::function<void(TSimpleTimer&)> restart;
  } kCases[] = {
      {"new Period", [](TSimpleTimer& t) { t.SetPeriod(30); }},
      {"Active := True", [](TSimpleTimer& t) { t.SetActive(true); }},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    TickLog log;
    TSimpleTimer timer(20, log.Event());
    timer.SetActive(true);
    ASSERT_TRUE(PumpUntil([&] { return log.Count() >= 1; }));
    timer.SetOnTick(nullptr);
    EXPECT_TRUE(timer.Active());
    timer.SetOnTick(log.Event());
    const std::size_t before = log.Count();
    PumpWhileWitnessTicks();
    EXPECT_EQ(log.Count(), before);
    c.restart(timer);
    EXPECT_TRUE(PumpUntil([&] { return log.Count() > before; }));
  }
}

// A 1000 ms timer is changed 200 ms after it started; the first tick after the
// change shows whether its period was counted again from the change.
TEST_F(SimpleTimerTest, RestartingCountsThePeriodFromNow) {
  const struct {
    const char* name;
    std::function<void(TSimpleTimer&)> change;
    milliseconds nextTickNotBefore;
  } kCases[] = {
      {"Active := True while running", [](TSimpleTimer& t) { t.SetActive(true); }, milliseconds(1000)},
      {"new Period while running", [](TSimpleTimer& t) { t.SetPeriod(2000); }, milliseconds(2000)},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    TickLog log;
    TSimpleTimer timer(1000, log.Event());
    const auto started = Clock::now();
    timer.SetActive(true);
    TickLog witness;
    TSimpleTimer delay(200, witness.Event());
    delay.SetActive(true);
    ASSERT_TRUE(PumpUntil([&] { return witness.Count() >= 1; }));
    const auto changed = Clock::now();
    if (log.Count() != 0 || changed - started > milliseconds(1000) - 3 * kEarly) {
      GTEST_SKIP() << "the machine stalled past the first tick; a restart cannot be told apart";
    }
    c.change(timer);
    ASSERT_TRUE(PumpUntil([&] { return log.Count() >= 1; }));
    EXPECT_GE(log.at[0] - changed, c.nextTickNotBefore - kEarly);
    EXPECT_TRUE(timer.Active());
  }
}

// Same set-up as above; a reference timer started at the change with 900 ms
// must come second unless the change restarted the 1000 ms timer.
TEST_F(SimpleTimerTest, UnchangedPeriodOrNewOnTickDoesNotRestart) {
  std::vector<char> order;
  const auto mark = [&order](char who) { return [&order, who](TSimpleTimer*) { order.push_back(who); }; };
  const struct {
    const char* name;
    std::function<void(TSimpleTimer&)> change;
  } kCases[] = {
      {"same Period", [](TSimpleTimer& t) { t.SetPeriod(1000); }},
      {"new OnTick", [&](TSimpleTimer& t) { t.SetOnTick(mark('T')); }},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    order.clear();
    TSimpleTimer timer(1000, mark('T'));
    timer.SetActive(true);
    TickLog witness;
    TSimpleTimer delay(200, witness.Event());
    delay.SetActive(true);
    ASSERT_TRUE(PumpUntil([&] { return witness.Count() >= 1; }));
    ASSERT_TRUE(order.empty());
    c.change(timer);
    TSimpleTimer reference(900, mark('R'));
    reference.SetActive(true);
    ASSERT_TRUE(PumpUntil([&] { return order.size() >= 2; }));
    EXPECT_EQ(order[0], 'T');
  }
}

TEST_F(SimpleTimerTest, TickForAFreedTimerIsIgnored) {
  TickLog keeperLog;
  TSimpleTimer keeper(1000, keeperLog.Event());  // keeps the window; never activated
  TickLog deadLog;
  alignas(TSimpleTimer) std::byte storage[sizeof(TSimpleTimer)];
  auto* dead = new (storage) TSimpleTimer(20, deadLog.Event());
  dead->SetActive(true);
  ASSERT_TRUE(PumpUntil([&] { return deadLog.Count() >= 1; }));
  const UINT_PTR deadId = dead->Id();
  dead->~TSimpleTimer();
  // Poison the freed object: a dispatch that trusted the id would call garbage.
  std::memset(storage, 0xA5, sizeof storage);
  const std::size_t before = deadLog.Count();

  ASSERT_TRUE(PostMessageW(TimerWindow(), WM_TIMER, deadId, 0));
  // Posted messages keep their order: this one arriving proves the first was handled.
  ASSERT_TRUE(PostMessageW(TimerWindow(), WM_TIMER, keeper.Id(), 0));
  ASSERT_TRUE(PumpUntil([&] { return keeperLog.Count() >= 1; }));
  EXPECT_EQ(keeperLog.senders[0], &keeper);
  EXPECT_EQ(deadLog.Count(), before);
  EXPECT_TRUE(reports_.empty());
}

TEST_F(SimpleTimerTest, TimerMayFreeItselfAndTheWindowFromItsTick) {
  auto* timer = new TSimpleTimer(20, nullptr);
  const HWND window = TimerWindow();
  bool freed = false;
  timer->SetOnTick([&freed](TSimpleTimer* sender) {
    delete sender;
    freed = true;
  });
  timer->SetActive(true);
  ASSERT_TRUE(PumpUntil([&] { return freed; }));
  EXPECT_FALSE(IsWindow(window));
}

TEST_F(SimpleTimerTest, ExceptionFromOnTickIsReportedAndTicksGoOn) {
  const struct {
    const char* name;
    std::function<void()> fail;
    const char* report;
  } kCases[] = {
      {"std::exception", [] { throw std::runtime_error("tick failed"); }, "tick failed"},
      {"other type", [] { throw 42; }, "Unknown exception"},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    reports_.clear();
    TSimpleTimer timer(20, [&c](TSimpleTimer*) { c.fail(); });
    timer.SetActive(true);
    ASSERT_TRUE(PumpUntil([&] { return reports_.size() >= 2; }));
    EXPECT_EQ(reports_[0], c.report);
    EXPECT_TRUE(timer.Active());
  }
}

// The window plumbing on its own: binding, moving, registering a class twice,
// unbinding before destruction, and the shared handler's count.
struct Recorder : ui::MessageHandler {
  std::vector<UINT> seen;
  LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
    seen.push_back(message);
    if (message == WM_APP) {
      if (wParam == 0) throw std::logic_error("bad request");
      return static_cast<LRESULT>(wParam + static_cast<WPARAM>(lParam));
    }
    return DefWindowProcW(window, message, wParam, lParam);
  }
};

TEST_F(SimpleTimerTest, MessageWindowForwardsToItsHandlerUntilReset) {
  Recorder first, second;
  ui::MessageWindow a(L"TallivoTestWindow", first);
  ui::MessageWindow b(L"TallivoTestWindow", second);
  ASSERT_TRUE(a && b);
  EXPECT_EQ(SendMessageW(a.Handle(), WM_APP, 2, 3), 5);
  EXPECT_EQ(SendMessageW(b.Handle(), WM_APP, 4, 3), 7);
  EXPECT_EQ(SendMessageW(a.Handle(), WM_APP, 0, 0), 0);
  EXPECT_EQ(reports_, std::vector<std::string>{"bad request"});

  const HWND window = a.Handle();
  ui::MessageWindow moved(std::move(a));
  EXPECT_FALSE(a);
  EXPECT_EQ(SendMessageW(moved.Handle(), WM_APP, 1, 1), 2);
  const std::size_t seenBefore = first.seen.size();
  moved.Reset();
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(first.seen.size(), seenBefore);
}

struct Probe {
  static inline int alive = 0;
  Probe() { ++alive; }
  ~Probe() { --alive; }
};

TEST_F(SimpleTimerTest, SharedHandlerIsCountedAndRecreated) {
  using Shared = ui::SharedHiddenWindow<Probe>;
  Shared::Release();  // unused: must not go below zero
  EXPECT_EQ(Shared::Users(), 0u);
  {
    Shared::Lease one;
    Shared::Lease two;
    EXPECT_EQ(&*one, &*two);
    EXPECT_EQ(Shared::Users(), 2u);
    EXPECT_EQ(Probe::alive, 1);
  }
  EXPECT_EQ(Probe::alive, 0);
  EXPECT_EQ(Shared::Instance(), nullptr);
  Shared::Lease again;
  EXPECT_EQ(Probe::alive, 1);
}

}  // namespace
}  // namespace tallivo
