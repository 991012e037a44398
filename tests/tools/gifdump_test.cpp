// gifdump run as a program on GIFs the tests write: exact output lines, frame files and
// exported bytes.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "tests/gif/gif_engine_test_support.h"

namespace tovarin::gif::testing {
namespace {

namespace fs = std::filesystem;

struct ToolRun {
  int exit_code = -1;
  std::string out;
  std::string err;
};

std::string ReadText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

class GifdumpTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("gifdump_test_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  fs::path Write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    const fs::path path = dir_ / name;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return path;
  }

  ToolRun Run(const std::string& arguments) {
    const fs::path out = dir_ / "stdout.txt";
    const fs::path err = dir_ / "stderr.txt";
    const std::string command = std::string("'") + GIFDUMP_PATH + "' " + arguments + " >'" +
                                out.string() + "' 2>'" + err.string() + "'";
    const int status = std::system(command.c_str());
    ToolRun run;
    run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = ReadText(out);
    run.err = ReadText(err);
    return run;
  }

  std::string Quoted(const fs::path& path) { return "'" + path.string() + "'"; }

  fs::path dir_;
};

TestGif FourColourGif() {
  TestGif gif;
  gif.global_table = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
  return gif;
}

TestGif Animation(int frames, int delay_cs, std::optional<int> loops) {
  TestGif gif = FourColourGif();
  gif.loops = loops;
  for (int i = 0; i < frames; ++i) {
    TestFrame frame = SolidFrame(0, 0, 2, 2, static_cast<std::uint8_t>(i % 4));
    frame.delay_cs = delay_cs;
    gif.frames.push_back(frame);
  }
  return gif;
}

// Screen 4 x 3 (the frames' bounding box); delays in ms; disposal 3 on frame 1 stored as 0;
// frame 2's transparent index and its local table (table 1).
TEST_F(GifdumpTest, InfoPrintsTheScreenAndEveryFrameRecord) {
  TestGif gif = FourColourGif();
  gif.loops = 3;
  TestFrame first = SolidFrame(0, 0, 4, 2, 1);
  first.delay_cs = 10;
  first.disposal = 3;
  TestFrame second = SolidFrame(1, 1, 3, 2, 2);
  second.delay_cs = 5;
  second.disposal = 3;
  second.transparent = 2;
  second.local_table = {0x000000, 0x111111, 0x222222, 0x333333};
  TestFrame third = SolidFrame(0, 0, 1, 1, 0);
  third.control_extension = false;
  gif.frames = {first, second, third};
  const ToolRun run = Run("info " + Quoted(Write("a.gif", BuildGif(gif))));
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(Lines(run.out), (std::vector<std::string>{
                                "screen 4 3 loops 3 frames 3",
                                "frame 1 0 0 4 2 100 0 -1 0",
                                "frame 2 1 1 3 2 50 3 2 1",
                                "frame 3 0 0 1 1 0 0 -1 0",
                            }));
  EXPECT_TRUE(run.err.empty());
}

// Screen 3 x 2. Frame 1 (2 x 2, transparent index 3): red, hole / green, red; column 2 is not
// covered by it. Frame 2 adds a blue pixel at (2, 1) and keeps frame 1 (disposal 0).
TEST_F(GifdumpTest, FramesWritesWhatTheControlShowsWithTheBackgroundTransparent) {
  TestGif gif = FourColourGif();
  TestFrame first = SolidFrame(0, 0, 2, 2, 0);
  first.indices = {0, 3, 1, 0};
  first.transparent = 3;
  gif.frames = {first, SolidFrame(2, 1, 1, 1, 2)};
  const fs::path out_dir = dir_ / "frames";
  const ToolRun run =
      Run("frames " + Quoted(Write("a.gif", BuildGif(gif))) + " " + Quoted(out_dir));
  ASSERT_EQ(run.exit_code, 0) << run.err;
  const std::string header =
      "P7\nWIDTH 3\nHEIGHT 2\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
  const std::string red("\xFF\x00\x00\xFF", 4);
  const std::string green("\x00\xFF\x00\xFF", 4);
  const std::string blue("\x00\x00\xFF\xFF", 4);
  const std::string hole("\x00\x00\x00\x00", 4);
  EXPECT_EQ(ReadText(out_dir / "frame-001.pam"), header + red + hole + hole + green + red + hole);
  EXPECT_EQ(ReadText(out_dir / "frame-002.pam"), header + red + hole + hole + green + red + blue);
  EXPECT_FALSE(fs::exists(out_dir / "frame-003.pam"));
}

TEST_F(GifdumpTest, FileWithoutUsableFrameFailsWithOneErrorLineAndNoFrameFiles) {
  const fs::path bad = Write("bad.gif", {'G', 'I', 'F', '9', '0', 'a', 0, 0, 0, 0, 0, 0, 0, 0x3B});
  TestGif no_table;
  no_table.frames = {SolidFrame(0, 0, 1, 1, 0)};  // an image without any colour table
  const fs::path tableless = Write("tableless.gif", BuildGif(no_table));
  for (const fs::path& file : {bad, tableless}) {
    const ToolRun info = Run("info " + Quoted(file));
    EXPECT_EQ(info.exit_code, 1);
    EXPECT_TRUE(info.out.empty());
    EXPECT_EQ(Lines(info.err).size(), 1u) << info.err;
    const fs::path out_dir = dir_ / "frames";
    const ToolRun frames = Run("frames " + Quoted(file) + " " + Quoted(out_dir));
    EXPECT_EQ(frames.exit_code, 1);
    EXPECT_EQ(Lines(frames.err).size(), 1u) << frames.err;
    EXPECT_FALSE(fs::exists(out_dir) && !fs::is_empty(out_dir));
  }
}

// The exported file of a 1 x 1 frame of index 1 (see the export layout): header, the frame's
// table as a 256-entry global table, descriptor, code size 8, one sub-block of 4 bytes.
TEST_F(GifdumpTest, ExportWritesTheFrameAsAOneImageGif) {
  TestGif gif = FourColourGif();
  gif.frames = {SolidFrame(0, 0, 2, 2, 0), SolidFrame(0, 0, 1, 1, 1)};
  const fs::path output = dir_ / "out.gif";
  const ToolRun run =
      Run("export " + Quoted(Write("a.gif", BuildGif(gif))) + " 2 " + Quoted(output));
  ASSERT_EQ(run.exit_code, 0) << run.err;
  std::string expected = std::string("GIF89a\x01\x00\x01\x00\x87\x00\x00", 13);
  expected += std::string("\xFF\x00\x00\x00\xFF\x00\x00\x00\xFF\xFF\xFF\xFF", 12);
  expected.resize(13 + 768, '\0');
  expected +=
      std::string("\x2C\x00\x00\x00\x00\x01\x00\x01\x00\x00\x08\x04\x00\x03\x04\x04\x00\x3B", 18);
  EXPECT_EQ(ReadText(output), expected);
  EXPECT_EQ(Run("export " + Quoted(dir_ / "a.gif") + " 3 " + Quoted(dir_ / "none.gif")).exit_code,
            1);
}

TEST_F(GifdumpTest, PlayPrintsTheEventsOfTwoLoopsOfThreeFrames) {
  const ToolRun run =
      Run("play " + Quoted(Write("a.gif", BuildGif(Animation(3, 10, 2)))) + " --until 1000");
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(Lines(run.out), (std::vector<std::string>{
                                "t=120 FrameChanged 1 true",
                                "t=220 FrameChanged 2 true",
                                "t=320 FrameChanged 3 true",
                                "t=420 FrameChanged 1 true",
                                "t=520 FrameChanged 2 true",
                                "t=620 FrameChanged 3 true",
                                "t=620 LoopsEnded",
                            }));
}

TEST_F(GifdumpTest, PlayOptionsSetDelaysLoopsAndTheDeferredBuild) {
  const fs::path slow = Write("slow.gif", BuildGif(Animation(3, 10, std::nullopt)));
  EXPECT_EQ(Lines(Run("play " + Quoted(slow) + " --delay-load 0 --loops 1 --until 1000").out),
            (std::vector<std::string>{"t=100 FrameChanged 1 true", "t=200 FrameChanged 2 true",
                                      "t=300 FrameChanged 3 true", "t=300 LoopsEnded"}));
  EXPECT_EQ(Lines(Run("play " + Quoted(slow) + " --delay-load 0 --stepped 30 --until 100").out),
            (std::vector<std::string>{"t=30 FrameChanged 1 true", "t=60 FrameChanged 2 true",
                                      "t=90 FrameChanged 3 true"}));
  const fs::path fast = Write("fast.gif", BuildGif(Animation(2, 0, std::nullopt)));
  EXPECT_EQ(Lines(Run("play " + Quoted(fast) + " --min-delay 70 --until 170").out),
            (std::vector<std::string>{"t=90 FrameChanged 1 true", "t=160 FrameChanged 2 true"}));
  EXPECT_EQ(Lines(Run("play " + Quoted(slow) + " --delay-load 2 --until 1000").out),
            (std::vector<std::string>{"t=20 FrameChanged 1 false"}));
  const fs::path still = Write("still.gif", BuildGif(Animation(1, 10, std::nullopt)));
  EXPECT_EQ(Lines(Run("play " + Quoted(still)).out),
            (std::vector<std::string>{"t=0 FrameChanged 1 false"}));
  EXPECT_EQ(Run("play " + Quoted(slow) + " --loops").exit_code, 2);
}

TEST_F(GifdumpTest, BenchReportsSpeedFilesAndFrames) {
  const fs::path a = Write("a.gif", BuildGif(Animation(3, 10, std::nullopt)));
  const fs::path b = Write("b.gif", BuildGif(Animation(2, 10, std::nullopt)));
  const ToolRun run = Run("bench --iterations 3 " + Quoted(a) + " " + Quoted(b));
  ASSERT_EQ(run.exit_code, 0) << run.err;
  const std::vector<std::string> lines = Lines(run.out);
  ASSERT_EQ(lines.size(), 2u);
  ASSERT_EQ(lines[0].rfind("decode_mpx_per_s ", 0), 0u);
  EXPECT_GT(std::stod(lines[0].substr(17)), 0.0);
  EXPECT_EQ(lines[1], "files 2 frames 5");
}

}  // namespace
}  // namespace tovarin::gif::testing
