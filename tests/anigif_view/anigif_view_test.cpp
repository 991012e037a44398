// anigif-view end to end: the viewer in a real GTK window on an Xvfb display of its own,
// driven with xdotool and looked at with `import -window`. The GIFs are written here, frame by
// frame in solid colours, so every expected pixel comes from the file, not from the viewer.
#include <gtest/gtest.h>
#include <signal.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/raster/color.h"
#include "platform/raster/system_colors.h"
#include "tests/e2e/e2e_support.h"
#include "tests/gif/gif_engine_test_support.h"

namespace tovarin::e2e {
namespace {

using gif::testing::BuildGif;
using gif::testing::SolidFrame;
using gif::testing::TestFrame;
using gif::testing::TestGif;
using Rgb = std::array<int, 3>;

constexpr auto kWindowWait = 30s;
constexpr auto kEventWait = 15s;
constexpr auto kExitWait = 15s;

constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kGreen{0, 255, 0};
constexpr Rgb kBlue{0, 0, 255};
constexpr std::array<Rgb, 3> kFrameColours{kRed, kGreen, kBlue};

std::uint32_t Palette(const Rgb& c) {
  return static_cast<std::uint32_t>(c[0] << 16 | c[1] << 8 | c[2]);
}

std::string Name(const Rgb& c) {
  return "(" + std::to_string(c[0]) + "," + std::to_string(c[1]) + "," + std::to_string(c[2]) + ")";
}

// Three full frames of 60 x 40 in red, green and blue, each shown `delay_cs` hundredths of a
// second, looping for ever.
TestGif ThreeColourGif(int delay_cs) {
  TestGif gif;
  gif.screen_width = 60;
  gif.screen_height = 40;
  gif.global_table = {Palette(kRed), Palette(kGreen), Palette(kBlue), 0};
  gif.loops = 0;
  for (std::uint8_t index = 0; index < 3; ++index) {
    TestFrame frame = SolidFrame(0, 0, 60, 40, index);
    frame.delay_cs = delay_cs;
    gif.frames.push_back(frame);
  }
  return gif;
}

// One frame of 20 x 10: the left half red, the right half blue.
TestGif HalvesGif() {
  TestGif gif;
  gif.screen_width = 20;
  gif.screen_height = 10;
  gif.global_table = {Palette(kRed), Palette(kBlue)};
  TestFrame frame = SolidFrame(0, 0, 20, 10, 0);
  for (int y = 0; y < 10; ++y) {
    for (int x = 10; x < 20; ++x) frame.indices[static_cast<std::size_t>(y * 20 + x)] = 1;
  }
  gif.frames.push_back(frame);
  return gif;
}

// Four frames building on each other over a 60 x 40 screen (white, red, green, blue):
//   1: the whole screen white, kept (disposal 1)
//   2: a red square at (10, 10), 20 x 20, kept
//   3: a square at (30, 10), 20 x 20, transparent (index 0) in its left half and blue in its
//      right half, restored to the background after it is shown (disposal 2)
//   4: a green square at (0, 0), 10 x 10 (disposal 0)
TestGif LayeredGif() {
  TestGif gif;
  gif.screen_width = 60;
  gif.screen_height = 40;
  gif.global_table = {0xFFFFFF, Palette(kRed), Palette(kGreen), Palette(kBlue)};
  gif.loops = 0;
  TestFrame white = SolidFrame(0, 0, 60, 40, 0);
  white.disposal = 1;
  TestFrame red = SolidFrame(10, 10, 20, 20, 1);
  red.disposal = 1;
  TestFrame half = SolidFrame(30, 10, 20, 20, 0);
  for (int y = 0; y < 20; ++y) {
    for (int x = 10; x < 20; ++x) half.indices[static_cast<std::size_t>(y * 20 + x)] = 3;
  }
  half.transparent = 0;
  half.disposal = 2;
  TestFrame green = SolidFrame(0, 0, 10, 10, 2);
  for (TestFrame* frame : {&white, &red, &half, &green}) {
    frame->delay_cs = 40;
    gif.frames.push_back(*frame);
  }
  return gif;
}

void WriteFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

std::string ReadText(const std::string& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

// The frame number i in a title "... - frame i/N ...", or 0.
int TitleFrame(const std::string& title) {
  const std::size_t at = title.find(" - frame ");
  return at == std::string::npos ? 0 : std::atoi(title.c_str() + at + 9);
}

// The displays of these tests live in an X socket folder of their own (and a network of
// their own), so other runs on the machine can neither clean them away nor shadow them.
class PrivateDisplayEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    std::string reason;
    if (!EnterPrivateNetwork(reason)) {
      std::fprintf(stderr,
                   "anigif-view e2e: no private namespaces (%s); sharing the machine's X sockets\n",
                   reason.c_str());
    }
  }
};
const auto* const kPrivateDisplays =
    ::testing::AddGlobalTestEnvironment(new PrivateDisplayEnvironment);

class AniGifViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    x_ = std::make_unique<XSession>(false);
    ASSERT_TRUE(x_->Ready()) << "Xvfb did not start";
  }
  void TearDown() override {
    if (viewer_ > 0) StopProcess(viewer_);
    x_.reset();
  }

  std::string FilePath(const std::string& name) const { return x_->Folder() + "/" + name; }
  std::string LogPath() const { return x_->Folder() + "/viewer.log"; }

  // Starts the viewer on `file` with `options` and waits for its window, titled with the
  // file's name.
  void StartViewer(const std::string& name, std::vector<std::string> options = {}) {
    std::vector<std::string> args{ANIGIF_VIEW_PATH, FilePath(name)};
    args.insert(args.end(), options.begin(), options.end());
    viewer_ = x_->Start(args, LogPath());
    ASSERT_GT(viewer_, 0);
    std::optional<WindowInfo> found;
    const bool shown = WaitUntil(
        [&] {
          for (const WindowInfo& window : x_->VisibleWindows(viewer_)) {
            if (window.name.rfind(name + " - frame ", 0) == 0) found = window;
          }
          return found.has_value();
        },
        kWindowWait);
    ASSERT_TRUE(shown) << "no window titled " << name << "; log:\n" << ReadText(LogPath());
    window_ = *found;
  }

  // Runs the viewer to its end and returns its exit status (-1 when it did not end).
  int RunViewer(std::vector<std::string> args) {
    args.insert(args.begin(), ANIGIF_VIEW_PATH);
    const pid_t pid = x_->Start(args, LogPath());
    const std::optional<int> status = WaitForExit(pid, kExitWait);
    if (!status) StopProcess(pid);
    return status.value_or(-1);
  }

  std::string Title() {
    std::string name = x_->Run({"xdotool", "getwindowname", window_.id});
    while (!name.empty() && name.back() == '\n') name.pop_back();
    return name;
  }

  // The window's own pixels, as `import -window` sees them on the display.
  Screenshot ShootWindow() { return x_->Shoot(window_.id); }

  // Shoots until `ready` holds for a shot (the window may not have drawn yet what its title
  // already says) or the wait ends; returns the last shot either way.
  Screenshot ShootWhen(const std::function<bool(const Screenshot&)>& ready) {
    Screenshot shot;
    WaitUntil(
        [&] {
          shot = ShootWindow();
          return ready(shot);
        },
        kEventWait);
    return shot;
  }

  Rgb Centre() {
    const Screenshot shot = ShootWindow();
    return shot.At(shot.width / 2, shot.height / 2);
  }

  void Key(const std::string& key) {
    x_->Run({"xdotool", "mousemove", std::to_string(window_.x + window_.width / 2),
             std::to_string(window_.y + window_.height / 2)});
    x_->Run({"xdotool", "windowfocus", window_.id});
    x_->Run({"xdotool", "key", "--clearmodifiers", key});
  }

  bool WaitForTitle(const std::function<bool(const std::string&)>& wanted) {
    return WaitUntil([&] { return wanted(Title()); }, kEventWait);
  }

  std::unique_ptr<XSession> x_;
  pid_t viewer_ = -1;
  WindowInfo window_;
};

// --- Animation
// ------------------------------------------------------------------------------------

TEST_F(AniGifViewTest, AnimatesThroughEveryFramesColourOnItsOwnTimer) {
  WriteFile(FilePath("colours.gif"), BuildGif(ThreeColourGif(30)));
  StartViewer("colours.gif");
  // Without --size the picture area takes the image's size.
  EXPECT_EQ(window_.width, 60);
  EXPECT_EQ(window_.height, 40);

  std::set<Rgb> seen;
  std::vector<Rgb> samples;
  const bool all_seen = WaitUntil(
      [&] {
        const Rgb colour = Centre();
        samples.push_back(colour);
        seen.insert(colour);
        return seen.count(kRed) && seen.count(kGreen) && seen.count(kBlue);
      },
      30s);
  std::string sampled;
  for (const Rgb& colour : samples) sampled += Name(colour) + " ";
  EXPECT_TRUE(all_seen) << "samples: " << sampled;
  // Every sample is one of the frames' colours: nothing else is ever shown.
  for (const Rgb& colour : samples) {
    EXPECT_TRUE(colour == kRed || colour == kGreen || colour == kBlue)
        << Name(colour) << " in " << sampled;
  }
  int changes = 0;
  for (std::size_t i = 1; i < samples.size(); ++i) changes += samples[i] != samples[i - 1] ? 1 : 0;
  EXPECT_GE(changes, 2) << sampled;
  EXPECT_EQ(Title().find("(paused)"), std::string::npos);
}

TEST_F(AniGifViewTest, SpacePausesOnTheShownFrameAndRightStepsInOrder) {
  WriteFile(FilePath("steps.gif"), BuildGif(ThreeColourGif(25)));
  StartViewer("steps.gif");
  Key("space");
  ASSERT_TRUE(WaitForTitle([](const std::string& t) {
    return t.find("(paused)") != std::string::npos;
  })) << Title();
  int frame = TitleFrame(Title());
  ASSERT_GE(frame, 1);
  ASSERT_LE(frame, 3);
  EXPECT_EQ(Title(), "steps.gif - frame " + std::to_string(frame) + "/3 (paused)");
  // Paused: the shown frame stays, and it is the one the title names.
  Rgb expected = kFrameColours[static_cast<std::size_t>(frame - 1)];
  EXPECT_TRUE(WaitUntil([&] { return Centre() == expected; }, kEventWait)) << Name(Centre());
  std::this_thread::sleep_for(1s);
  EXPECT_EQ(Centre(), expected);
  EXPECT_EQ(TitleFrame(Title()), frame);

  // Right shows the next frame, 1 after the last, and stays paused.
  for (int step = 0; step < 4; ++step) {
    const int next = frame % 3 + 1;
    Key("Right");
    ASSERT_TRUE(WaitForTitle([&](const std::string& t) { return TitleFrame(t) == next; }))
        << Title();
    EXPECT_EQ(Title(), "steps.gif - frame " + std::to_string(next) + "/3 (paused)");
    expected = kFrameColours[static_cast<std::size_t>(next - 1)];
    EXPECT_TRUE(WaitUntil([&] { return Centre() == expected; }, kEventWait))
        << "frame " << next << " shows " << Name(Centre());
    frame = next;
  }

  // Space again resumes: the colour moves on by itself.
  Key("space");
  ASSERT_TRUE(WaitForTitle([](const std::string& t) {
    return t.find("(paused)") == std::string::npos;
  })) << Title();
  EXPECT_TRUE(WaitUntil([&] { return Centre() != expected; }, kEventWait));
}

TEST_F(AniGifViewTest, HomeRestartsFromTheFirstFrame) {
  WriteFile(FilePath("restart.gif"), BuildGif(ThreeColourGif(500)));
  StartViewer("restart.gif");
  Key("space");
  ASSERT_TRUE(
      WaitForTitle([](const std::string& t) { return t.find("(paused)") != std::string::npos; }));
  // Step to a frame other than 1, then restart: frame 1 (red) shows and the animation runs.
  if (TitleFrame(Title()) == 1) Key("Right");
  ASSERT_TRUE(WaitForTitle([](const std::string& t) { return TitleFrame(t) != 1; })) << Title();
  Key("Home");
  ASSERT_TRUE(WaitForTitle([](const std::string& t) { return t == "restart.gif - frame 1/3"; }))
      << Title();
  EXPECT_TRUE(WaitUntil([&] { return Centre() == kRed; }, kEventWait)) << Name(Centre());
}

TEST_F(AniGifViewTest, FiniteLoopsEndOnTheFirstFrameAndSpaceRunsThemAgain) {
  TestGif gif = ThreeColourGif(30);
  gif.loops = 2;  // two passes: 1 2 3 1 2 3 1, then the animation rests on frame 1
  WriteFile(FilePath("twice.gif"), BuildGif(gif));
  StartViewer("twice.gif");
  ASSERT_TRUE(WaitForTitle([](const std::string& t) {
    return t == "twice.gif - frame 1/3 (stopped)";
  })) << Title();
  EXPECT_TRUE(WaitUntil([&] { return Centre() == kRed; }, kEventWait)) << Name(Centre());
  std::this_thread::sleep_for(500ms);
  EXPECT_EQ(Centre(), kRed);
  // Space on an ended animation starts its passes again from frame 1.
  Key("space");
  std::set<Rgb> seen;
  EXPECT_TRUE(WaitUntil(
      [&] {
        seen.insert(Centre());
        return seen.count(kGreen) || seen.count(kBlue) ||
               Title().find("(stopped)") == std::string::npos;
      },
      kEventWait))
      << Title();
  ASSERT_TRUE(WaitForTitle([](const std::string& t) {
    return t == "twice.gif - frame 1/3 (stopped)";
  })) << Title();
}

TEST_F(AniGifViewTest, SteppingShowsEachComposedFrameAsItsDisposalLeavesIt) {
  WriteFile(FilePath("layers.gif"), BuildGif(LayeredGif()));
  StartViewer("layers.gif");
  const platform::ColorRef face = platform::GetSysColor(platform::kColorBtnFace);
  const Rgb behind{platform::RedOf(face), platform::GreenOf(face), platform::BlueOf(face)};
  constexpr Rgb kWhite{255, 255, 255};
  // Sample points: the top-left corner, inside the red square, the transparent half of frame
  // 3's square, its blue half, and the bottom-right corner.
  const std::array<std::pair<int, int>, 5> points{{{5, 5}, {20, 20}, {35, 20}, {45, 20}, {55, 35}}};
  // Expected colours at those points for frames 1 to 4. Frame 4 shows the background where
  // frame 3 stood: its disposal cleared the whole square, the part it let through included.
  const std::array<std::array<Rgb, 5>, 4> expected{{
      {kWhite, kWhite, kWhite, kWhite, kWhite},
      {kWhite, kRed, kWhite, kWhite, kWhite},
      {kWhite, kRed, kWhite, kBlue, kWhite},
      {kGreen, kRed, behind, behind, kWhite},
  }};
  Key("space");
  ASSERT_TRUE(
      WaitForTitle([](const std::string& t) { return t.find("(paused)") != std::string::npos; }));
  int frame = TitleFrame(Title());
  for (int step = 0; step < 8; ++step) {
    const int next = frame % 4 + 1;
    Key("Right");
    ASSERT_TRUE(WaitForTitle([&](const std::string& t) {
      return t == "layers.gif - frame " + std::to_string(next) + "/4 (paused)";
    })) << Title();
    frame = next;
    const auto& wanted = expected[static_cast<std::size_t>(frame - 1)];
    const Screenshot shot = ShootWhen([&](const Screenshot& s) {
      for (std::size_t i = 0; i < points.size(); ++i) {
        if (s.At(points[i].first, points[i].second) != wanted[i]) return false;
      }
      return true;
    });
    for (std::size_t i = 0; i < points.size(); ++i) {
      const Rgb want = wanted[i];
      EXPECT_EQ(shot.At(points[i].first, points[i].second), want)
          << "frame " << frame << " at (" << points[i].first << ", " << points[i].second
          << ") wants " << Name(want) << ", shows "
          << Name(shot.At(points[i].first, points[i].second));
    }
  }
}

TEST_F(AniGifViewTest, FileNameBeyondLatinOneLoadsAndTitlesTheWindow) {
  const std::string name =
      "\xd0\xba\xd0\xb0\xd0\xb4\xd1\x80\xd1\x8b \xe2\x98\x85.gif";  // "кадры ★.gif"
  WriteFile(FilePath(name), BuildGif(HalvesGif()));
  StartViewer(name);
  EXPECT_EQ(Title(), name + " - frame 1/1");
  EXPECT_EQ(window_.width, 20);
  EXPECT_EQ(window_.height, 10);
  const Screenshot shot = ShootWhen([](const Screenshot& s) { return s.At(15, 5) == kBlue; });
  EXPECT_EQ(shot.At(5, 5), kRed);
  EXPECT_EQ(shot.At(15, 5), kBlue);
}

// --- Stretch and size ----------------------------------------------------------------------------

TEST_F(AniGifViewTest, StretchTwoFillsTheGivenSize) {
  WriteFile(FilePath("halves.gif"), BuildGif(HalvesGif()));
  StartViewer("halves.gif", {"--stretch", "2", "--size", "80x20"});
  EXPECT_EQ(window_.width, 80);
  EXPECT_EQ(window_.height, 20);
  EXPECT_EQ(Title(), "halves.gif - frame 1/1");
  const Screenshot shot = ShootWhen([](const Screenshot& s) { return s.At(77, 17) == kBlue; });
  ASSERT_EQ(shot.width, 80);
  ASSERT_EQ(shot.height, 20);
  // Each half of the image stretched four times across and twice down.
  EXPECT_EQ(shot.At(2, 2), kRed);
  EXPECT_EQ(shot.At(37, 17), kRed);
  EXPECT_EQ(shot.At(42, 2), kBlue);
  EXPECT_EQ(shot.At(77, 17), kBlue);
}

TEST_F(AniGifViewTest, StretchOneFitsKeepingTheAspectRatio) {
  WriteFile(FilePath("halves.gif"), BuildGif(HalvesGif()));
  StartViewer("halves.gif", {"--size", "80x80"});
  // 20 x 10 scaled by 4 to fit 80 wide: the control takes 80 x 40.
  EXPECT_EQ(window_.width, 80);
  EXPECT_EQ(window_.height, 40);
  const Screenshot shot = ShootWhen([](const Screenshot& s) { return s.At(60, 20) == kBlue; });
  EXPECT_EQ(shot.At(20, 20), kRed);
  EXPECT_EQ(shot.At(60, 20), kBlue);
}

TEST_F(AniGifViewTest, StretchZeroShowsTheImageAtItsActualSizeInTheGivenArea) {
  WriteFile(FilePath("halves.gif"), BuildGif(HalvesGif()));
  StartViewer("halves.gif", {"--stretch", "0", "--size", "100x50"});
  // Mode 0 fits nothing at a load: the area keeps its size, the image sits unscaled at its
  // top-left corner, and the rest shows what lies behind the control (the host's face colour).
  EXPECT_EQ(window_.width, 100);
  EXPECT_EQ(window_.height, 50);
  const Screenshot shot = ShootWhen([](const Screenshot& s) { return s.At(19, 9) == kBlue; });
  EXPECT_EQ(shot.At(0, 0), kRed);
  EXPECT_EQ(shot.At(9, 9), kRed);
  EXPECT_EQ(shot.At(10, 0), kBlue);
  EXPECT_EQ(shot.At(19, 9), kBlue);
  const platform::ColorRef face = platform::GetSysColor(platform::kColorBtnFace);
  const Rgb behind{platform::RedOf(face), platform::GreenOf(face), platform::BlueOf(face)};
  EXPECT_EQ(shot.At(20, 5), behind);
  EXPECT_EQ(shot.At(5, 10), behind);
  EXPECT_EQ(shot.At(99, 49), behind);
}

// --- Closing
// -----------------------------------------------------------------------------------------

TEST_F(AniGifViewTest, EscapeClosesTheWindowAndEndsTheProgram) {
  WriteFile(FilePath("close.gif"), BuildGif(ThreeColourGif(10)));
  StartViewer("close.gif");
  Key("Escape");
  const std::optional<int> status = WaitForExit(viewer_, kExitWait);
  ASSERT_TRUE(status.has_value()) << "still running after Escape";
  EXPECT_EQ(*status, 0) << ReadText(LogPath());
  viewer_ = -1;
}

TEST_F(AniGifViewTest, TerminationSignalClosesCleanly) {
  WriteFile(FilePath("term.gif"), BuildGif(ThreeColourGif(10)));
  StartViewer("term.gif");
  ASSERT_EQ(kill(viewer_, SIGTERM), 0);
  const std::optional<int> status = WaitForExit(viewer_, kExitWait);
  ASSERT_TRUE(status.has_value());
  EXPECT_EQ(*status, 0) << ReadText(LogPath());
  viewer_ = -1;
  // No timer or callback of the control failed on the way (the host reports those).
  EXPECT_EQ(ReadText(LogPath()).find("tovarin:"), std::string::npos) << ReadText(LogPath());
}

// --- Files that cannot be shown
// ----------------------------------------------------------------------

TEST_F(AniGifViewTest, MissingFileIsAnErrorWithoutAWindow) {
  EXPECT_EQ(RunViewer({FilePath("absent.gif")}), 1);
  EXPECT_EQ(ReadText(LogPath()),
            "anigif-view: cannot read " + FilePath("absent.gif") + ": No such file or directory\n");
}

TEST_F(AniGifViewTest, FileWithoutGifSignatureIsAnError) {
  const std::string text = "PNG is not what this is, and neither is GIF\n";
  WriteFile(FilePath("note.txt"), std::vector<std::uint8_t>(text.begin(), text.end()));
  EXPECT_EQ(RunViewer({FilePath("note.txt")}), 1);
  EXPECT_EQ(ReadText(LogPath()),
            "anigif-view: " + FilePath("note.txt") +
                " is not a GIF file (it does not begin with GIF87a or GIF89a)\n");
}

TEST_F(AniGifViewTest, GifWithoutAnyImageIsAnError) {
  TestGif empty;
  empty.screen_width = 10;
  empty.screen_height = 10;
  empty.global_table = {Palette(kRed), Palette(kBlue)};
  WriteFile(FilePath("empty.gif"), BuildGif(empty));
  EXPECT_EQ(RunViewer({FilePath("empty.gif")}), 1);
  EXPECT_EQ(ReadText(LogPath()),
            "anigif-view: " + FilePath("empty.gif") +
                " holds no image that can be shown (a damaged or empty GIF)\n");
}

TEST_F(AniGifViewTest, FolderIsAnError) {
  std::filesystem::create_directories(FilePath("dir.gif"));
  EXPECT_EQ(RunViewer({FilePath("dir.gif")}), 1);
  EXPECT_EQ(ReadText(LogPath()),
            "anigif-view: cannot read " + FilePath("dir.gif") + ": it is a folder\n");
}

TEST_F(AniGifViewTest, WrongCommandLineShowsTheUsage) {
  EXPECT_EQ(RunViewer({"a.gif", "--stretch", "7"}), 2);
  const std::string log = ReadText(LogPath());
  EXPECT_EQ(
      log.rfind("anigif-view: --stretch takes 0, 1, 2, 3 or 4, not \"7\"\nusage: anigif-view FILE",
                0),
      0u)
      << log;
}

}  // namespace
}  // namespace tovarin::e2e
