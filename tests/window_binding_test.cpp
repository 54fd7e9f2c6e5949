// The framework's one binding of windows to objects, and its window classes
// that go when their last user does.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "ui/message_window_win.h"
#include "ui/window_binding_win.h"

namespace tallivo::ui {
namespace {

constexpr wchar_t kClass[] = L"TallivoBindingTest";
constexpr UINT kThrow = WM_APP + 1;
constexpr UINT kAnswer = WM_APP + 2;

bool ClassRegistered() {
  WNDCLASSEXW info{};
  info.cbSize = sizeof info;
  return GetClassInfoExW(WindowClassModule(), kClass, &info) != FALSE;
}

struct Receiver : WindowReceiver {
  std::vector<UINT> seen;
  LRESULT ReceiveMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override {
    seen.push_back(message);
    if (message == kThrow) throw std::runtime_error("thrown in a window procedure");
    if (message == kAnswer) return 42;
    return DefWindowProcW(window, message, wParam, lParam);
  }
};

HWND Create(Receiver& receiver) {
  return CreateWindowExW(0, kClass, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, WindowClassModule(),
                         static_cast<WindowReceiver*>(&receiver));
}

TEST(WindowBinding, MessagesReachTheBoundObjectAndExceptionsStopAtTheWindowProcedure) {
  std::vector<std::string> reports;
  SetExceptionReportHook([&](const std::exception& e) { reports.emplace_back(e.what()); });
  ASSERT_TRUE(AcquireWindowClass(kClass));
  Receiver receiver;
  const HWND window = Create(receiver);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(BoundReceiver(window), &receiver);
  EXPECT_EQ(receiver.seen.front(), static_cast<UINT>(WM_NCCREATE)) << "bound from the first message on";
  EXPECT_EQ(SendMessageW(window, kAnswer, 0, 0), 42);
  EXPECT_EQ(SendMessageW(window, kThrow, 0, 0), 0);
  EXPECT_EQ(reports, std::vector<std::string>{"thrown in a window procedure"});
  DestroyWindow(window);
  EXPECT_EQ(receiver.seen.back(), static_cast<UINT>(WM_NCDESTROY));
  EXPECT_EQ(BoundReceiver(window), nullptr);
  ReleaseWindowClass(kClass);
  SetExceptionReportHook(nullptr);
}

TEST(WindowBinding, AnUnboundWindowGetsTheDefaultProcedureAndAForeignHandleNoObject) {
  ASSERT_TRUE(AcquireWindowClass(kClass));
  Receiver receiver;
  const HWND window = Create(receiver);
  ASSERT_NE(window, nullptr);
  UnbindWindow(window);
  const std::size_t before = receiver.seen.size();
  EXPECT_EQ(SendMessageW(window, kAnswer, 0, 0), 0);
  EXPECT_EQ(receiver.seen.size(), before);
  DestroyWindow(window);
  EXPECT_EQ(BoundReceiver(GetDesktopWindow()), nullptr);
  EXPECT_EQ(BoundReceiver(nullptr), nullptr);
  ReleaseWindowClass(kClass);
}

TEST(WindowBinding, TheLastUserOfAClassUnregistersItAndTheNextRegistersItAgain) {
  ASSERT_FALSE(ClassRegistered());
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    ASSERT_TRUE(AcquireWindowClass(kClass));
    ASSERT_TRUE(AcquireWindowClass(kClass));
    EXPECT_TRUE(ClassRegistered());
    ReleaseWindowClass(kClass);
    EXPECT_TRUE(ClassRegistered()) << "one user left";
    ReleaseWindowClass(kClass);
    EXPECT_FALSE(ClassRegistered());
  }
  ReleaseWindowClass(kClass);  // more releases than users change nothing
  EXPECT_FALSE(ClassRegistered());
}

}  // namespace
}  // namespace tallivo::ui
