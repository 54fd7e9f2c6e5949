// Screen capture, colours and the BMP/PNG writers of the test driver.
#include <algorithm>
#include <array>
#include <cstdlib>
#include <fstream>
#include <ostream>
#include <unordered_map>

#include "tests/driver/driver_win.h"
#include "ui/handles_win.h"

namespace tallivo::test {
namespace {

// Colours this close to the background (largest channel difference) are anti-aliasing, not text.
constexpr int kNearBackground = 48;

char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// ---- Encoders ----

void PutLe(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void PutBe32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
}

constexpr std::array<std::uint32_t, 256> MakeCrcTable() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t n = 0; n < 256; ++n) {
    std::uint32_t c = n;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[n] = c;
  }
  return table;
}
constexpr auto kCrcTable = MakeCrcTable();

void PutPngChunk(std::vector<std::uint8_t>& out, const char (&type)[5],
                 const std::vector<std::uint8_t>& data) {
  PutBe32(out, static_cast<std::uint32_t>(data.size()));
  const std::size_t crc_start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  std::uint32_t crc = 0xFFFFFFFFu;
  for (std::size_t i = crc_start; i < out.size(); ++i) crc = kCrcTable[(crc ^ out[i]) & 0xFF] ^ (crc >> 8);
  PutBe32(out, crc ^ 0xFFFFFFFFu);
}

}  // namespace

// ---- Pixels ----

std::string ToString(Color color) {
  constexpr char kHex[] = "0123456789abcdef";
  std::string out = "#";
  for (std::uint8_t channel : {color.r, color.g, color.b}) {
    out += kHex[channel >> 4];
    out += kHex[channel & 15];
  }
  return out;
}

std::ostream& operator<<(std::ostream& out, Color color) {
  return out << ToString(color);
}

Image::Image(int width, int height)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      pixels_(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_)) {}

Color Image::At(int x, int y) const {
  return pixels_[static_cast<std::size_t>(y) * width_ + x];
}

void Image::Set(int x, int y, Color color) {
  pixels_[static_cast<std::size_t>(y) * width_ + x] = color;
}

std::vector<std::uint8_t> Image::EncodeBmp() const {
  const std::uint32_t row_size = (static_cast<std::uint32_t>(width_) * 3 + 3) & ~3u;
  const std::uint32_t data_size = row_size * static_cast<std::uint32_t>(height_);
  constexpr std::uint32_t kHeaders = 14 + 40;
  std::vector<std::uint8_t> out;
  out.reserve(kHeaders + data_size);
  out.push_back('B');
  out.push_back('M');
  PutLe(out, kHeaders + data_size, 4);
  PutLe(out, 0, 4);
  PutLe(out, kHeaders, 4);
  PutLe(out, 40, 4);  // BITMAPINFOHEADER
  PutLe(out, static_cast<std::uint32_t>(width_), 4);
  PutLe(out, static_cast<std::uint32_t>(height_), 4);  // positive: rows bottom-up
  PutLe(out, 1, 2);
  PutLe(out, 24, 2);
  PutLe(out, BI_RGB, 4);
  PutLe(out, data_size, 4);
  PutLe(out, 3780, 4);  // 96 dpi in pixels per metre
  PutLe(out, 3780, 4);
  PutLe(out, 0, 4);
  PutLe(out, 0, 4);
  for (int y = height_ - 1; y >= 0; --y) {
    for (int x = 0; x < width_; ++x) {
      const Color c = At(x, y);
      out.insert(out.end(), {c.b, c.g, c.r});
    }
    out.resize(out.size() + (row_size - static_cast<std::uint32_t>(width_) * 3), 0);
  }
  return out;
}

std::vector<std::uint8_t> Image::EncodePng() const {
  std::vector<std::uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::vector<std::uint8_t> header;
  PutBe32(header, static_cast<std::uint32_t>(width_));
  PutBe32(header, static_cast<std::uint32_t>(height_));
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB, deflate, no filter, no interlace
  PutPngChunk(out, "IHDR", header);

  // Scanlines with filter type 0, stored in uncompressed deflate blocks of at most 65535 bytes.
  std::vector<std::uint8_t> raw;
  raw.reserve(static_cast<std::size_t>(height_) * (1 + static_cast<std::size_t>(width_) * 3));
  for (int y = 0; y < height_; ++y) {
    raw.push_back(0);
    for (int x = 0; x < width_; ++x) {
      const Color c = At(x, y);
      raw.insert(raw.end(), {c.r, c.g, c.b});
    }
  }
  std::vector<std::uint8_t> zlib = {0x78, 0x01};
  std::size_t offset = 0;
  do {
    const std::size_t length = std::min<std::size_t>(raw.size() - offset, 65535);
    zlib.push_back(offset + length == raw.size() ? 1 : 0);
    PutLe(zlib, static_cast<std::uint32_t>(length), 2);
    PutLe(zlib, static_cast<std::uint32_t>(~length & 0xFFFF), 2);
    zlib.insert(zlib.end(), raw.begin() + static_cast<std::ptrdiff_t>(offset),
                raw.begin() + static_cast<std::ptrdiff_t>(offset + length));
    offset += length;
  } while (offset < raw.size());
  std::uint32_t a = 1, b = 0;
  for (std::uint8_t byte : raw) {
    a = (a + byte) % 65521;
    b = (b + a) % 65521;
  }
  PutBe32(zlib, (b << 16) | a);
  PutPngChunk(out, "IDAT", zlib);
  PutPngChunk(out, "IEND", {});
  return out;
}

bool Image::Save(const std::string& path) const {
  std::string extension = path.size() >= 4 ? path.substr(path.size() - 4) : "";
  std::transform(extension.begin(), extension.end(), extension.begin(), AsciiLower);
  const std::vector<std::uint8_t> bytes = extension == ".png" ? EncodePng() : EncodeBmp();
  std::ofstream file(Widen(path).c_str(), std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(file.flush());
}

std::optional<Image> CaptureScreen(const RECT& screen_rect) {
  const int width = screen_rect.right - screen_rect.left;
  const int height = screen_rect.bottom - screen_rect.top;
  if (width <= 0 || height <= 0) return std::nullopt;
  const ui::WindowDc screen(nullptr);
  const ui::MemoryDc memory(screen.Get());
  if (!screen.Get() || !memory.Get()) return std::nullopt;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  const ui::UniqueBitmap bitmap(CreateDIBSection(screen.Get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!bitmap.Get() || !bits) return std::nullopt;
  {
    const ui::SelectObjectScope selected(memory.Get(), bitmap.Get());
    if (!BitBlt(memory.Get(), 0, 0, width, height, screen.Get(), screen_rect.left, screen_rect.top,
                SRCCOPY | CAPTUREBLT)) {
      return std::nullopt;
    }
    GdiFlush();
  }
  const auto* pixels = static_cast<const std::uint8_t*>(bits);  // BGRX
  Image image(width, height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::uint8_t* p = pixels + (static_cast<std::size_t>(y) * width + x) * 4;
      image.Set(x, y, Color{p[2], p[1], p[0]});
    }
  }
  return image;
}

std::optional<Image> CaptureWindow(HWND window) {
  if (window) return CaptureScreen(WindowRect(window));
  const int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
  const int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
  return CaptureScreen(RECT{left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                            top + GetSystemMetrics(SM_CYVIRTUALSCREEN)});
}

bool SaveScreenshot(const std::string& path, HWND window) {
  const std::optional<Image> image = CaptureWindow(window);
  return image && image->Save(path);
}

std::optional<Color> PixelColor(HWND window, POINT client_point) {
  if (!ClientToScreen(window, &client_point)) return std::nullopt;
  const std::optional<Image> image =
      CaptureScreen(RECT{client_point.x, client_point.y, client_point.x + 1, client_point.y + 1});
  if (!image) return std::nullopt;
  return image->At(0, 0);
}

std::optional<Color> DominantTextColor(HWND control) {
  const std::optional<Image> image = CaptureScreen(ClientRectOnScreen(control));
  if (!image) return std::nullopt;
  auto key = [](Color c) { return (std::uint32_t{c.r} << 16) | (std::uint32_t{c.g} << 8) | c.b; };
  std::unordered_map<std::uint32_t, int> counts;
  for (int y = 0; y < image->Height(); ++y) {
    for (int x = 0; x < image->Width(); ++x) ++counts[key(image->At(x, y))];
  }
  auto most_frequent = [&](auto&& accept) {
    std::optional<std::uint32_t> best;
    for (const auto& [colour, count] : counts) {
      if (accept(colour) && (!best || count > counts[*best] || (count == counts[*best] && colour < *best))) {
        best = colour;
      }
    }
    return best;
  };
  const std::optional<std::uint32_t> background = most_frequent([](std::uint32_t) { return true; });
  if (!background) return std::nullopt;
  auto channel = [](std::uint32_t colour, int shift) { return static_cast<int>((colour >> shift) & 0xFF); };
  const std::optional<std::uint32_t> text = most_frequent([&](std::uint32_t colour) {
    int difference = 0;
    for (int shift : {0, 8, 16})
      difference = std::max(difference, std::abs(channel(colour, shift) - channel(*background, shift)));
    return difference > kNearBackground;
  });
  if (!text) return std::nullopt;
  return Color{static_cast<std::uint8_t>(channel(*text, 16)), static_cast<std::uint8_t>(channel(*text, 8)),
               static_cast<std::uint8_t>(channel(*text, 0))};
}

}  // namespace tallivo::test
