// The About box in this test program, whose resources hold its stored form
// and a version resource of their own (test_program.rc): what it shows, how
// it closes, that each showing is a new window freed afterwards, and where
// it appears.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "tests/driver/driver_win.h"
#include "ui/application_win.h"
#include "versioninfo/about_window_win.h"

namespace tallivo {
namespace {

using ui::TComponent;
namespace drv = test;
using drv::PumpUntil;

class AboutBoxTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ui::Application().Initialize();
    ui::Application().SetTitle("Tallivo");
    RegisterAboutClasses();
  }

  // Shows the About box modally on this thread while `observe` runs on
  // another one with the box's window once it is visible. `observe` closes
  // the box; should the box still be open afterwards, it is closed through
  // its system menu so the test goes on. True when the box closed by itself.
  bool ShowWhile(TComponent* owner, const std::function<void(HWND)>& observe) {
    HWND seen = nullptr;
    bool closedByObserver = false;
    std::thread observer([&] {
      seen = drv::WaitForWindow({"TFmAbout", "", GetCurrentProcessId(), true});
      if (!seen) return;
      observe(seen);
      closedByObserver = drv::WaitHidden(seen);
      if (!closedByObserver) PostMessageW(seen, WM_SYSCOMMAND, SC_CLOSE, 0);
    });
    try {
      ShowAboutBox(owner);
    } catch (...) {
      observer.join();
      throw;
    }
    observer.join();
    window_ = seen;
    return seen && closedByObserver;
  }

  // Waits until the last box shown has freed itself and its window.
  bool Freed(const TComponent& owner) {
    return PumpUntil([&] { return owner.ComponentCount() == 0 && !IsWindow(window_); });
  }

  HWND window_ = nullptr;
};

TEST_F(AboutBoxTest, ShowsTheProgramsNameVersionAndCopyright) {
  TComponent owner(nullptr);
  auto* box = ui::TForm::Create<TFmAbout>(&owner);
  EXPECT_EQ(box->Caption(), "About Vornel");
  EXPECT_EQ(box->LbPrgName->Caption(), "Tallivo");
  // Read from this program's own version resource.
  EXPECT_EQ(box->LbFVersion->Caption(), "9.8.7.6");
  EXPECT_EQ(box->LbCRight->Caption(), "\u00A9 Test Company, caf\u00E9");
  EXPECT_EQ(ui::WindowText(box->LbCRight->Handle()), "\u00A9 Test Company, caf\u00E9");
  EXPECT_EQ(ui::WindowText(box->SideLabel->Handle()), "Tallivo");
  EXPECT_EQ(ui::WindowText(box->BitBtn1->Handle()), "&Ok");
  EXPECT_FALSE(box->BitBtn1->Default());
  EXPECT_FALSE(box->BitBtn1->Cancel());
  // The labels fit their new texts.
  RECT version{};
  GetWindowRect(box->LbFVersion->Handle(), &version);
  RECT placeholder{};
  GetWindowRect(box->Label1->Handle(), &placeholder);
  EXPECT_GT(version.right - version.left, 0);
  EXPECT_EQ(version.bottom - version.top, placeholder.bottom - placeholder.top);

  // A fixed dialog frame with only a close button, around 367 x 198 pixels at 96 dpi.
  const auto style = static_cast<DWORD>(GetWindowLongPtrW(box->Handle(), GWL_STYLE));
  EXPECT_TRUE(style & WS_SYSMENU);
  EXPECT_FALSE(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX));
  RECT client{};
  GetClientRect(box->Handle(), &client);
  EXPECT_EQ(client.right, box->Scale(367));
  EXPECT_EQ(client.bottom, box->Scale(198));

  // The glyph: 16 x 16, its magenta background transparent.
  BITMAP glyph{};
  ASSERT_TRUE(GetObjectW(box->BitBtn1->GlyphBitmap(), sizeof(glyph), &glyph));
  EXPECT_EQ(glyph.bmWidth, 16);
  EXPECT_EQ(glyph.bmHeight, 16);
  EXPECT_EQ(box->BitBtn1->TransparentColor(), RGB(255, 0, 255));
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, box->BitBtn1->GlyphBitmap());
  const auto isGreen = [&](int x, int y) {
    const COLORREF c = GetPixel(dc, x, y);
    return GetGValue(c) > GetRValue(c) && GetGValue(c) > GetBValue(c);
  };
  int green = 0, background = 0;
  for (int y = 0; y < 16; ++y) {
    for (int x = 0; x < 16; ++x) {
      if (GetPixel(dc, x, y) == RGB(255, 0, 255)) ++background;
      if (isGreen(x, y)) ++green;
    }
  }
  // A tick: its short stroke lower left, its long one up to the right, nothing top left.
  EXPECT_TRUE(isGreen(2, 8));
  EXPECT_TRUE(isGreen(12, 4));
  EXPECT_FALSE(isGreen(2, 3));
  SelectObject(dc, old);
  DeleteDC(dc);
  EXPECT_EQ(green + background, 256);
  EXPECT_GE(green, 40);
  ui::Free(box);
  EXPECT_EQ(owner.ComponentCount(), 0u);
}

TEST_F(AboutBoxTest, DrawsTheTickWithoutItsBackgroundAndTheSideLabelOnItsSide) {
  TComponent owner(nullptr);
  int green = 0, magenta = 0;
  int textWidth = 0, textHeight = 0;
  int disabledGreen = 0, disabledShape = 0;
  ShowWhile(&owner, [&](HWND box) {
    HWND button = drv::FindChildById(box, ui::ControlIdFromName("BitBtn1"));
    HWND side = drv::FindChildById(box, ui::ControlIdFromName("SideLabel"));
    drv::BringToForeground(box);
    // Paint everything now: the box's thread paints while this call waits.
    RedrawWindow(box, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    drv::WaitUntil([&] {
      const auto image = drv::CaptureWindow(button);
      if (!image) return false;
      green = magenta = 0;
      for (int y = 0; y < image->Height(); ++y) {
        for (int x = 0; x < image->Width(); ++x) {
          const drv::Color c = image->At(x, y);
          if (c.r > 200 && c.g < 60 && c.b > 200) ++magenta;
          if (c.g > 120 && c.r < 110 && c.b < 110) ++green;
        }
      }
      return green >= 12;
    });
    // The blue text inside the blue frame: where its pixels lie.
    drv::WaitUntil([&] {
      const auto image = drv::CaptureWindow(side);
      if (!image) return false;
      int left = image->Width(), right = -1, top = image->Height(), bottom = -1;
      for (int y = 2; y < image->Height() - 2; ++y) {
        for (int x = 2; x < image->Width() - 2; ++x) {
          const drv::Color c = image->At(x, y);
          if (c.b > 150 && c.r < 90 && c.g < 90) {
            left = std::min(left, x), right = std::max(right, x);
            top = std::min(top, y), bottom = std::max(bottom, y);
          }
        }
      }
      textWidth = right - left + 1;
      textHeight = bottom - top + 1;
      return textHeight > 2 * textWidth && textWidth > 5;
    });
    if (const char* path = std::getenv("TALLIVO_ABOUT_SCREENSHOT")) drv::SaveScreenshot(path, box);
    // Disabled, the tick turns into an embossed grey shape.
    EnableWindow(button, FALSE);
    RedrawWindow(button, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    // The screen shows the new paint a little later than the paint returns.
    drv::WaitUntil([&] {
      const auto image = drv::CaptureWindow(button);
      if (!image) return false;
      const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
      disabledGreen = disabledShape = 0;
      for (int y = 3; y < image->Height() - 3; ++y) {
        for (int x = 3; x < image->Width() * 45 / 100; ++x) {
          const drv::Color c = image->At(x, y);
          if (c.g > 120 && c.r < 110 && c.b < 110) ++disabledGreen;
          if (RGB(c.r, c.g, c.b) == shadow) ++disabledShape;
        }
      }
      return disabledGreen == 0 && disabledShape >= 12;
    });
    EnableWindow(button, TRUE);
    SendMessageW(button, BM_CLICK, 0, 0);
  });
  EXPECT_EQ(disabledGreen, 0);
  EXPECT_GE(disabledShape, 12);
  EXPECT_GE(green, 12);
  EXPECT_EQ(magenta, 0);
  // "Tallivo" turned on its side: far taller than wide.
  EXPECT_GT(textHeight, 2 * textWidth);
  EXPECT_GT(textWidth, 5);
  EXPECT_TRUE(Freed(owner));
}

TEST_F(AboutBoxTest, EveryWayOfClosingFreesTheBox) {
  struct Case {
    const char* name;
    std::function<bool(HWND box, HWND button)> close;
  };
  const std::vector<Case> cases = {
      {"Ok clicked with the mouse",
       // A click needs the button uncovered, not the box active.
       [](HWND box, HWND button) {
         drv::BringToForeground(box, drv::Timeout{2000});
         return drv::Click(button);
       }},
      {"Ok by its mnemonic Alt+O",
       [](HWND box, HWND) { return drv::BringToForeground(box) && drv::PressKeys("Alt+O"); }},
      {"Ok pressed by a program",
       [](HWND, HWND button) { return SendMessageW(button, BM_CLICK, 0, 0) == 0; }},
      {"title-bar close button",
       [](HWND box, HWND) { return PostMessageW(box, WM_SYSCOMMAND, SC_CLOSE, 0) != FALSE; }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TComponent owner(nullptr);
    bool sent = false;
    const bool closed = ShowWhile(&owner, [&](HWND box) {
      sent = c.close(box, drv::FindChildById(box, ui::ControlIdFromName("BitBtn1")));
    });
    EXPECT_TRUE(sent);
    EXPECT_TRUE(closed);
    EXPECT_TRUE(Freed(owner));
  }
}

TEST_F(AboutBoxTest, EachShowingIsANewWindow) {
  TComponent owner(nullptr);
  HWND first = nullptr;
  bool firstGoneWhenSecondShown = false;
  for (int showing = 0; showing < 2; ++showing) {
    SCOPED_TRACE(showing);
    std::size_t boxesWhileShown = 0;
    ShowWhile(&owner, [&](HWND box) {
      boxesWhileShown = owner.ComponentCount();
      if (first) firstGoneWhenSecondShown = !IsWindow(first) && box != first;
      SendMessageW(drv::FindChildById(box, ui::ControlIdFromName("BitBtn1")), BM_CLICK, 0, 0);
    });
    ASSERT_NE(window_, nullptr);
    EXPECT_EQ(boxesWhileShown, 1u);
    if (!first) first = window_;
    EXPECT_TRUE(Freed(owner));
  }
  EXPECT_TRUE(firstGoneWhenSecondShown);
}

// A stand-in for the program's main window.
class TFmTestMain : public ui::TForm {
 public:
  explicit TFmTestMain(TComponent* owner) : TForm(owner) {}
  static const ui::ClassInfo& StaticClass() {
    static const ui::ClassInfo info("TFmTestMain", &TForm::StaticClass(), nullptr, {});
    return info;
  }
  const ui::ClassInfo& Class() const override { return StaticClass(); }
};

// Runs last: from here on the application has a main window.
TEST_F(AboutBoxTest, AppearsCentredOverTheMainWindowWhichWaits) {
  TFmTestMain* main = ui::Application().CreateForm<TFmTestMain>();
  ASSERT_EQ(ui::Application().MainForm(), main);
  main->Show();
  ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(main->Handle()) != FALSE; }));
  RECT box{}, over{};
  bool mainEnabled = true;
  ShowWhile(main, [&](HWND about) {
    GetWindowRect(about, &box);
    GetWindowRect(main->Handle(), &over);
    mainEnabled = IsWindowEnabled(main->Handle()) != FALSE;
    PostMessageW(about, WM_SYSCOMMAND, SC_CLOSE, 0);
  });
  EXPECT_NEAR((box.left + box.right) / 2, (over.left + over.right) / 2, 1);
  EXPECT_NEAR((box.top + box.bottom) / 2, (over.top + over.bottom) / 2, 1);
  EXPECT_FALSE(mainEnabled);
  EXPECT_TRUE(IsWindowEnabled(main->Handle()));
  EXPECT_TRUE(PumpUntil([&] { return main->ComponentCount() == 0 && !IsWindow(window_); }));
}

}  // namespace
}  // namespace tallivo
