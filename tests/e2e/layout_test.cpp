// The finished look of the real program, pixel by pixel, against the form's layout in twips:
// the main window's surface is the skin picture wherever no control covers it, and each
// control's rectangle, found in a screenshot, is its twip rectangle within the rounding that
// 15 twips per pixel implies. Also the about window, the address box, the stored loading
// animation, and the same look from an installed copy (cmake --install into a fresh prefix).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/e2e/cursor_image.h"
#include "tests/e2e/e2e_support.h"

namespace tovarin::e2e {
namespace {

constexpr auto kWindowWait = 90s;
constexpr auto kEventWait = 20s;
constexpr const char* kServicePrefix = "http://127.0.0.1:47811/tovarin/Client/Tovarin.aspx?url=";
constexpr int kServicePort = 47811;
constexpr const char* kServicePath = "/tovarin/Client/Tovarin.aspx?url=";
constexpr int kTwipsPerPixel = 15;

using Rgb = std::array<int, 3>;
constexpr Rgb kMagenta{255, 0, 255};

std::string BuildFolder() { return TOVARIN_BINARY_DIR; }
std::string PictureFolder() { return BuildFolder() + "/shell/pictures"; }

std::vector<unsigned char> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// An uncompressed 24-bit BMP, read here from its bytes: file header (14 bytes, pixel data
// offset at 10), info header (width at 18, height at 22: positive means bottom-up, bit count
// at 28, compression at 30), rows padded to 4 bytes, pixels B, G, R.
struct Picture {
  int width = 0, height = 0;
  std::vector<Rgb> pixels;
  Rgb At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
  bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < width && y < height; }
};

std::int32_t Le32(const std::vector<unsigned char>& b, std::size_t at) {
  return static_cast<std::int32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16 |
                                   static_cast<unsigned>(b[at + 3]) << 24);
}

Picture ReadBmp24(const std::string& path) {
  const std::vector<unsigned char> bytes = ReadBytes(path);
  Picture picture;
  if (bytes.size() < 54 || bytes[0] != 'B' || bytes[1] != 'M') return picture;
  const std::int32_t offset = Le32(bytes, 10), width = Le32(bytes, 18), height = Le32(bytes, 22);
  const int bits = bytes[28] | bytes[29] << 8;
  if (bits != 24 || Le32(bytes, 30) != 0 || width <= 0 || height == 0) return picture;
  const int rows = std::abs(height);
  const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
  if (bytes.size() < static_cast<std::size_t>(offset) + stride * rows) return picture;
  picture.width = width;
  picture.height = rows;
  picture.pixels.resize(static_cast<std::size_t>(width) * rows);
  for (int y = 0; y < rows; ++y) {
    const std::size_t row =
        static_cast<std::size_t>(offset) + stride * (height > 0 ? rows - 1 - y : y);
    for (int x = 0; x < width; ++x) {
      const unsigned char* p = &bytes[row + static_cast<std::size_t>(x) * 3];
      picture.pixels[static_cast<std::size_t>(y) * width + x] = {p[2], p[1], p[0]};
    }
  }
  return picture;
}

// A rectangle in pixels; right and bottom exclusive.
struct Box {
  int left, top, right, bottom;
  bool Contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
};

// A control's rectangle in twips, and the pixel edges it may have: each edge, at 15 twips per
// pixel, rounded either way (a whole-pixel edge has one choice).
struct TwipsRect {
  const char* name;
  int left, top, width, height;
  static int Low(int twips) { return twips / kTwipsPerPixel; }
  static int High(int twips) { return (twips + kTwipsPerPixel - 1) / kTwipsPerPixel; }
  // Every pixel the control may cover, clipped to the window.
  Box Hull(int window_width, int window_height) const {
    return {Low(left), Low(top), std::min(High(left + width), window_width),
            std::min(High(top + height), window_height)};
  }
};

// Form1's controls shown at start-up (Text1, Label1 and g1 are hidden then), front to back.
constexpr TwipsRect kPicture3{"Picture3", 20, 840, 80, 4575};
constexpr TwipsRect kCheck1{"Check1", 210, 5590, 210, 199};
constexpr TwipsRect kPicture2{"Picture2", 50, 5370, 3615, 135};
constexpr TwipsRect kPicture1{"Picture1", 0, 680, 3610, 255};
constexpr TwipsRect kA3{"a3", 3120, 20, 350, 345};
constexpr TwipsRect kA2{"a2", 2770, 20, 350, 345};
constexpr TwipsRect kA1{"a1", 270, 0, 1455, 360};
constexpr TwipsRect kW1{"W1", 60, 890, 3550, 4575};
constexpr TwipsRect kShownAtStart[] = {kPicture3, kCheck1, kPicture2, kPicture1,
                                       kA3,       kA2,     kA1,       kW1};
constexpr TwipsRect kText1{"Text1", 120, 480, 1290, 255};
constexpr TwipsRect kLabel1{"Label1", 1440, 480, 255, 255};
constexpr int kForm1Width = 3660 / kTwipsPerPixel, kForm1Height = 5970 / kTwipsPerPixel;
constexpr int kForm3Width = 4500 / kTwipsPerPixel, kForm3Height = 3000 / kTwipsPerPixel;

// Expects `found` (an edge found on screen) to be the twip edge rounded one way or the other.
void ExpectEdge(const char* control, const char* edge, int found, int twips, int clip = 1 << 30) {
  const int low = std::min(TwipsRect::Low(twips), clip),
            high = std::min(TwipsRect::High(twips), clip);
  EXPECT_TRUE(found == low || found == high)
      << control << "'s " << edge << " edge is at " << found << ", twips " << twips << " give "
      << low << " or " << high;
}

void ExpectRectangle(const TwipsRect& expected, const Box& found, int clip_right = 1 << 30) {
  ExpectEdge(expected.name, "left", found.left, expected.left);
  ExpectEdge(expected.name, "top", found.top, expected.top);
  ExpectEdge(expected.name, "right", found.right, expected.left + expected.width, clip_right);
  ExpectEdge(expected.name, "bottom", found.bottom, expected.top + expected.height);
}

PageResponse ColouredPage() {
  PageResponse response;
  response.body =
      "<!DOCTYPE html><html><head><title>p</title></head>"
      "<body style=\"margin:0;background:#ff00ff;overflow:hidden\"></body></html>";
  return response;
}

// The window's pixels, cut from a screenshot of the whole screen.
class WindowPixels {
 public:
  WindowPixels(Screenshot shot, const WindowInfo& window)
      : shot_(std::move(shot)), window_(window) {}
  Rgb At(int x, int y) const { return shot_.At(window_.x + x, window_.y + y); }

 private:
  Screenshot shot_;
  WindowInfo window_;
};

// Counts the pixels of the window outside every box in `covered` that differ from `picture`,
// and describes the first few.
int CountDifferences(const WindowPixels& shown, const Picture& picture,
                     const std::vector<Box>& covered, std::string& first) {
  int differences = 0;
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x) {
      bool under_control = false;
      for (const Box& box : covered) under_control = under_control || box.Contains(x, y);
      if (under_control || shown.At(x, y) == picture.At(x, y)) continue;
      if (++differences <= 5) {
        const Rgb s = shown.At(x, y), p = picture.At(x, y);
        first += " (" + std::to_string(x) + "," + std::to_string(y) + "): shown " +
                 std::to_string(s[0]) + "," + std::to_string(s[1]) + "," + std::to_string(s[2]) +
                 " picture " + std::to_string(p[0]) + "," + std::to_string(p[1]) + "," +
                 std::to_string(p[2]) + ";";
      }
    }
  }
  return differences;
}

// The bounding box of the pixels inside `area` for which `differs` holds; empty when none.
template <typename Predicate>
Box BoundingBox(const Box& area, Predicate differs) {
  Box box{area.right, area.bottom, area.left, area.top};
  for (int y = area.top; y < area.bottom; ++y) {
    for (int x = area.left; x < area.right; ++x) {
      if (!differs(x, y)) continue;
      box = {std::min(box.left, x), std::min(box.top, y), std::max(box.right, x + 1),
             std::max(box.bottom, y + 1)};
    }
  }
  return box;
}

// Where a picture box shows `picture` from its top-left corner, cut at its edges: finds the
// origin (among the two roundings of the twip origin) at which the pixels around `probe`
// match the picture exactly, then walks out from `probe` along its row and column while the
// shown pixels are the picture's. Returns an empty box when no origin matches.
Box FindPictureBox(const WindowPixels& shown, const Picture& picture, const TwipsRect& control,
                   int probe_x, int probe_y) {
  for (int ox : {TwipsRect::Low(control.left), TwipsRect::High(control.left)}) {
    for (int oy : {TwipsRect::Low(control.top), TwipsRect::High(control.top)}) {
      auto matches = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < kForm1Width && y < kForm1Height &&
               picture.Contains(x - ox, y - oy) && shown.At(x, y) == picture.At(x - ox, y - oy);
      };
      bool probe_matches = true;
      for (int dy = -1; dy <= 1; ++dy)
        for (int dx = -2; dx <= 2; ++dx)
          probe_matches = probe_matches && matches(probe_x + dx, probe_y + dy);
      if (!probe_matches) continue;
      Box box{probe_x, probe_y, probe_x + 1, probe_y + 1};
      while (matches(box.left - 1, probe_y)) --box.left;
      while (matches(box.right, probe_y)) ++box.right;
      while (matches(probe_x, box.top - 1)) --box.top;
      while (matches(probe_x, box.bottom)) ++box.bottom;
      // The whole rectangle shows the picture, apart from what controls in front cover.
      int mismatched = 0;
      for (int y = box.top; y < box.bottom; ++y)
        for (int x = box.left; x < box.right; ++x) mismatched += matches(x, y) ? 0 : 1;
      EXPECT_LE(mismatched, 7 * 7)
          << control.name << ": the picture shows only in parts of its rectangle";
      return box;
    }
  }
  ADD_FAILURE() << control.name << ": its picture is not shown at its place";
  return {0, 0, 0, 0};
}

// The loading animation's GIF, read here block by block (header, logical screen, colour table,
// extensions, image descriptors), for what the layout fixes about it.
struct GifSummary {
  int screen_width = 0, screen_height = 0, global_table_size = 0, background_index = -1,
      loop_count = -1;
  struct Frame {
    int left, top, width, height, delay_cs, disposal, transparent_index;
  };
  std::vector<Frame> frames;
  bool complete = false;
};

GifSummary ReadGifSummary(const std::vector<unsigned char>& b) {
  GifSummary gif;
  auto u16 = [&](std::size_t at) { return b[at] | b[at + 1] << 8; };
  if (b.size() < 13 || std::string(b.begin(), b.begin() + 6) != "GIF89a") return gif;
  gif.screen_width = u16(6);
  gif.screen_height = u16(8);
  std::size_t at = 13;
  if (b[10] & 0x80) {
    gif.global_table_size = 1 << ((b[10] & 7) + 1);
    at += 3 * static_cast<std::size_t>(gif.global_table_size);
  }
  gif.background_index = b[11];
  int delay = -1, disposal = -1, transparent = -1;
  auto skip_sub_blocks = [&] {
    while (at < b.size() && b[at] != 0) at += b[at] + 1u;
    ++at;
  };
  while (at < b.size()) {
    if (b[at] == 0x3B) {
      gif.complete = true;
      break;
    }
    if (b[at] == 0x21 && at + 2 < b.size()) {
      const int label = b[at + 1];
      if (label == 0xF9 && at + 7 < b.size()) {
        disposal = (b[at + 3] >> 2) & 7;
        delay = u16(at + 4);
        transparent = (b[at + 3] & 1) ? b[at + 6] : -1;
      } else if (label == 0xFF && at + 18 < b.size() &&
                 std::string(&b[at + 3], &b[at + 3] + 11) == "NETSCAPE2.0") {
        gif.loop_count = u16(at + 16);
      }
      at += 2;
      skip_sub_blocks();
    } else if (b[at] == 0x2C && at + 10 < b.size()) {
      gif.frames.push_back(
          {u16(at + 1), u16(at + 3), u16(at + 5), u16(at + 7), delay, disposal, transparent});
      const int flags = b[at + 9];
      at += 10;
      if (flags & 0x80) at += 3u * (1u << ((flags & 7) + 1));
      ++at;  // LZW minimum code size
      skip_sub_blocks();
      delay = disposal = transparent = -1;
    } else {
      break;
    }
  }
  return gif;
}

class LayoutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    server_ = std::make_unique<PageServer>(kServicePort);
    ASSERT_TRUE(server_->Listening()) << "port " << kServicePort << " is taken";
    server_->SetHandler([](const std::string&) { return ColouredPage(); });
    skin_ = ReadBmp24(PictureFolder() + "/skin.bmp");
    ASSERT_EQ(skin_.width, kForm1Width);
    ASSERT_EQ(skin_.height, kForm1Height);
  }
  void TearDown() override {
    if (program_ > 0) StopProcess(program_);
    x_.reset();
    server_.reset();
  }

  // Starts `program` on an X display of its own and waits for its window and the magenta page.
  void StartProgram(const std::string& program = BuildFolder() + "/shell/tovarin") {
    x_ = std::make_unique<XSession>(false);
    ASSERT_TRUE(x_->Ready()) << "Xvfb did not start";
    program_ = x_->Start({program}, x_->Folder() + "/tovarin.log",
                         {std::string("TOVARIN_SERVICE_PREFIX=") + kServicePrefix});
    ASSERT_GT(program_, 0);
    ASSERT_TRUE(WaitUntil([&] { return x_->WindowNamed(program_, "Tovarin 1.2").has_value(); },
                          kWindowWait))
        << "no main window";
    main_ = *x_->WindowNamed(program_, "Tovarin 1.2");
    ASSERT_TRUE(WaitUntil([&] { return x_->Shoot().At(main_.x + 120, main_.y + 200) == kMagenta; },
                          kWindowWait))
        << "the page never showed";
    // The pointer away from the window, so no control shows a hover look.
    x_->Run({"xdotool", "mousemove", "1000", "700"});
  }

  // A settled screenshot of the main window: two in a row alike (no repaint under way).
  WindowPixels SettledMainWindow() {
    Screenshot shot = x_->Shoot();
    for (int i = 0; i < 20; ++i) {
      std::this_thread::sleep_for(300ms);
      Screenshot again = x_->Shoot();
      if (again.rgb == shot.rgb) break;
      shot = std::move(again);
    }
    return WindowPixels(std::move(shot), main_);
  }

  // Every pixel no control may cover is the skin picture's.
  void ExpectSkinWhereNoControlIs(const WindowPixels& shown) {
    std::vector<Box> covered;
    for (const TwipsRect& control : kShownAtStart)
      covered.push_back(control.Hull(kForm1Width, kForm1Height));
    std::string first;
    EXPECT_EQ(CountDifferences(shown, skin_, covered, first), 0)
        << "pixels differing from the skin:" << first;
  }

  std::unique_ptr<PageServer> server_;
  std::unique_ptr<XSession> x_;
  pid_t program_ = -1;
  WindowInfo main_;
  Picture skin_;
};

TEST_F(LayoutTest, Form1IsTheSkinPictureAndEveryControlSitsOnItsTwipRectangle) {
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  EXPECT_EQ(main_.width, kForm1Width);
  EXPECT_EQ(main_.height, kForm1Height);
  const WindowPixels shown = SettledMainWindow();
  ExpectSkinWhereNoControlIs(shown);

  // The view's page shows between the strips that frame it: left of it Picture3, above it
  // Picture1, below it Picture2; its right edge is its own. The page is one solid rectangle
  // there, so nothing of the loading animation behind the view shows through.
  const Box page = BoundingBox({0, 0, kForm1Width, kForm1Height},
                               [&](int x, int y) { return shown.At(x, y) == kMagenta; });
  ExpectEdge("the page", "left (Picture3's right)", page.left, kPicture3.left + kPicture3.width);
  ExpectEdge("the page", "top (Picture1's bottom)", page.top, kPicture1.top + kPicture1.height);
  ExpectEdge("the page", "right (W1's right)", page.right, kW1.left + kW1.width);
  ExpectEdge("the page", "bottom (Picture2's top)", page.bottom, kPicture2.top);
  const Box solid = BoundingBox(page, [&](int x, int y) { return shown.At(x, y) != kMagenta; });
  EXPECT_GE(solid.left, solid.right)
      << "non-page pixels inside the view, from (" << solid.left << "," << solid.top << ")";

  // The strips show their pictures from their top-left corners, cut at their edges.
  const Picture picture1 = ReadBmp24(PictureFolder() + "/picture1.bmp");
  const Picture picture2 = ReadBmp24(PictureFolder() + "/picture2.bmp");
  const Picture picture3 = ReadBmp24(PictureFolder() + "/picture3.bmp");
  ASSERT_EQ(picture1.width, 245);
  ASSERT_EQ(picture2.width, 241);
  ASSERT_EQ(picture3.height, 308);
  ExpectRectangle(kPicture1, FindPictureBox(shown, picture1, kPicture1, 120, 53));
  ExpectRectangle(kPicture2, FindPictureBox(shown, picture2, kPicture2, 120, 362), kForm1Width);
  ExpectRectangle(kPicture3, FindPictureBox(shown, picture3, kPicture3, 3, 200));

  // The buttons and the Stop box: where they differ from the skin, within a margin around them.
  auto differs_from_skin = [&](int x, int y) { return shown.At(x, y) != skin_.At(x, y); };
  ExpectRectangle(kA1, BoundingBox({14, 0, 120, 28}, differs_from_skin));
  // a2 ends where a3 begins (at 3120 twips, 208 pixels): each is looked for on its own side.
  ExpectRectangle(kA2, BoundingBox({180, 0, 208, 28}, differs_from_skin));
  ExpectRectangle(kA3, BoundingBox({208, 0, kForm1Width, 28}, differs_from_skin));
  ExpectRectangle(kCheck1, BoundingBox({10, 368, 34, 392}, differs_from_skin));
}

TEST_F(LayoutTest, LoadingAnimationIsTwelveFramesInSixHundredMilliseconds) {
  // The stored GIF as the layout fixes it: 237 x 297, 256 colours, background 255, endless,
  // 12 frames each leaving its pixels in place with 255 transparent and no delay of its own.
  const GifSummary gif = ReadGifSummary(ReadBytes(PictureFolder() + "/loading.gif"));
  ASSERT_TRUE(gif.complete);
  EXPECT_EQ(gif.screen_width, 237);
  EXPECT_EQ(gif.screen_height, 297);
  EXPECT_EQ(gif.global_table_size, 256);
  EXPECT_EQ(gif.background_index, 255);
  EXPECT_EQ(gif.loop_count, 0);
  ASSERT_EQ(gif.frames.size(), 12u);
  EXPECT_EQ(gif.frames[0].width, 237);
  EXPECT_EQ(gif.frames[0].height, 297);
  int pass_ms = 0;
  for (const GifSummary::Frame& frame : gif.frames) {
    EXPECT_EQ(frame.disposal, 1);
    EXPECT_EQ(frame.transparent_index, 255);
    EXPECT_EQ(frame.delay_cs, 0);
    const bool known_patch =
        (frame.left == 0 && frame.top == 0 && frame.width == 237 && frame.height == 297) ||
        (frame.left == 16 && frame.top == 3 && frame.width == 204 && frame.height == 204) ||
        (frame.left == 24 && frame.top == 11 && frame.width == 188 && frame.height == 188) ||
        (frame.left == 16 && frame.top == 2 && frame.width == 204 && frame.height == 205);
    EXPECT_TRUE(known_patch) << frame.left << "," << frame.top << " " << frame.width << "x"
                             << frame.height;
    // A delay below the control's minimum of 50 ms (the default) is raised to it.
    pass_ms += std::max(frame.delay_cs * 10, 50);
  }
  EXPECT_EQ(pass_ms, 600);
}

TEST_F(LayoutTest, AboutWindowIsExactlyTheAboutPictureAndOneClickClosesIt) {
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  const Picture about = ReadBmp24(PictureFolder() + "/about.bmp");
  ASSERT_EQ(about.width, kForm3Width);
  ASSERT_EQ(about.height, kForm3Height);
  // a1's command menu, then "关于": the fourth item the keyboard reaches ("打开" is hidden,
  // separators are skipped).
  x_->Click(main_.x + 60, main_.y + 12, 1);
  ASSERT_TRUE(WaitUntil([&] { return x_->VisibleWindows(program_).size() == 2; }, kEventWait))
      << "no command menu";
  for (int i = 0; i < 4; ++i) x_->Key("Down");
  x_->Key("Return");
  std::optional<WindowInfo> form3;
  ASSERT_TRUE(WaitUntil([&] { return (form3 = x_->WindowNamed(program_, "关于")).has_value(); },
                        kEventWait))
      << "no about window";
  EXPECT_EQ(form3->width, kForm3Width);
  EXPECT_EQ(form3->height, kForm3Height);
  // Centred on its owner, Form1.
  EXPECT_EQ(form3->x, main_.x + (kForm1Width - kForm3Width) / 2);
  EXPECT_EQ(form3->y, main_.y + (kForm1Height - kForm3Height) / 2);
  x_->Run({"xdotool", "mousemove", "1000", "700"});
  std::this_thread::sleep_for(500ms);
  // Borderless: the window is the picture, to its last pixel, and no frame lies around it.
  const WindowPixels shown(x_->Shoot(), *form3);
  std::string first;
  EXPECT_EQ(CountDifferences(shown, about, {}, first), 0)
      << "pixels differing from the about picture:" << first;
  x_->Click(form3->x + 150, form3->y + 100, 1);
  EXPECT_TRUE(WaitUntil([&] { return !x_->WindowNamed(program_, "关于").has_value(); }, kEventWait))
      << "the about window stayed";
  EXPECT_TRUE(x_->WindowNamed(program_, "Tovarin 1.2").has_value());
}

TEST_F(LayoutTest, AddressBoxAndCloseMarkTakeTheirRectanglesWhenShown) {
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  const WindowPixels before = SettledMainWindow();
  x_->Click(main_.x + 60, main_.y + 12, 1);
  ASSERT_TRUE(WaitUntil([&] { return x_->VisibleWindows(program_).size() == 2; }, kEventWait))
      << "no command menu";
  x_->Key("Down");
  x_->Key("Return");  // "输入网址"
  ASSERT_TRUE(WaitUntil([&] { return x_->VisibleWindows(program_).size() == 1; }, kEventWait));
  x_->Run({"xdotool", "mousemove", "1000", "700"});
  const WindowPixels after = SettledMainWindow();
  // What changed is the address box (8, 32, 86 x 17), in front of Picture1's top rows, and its
  // close mark (96, 32, 17 x 17) beside it.
  auto changed = [&](int x, int y) { return after.At(x, y) != before.At(x, y); };
  const Box text1 = BoundingBox({0, 0, 95, kForm1Height}, changed);
  const Box label1 = BoundingBox({95, 0, kForm1Width, kForm1Height}, changed);
  ExpectRectangle(kText1, text1);
  // Label1 is drawn on the window's surface, behind every control: Picture1 hides its rows
  // from Picture1's top edge down.
  ExpectEdge("Label1", "left", label1.left, kLabel1.left);
  ExpectEdge("Label1", "top", label1.top, kLabel1.top);
  ExpectEdge("Label1", "right", label1.right, kLabel1.left + kLabel1.width);
  ExpectEdge("Label1", "bottom (Picture1's top)", label1.bottom, kPicture1.top);
  // The close mark "×" in red (255, 0, 0) on the window background (system colour 5, white).
  const Box label = kLabel1.Hull(kForm1Width, kForm1Height);
  const Box red = BoundingBox(label, [&](int x, int y) {
    const Rgb c = after.At(x, y);
    return c[0] > 200 && c[1] < 80 && c[2] < 80;
  });
  EXPECT_LT(red.left, red.right) << "no red close mark";
  EXPECT_EQ(after.At(label.left + 1, label.top + 1), (Rgb{255, 255, 255}));

  // Text1's "按Enter访问" in 宋体 10.5 pt, an em of 14 pixels, drawn with AR PL UMing: a
  // monospaced face, CJK characters one em wide and Latin letters half an em, so the text's ink
  // spans at most 3 x 14 + 5 x 7 = 77 pixels and at least that less the side bearings of its
  // first and last character. (Another face's Latin letters, DejaVu Sans for one, make it wider.)
  const Box text_area = kText1.Hull(kForm1Width, kForm1Height);
  const Box ink = BoundingBox(text_area, [&](int x, int y) {
    const Rgb c = after.At(x, y);
    return c[0] + c[1] + c[2] < 300;
  });
  EXPECT_LE(ink.right - ink.left, 3 * 14 + 5 * 7);
  EXPECT_GE(ink.right - ink.left, 3 * 14 + 5 * 7 - 4);
}

TEST_F(LayoutTest, CloseMarkAndStopBoxShowTheirTooltipsUnderThePointer) {
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  x_->Click(main_.x + 60, main_.y + 12, 1);
  ASSERT_TRUE(WaitUntil([&] { return x_->VisibleWindows(program_).size() == 2; }, kEventWait))
      << "no command menu";
  x_->Key("Down");
  x_->Key("Return");  // "输入网址" shows Text1 and Label1
  ASSERT_TRUE(WaitUntil([&] { return x_->VisibleWindows(program_).size() == 1; }, kEventWait));
  // Resting the pointer on a control shows its tooltip, a window of its own below the pointer;
  // its width follows its text: "关闭输入栏" is one CJK character longer than "停止载入".
  auto tooltip_at = [&](int x, int y) -> std::optional<WindowInfo> {
    const std::vector<WindowInfo> before = x_->VisibleWindows(program_);
    x_->Run({"xdotool", "mousemove", std::to_string(main_.x + x), std::to_string(main_.y + y)});
    std::optional<WindowInfo> found;
    WaitUntil(
        [&] {
          for (const WindowInfo& window : x_->VisibleWindows(program_)) {
            if (window.id != main_.id) found = window;
          }
          return found.has_value();
        },
        kEventWait);
    x_->Run({"xdotool", "mousemove", "1000", "700"});
    WaitUntil([&] { return x_->VisibleWindows(program_).size() == before.size(); }, kEventWait);
    return found;
  };
  const std::optional<WindowInfo> label1_tip = tooltip_at(104, 40);
  ASSERT_TRUE(label1_tip.has_value()) << "no tooltip over Label1";
  const std::optional<WindowInfo> check1_tip = tooltip_at(20, 379);
  ASSERT_TRUE(check1_tip.has_value()) << "no tooltip over Check1";
  EXPECT_GT(label1_tip->y, main_.y + 40);
  EXPECT_GT(check1_tip->y, main_.y + 379);
  const int glyph = label1_tip->width - check1_tip->width;
  EXPECT_GE(glyph, 10) << "tooltip widths " << label1_tip->width << " and " << check1_tip->width;
  EXPECT_LE(glyph, 20) << "tooltip widths " << label1_tip->width << " and " << check1_tip->width;
}

// How many opaque pixels of the cursor are near each of the program icon's four bar colours:
// red, blue, yellow, green.
std::array<int, 4> IconColourCounts(const CursorImage& cursor) {
  std::array<int, 4> counts{};
  for (const std::uint32_t pixel : cursor.argb) {
    const int a = static_cast<int>(pixel >> 24), r = static_cast<int>(pixel >> 16 & 0xFF),
              g = static_cast<int>(pixel >> 8 & 0xFF), b = static_cast<int>(pixel & 0xFF);
    if (a < 250) continue;
    if (r > 170 && g < 100 && b < 100) ++counts[0];
    if (b > 170 && r < 100) ++counts[1];
    if (r > 170 && g > 170 && b < 100) ++counts[2];
    if (g > 140 && r < 100 && b < 100) ++counts[3];
  }
  return counts;
}

TEST_F(LayoutTest, CloseMarkShowsTheProgramIconAsItsCursor) {
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  x_->Click(main_.x + 60, main_.y + 12, 1);
  ASSERT_TRUE(WaitUntil([&] { return x_->VisibleWindows(program_).size() == 2; }, kEventWait))
      << "no command menu";
  x_->Key("Down");
  x_->Key("Return");  // "输入网址" shows Text1 and Label1
  ASSERT_TRUE(WaitUntil([&] { return x_->VisibleWindows(program_).size() == 1; }, kEventWait));
  // Over the skin the cursor is the pointer's ordinary arrow, with none of the icon's colours.
  x_->Run({"xdotool", "mousemove", std::to_string(main_.x + 150), std::to_string(main_.y + 390)});
  std::this_thread::sleep_for(300ms);
  const std::array<int, 4> arrow = IconColourCounts(CurrentCursor(x_->Display()));
  EXPECT_EQ(arrow, (std::array<int, 4>{0, 0, 0, 0}));
  // Over the close mark (96, 32, 17 x 17) it is the program icon: a square of the icon's sizes
  // with its pinwheel of red, blue, yellow and green bars.
  x_->Run({"xdotool", "mousemove", std::to_string(main_.x + 104), std::to_string(main_.y + 40)});
  CursorImage cursor;
  WaitUntil(
      [&] {
        cursor = CurrentCursor(x_->Display());
        return IconColourCounts(cursor)[0] > 0;
      },
      kEventWait);
  EXPECT_EQ(cursor.width, cursor.height);
  EXPECT_TRUE(cursor.width == 16 || cursor.width == 32 || cursor.width == 48 || cursor.width == 128)
      << cursor.width << " x " << cursor.height;
  for (const int count : IconColourCounts(cursor)) EXPECT_GE(count, cursor.width / 2);
}

TEST_F(LayoutTest, InstalledCopyFindsItsSkinAndPicturesFromItsOwnPlace) {
  // Installed into a fresh prefix (not the one the build was configured for).
  const std::string prefix =
      (std::filesystem::temp_directory_path() / ("tovarin-prefix-" + std::to_string(getpid())))
          .string();
  std::filesystem::remove_all(prefix);
  const std::string command =
      "cmake --install '" + BuildFolder() + "' --prefix '" + prefix + "' >/dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  ASSERT_TRUE(std::filesystem::exists(prefix + "/share/tovarin/skins/blue.xpt"));
  ASSERT_FALSE(std::filesystem::exists(prefix + "/bin/skins"))
      << "the data belongs under share/tovarin";
  ASSERT_NO_FATAL_FAILURE(StartProgram(prefix + "/bin/tovarin"));
  const WindowPixels shown = SettledMainWindow();
  ExpectSkinWhereNoControlIs(shown);
  // The strips' and buttons' pictures were found too: Picture1 shows its picture.
  const Picture picture1 = ReadBmp24(prefix + "/share/tovarin/pictures/picture1.bmp");
  ASSERT_EQ(picture1.width, 245);
  ExpectRectangle(kPicture1, FindPictureBox(shown, picture1, kPicture1, 120, 53));
  StopProcess(program_);
  program_ = -1;
  std::filesystem::remove_all(prefix);
}

}  // namespace
}  // namespace tovarin::e2e
