#include "platform/store/property_store.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "platform/pictures/picture.h"
#include "platform/store/scratch_store.h"

namespace tovarin::platform {
namespace {

// A 1 x 1 GIF89a: white/black global table, one pixel of index 0.
const Bytes kTinyGif = {0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x01, 0x00, 0x01, 0x00, 0x80, 0x00,
                        0x00, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x2C, 0x00, 0x00, 0x00, 0x00,
                        0x01, 0x00, 0x01, 0x00, 0x00, 0x02, 0x02, 0x44, 0x01, 0x00, 0x3B};

PictureRef TinyGifPicture() {
  auto picture = LoadPictureFromMemory(kTinyGif);
  EXPECT_TRUE(picture.ok()) << (picture.ok() ? "" : picture.error());
  return picture.ok() ? PictureRef(picture.value()) : nullptr;
}

std::string Header() { return "TovarinProperties 1\n"; }

// --- Defaults and case ------------------------------------------------------------------------

TEST(PropertyStoreDefaults, WritingTheDefaultLeavesTheKeyOut) {
  PropertyStore store;
  store.WriteInt16("Delay", 50, 50);
  store.WriteInt32("Stretch", 1, 1);
  store.WriteBool("Enabled", true, true);
  store.WriteString("Caption", "", std::string());
  store.WriteDouble("Scale", 1.0, 1.0);
  EXPECT_TRUE(store.IsEmpty());
  EXPECT_EQ(store.Serialize(), Header());
}

TEST(PropertyStoreDefaults, WritingTheDefaultRemovesAnEarlierValue) {
  PropertyStore store;
  store.WriteInt32("Mirror", 2, 0);
  ASSERT_TRUE(store.Has("Mirror"));
  store.WriteInt32("Mirror", 0, 0);
  EXPECT_FALSE(store.Has("Mirror"));
}

TEST(PropertyStoreDefaults, NoDefaultAlwaysWrites) {
  PropertyStore store;
  store.WriteInt32("Loops", 0, std::nullopt);
  store.WriteBytes("GIF", Bytes{});
  EXPECT_EQ(store.Keys(), (std::vector<std::string>{"Loops", "GIF"}));
}

TEST(PropertyStoreDefaults, AbsentKeysReadTheirDefault) {
  const PropertyStore store;
  EXPECT_EQ(store.ReadInt16("Delay", 50).value(), 50);
  EXPECT_EQ(store.ReadString("Caption", "teskbutton").value(), "teskbutton");
  EXPECT_EQ(store.ReadBytes("GIF", Bytes{1, 2}).value(), (Bytes{1, 2}));
  EXPECT_EQ(store.ReadPicture("MouseIcon", nullptr).value(), nullptr);
}

TEST(PropertyStoreKeys, LetterCaseIsIgnored) {
  PropertyStore store;
  store.WriteBytes("gif", Bytes{7});
  EXPECT_TRUE(store.Has("GIF"));
  EXPECT_EQ(store.ReadBytes("Gif", {}).value(), Bytes{7});
  store.WriteInt32("BKGFILL", 5, 0);
  EXPECT_EQ(store.ReadInt32("BkgFill", 0).value(), 5);
  store.Remove("bkgfill");
  EXPECT_FALSE(store.Has("BkgFill"));
}

TEST(PropertyStoreKeys, RewritingKeepsFirstSpellingAndPosition) {
  PropertyStore store;
  store.WriteInt32("Alpha", 1, std::nullopt);
  store.WriteInt32("Beta", 2, std::nullopt);
  store.WriteInt32("ALPHA", 3, std::nullopt);
  EXPECT_EQ(store.Keys(), (std::vector<std::string>{"Alpha", "Beta"}));
  EXPECT_EQ(store.ReadInt32("alpha", 0).value(), 3);
}

// --- Typed reads ------------------------------------------------------------------------------

TEST(PropertyStoreReads, ExactConversionsAreAllowed) {
  PropertyStore store;
  store.Set("Small", std::int32_t{300});
  store.Set("Flag", std::int16_t{-1});
  store.Set("Whole", 42.0);
  store.Set("Half", 2.5);
  store.Set("Yes", true);
  EXPECT_EQ(store.ReadInt16("Small", 0).value(), 300);
  EXPECT_TRUE(store.ReadBool("Flag", false).value());
  EXPECT_EQ(store.ReadInt32("Whole", 0).value(), 42);
  EXPECT_EQ(store.ReadInt32("Half", 0).value(), 2);  // halves go to the even neighbour
  EXPECT_EQ(store.ReadInt16("Yes", 0).value(), -1);
  EXPECT_DOUBLE_EQ(store.ReadDouble("Small", 0).value(), 300.0);
}

TEST(PropertyStoreReads, ConversionErrorsNameTheKey) {
  PropertyStore store;
  store.Set("Delay", std::int32_t{70000});
  store.Set("Caption", std::string("x"));
  store.Set("GIF", Bytes{1});
  auto delay = store.ReadInt16("delay", 50);
  ASSERT_FALSE(delay.ok());
  EXPECT_NE(delay.error().find("\"delay\""), std::string::npos) << delay.error();
  EXPECT_NE(delay.error().find("16-bit"), std::string::npos) << delay.error();
  auto caption = store.ReadInt32("Caption", 0);
  ASSERT_FALSE(caption.ok());
  EXPECT_NE(caption.error().find("Caption"), std::string::npos);
  EXPECT_FALSE(store.ReadString("GIF", "").ok());
  EXPECT_FALSE(store.ReadPicture("GIF", nullptr).ok());
  EXPECT_FALSE(store.ReadFont("Caption", FontRecord{}).ok());
  EXPECT_FALSE(store.ReadBool("Caption", false).ok());
}

// --- Text form ----------------------------------------------------------------------------------

TEST(PropertyStoreText, SerializesOneLinePerEntryInWriteOrder) {
  PropertyStore store;
  store.WriteBytes("GIF", Bytes{'G', 'I', 'F'});
  store.WriteInt16("Delay", 100, 50);
  store.WriteBool("BkgUsed", true, false);
  store.WriteString("Caption", "Say \"hi\"\n\x01", std::nullopt);
  store.WriteDouble("Scale", 0.1, std::nullopt);
  store.WriteFont("Font", FontRecord{"Tahoma", 8.25, 700, false, true, false, 134}, std::nullopt);
  store.WriteInt32("odd key", -5, std::nullopt);
  EXPECT_EQ(store.Serialize(), Header() +
                                   "GIF: bytes 3 R0lG\n"
                                   "Delay: int16 100\n"
                                   "BkgUsed: bool -1\n"
                                   "Caption: string \"Say \\\"hi\\\"\\n\\x01\"\n"
                                   "Scale: double 0.1\n"
                                   "Font: font \"Tahoma\" 8.25 700 0 -1 0 134\n"
                                   "\"odd key\": int32 -5\n");
}

TEST(PropertyStoreText, EveryTypeRoundTrips) {
  PropertyStore store;
  store.Set("b", false);
  store.Set("i16", std::int16_t{-32768});
  store.Set("i32", std::int32_t{2147483647});
  store.Set("d", 1.0 / 3.0);
  store.Set("s", std::string("\xE5\xAE\x8B\xE4\xBD\x93 \\ \t\r\x7F"));
  store.Set("bytes1", Bytes{0xFF});
  store.Set("bytes2", Bytes{0x00, 0x80});
  store.Set("empty", Bytes{});
  store.Set("font", FontRecord{"\xE5\xAE\x8B\xE4\xBD\x93", 10.5, 400, true, false, true, 134});
  store.Set("", std::int32_t{1});
  auto parsed = PropertyStore::Parse(store.Serialize());
  ASSERT_TRUE(parsed.ok()) << parsed.error();
  EXPECT_EQ(parsed->Keys(), store.Keys());
  EXPECT_EQ(parsed->ReadBool("b", true).value(), false);
  EXPECT_EQ(parsed->ReadInt16("i16", 0).value(), -32768);
  EXPECT_EQ(parsed->ReadInt32("i32", 0).value(), 2147483647);
  EXPECT_EQ(parsed->ReadDouble("d", 0).value(), 1.0 / 3.0);
  EXPECT_EQ(parsed->ReadString("s", "").value(), "\xE5\xAE\x8B\xE4\xBD\x93 \\ \t\r\x7F");
  EXPECT_EQ(parsed->ReadBytes("bytes1", {}).value(), Bytes{0xFF});
  EXPECT_EQ(parsed->ReadBytes("bytes2", {}).value(), (Bytes{0x00, 0x80}));
  EXPECT_EQ(parsed->ReadBytes("empty", {1}).value(), Bytes{});
  EXPECT_EQ(parsed->ReadFont("font", {}).value(),
            (FontRecord{"\xE5\xAE\x8B\xE4\xBD\x93", 10.5, 400, true, false, true, 134}));
  EXPECT_EQ(parsed->ReadInt32("", 0).value(), 1);
  // The variant keeps its type through the text.
  EXPECT_TRUE(std::holds_alternative<std::int16_t>(*parsed->Find("i16")));
}

TEST(PropertyStoreText, CommentsBlankLinesAndCrLfAreAccepted) {
  auto parsed = PropertyStore::Parse(
      "TovarinProperties 1\r\n# saved settings\r\n\r\n  Delay: int16 75\r\nLoops :\tint32 2  \r\n");
  ASSERT_TRUE(parsed.ok()) << parsed.error();
  EXPECT_EQ(parsed->ReadInt16("delay", 0).value(), 75);
  EXPECT_EQ(parsed->ReadInt32("loops", 0).value(), 2);
}

TEST(PropertyStoreText, PicturesAreStoredAsTheirFileBytes) {
  const PictureRef picture = TinyGifPicture();
  ASSERT_NE(picture, nullptr);
  PropertyStore store;
  store.WritePicture("MouseIcon", picture);
  EXPECT_EQ(store.Serialize(),
            Header() + "MouseIcon: picture 35 R0lGODlhAQABAIAAAP///wAAACwAAAAAAQABAAACAkQBADs=\n");
  auto parsed = PropertyStore::Parse(store.Serialize());
  ASSERT_TRUE(parsed.ok()) << parsed.error();
  const PictureRef back = parsed->ReadPicture("MouseIcon", nullptr).value();
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->EncodedBytes(), kTinyGif);
  EXPECT_EQ(back->Width(), 1);
  EXPECT_EQ(back->Image().GetPixel(0, 0), Rgb(255, 255, 255));
}

TEST(PropertyStoreText, EmptyPictureRemovesTheKey) {
  PropertyStore store;
  store.WritePicture("MouseIcon", TinyGifPicture());
  store.WritePicture("MouseIcon", nullptr);
  EXPECT_FALSE(store.Has("MouseIcon"));
  store.Set("Raw", PictureRef{});
  auto parsed = PropertyStore::Parse(store.Serialize());
  ASSERT_TRUE(parsed.ok()) << parsed.error();
  EXPECT_EQ(parsed->ReadPicture("raw", TinyGifPicture()).value(), nullptr);
}

TEST(PropertyStoreText, FilesRoundTrip) {
  const auto path = std::filesystem::temp_directory_path() /
                    ("tovarin_store_" + std::to_string(::getpid()) + ".txt");
  PropertyStore store;
  store.WriteBytes("GIF", kTinyGif);
  store.WriteInt32("Loops", 3, 0);
  ASSERT_TRUE(store.SaveToFile(path).ok());
  auto loaded = PropertyStore::LoadFromFile(path);
  std::filesystem::remove(path);
  ASSERT_TRUE(loaded.ok()) << loaded.error();
  EXPECT_EQ(loaded->ReadBytes("gif", {}).value(), kTinyGif);
  EXPECT_EQ(loaded->ReadInt32("loops", 0).value(), 3);
  auto missing = PropertyStore::LoadFromFile(path);
  ASSERT_FALSE(missing.ok());
  EXPECT_NE(missing.error().find(path.string()), std::string::npos);
}

// --- Hostile files ------------------------------------------------------------------------------

struct BadInput {
  std::string text;
  std::string expected_part;  // a piece of the error message
};

class PropertyStoreHostile : public ::testing::TestWithParam<BadInput> {};

TEST_P(PropertyStoreHostile, GivesAClearError) {
  auto parsed = PropertyStore::Parse(GetParam().text);
  ASSERT_FALSE(parsed.ok());
  EXPECT_NE(parsed.error().find(GetParam().expected_part), std::string::npos) << parsed.error();
}

INSTANTIATE_TEST_SUITE_P(
    Files, PropertyStoreHostile,
    ::testing::Values(
        BadInput{"", "empty file"}, BadInput{"Delay: int16 5\n", "line 1: not a property store"},
        BadInput{"TovarinProperties 2\n", "unsupported format version \"2\""},
        BadInput{Header() + "Delay int16 5\n", "line 2: expected ':' after the key \"Delay\""},
        BadInput{Header() + "\n:int16 5\n", "line 3: expected a key"},
        // Truncated: fewer bytes than declared.
        BadInput{Header() + "GIF: bytes 6 R0lG\n",
                 "line 2: property \"GIF\": bytes: declares 6 bytes but holds at most 3"},
        BadInput{Header() + "GIF: bytes 2 R0lG\n", "declares 2 bytes but holds 3"},
        BadInput{Header() + "GIF: bytes 0 R0l\n", "not a multiple of 4"},
        BadInput{Header() + "GIF: bytes 3 R0l*\n", "invalid base64 character"},
        BadInput{Header() + "GIF: bytes 2 RR=A\n", "padding in the middle"},
        // Absurd declared lengths are refused before anything is allocated.
        BadInput{Header() + "GIF: bytes 18446744073709551615 AAAA\n",
                 "declares 18446744073709551615 bytes"},
        BadInput{Header() + "GIF: bytes 99999999999999999999999 AAAA\n", "out of range"},
        BadInput{Header() + "Delay: int16 70000\n",
                 "property \"Delay\": 16-bit integer value 70000 is out of range"},
        BadInput{Header() + "Delay: int32 12abc\n", "\"12abc\" is not a valid 32-bit integer"},
        BadInput{Header() + "Enabled: bool 1\n", "\"1\" is not a Boolean"},
        BadInput{Header() + "Scale: double one\n", "not a valid floating-point number"},
        BadInput{Header() + "Caption: string \"open\n", "unterminated string"},
        BadInput{Header() + "Caption: string \"\\q\"\n", "unknown escape"},
        BadInput{Header() + "Caption: string \"\\x4\"\n", "\\x escape"},
        BadInput{Header() + "Caption: string x\n", "expected a quoted string"},
        BadInput{Header() + "Delay: int16 5 6\n", "unexpected text after the value"},
        BadInput{Header() + "Delay: float 5\n", "unknown value type \"float\""},
        BadInput{Header() + "Delay: int16 5\ndelay: int16 6\n",
                 "line 3: property \"delay\" appears twice"},
        BadInput{Header() + "Icon: picture 5 AAAAAA==\n", "declares 5 bytes but holds 4"},
        BadInput{Header() + "Icon: picture 3 AAAA\n", "property \"Icon\": picture:"},
        BadInput{Header() + "Icon: picture nothing\n", "expected a byte count or none"},
        BadInput{Header() + "Font: font \"Arial\" 8 400 0 0\n", "font style"},
        BadInput{Header() + "Font: font Arial 8 400 0 0 0 0\n", "font name"}));

TEST(PropertyStoreHostileLimits, OversizedFilesAreRefusedBeforeReading) {
  const auto path = std::filesystem::temp_directory_path() /
                    ("tovarin_big_" + std::to_string(::getpid()) + ".txt");
  {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    // A sparse file just over the limit: its size is checked, its content never read.
    ASSERT_EQ(std::fseek(f, static_cast<long>(PropertyStore::kMaxFileBytes), SEEK_SET), 0);
    std::fputc('x', f);
    std::fclose(f);
  }
  auto loaded = PropertyStore::LoadFromFile(path);
  std::filesystem::remove(path);
  ASSERT_FALSE(loaded.ok());
  EXPECT_NE(loaded.error().find("exceeds the limit"), std::string::npos) << loaded.error();
}

// --- Scratch store ------------------------------------------------------------------------------

TEST(ScratchStore, PictureFileFollowsA54ByteHeaderForMyGif) {
  const PictureRef picture = TinyGifPicture();
  ASSERT_NE(picture, nullptr);
  auto contents = ScratchStoreContents("myGIF", *picture);
  ASSERT_TRUE(contents.ok()) << contents.error();
  ASSERT_EQ(contents->size(), 54 + kTinyGif.size());
  EXPECT_EQ(Bytes(contents->begin() + 54, contents->end()), kTinyGif);
  // Magic, one item, the key in UTF-16LE with its terminator, the file's length before it.
  EXPECT_EQ(std::string(contents->begin(), contents->begin() + 8), "TVSCRTCH");
  EXPECT_EQ((*contents)[8], 1);
  EXPECT_EQ((*contents)[20], 6);
  EXPECT_EQ((Bytes(contents->begin() + 22, contents->begin() + 34)),
            (Bytes{'m', 0, 'y', 0, 'G', 0, 'I', 0, 'F', 0, 0, 0}));
  EXPECT_EQ((Bytes(contents->begin() + 50, contents->begin() + 54)), (Bytes{35, 0, 0, 0}));
  // The item byte count covers everything after its own field.
  EXPECT_EQ((*contents)[12], contents->size() - 16);
}

TEST(ScratchStore, HeaderGrowsWithTheKey) {
  const PictureRef picture = TinyGifPicture();
  ASSERT_NE(picture, nullptr);
  auto contents = ScratchStoreContents("pic", *picture);
  ASSERT_TRUE(contents.ok());
  EXPECT_EQ(ScratchStoreHeaderBytes(3), 50u);
  EXPECT_EQ(Bytes(contents->begin() + 50, contents->end()), kTinyGif);
  EXPECT_FALSE(ScratchStoreContents("k", Picture()).ok());
  EXPECT_FALSE(ScratchStoreContents(std::string(256, 'k'), *picture).ok());
}

}  // namespace
}  // namespace tovarin::platform
