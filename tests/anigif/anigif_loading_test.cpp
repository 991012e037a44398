#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "platform/headless/controls/loopback_http_server.h"
#include "platform/pictures/picture.h"
#include "tests/anigif/anigif_test_support.h"

namespace tovarin::anigif {
namespace {

using testing::AniGifFixture;
using testing::ThreeFrameGif;
using Lines = std::vector<std::string>;

std::filesystem::path TempDir() {
  const char* base = std::getenv("TMPDIR");
  std::filesystem::path dir =
      std::filesystem::path(base ? base : "/tmp") /
      ("anigif-test-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
       ::testing::UnitTest::GetInstance()->current_test_info()->name());
  std::filesystem::create_directories(dir);
  return dir;
}

void WriteFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

TEST(AniGifFileSource, NamesDecideNarrowOrWideAndBothOpen) {
  EXPECT_TRUE(ucAniGIF::IsAnsiName(""));
  EXPECT_TRUE(ucAniGIF::IsAnsiName("caf\xC3\xA9.gif"));    // U+00E9
  EXPECT_TRUE(ucAniGIF::IsAnsiName("\xC3\xBF"));           // U+00FF
  EXPECT_FALSE(ucAniGIF::IsAnsiName("\xC4\x80"));          // U+0100
  EXPECT_FALSE(ucAniGIF::IsAnsiName("\xE6\x96\x87.gif"));  // U+6587

  const std::filesystem::path dir = TempDir();
  for (const char* name : {"caf\xC3\xA9.gif", "\xE6\x96\x87.gif"}) {
    const std::filesystem::path path = dir / std::filesystem::path(name);
    WriteFile(path, ThreeFrameGif());
    AniGifFixture f;
    f.InitNew();
    EXPECT_TRUE(f.control->LoadAnimatedGIF_File(path.string())) << name;
    EXPECT_EQ(f.control->FrameCount(), 3);
  }
  std::filesystem::remove_all(dir);
}

TEST(AniGifFileSource, MissingEmptyOrNonGifFilesLeaveAUserModeControlEmpty) {
  const std::filesystem::path dir = TempDir();
  WriteFile(dir / "empty.gif", {});
  WriteFile(dir / "text.gif", {'h', 'e', 'l', 'l', 'o'});
  AniGifFixture f;
  f.InitNew();
  ASSERT_TRUE(f.LoadBytes(ThreeFrameGif()));
  f.Advance(20);  // the deferred build finishes and lets go of the file bytes
  for (const char* name : {"missing.gif", "empty.gif", "text.gif"}) {
    EXPECT_FALSE(f.control->LoadAnimatedGIF_File((dir / name).string())) << name;
    EXPECT_EQ(f.control->CurrentFrame(), 0);
    EXPECT_EQ(f.control->FrameCount(), 0);
  }
  std::filesystem::remove_all(dir);
}

TEST(AniGifFileSource, DesignModeReloadsTheCurrentGifWhenAFileCannotBeRead) {
  AniGifFixture f({.user_mode = false});
  f.InitNew();
  ASSERT_TRUE(f.LoadBytes(ThreeFrameGif()));
  EXPECT_TRUE(f.control->LoadAnimatedGIF_File("/nonexistent/dir/x.gif"));
  EXPECT_EQ(f.control->FrameCount(), 3);
  EXPECT_EQ(f.control->Engine().FramesBuilt(), 1);  // design mode builds frame 1 only
  EXPECT_EQ(f.control->Engine().gifBytes, ThreeFrameGif());
}

TEST(AniGifArraySource, TwoDimensionsOfFourByteElementsGiveTheirWholeSize) {
  std::vector<std::uint8_t> gif = ThreeFrameGif();
  ASSERT_LE(gif.size(), 160u);
  gif.resize(160, 0);  // bytes after the trailer are never read
  std::vector<std::uint32_t> elements(40);
  std::memcpy(elements.data(), gif.data(), 160);
  AniGifFixture f({.user_mode = false});
  f.InitNew();
  EXPECT_TRUE(f.control->LoadAnimatedGIF_Array(
      ArrayArgument::Of2D(std::span<const std::uint32_t>(elements), 4, 10)));
  EXPECT_EQ(f.control->Engine().gifBytes.size(), 160u);
  EXPECT_EQ(f.control->Engine().gifBytes, gif);
}

TEST(AniGifArraySource, NoStorageOrThreeDimensionsReloadsWhatIsStored) {
  AniGifFixture f;
  f.InitNew();
  ASSERT_TRUE(f.LoadBytes(ThreeFrameGif()));
  f.Advance(20);
  std::uint8_t cube[8] = {};
  EXPECT_FALSE(f.control->LoadAnimatedGIF_Array(ArrayArgument{cube, 1, {2, 2, 2}}));
  EXPECT_FALSE(f.control->LoadAnimatedGIF_Array(ArrayArgument{nullptr, 1, {8}}));
  EXPECT_EQ(f.control->CurrentFrame(), 0);
}

TEST(AniGifArraySource, ASizeThatOverflowsIsRefused) {
  std::uint8_t byte = 0;
  const std::size_t huge = std::numeric_limits<std::size_t>::max() / 2;
  EXPECT_EQ((ArrayArgument{&byte, 4, {huge}}).ByteCount(), std::nullopt);
  EXPECT_EQ((ArrayArgument{&byte, 1, {huge, 4}}).ByteCount(), std::nullopt);
}

TEST(AniGifSavedSettings, StoredLoopsReplaceTheFilesLoopCount) {
  platform::PropertyStore store;
  store.WriteBytes("GIF", ThreeFrameGif());
  store.WriteInt32("Loops", 3, 0);
  AniGifFixture f;
  ASSERT_TRUE(f.host.ReadProperties(store).ok());
  EXPECT_EQ(f.control->Loops(), 3);
  f.Advance(2000);
  int ticks = 0;
  for (const std::string& line : f.events)
    ticks += line.find("FrameChanged") != std::string::npos ? 1 : 0;
  EXPECT_EQ(ticks, 9);
  EXPECT_EQ(f.events.back(), "t=920 LoopsEnded");
}

TEST(AniGifSavedSettings, ANewControlSavesOnlyTheGifKey) {
  AniGifFixture f;
  f.InitNew();
  const platform::PropertyStore saved = f.host.WriteProperties();
  EXPECT_EQ(saved.Keys(), (std::vector<std::string>{"GIF"}));
}

TEST(AniGifSavedSettings, SettingsRoundTripInTheirOrder) {
  AniGifFixture f({.user_mode = false});
  f.InitNew();
  ASSERT_TRUE(f.LoadBytes(ThreeFrameGif()));
  f.control->SetMinFrameDelay(80);
  f.control->SetStretch(2);
  ASSERT_TRUE(f.control->SetLoops(4).ok());
  f.control->SetMirrored(1);
  f.control->SetOffsetX(7);
  f.control->SetSolidBkgColorUsed(true);
  f.control->SetSolidBkgColor(0x00FF00);
  f.control->SetSteppedDelay(30);
  const platform::PropertyStore saved = f.host.WriteProperties();
  EXPECT_EQ(saved.Keys(), (std::vector<std::string>{"GIF", "Delay", "Stretch", "Loops", "Mirror",
                                                    "OffsetX", "BkgFill", "BkgUsed", "StepDelay"}));

  AniGifFixture g({.user_mode = false});
  ASSERT_TRUE(g.host.ReadProperties(saved).ok());
  EXPECT_EQ(g.control->MinFrameDelay(), 80);
  EXPECT_EQ(g.control->Stretch(), 2);
  EXPECT_EQ(g.control->Loops(), 4);
  EXPECT_EQ(g.control->Mirrored(), 1);
  EXPECT_EQ(g.control->OffsetX(), 7);
  EXPECT_EQ(g.control->SolidBkgColor(), 0x00FF00u);
  EXPECT_TRUE(g.control->SolidBkgColorUsed());
  EXPECT_EQ(g.control->SteppedDelay(), 30);
  EXPECT_EQ(g.control->FrameCount(), 3);
}

TEST(AniGifSavedSettings, AnOlderBooleanDelayLoadReadsAsOne) {
  platform::PropertyStore store;
  store.WriteInt32("DelayLoad", -1, 1);
  AniGifFixture f;
  ASSERT_TRUE(f.host.ReadProperties(store).ok());
  EXPECT_EQ(f.control->DelayAnimation(), 1);
}

TEST(AniGifSavedSettings, AValueOfTheWrongTypeEndsLoadingWithAnErrorNamingTheKey) {
  platform::PropertyStore store;
  store.WriteInt32("Stretch", 2, 1);
  store.WriteString("Mirror", "sideways", std::nullopt);
  AniGifFixture f;
  const platform::Status status = f.host.ReadProperties(store);
  ASSERT_FALSE(status.ok());
  EXPECT_NE(status.error().find("Mirror"), std::string::npos);
  EXPECT_EQ(f.control->Stretch(), 2);  // read before the failing key
}

TEST(AniGifPicture, DesignModeAssignmentKeepsTheExactFileAndTakesTheImageSize) {
  const std::vector<std::uint8_t> gif = ThreeFrameGif();
  auto picture = platform::LoadPictureFromMemory(gif);
  ASSERT_TRUE(picture.ok()) << picture.error();
  AniGifFixture f({.user_mode = false, .width = 40, .height = 30});
  f.InitNew();
  f.control->SetAnimatedGIF(picture.value());
  EXPECT_EQ(f.control->Engine().gifBytes, gif);
  EXPECT_EQ(f.host.ClientSize(), (platform::Size{4, 4}));
  EXPECT_EQ(f.control->Stretch(), 1);
  EXPECT_EQ(f.host.PropertyChanges().back(), "AnimatedGIF");
}

TEST(AniGifPicture, UserModeIgnoresAssignment) {
  auto picture = platform::LoadPictureFromMemory(ThreeFrameGif());
  ASSERT_TRUE(picture.ok());
  AniGifFixture f;
  f.InitNew();
  f.control->SetAnimatedGIF(picture.value());
  EXPECT_EQ(f.control->CurrentFrame(), 0);
  EXPECT_TRUE(f.host.PropertyChanges().empty());
}

TEST(AniGifPicture, ReadingGivesTheShownFrameAsAPicture) {
  AniGifFixture f;
  f.InitNew();
  EXPECT_EQ(f.control->AnimatedGIF(), nullptr);
  ASSERT_TRUE(f.LoadBytes(ThreeFrameGif()));
  const platform::PicturePtr frame = f.control->AnimatedGIF();
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame->Width(), 4);
  EXPECT_EQ(frame->Height(), 4);
}

class RemoteSource : public ::testing::Test {
 protected:
  void SetUp() override {
    auto started = platform::headless::LoopbackHttpServer::Start(std::chrono::seconds(30));
    ASSERT_TRUE(started.ok()) << started.error();
    server = std::move(started).value();
    f.InitNew();
  }
  std::unique_ptr<platform::headless::LoopbackHttpServer> server;
  AniGifFixture f;
};

TEST_F(RemoteSource, CompleteReportsTheScreenSizeInTwipsThenLoads) {
  gif::testing::TestGif gif;
  gif.screen_width = 237;
  gif.screen_height = 297;
  gif.global_table = {0x000000, 0xFFFFFF};
  gif.frames.push_back(gif::testing::SolidFrame(0, 0, 237, 297, 1));
  server->Serve("/a.gif", gif::testing::BuildGif(gif));
  f.control->LoadAnimatedGIF_Remote(server->Url("/a.gif"));
  f.desktop.RunPending();
  // A one-frame GIF shows its frame as soon as it is built.
  EXPECT_EQ(f.events,
            (Lines{"t=0 RemoteLoadComplete 3555 4455 false", "t=0 FrameChanged 1 false"}));
  EXPECT_EQ(f.control->FrameCount(), 1);
}

TEST_F(RemoteSource, CancelInTheHandlerKeepsTheCurrentFrames) {
  ASSERT_TRUE(f.LoadBytes(ThreeFrameGif()));
  server->Serve("/b.gif", ThreeFrameGif());
  f.cancel_remote = true;
  f.control->LoadAnimatedGIF_Remote(server->Url("/b.gif"));
  f.desktop.RunPending();
  EXPECT_EQ(f.events, (Lines{"t=0 RemoteLoadComplete 0 0 false"}));
  EXPECT_EQ(f.control->FrameCount(), 3);
  EXPECT_TRUE(f.control->Engine().gifBytes.empty());
}

TEST_F(RemoteSource, CapitalSignaturePassesAndShortOrForeignDataFails) {
  std::vector<std::uint8_t> upper = ThreeFrameGif();
  std::vector<std::uint8_t> short_body(upper.begin(), upper.begin() + 14);
  std::vector<std::uint8_t> foreign = upper;
  foreign[3] = '9';
  foreign[4] = '0';  // "GIF90a"
  server->Serve("/upper.gif", upper);
  server->Serve("/short.gif", short_body);
  server->Serve("/foreign.gif", foreign);
  f.control->LoadAnimatedGIF_Remote(server->Url("/upper.gif"));
  f.desktop.RunPending();
  f.control->LoadAnimatedGIF_Remote(server->Url("/short.gif"));
  f.desktop.RunPending();
  f.control->LoadAnimatedGIF_Remote(server->Url("/foreign.gif"));
  f.desktop.RunPending();
  EXPECT_EQ(f.events, (Lines{"t=0 RemoteLoadComplete 0 0 false", "t=0 RemoteLoadFailure",
                             "t=0 RemoteLoadFailure"}));
  EXPECT_TRUE(f.control->Engine().gifBytes.empty());
}

TEST_F(RemoteSource, AnErrorStatusCancelsTheReadAndFailsOnce) {
  f.control->LoadAnimatedGIF_Remote(server->Url("/missing.gif"));
  f.desktop.RunPending();
  EXPECT_EQ(f.events, (Lines{"t=0 RemoteLoadFailure"}));
  EXPECT_FALSE(f.host.IsReading(kRemoteReadName));
}

TEST_F(RemoteSource, AReadThatCannotStartFailsAtOnceAndAnEmptyPathDoesNothing) {
  f.control->LoadAnimatedGIF_Remote("");
  EXPECT_TRUE(f.events.empty());
  f.control->LoadAnimatedGIF_Remote("gopher://example/x.gif");
  EXPECT_EQ(f.events, (Lines{"t=0 RemoteLoadFailure"}));
}

}  // namespace
}  // namespace tovarin::anigif
