#include "tests/driver/driver_win.h"

// The shell and imaging headers need <windows.h> first, which the driver's header brings.
#include <gtest/gtest.h>
#include <shellapi.h>
#include <wincodec.h>

#include <memory>

namespace tallivo::test {
namespace {

// Control ids and exit code as driver_target_win.cpp defines them.
constexpr int kRedId = 102;
constexpr int kArgumentsId = 104;
constexpr DWORD kExitAfterYes = 3;
constexpr Color kRed{255, 0, 0};
constexpr Color kBlue{0, 0, 255};
constexpr Timeout kShortTimeout{200};

std::string TargetPath() {
  return ExecutableDir() + "driver_target.exe";
}

// ---- Pure helpers ------------------------------------------------------------

TEST(DriverHelpers, QuotedArgumentsSurviveTheRuntimeParser) {
  const std::wstring cases[] = {L"plain",         L"",           L"with space", L"tab\there",
                                L"quote\"inside", L"trailing\\", L"a\\\\b",     L"\\\"",
                                L"end \\\\",      L"\"quoted\"", L"ünïcødé €"};
  for (const std::wstring& argument : cases) {
    SCOPED_TRACE(Narrow(argument));
    const std::wstring line = L"x.exe " + QuoteArgument(argument);
    int count = 0;
    wchar_t** argv = CommandLineToArgvW(line.c_str(), &count);
    ASSERT_NE(argv, nullptr);
    EXPECT_EQ(count, 2);
    if (count == 2) {
      EXPECT_EQ(Narrow(argv[1]), Narrow(argument));
    }
    LocalFree(argv);
  }
}

TEST(DriverHelpers, ParsesChords) {
  const struct {
    const char* text;
    std::optional<Chord> expected;
  } cases[] = {
      {"Ctrl+E", Chord{Modifiers::kCtrl, 'E'}},
      {"ctrl + f12", Chord{Modifiers::kCtrl, VK_F12}},
      {"Alt+F4", Chord{Modifiers::kAlt, VK_F4}},
      {"F1", Chord{Modifiers::kNone, VK_F1}},
      {"F24", Chord{Modifiers::kNone, VK_F24}},
      {"Enter", Chord{Modifiers::kNone, VK_RETURN}},
      {"Shift+End", Chord{Modifiers::kShift, VK_END}},
      {"Control+Shift+Home", Chord{Modifiers::kCtrl | Modifiers::kShift, VK_HOME}},
      {"Backspace", Chord{Modifiers::kNone, VK_BACK}},
      {"Del", Chord{Modifiers::kNone, VK_DELETE}},
      {"7", Chord{Modifiers::kNone, '7'}},
      {"Numpad7", Chord{Modifiers::kNone, VK_NUMPAD7}},
      {"Alt", Chord{Modifiers::kNone, VK_MENU}},
      {"", std::nullopt},
      {"Ctrl+", std::nullopt},
      {"Ctrl+Ctrl+A", std::nullopt},
      {"F0", std::nullopt},
      {"F25", std::nullopt},
      {"F01", std::nullopt},
      {"Hyper+A", std::nullopt},
      {"Ctrl+AB", std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const std::optional<Chord> parsed = ParseChord(c.text);
    ASSERT_EQ(parsed.has_value(), c.expected.has_value());
    if (parsed) {
      EXPECT_EQ(static_cast<unsigned>(parsed->modifiers), static_cast<unsigned>(c.expected->modifiers));
      EXPECT_EQ(parsed->key, c.expected->key);
    }
  }
}

TEST(DriverHelpers, WaitUntilPollsUntilTheDeadline) {
  int calls = 0;
  EXPECT_TRUE(WaitUntil([&] { return ++calls == 3; }, kDefaultTimeout));
  EXPECT_EQ(calls, 3);

  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(WaitUntil([] { return false; }, kShortTimeout));
  EXPECT_GE(std::chrono::steady_clock::now() - start, kShortTimeout);
}

// ---- Processes ---------------------------------------------------------------

TEST(DriverProcess, ReportsAProgramThatCannotStart) {
  std::string error;
  EXPECT_FALSE(Process::Start(ExecutableDir() + "no_such_program.exe", {}, &error));
  EXPECT_NE(error.find("no_such_program.exe"), std::string::npos) << error;
}

TEST(DriverProcess, DestructionTerminatesOnlyTheOwner) {
  HANDLE watched = nullptr;
  {
    std::optional<Process> started = Process::Start(TargetPath());
    ASSERT_TRUE(started);
    // A moved-from process must not kill the program its new owner holds.
    Process owner = [&] {
      Process temporary = std::move(*started);
      return temporary;
    }();
    started.reset();
    ASSERT_TRUE(WaitForWindow({"DriverTarget", "", owner.Id(), true}));
    EXPECT_TRUE(owner.IsRunning());
    watched = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, owner.Id());
    ASSERT_NE(watched, nullptr);
  }
  EXPECT_EQ(WaitForSingleObject(watched, 0), WAIT_OBJECT_0) << "still running after its owner was destroyed";
  DWORD code = 0;
  EXPECT_TRUE(GetExitCodeProcess(watched, &code));
  EXPECT_EQ(code, Process::kTerminatedExitCode);
  CloseHandle(watched);
}

// ---- The target window ---------------------------------------------------------

class DriverTarget : public ::testing::Test {
 protected:
  void Start(const std::vector<std::string>& arguments = {}) {
    std::string error;
    std::optional<Process> started = Process::Start(TargetPath(), arguments, &error);
    ASSERT_TRUE(started) << error;
    process_.emplace(std::move(*started));
    window_ = WaitForWindow({"DriverTarget", "Driver Target", process_->Id(), true});
    ASSERT_NE(window_, nullptr) << "the target's window did not appear";
    edit_ = FindChildByLabel(window_, "Amount:");
    ASSERT_NE(edit_, nullptr);
  }

  // Activates the target; its edit field then has the keyboard focus.
  void Focus() {
    ASSERT_TRUE(BringToForeground(window_)) << "foreground: " << Describe(ForegroundWindow());
    ASSERT_TRUE(WaitUntil([&] { return FocusedControl(window_) == edit_; }))
        << "focus: " << Describe(FocusedControl(window_));
  }

  void ExpectEditText(const std::string& expected) {
    EXPECT_TRUE(WaitUntil([&] { return WindowText(edit_) == expected; }))
        << "edit shows \"" << WindowText(edit_) << "\", expected \"" << expected << "\"";
  }

  std::optional<Process> process_;
  HWND window_ = nullptr;
  HWND edit_ = nullptr;
};

TEST_F(DriverTarget, FindsControlsByClassIdAndLabel) {
  ASSERT_NO_FATAL_FAILURE(Start());
  EXPECT_EQ(ChildWindows(window_).size(), 5u);
  EXPECT_EQ(FindChild(window_, "edit"), edit_);
  EXPECT_EQ(FindChild(window_, "Edit", 1), nullptr);
  EXPECT_EQ(FindChild(window_, "Static", 1), FindChildById(window_, kRedId));
  EXPECT_EQ(FindChildByLabel(window_, "&Amount:", "Edit"), edit_);
  EXPECT_EQ(FindChildByLabel(window_, "Amount:", "Button"), FindChild(window_, "Button"));
  EXPECT_EQ(FindChildByLabel(window_, "Total:"), nullptr);
  EXPECT_EQ(WindowText(FindChild(window_, "Button")), "Hide");
  EXPECT_EQ(WaitForWindow({"DriverTarget", "", GetCurrentProcessId(), false}, kShortTimeout), nullptr);
  EXPECT_EQ(WaitForWindow({"DriverTarget", "Other caption", 0, false}, kShortTimeout), nullptr);
  const RECT outer = WindowRect(window_);
  const RECT inner = ClientRectOnScreen(window_);
  EXPECT_TRUE(inner.left >= outer.left && inner.top > outer.top && inner.right <= outer.right &&
              inner.bottom <= outer.bottom && inner.right > inner.left);
  EXPECT_FALSE(IsMinimized(window_));
}

TEST_F(DriverTarget, PassesArgumentsAndClosesWithAltF4) {
  const std::vector<std::string> arguments = {"plain", "", "with space", "quote\"in", "trail\\", "€ ä"};
  ASSERT_NO_FATAL_FAILURE(Start(arguments));
  EXPECT_EQ(WindowText(FindChildById(window_, kArgumentsId)), "plain||with space|quote\"in|trail\\|€ ä");
  ASSERT_NO_FATAL_FAILURE(Focus());
  ASSERT_TRUE(PressKeys("Alt+F4"));
  EXPECT_EQ(process_->WaitForExit(), std::optional<DWORD>(0));
}

TEST_F(DriverTarget, TypesKeysChordsAndMenuCommands) {
  ASSERT_NO_FATAL_FAILURE(Start());
  ASSERT_NO_FATAL_FAILURE(Focus());
  const DWORD pid = process_->Id();
  const struct {
    const char* what;
    std::function<bool()> act;
    std::string expected;
  } steps[] = {
      {"unicode text", [] { return TypeText("12,50 € äß"); }, "12,50 € äß"},
      {"select to the end and delete",
       [] { return PressKeys("Home") && PressKeys("Shift+End") && PressKeys("Delete"); }, ""},
      {"virtual keys with shift", [] { return TypeKeys("Abc 123"); }, "Abc 123"},
      {"backspace", [] { return PressKeys("Backspace"); }, "Abc 12"},
      {"home and delete", [] { return PressKeys("Home") && PressKeys("Del"); }, "bc 12"},
      {"accelerator", [] { return PressKeys("Ctrl+U"); }, "BC 12"},
      {"menu by keyboard",
       [&] {
         return PressKeys("End") && TypeText("x") && PressKeys("Alt+E") &&
                WaitForWindow({"#32768", "", pid, true}) != nullptr && PressKeys("U");
       },
       "BC 12X"},
  };
  for (const auto& step : steps) {
    SCOPED_TRACE(step.what);
    ASSERT_TRUE(step.act());
    EXPECT_TRUE(WaitForInputProcessed(window_));
    ExpectEditText(step.expected);
  }
  EXPECT_EQ(ForegroundWindow(), window_);
  EXPECT_EQ(FocusedControl(window_), edit_);
}

TEST_F(DriverTarget, ClicksDoubleClicksAndRightClicks) {
  ASSERT_NO_FATAL_FAILURE(Start());
  ASSERT_NO_FATAL_FAILURE(Focus());
  ASSERT_TRUE(TypeText("hello world"));
  ExpectEditText("hello world");

  // A double click selects the word under the pointer; typing replaces it.
  const LRESULT r_position = SendMessageW(edit_, EM_POSFROMCHAR, 8, 0);  // the 'r' of "world"
  ASSERT_NE(r_position, -1);
  ASSERT_TRUE(Click(edit_, POINT{LOWORD(r_position), HIWORD(r_position) + 4}, MouseButton::kLeft, 2));
  ASSERT_TRUE(TypeText("there"));
  ExpectEditText("hello there");

  ASSERT_TRUE(Click(edit_, std::nullopt, MouseButton::kRight));
  HWND menu = WaitForWindow({"#32768", "", process_->Id(), true});
  ASSERT_NE(menu, nullptr) << "no context menu";
  ASSERT_TRUE(PressKeys("Escape"));
  EXPECT_TRUE(WaitHidden(menu));
  ExpectEditText("hello there");

  ASSERT_TRUE(Click(FindChild(window_, "Button")));
  EXPECT_TRUE(WaitHidden(window_));
  EXPECT_FALSE(Click(FindChild(window_, "Button"))) << "clicked a hidden button";
}

// Decodes an image file with the system's codecs, independently of the driver's encoders.
std::optional<Image> DecodeWithWic(const std::string& path) {
  struct Release {
    void operator()(IUnknown* object) const { object->Release(); }
  };
  IWICImagingFactory* factory_raw = nullptr;
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                              IID_PPV_ARGS(&factory_raw)))) {
    return std::nullopt;
  }
  std::unique_ptr<IWICImagingFactory, Release> factory(factory_raw);
  IWICBitmapDecoder* decoder_raw = nullptr;
  if (FAILED(factory->CreateDecoderFromFilename(Widen(path).c_str(), nullptr, GENERIC_READ,
                                                WICDecodeMetadataCacheOnDemand, &decoder_raw))) {
    return std::nullopt;
  }
  std::unique_ptr<IWICBitmapDecoder, Release> decoder(decoder_raw);
  IWICBitmapFrameDecode* frame_raw = nullptr;
  if (FAILED(decoder->GetFrame(0, &frame_raw))) return std::nullopt;
  std::unique_ptr<IWICBitmapFrameDecode, Release> frame(frame_raw);
  IWICFormatConverter* converter_raw = nullptr;
  if (FAILED(factory->CreateFormatConverter(&converter_raw))) return std::nullopt;
  std::unique_ptr<IWICFormatConverter, Release> converter(converter_raw);
  if (FAILED(converter->Initialize(frame.get(), GUID_WICPixelFormat24bppBGR, WICBitmapDitherTypeNone, nullptr,
                                   0, WICBitmapPaletteTypeCustom))) {
    return std::nullopt;
  }
  UINT width = 0, height = 0;
  converter->GetSize(&width, &height);
  const UINT stride = width * 3;
  std::vector<BYTE> bytes(static_cast<std::size_t>(stride) * height);
  if (FAILED(converter->CopyPixels(nullptr, stride, static_cast<UINT>(bytes.size()), bytes.data()))) {
    return std::nullopt;
  }
  Image image(static_cast<int>(width), static_cast<int>(height));
  for (UINT y = 0; y < height; ++y) {
    for (UINT x = 0; x < width; ++x) {
      const BYTE* p = &bytes[static_cast<std::size_t>(y) * stride + x * 3];
      image.Set(static_cast<int>(x), static_cast<int>(y), Color{p[2], p[1], p[0]});
    }
  }
  return image;
}

// True when every chunk's CRC matches the system's own CRC-32 (image codecs may skip the check).
bool PngChunksIntact(const std::vector<std::uint8_t>& png) {
  using Crc32 = DWORD(WINAPI*)(DWORD, const BYTE*, INT);
  const auto crc32 = reinterpret_cast<Crc32>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "RtlComputeCrc32")));
  if (!crc32) return false;
  const auto be32 = [&](std::size_t at) {
    return (std::uint32_t{png[at]} << 24) | (std::uint32_t{png[at + 1]} << 16) |
           (std::uint32_t{png[at + 2]} << 8) | png[at + 3];
  };
  std::size_t pos = 8;
  bool ended = false;
  while (!ended && pos + 12 <= png.size()) {
    const std::uint32_t length = be32(pos);
    if (pos + 12 + length > png.size()) return false;
    if (crc32(0, &png[pos + 4], static_cast<INT>(length + 4)) != be32(pos + 8 + length)) return false;
    ended = std::string_view(reinterpret_cast<const char*>(&png[pos + 4]), 4) == "IEND";
    pos += 12 + length;
  }
  return ended && pos == png.size();
}

int CountDifferences(const Image& a, const Image& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return -1;
  int differences = 0;
  for (int y = 0; y < a.Height(); ++y) {
    for (int x = 0; x < a.Width(); ++x) differences += a.At(x, y) == b.At(x, y) ? 0 : 1;
  }
  return differences;
}

TEST_F(DriverTarget, ReadsColoursAndSavesScreenshots) {
  ASSERT_NO_FATAL_FAILURE(Start());
  ASSERT_NO_FATAL_FAILURE(Focus());
  ASSERT_TRUE(TypeText("8888"));
  ExpectEditText("8888");
  ASSERT_TRUE(WaitForInputProcessed(window_));

  HWND red = FindChildById(window_, kRedId);
  RECT red_client{};
  GetClientRect(red, &red_client);
  EXPECT_EQ(PixelColor(red, POINT{red_client.right / 2, red_client.bottom / 2}), kRed);
  EXPECT_EQ(DominantTextColor(red), std::nullopt) << "a plain area has no text";
  // The text is painted after the edit has its text; wait for the pixels, not a fixed time.
  EXPECT_TRUE(WaitUntil([&] { return DominantTextColor(edit_) == std::optional<Color>(kBlue); }))
      << "text colour " << DominantTextColor(edit_).value_or(Color{});

  const std::optional<Image> shot = CaptureWindow(window_);
  ASSERT_TRUE(shot);
  const RECT window_rect = WindowRect(window_);
  const RECT red_rect = ClientRectOnScreen(red);
  EXPECT_EQ(shot->Width(), window_rect.right - window_rect.left);
  EXPECT_EQ(shot->At(red_rect.left - window_rect.left + 2, red_rect.top - window_rect.top + 2), kRed);
  EXPECT_TRUE(PngChunksIntact(shot->EncodePng()));

  ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
  wchar_t temp[MAX_PATH + 1] = {};
  ASSERT_NE(GetTempPathW(MAX_PATH + 1, temp), 0u);
  for (const char* name : {"driver_shot.bmp", "driver_shot.PNG"}) {
    SCOPED_TRACE(name);
    const std::string path = Narrow(temp) + name;
    ASSERT_TRUE(shot->Save(path));
    const std::optional<Image> decoded = DecodeWithWic(path);
    ASSERT_TRUE(decoded) << "the system cannot decode " << path;
    EXPECT_EQ(CountDifferences(*shot, *decoded), 0);
    ASSERT_TRUE(SaveScreenshot(path));
    const std::optional<Image> screen = DecodeWithWic(path);
    ASSERT_TRUE(screen);
    EXPECT_EQ(screen->Width(), GetSystemMetrics(SM_CXVIRTUALSCREEN));
    EXPECT_EQ(screen->Height(), GetSystemMetrics(SM_CYVIRTUALSCREEN));
    EXPECT_EQ(screen->At(red_rect.left + 2, red_rect.top + 2), kRed);
    DeleteFileW(Widen(path).c_str());
  }
  CoUninitialize();
}

TEST_F(DriverTarget, ReadsTheMenusOfAnotherProgram) {
  ASSERT_NO_FATAL_FAILURE(Start());
  std::string error;
  const std::optional<std::vector<MenuEntry>> bar = ReadMenu(window_, &error);
  ASSERT_TRUE(bar) << error;
  ASSERT_EQ(bar->size(), 1u);
  EXPECT_EQ((*bar)[0].text, "&Edit");
  EXPECT_TRUE((*bar)[0].shortcut.empty());
  const struct {
    const char* text;
    const char* shortcut;
    bool separator;
    bool greyed;
    bool is_default;
  } expected[] = {
      {"&Upper case", "Ctrl+U", false, false, true},
      {"", "", true, false, false},
      {"E&xit", "", false, false, false},
      {"&Never", "", false, true, false},
  };
  const std::vector<MenuEntry>& items = (*bar)[0].items;
  ASSERT_EQ(items.size(), std::size(expected));
  for (std::size_t i = 0; i < items.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(items[i].text, expected[i].text);
    EXPECT_EQ(items[i].shortcut, expected[i].shortcut);
    EXPECT_EQ(items[i].separator, expected[i].separator);
    // Wine reports separators greyed and disabled.
    if (!expected[i].separator) {
      EXPECT_EQ(items[i].greyed, expected[i].greyed);
      EXPECT_FALSE(items[i].disabled);
    }
    EXPECT_EQ(items[i].is_default, expected[i].is_default);
    EXPECT_FALSE(items[i].checked);
    EXPECT_TRUE(items[i].items.empty());
  }

  // An open menu is read from its popup window.
  ASSERT_NO_FATAL_FAILURE(Focus());
  ASSERT_TRUE(PressKeys("Alt+E"));
  HWND popup = WaitForWindow({"#32768", "", process_->Id(), true});
  ASSERT_NE(popup, nullptr);
  const std::optional<std::vector<MenuEntry>> open = ReadMenu(popup, &error);
  ASSERT_TRUE(open) << error;
  ASSERT_EQ(open->size(), std::size(expected));
  EXPECT_EQ((*open)[0].text, "&Upper case");
  ASSERT_TRUE(PressKeys("Escape") && PressKeys("Escape"));
  EXPECT_TRUE(WaitHidden(popup));

  // A control has no menu: its menu handle is its id.
  EXPECT_FALSE(ReadMenu(edit_, &error));
  EXPECT_NE(error.find("no menu"), std::string::npos) << error;
}

TEST_F(DriverTarget, HotkeyReachesAHiddenWindowAndTheMessageBoxAnswers) {
  ASSERT_NO_FATAL_FAILURE(Start());
  ASSERT_NO_FATAL_FAILURE(Focus());
  ASSERT_TRUE(TypeText("42"));
  ExpectEditText("42");
  HWND hide = FindChild(window_, "Button");

  // "No" brings the window back; "Yes" ends the program with its own exit code.
  for (const char* answer : {"No", "&Yes"}) {
    SCOPED_TRACE(answer);
    ASSERT_TRUE(WaitVisible(window_));
    ASSERT_TRUE(Click(hide));
    ASSERT_TRUE(WaitHidden(window_));
    // The focus change of hiding reaches the target late and would reset a held Ctrl.
    ASSERT_TRUE(WaitForInputProcessed(window_));
    ASSERT_TRUE(PressKeys("Ctrl+F11"));
    HWND box = WaitForDialog(process_->Id());
    ASSERT_NE(box, nullptr) << "no message box after the hotkey";
    EXPECT_EQ(WindowText(box), "Driver Target");
    EXPECT_EQ(DialogText(box), "Hotkey pressed: 42");
    EXPECT_EQ(DialogButtons(box).size(), 2u);
    EXPECT_NE(FindButton(box, "Yes"), nullptr);
    ASSERT_TRUE(PressDialogButton(box, answer));
    EXPECT_TRUE(WaitGone(box));
  }
  EXPECT_EQ(process_->WaitForExit(), std::optional<DWORD>(kExitAfterYes));
}

}  // namespace
}  // namespace tallivo::test
