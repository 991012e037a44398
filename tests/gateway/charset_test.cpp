#include "gateway/charset.h"

#include <glib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "gateway/limits.h"

namespace tovarin::gateway {
namespace {

// Expected bytes below are taken from the charset tables (GBK, windows-125x, KOI8-R, Shift_JIS,
// Big5, KS X 1001) and the UTF-8 bit layout, worked out by hand.

std::vector<std::uint8_t> Bytes(std::string_view s) { return {s.begin(), s.end()}; }

DecodedText MustDecode(std::string_view body, std::string_view content_type) {
  const std::vector<std::uint8_t> bytes = Bytes(body);
  platform::Result<DecodedText> result = DecodeToUtf8(bytes, content_type);
  EXPECT_TRUE(result.ok()) << (result.ok() ? "" : result.error());
  return result.ok() ? result.value() : DecodedText{};
}

DecodedText MustConvert(std::string_view body, std::string_view label) {
  const std::vector<std::uint8_t> bytes = Bytes(body);
  platform::Result<DecodedText> result = ConvertToUtf8(bytes, label);
  EXPECT_TRUE(result.ok()) << (result.ok() ? "" : result.error());
  return result.ok() ? result.value() : DecodedText{};
}

std::string MustEncode(std::string_view utf8, std::string_view label) {
  platform::Result<std::string> result = ConvertFromUtf8(utf8, label);
  EXPECT_TRUE(result.ok()) << (result.ok() ? "" : result.error());
  return result.ok() ? result.value() : std::string();
}

// ---- Labels ------------------------------------------------------------------------------

TEST(CharsetLabels, ContentTypeParameter) {
  EXPECT_EQ(CharsetFromContentType("text/vnd.wap.wml; charset=\"ISO-8859-1\""), "iso-8859-1");
  EXPECT_EQ(CharsetFromContentType("text/html;charset=GB2312"), "gb2312");
  EXPECT_EQ(CharsetFromContentType("text/html; level=1; Charset = UTF-8 ; q=2"), "utf-8");
  EXPECT_EQ(CharsetFromContentType("text/html; name=\"a;b\"; charset=koi8-r"), "koi8-r");
  EXPECT_EQ(CharsetFromContentType("text/html"), "");
  EXPECT_EQ(CharsetFromContentType("text/html; charset"), "");
  EXPECT_EQ(CharsetFromContentType(""), "");
}

TEST(CharsetLabels, PagesLieAboutSmallCharsets) {
  for (const char* label : {"gb2312", "GBK", "x-gbk", "cp936", "EUC-CN", "gb18030"}) {
    EXPECT_EQ(CanonicalCharset(label), "GB18030") << label;
  }
  for (const char* label : {"iso-8859-1", "Latin1", "l1", "US-ASCII", "ascii", "windows-1252"}) {
    EXPECT_EQ(CanonicalCharset(label), "WINDOWS-1252") << label;
  }
  EXPECT_EQ(CanonicalCharset("  UTF8 "), "UTF-8");
  EXPECT_EQ(CanonicalCharset("Shift_JIS"), "CP932");
  EXPECT_EQ(CanonicalCharset("x-sjis"), "CP932");
  EXPECT_EQ(CanonicalCharset("big5"), "BIG5-HKSCS");
  EXPECT_EQ(CanonicalCharset("euc-kr"), "CP949");
  EXPECT_EQ(CanonicalCharset("tis-620"), "WINDOWS-874");
  EXPECT_EQ(CanonicalCharset("koi8-u"), "KOI8-U");
  EXPECT_EQ(CanonicalCharset("iso-8859-15"), "ISO-8859-15");
  EXPECT_EQ(CanonicalCharset("utf-16be"), "UTF-16BE");
  EXPECT_EQ(CanonicalCharset("ebcdic-martian"), "");
  EXPECT_EQ(CanonicalCharset(""), "");
}

TEST(CharsetLabels, EveryLabelConverts) {
  // Each supported label must open a real converter on this system.
  for (const char* label :
       {"utf-8",        "utf-16",       "utf-16le",     "utf-16be",     "windows-1250",
        "windows-1251", "windows-1253", "windows-1254", "windows-1255", "windows-1256",
        "windows-1257", "windows-1258", "iso-8859-2",   "iso-8859-3",   "iso-8859-4",
        "iso-8859-5",   "iso-8859-6",   "iso-8859-7",   "iso-8859-8",   "iso-8859-9",
        "iso-8859-10",  "iso-8859-11",  "iso-8859-13",  "iso-8859-14",  "iso-8859-15",
        "iso-8859-16",  "koi8-r",       "koi8-u",       "big5",         "shift_jis",
        "euc-jp",       "euc-kr",       "iso-2022-jp",  "tis-620",      "gb2312",
        "latin1"}) {
    const std::vector<std::uint8_t> ascii = Bytes("ok");
    EXPECT_TRUE(ConvertToUtf8(ascii, label).ok()) << label;
    EXPECT_TRUE(ConvertFromUtf8("ok", label).ok()) << label;
    // The decoder's name is a label too: DecodedText::charset is handed back for forms.
    const std::string decoder = CanonicalCharset(label);
    EXPECT_EQ(CanonicalCharset(decoder), decoder) << label;
  }
}

// ---- MIBenum -----------------------------------------------------------------------------

TEST(CharsetMibEnum, RegistryNumbers) {
  EXPECT_EQ(CharsetFromMibEnum(3), "US-ASCII");
  EXPECT_EQ(CharsetFromMibEnum(4), "ISO-8859-1");
  EXPECT_EQ(CharsetFromMibEnum(5), "ISO-8859-2");
  EXPECT_EQ(CharsetFromMibEnum(8), "ISO-8859-5");
  EXPECT_EQ(CharsetFromMibEnum(12), "ISO-8859-9");
  EXPECT_EQ(CharsetFromMibEnum(13), "ISO-8859-10");
  EXPECT_EQ(CharsetFromMibEnum(17), "Shift_JIS");
  EXPECT_EQ(CharsetFromMibEnum(18), "EUC-JP");
  EXPECT_EQ(CharsetFromMibEnum(36), "KS_C_5601-1987");
  EXPECT_EQ(CharsetFromMibEnum(38), "EUC-KR");
  EXPECT_EQ(CharsetFromMibEnum(39), "ISO-2022-JP");
  EXPECT_EQ(CharsetFromMibEnum(106), "UTF-8");
  EXPECT_EQ(CharsetFromMibEnum(109), "ISO-8859-13");
  EXPECT_EQ(CharsetFromMibEnum(112), "ISO-8859-16");
  EXPECT_EQ(CharsetFromMibEnum(113), "GBK");
  EXPECT_EQ(CharsetFromMibEnum(114), "GB18030");
  EXPECT_EQ(CharsetFromMibEnum(1000), "ISO-10646-UCS-2");
  EXPECT_EQ(CharsetFromMibEnum(1013), "UTF-16BE");
  EXPECT_EQ(CharsetFromMibEnum(1014), "UTF-16LE");
  EXPECT_EQ(CharsetFromMibEnum(1015), "UTF-16");
  EXPECT_EQ(CharsetFromMibEnum(2025), "GB2312");
  EXPECT_EQ(CharsetFromMibEnum(2026), "Big5");
  EXPECT_EQ(CharsetFromMibEnum(2084), "KOI8-R");
  EXPECT_EQ(CharsetFromMibEnum(2088), "KOI8-U");
  EXPECT_EQ(CharsetFromMibEnum(2250), "windows-1250");
  EXPECT_EQ(CharsetFromMibEnum(2252), "windows-1252");
  EXPECT_EQ(CharsetFromMibEnum(2258), "windows-1258");
  EXPECT_EQ(CharsetFromMibEnum(2101), "Big5-HKSCS");
  EXPECT_EQ(CharsetFromMibEnum(2259), "TIS-620");
}

TEST(CharsetMibEnum, UnknownNumbersAreEmpty) {
  for (std::uint32_t mib : {0u, 1u, 2u, 14u, 107u, 999u, 2249u, 2260u, 0xFFFFFFFFu}) {
    EXPECT_EQ(CharsetFromMibEnum(mib), "") << mib;
  }
}

TEST(CharsetMibEnum, EveryNamedCharsetConverts) {
  for (std::uint32_t mib = 0; mib < 3000; ++mib) {
    const std::string label = CharsetFromMibEnum(mib);
    if (!label.empty()) {
      EXPECT_NE(CanonicalCharset(label), "") << mib << " " << label;
    }
  }
}

// ---- Detection ---------------------------------------------------------------------------

TEST(CharsetDetection, Gb2312LabelDecodesGbkCharacters) {
  // 朱镕基: 朱 D6 EC and 基 BB F9 are GB2312; 镕 (U+9555) is GBK-only, E9 46.
  const DecodedText text =
      MustDecode("\xD6\xEC\xE9\x46\xBB\xF9", "text/vnd.wap.wml; charset=gb2312");
  EXPECT_EQ(text.charset, "GB18030");
  EXPECT_EQ(text.utf8, "\xE6\x9C\xB1\xE9\x95\x95\xE5\x9F\xBA");
  EXPECT_EQ(text.replaced, 0u);
}

TEST(CharsetDetection, Latin1FromHeaderOnly) {
  const DecodedText text = MustDecode("caf\xE9", "text/vnd.wap.wml; charset=ISO-8859-1");
  EXPECT_EQ(text.charset, "WINDOWS-1252");
  EXPECT_EQ(text.utf8, "caf\xC3\xA9");
}

TEST(CharsetDetection, Latin1LabelReadsWindows1252Euro) {
  EXPECT_EQ(MustDecode("\x80", "text/html; charset=iso-8859-1").utf8, "\xE2\x82\xAC");
}

TEST(CharsetDetection, Windows1251Russian) {
  // Привет: П CF, р F0, и E8, в E2, е E5, т F2.
  const DecodedText text =
      MustDecode("\xCF\xF0\xE8\xE2\xE5\xF2", "text/html; charset=windows-1251");
  EXPECT_EQ(text.charset, "WINDOWS-1251");
  EXPECT_EQ(text.utf8, "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82");
}

TEST(CharsetDetection, Utf8BomIsStrippedAndBeatsHeader) {
  const DecodedText text = MustDecode(
      "\xEF\xBB\xBF"
      "caf\xC3\xA9",
      "text/html; charset=windows-1251");
  EXPECT_EQ(text.charset, "UTF-8");
  EXPECT_EQ(text.utf8, "caf\xC3\xA9");
}

TEST(CharsetDetection, Utf16BomsBeatEverything) {
  // "A中" little-endian: 41 00 2D 4E; big-endian: 00 41 4E 2D.
  const DecodedText le =
      MustDecode(std::string_view("\xFF\xFE\x41\x00\x2D\x4E", 6), "text/html; charset=utf-8");
  EXPECT_EQ(le.charset, "UTF-16LE");
  EXPECT_EQ(le.utf8, "A\xE4\xB8\xAD");
  const DecodedText be = MustDecode(std::string_view("\xFE\xFF\x00\x41\x4E\x2D", 6), "");
  EXPECT_EQ(be.charset, "UTF-16BE");
  EXPECT_EQ(be.utf8, "A\xE4\xB8\xAD");
}

TEST(CharsetDetection, XmlDeclaration) {
  const DecodedText text = MustDecode(
      "<?xml version=\"1.0\" encoding=\"gb2312\"?><wml>\xD6\xD0</wml>", "text/vnd.wap.wml");
  EXPECT_EQ(text.charset, "GB18030");
  EXPECT_EQ(text.utf8, "<?xml version=\"1.0\" encoding=\"gb2312\"?><wml>\xE4\xB8\xAD</wml>");
  // Single quotes and white space before the declaration; KOI8-R F0 is П.
  const DecodedText koi8 = MustDecode("\n <?xml version='1.0' encoding='koi8-r' ?>\xF0", "");
  EXPECT_EQ(koi8.charset, "KOI8-R");
  EXPECT_TRUE(koi8.utf8.ends_with("?>\xD0\x9F"));
}

TEST(CharsetDetection, XmlDeclarationAfterServerNoise) {
  // A PHP notice printed before the declaration; 中 in Big5 is A4 A4.
  const DecodedText text = MustDecode(
      "<br />\n<b>Notice</b>: Undefined variable: sid<br />\n"
      "<?xml version=\"1.0\" encoding=\"big5\"?><wml>\xA4\xA4</wml>",
      "text/html");
  EXPECT_EQ(text.charset, "BIG5-HKSCS");
  EXPECT_TRUE(text.utf8.ends_with("<wml>\xE4\xB8\xAD</wml>")) << text.utf8;
}

TEST(CharsetDetection, ServerDefaultLatin1GivesWayToTheDeclaration) {
  // A server's default ISO-8859-1 over a deck declaring gb2312 that reads cleanly in it.
  const DecodedText text =
      MustDecode("<?xml version=\"1.0\" encoding=\"gb2312\"?><wml>\xD6\xD0\xCE\xC4</wml>",
                 "text/vnd.wap.wml; charset=ISO-8859-1");
  EXPECT_EQ(text.charset, "GB18030");
  EXPECT_TRUE(text.utf8.ends_with("<wml>\xE4\xB8\xAD\xE6\x96\x87</wml>")) << text.utf8;
  // Bytes that are not well-formed in the declared charset keep the header's reading.
  EXPECT_EQ(MustDecode("<meta charset=gbk>\xE9\x20\xE8", "text/html; charset=latin1").charset,
            "WINDOWS-1252");
}

TEST(CharsetDetection, HeaderBeatsXmlDeclaration) {
  const DecodedText text =
      MustDecode("<?xml version=\"1.0\" encoding=\"gb2312\"?>\xE9", "text/xml; charset=latin1");
  EXPECT_EQ(text.charset, "WINDOWS-1252");
  EXPECT_TRUE(text.utf8.ends_with("\xC3\xA9"));
}

TEST(CharsetDetection, UnknownHeaderLabelFallsThrough) {
  const DecodedText text = MustDecode("<?xml version=\"1.0\" encoding=\"windows-1251\"?>\xCF",
                                      "text/vnd.wap.wml; charset=x-martian");
  EXPECT_EQ(text.charset, "WINDOWS-1251");
  EXPECT_TRUE(text.utf8.ends_with("\xD0\x9F"));
  // With nothing else, valid UTF-8 stays UTF-8.
  EXPECT_EQ(MustDecode("caf\xC3\xA9", "text/html; charset=nonsense").charset, "UTF-8");
}

TEST(CharsetDetection, MetaCharsetAttribute) {
  const DecodedText text =
      MustDecode("<html><head><META Charset=\"windows-1251\"></head>\xCF</html>", "text/html");
  EXPECT_EQ(text.charset, "WINDOWS-1251");
  EXPECT_EQ(text.utf8, "<html><head><META Charset=\"windows-1251\"></head>\xD0\x9F</html>");
  EXPECT_EQ(MustDecode("<meta charset=koi8-r />", "").charset, "KOI8-R");
}

TEST(CharsetDetection, MetaHttpEquivContentType) {
  const DecodedText text = MustDecode(
      "<head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=GB2312\"/></head>"
      "\xD6\xD0",
      "");
  EXPECT_EQ(text.charset, "GB18030");
  EXPECT_TRUE(text.utf8.ends_with("\xE4\xB8\xAD"));
  EXPECT_EQ(
      MustDecode("<meta content='text/html; charset=koi8-r' http-equiv=content-type>", "").charset,
      "KOI8-R");
  // Without http-equiv the content attribute is not a charset declaration.
  EXPECT_EQ(MustDecode("<meta name=x content=\"text/html; charset=koi8-r\">", "").charset, "UTF-8");
}

TEST(CharsetDetection, MetaOrderAndLimits) {
  // The XML declaration comes before a <meta>.
  EXPECT_EQ(
      MustDecode("<?xml version=\"1.0\" encoding=\"koi8-r\"?><meta charset=\"gbk\">", "").charset,
      "KOI8-R");
  // A <meta> inside a comment, or with an unknown label, is passed over.
  EXPECT_EQ(MustDecode("<!-- <meta charset=gbk> --><meta charset=bogus><meta charset=koi8-u>", "")
                .charset,
            "KOI8-U");
  // <metadata> is not <meta>.
  EXPECT_EQ(MustDecode("<metadata charset=koi8-r>", "").charset, "UTF-8");
  // A declaration of UTF-16 read from ASCII bytes means UTF-8.
  EXPECT_EQ(MustDecode("<meta charset=utf-16>", "").charset, "UTF-8");
  // Only the first kMetaScanBytes bytes are searched.
  std::string late(kMetaScanBytes, ' ');
  late += "<meta charset=koi8-r>";
  EXPECT_EQ(MustDecode(late, "").charset, "UTF-8");
  std::string cut(kMetaScanBytes - 20, ' ');
  cut += "<meta charset=koi8-r>";  // only the ">" lies past the window: the tag is cut
  EXPECT_EQ(MustDecode(cut, "").charset, "UTF-8");
}

TEST(CharsetDetection, SniffsUtf8ElseWindows1252) {
  const DecodedText utf8 = MustDecode("caf\xC3\xA9", "");
  EXPECT_EQ(utf8.charset, "UTF-8");
  EXPECT_EQ(utf8.utf8, "caf\xC3\xA9");
  const DecodedText latin = MustDecode("caf\xE9 \x80", "text/vnd.wap.wml");
  EXPECT_EQ(latin.charset, "WINDOWS-1252");
  EXPECT_EQ(latin.utf8, "caf\xC3\xA9 \xE2\x82\xAC");
  EXPECT_EQ(latin.replaced, 0u);
  // NUL bytes are valid UTF-8 and are kept.
  const DecodedText nul = MustDecode(std::string_view("a\0\xC3\xA9", 4), "");
  EXPECT_EQ(nul.charset, "UTF-8");
  EXPECT_EQ(nul.utf8, std::string_view("a\0\xC3\xA9", 4));
}

TEST(CharsetDetection, UndeclaredGbkReadsAsGb18030) {
  // 中文 in GBK: D6 D0 CE C4. Not UTF-8, no declaration: a browser set up for Chinese reads GBK.
  const DecodedText text = MustDecode("<p>\xD6\xD0\xCE\xC4</p>", "text/vnd.wap.wml");
  EXPECT_EQ(text.charset, "GB18030");
  EXPECT_EQ(text.utf8, "<p>\xE4\xB8\xAD\xE6\x96\x87</p>");
  EXPECT_EQ(text.replaced, 0u);
}

TEST(CharsetDetection, Utf8HeaderOverGbkBytes) {
  // The page's own declaration names the charset the bytes are in.
  const DecodedText declared = MustDecode(
      "<?xml version=\"1.0\" encoding=\"big5\"?>\xA4\xA4\xA4\xE5", "text/html; charset=utf-8");
  EXPECT_EQ(declared.charset, "BIG5-HKSCS");
  EXPECT_TRUE(declared.utf8.ends_with("\xE4\xB8\xAD\xE6\x96\x87")) << declared.utf8;
  // Without one, GBK when the bytes read as GBK.
  const DecodedText undeclared = MustDecode("\xD6\xD0\xCE\xC4", "text/vnd.wap.wml; charset=UTF-8");
  EXPECT_EQ(undeclared.charset, "GB18030");
  EXPECT_EQ(undeclared.utf8, "\xE4\xB8\xAD\xE6\x96\x87");
  // A UTF-8 page cut inside its last character stays UTF-8: 中 then half of 文.
  const DecodedText cut = MustDecode("\xE4\xB8\xAD\xE6\x96", "text/vnd.wap.wml; charset=utf-8");
  EXPECT_EQ(cut.charset, "UTF-8");
  EXPECT_EQ(cut.utf8, "\xE4\xB8\xAD\xEF\xBF\xBD");
}

TEST(CharsetDetection, LegacyLabelOverUtf8Bytes) {
  // 中文 in UTF-8 under a GB2312 header or declaration: the bytes are UTF-8.
  const DecodedText header = MustDecode("\xE4\xB8\xAD\xE6\x96\x87", "text/html; charset=gb2312");
  EXPECT_EQ(header.charset, "UTF-8");
  EXPECT_EQ(header.utf8, "\xE4\xB8\xAD\xE6\x96\x87");
  const DecodedText declared =
      MustDecode("<?xml version='1.0' encoding='GBK'?>\xE4\xB8\xAD", "text/vnd.wap.wml");
  EXPECT_EQ(declared.charset, "UTF-8");
  // ASCII only: nothing contradicts the label, which still says what forms are sent in.
  EXPECT_EQ(MustDecode("<p>abc</p>", "text/html; charset=gb2312").charset, "GB18030");
  // One invalid byte among UTF-8 sequences: the label stands (GBK D6 D0 then E4 B8 AD is not
  // valid UTF-8 throughout).
  EXPECT_EQ(MustDecode("\xD6\xD0\xE4\xB8\xAD", "text/html; charset=gbk").charset, "GB18030");
}

TEST(CharsetDetection, UndeclaredChineseIsGbkOrBig5ByItsCommonCharacters) {
  // 中文網頁 in Big5 (A4 A4 A4 E5 BA F4 AD B6) reads without error as GBK too, as rare
  // characters; 中文网页 in GBK (D6 D0 CE C4 CD F8 D2 B3) reads as Big5 too.
  const DecodedText big5 = MustDecode("<p>\xA4\xA4\xA4\xE5\xBA\xF4\xAD\xB6</p>", "");
  EXPECT_EQ(big5.charset, "BIG5-HKSCS");
  EXPECT_EQ(big5.utf8, "<p>中文網頁</p>");
  const DecodedText gbk = MustDecode("<p>\xD6\xD0\xCE\xC4\xCD\xF8\xD2\xB3</p>", "");
  EXPECT_EQ(gbk.charset, "GB18030");
  EXPECT_EQ(gbk.utf8, "<p>中文网页</p>");
  // Only one reads cleanly: 81 is no Big5 lead byte (丂 is GBK 81 40).
  EXPECT_EQ(MustDecode("\x81\x40", "").charset, "GB18030");
  // Under a UTF-8 label the same choice is made.
  EXPECT_EQ(MustDecode("\xA4\xA4\xA4\xE5\xBA\xF4\xAD\xB6", "text/html; charset=utf-8").charset,
            "BIG5-HKSCS");
}

// ---- Conversion --------------------------------------------------------------------------

TEST(CharsetConversion, InvalidUtf8BecomesReplacement) {
  const DecodedText text = MustDecode(
      "ab\xFF"
      "cd\xC3"
      "e",
      "text/html; charset=utf-8");
  EXPECT_EQ(text.utf8,
            "ab\xEF\xBF\xBD"
            "cd\xEF\xBF\xBD"
            "e");
  EXPECT_EQ(text.replaced, 2u);
}

TEST(CharsetConversion, Utf8MaximalSubparts) {
  // E4 B8 starts 中 (E4 B8 AD) but stops: one U+FFFD, then the 'A'.
  DecodedText text = MustConvert(
      "\xE4\xB8"
      "A",
      "utf-8");
  EXPECT_EQ(text.utf8,
            "\xEF\xBF\xBD"
            "A");
  EXPECT_EQ(text.replaced, 1u);
  // C0 is never a lead byte, 80 never starts a sequence: two replacements.
  text = MustConvert("\xC0\x80", "utf-8");
  EXPECT_EQ(text.replaced, 2u);
  // ED A0 80 would be a surrogate: ED accepts only 80..9F next, so three replacements.
  text = MustConvert("\xED\xA0\x80", "utf-8");
  EXPECT_EQ(text.replaced, 3u);
  // F4 90 would pass U+10FFFF.
  text = MustConvert(
      "\xF4\x90\x80\x80"
      "z",
      "utf-8");
  EXPECT_EQ(text.replaced, 4u);
  EXPECT_TRUE(text.utf8.ends_with("z"));
  // A truncated four-byte sequence at the end is one replacement.
  text = MustConvert("z\xF0\x9F\x98", "utf-8");
  EXPECT_EQ(text.utf8, "z\xEF\xBF\xBD");
  EXPECT_EQ(text.replaced, 1u);
}

TEST(CharsetConversion, Gb18030InvalidByteKeepsFollowingCharacter) {
  // FF is no GB18030 lead byte; skipping it alone keeps 中文 (D6 D0 CE C4) intact.
  DecodedText text = MustConvert("\xFF\xD6\xD0\xCE\xC4", "gb2312");
  EXPECT_EQ(text.utf8, "\xEF\xBF\xBD\xE4\xB8\xAD\xE6\x96\x87");
  EXPECT_EQ(text.replaced, 1u);
  // D6 followed by a space is no pair: the space survives.
  text = MustConvert("\xD6 \xD6\xD0", "gbk");
  EXPECT_EQ(text.utf8, "\xEF\xBF\xBD \xE4\xB8\xAD");
  EXPECT_EQ(text.replaced, 1u);
}

TEST(CharsetConversion, TruncatedGb18030AtEnd) {
  DecodedText text = MustConvert("A\xD6", "gb18030");
  EXPECT_EQ(text.utf8, "A\xEF\xBF\xBD");
  EXPECT_EQ(text.replaced, 1u);
  // Three of a four-byte sequence (81 30 81 30 is U+0080).
  text = MustConvert("A\x81\x30\x81", "gb18030");
  EXPECT_EQ(text.utf8, "A\xEF\xBF\xBD");
  EXPECT_EQ(text.replaced, 1u);
  text = MustConvert("\x81\x30\x81\x30", "gb18030");
  EXPECT_EQ(text.utf8, "\xC2\x80");
}

TEST(CharsetConversion, Utf16InvalidUnitsAndOddByte) {
  // A lone high surrogate (D800) then "A": the surrogate's two bytes are one U+FFFD.
  DecodedText text = MustConvert(std::string_view("\x00\xD8\x41\x00", 4), "utf-16le");
  EXPECT_EQ(text.utf8,
            "\xEF\xBF\xBD"
            "A");
  EXPECT_EQ(text.replaced, 1u);
  // An odd byte at the end.
  text = MustConvert(std::string_view("\x41\x00\x42", 3), "utf-16le");
  EXPECT_EQ(text.utf8, "A\xEF\xBF\xBD");
  // The mark decides the order for a UTF-16 label, and is dropped.
  text = MustConvert(std::string_view("\xFE\xFF\x00\x41", 4), "utf-16");
  EXPECT_EQ(text.utf8, "A");
  EXPECT_EQ(text.charset, "UTF-16BE");
}

TEST(CharsetConversion, SingleByteCharsets) {
  EXPECT_EQ(MustConvert("\xB3\xF3"
                        "d\xBC",
                        "iso-8859-2")
                .utf8,
            "\xC5\x82\xC3\xB3"
            "d\xC5\xBA");                                                     // łódź
  EXPECT_EQ(MustConvert("\xE1\xE2", "iso-8859-7").utf8, "\xCE\xB1\xCE\xB2");  // αβ
  EXPECT_EQ(MustConvert("\xA4", "latin9").utf8, "\xE2\x82\xAC");              // €
  // א then the mark patah (U+05B7), kept apart; windows-1258 C3 is Ă, then the acute mark.
  EXPECT_EQ(MustConvert("\xE0\xC7", "windows-1255").utf8, "\xD7\x90\xD6\xB7");
  EXPECT_EQ(MustConvert("\xC3\xEC", "windows-1258").utf8, "\xC4\x82\xCC\x81");
  // Bytes the charset leaves unassigned: 81 in windows-1252, A5 in ISO-8859-3.
  DecodedText text = MustConvert(
      "a\x81"
      "b",
      "windows-1252");
  EXPECT_EQ(text.utf8,
            "a\xEF\xBF\xBD"
            "b");
  EXPECT_EQ(text.replaced, 1u);
  text = MustConvert("\xA5\xA5", "iso-8859-3");
  EXPECT_EQ(text.utf8, "\xEF\xBF\xBD\xEF\xBF\xBD");
  EXPECT_EQ(text.replaced, 2u);
}

TEST(CharsetConversion, ByteOrderMarkIsDropped) {
  // U+FEFF in GB18030 is 84 31 95 33.
  EXPECT_EQ(MustConvert("\x84\x31\x95\x33"
                        "A",
                        "gb18030")
                .utf8,
            "A");
  EXPECT_EQ(MustConvert("\xEF\xBB\xBF"
                        "A",
                        "utf-8")
                .utf8,
            "A");
  EXPECT_EQ(MustConvert(std::string_view("\xFF\xFE\x41\x00", 4), "utf-16le").utf8, "A");
  // Only a leading mark: U+FEFF later in the text is kept.
  EXPECT_EQ(MustConvert("A\xEF\xBB\xBF", "utf-8").utf8, "A\xEF\xBB\xBF");
}

TEST(CharsetConversion, EastAsianAndCyrillicCharsets) {
  // Shift_JIS 82 A0 is あ; 87 40 is ① (a Microsoft addition, so Shift_JIS is read as CP932).
  EXPECT_EQ(MustConvert("\x82\xA0\x87\x40", "shift_jis").utf8, "\xE3\x81\x82\xE2\x91\xA0");
  EXPECT_EQ(MustConvert("\xA4\xA4", "big5").utf8, "\xE4\xB8\xAD");    // 中
  EXPECT_EQ(MustConvert("\xC7\xD1", "euc-kr").utf8, "\xED\x95\x9C");  // 한
  // 81 41 is 갂 (U+AC02), outside KS X 1001: EUC-KR is read as CP949.
  EXPECT_EQ(MustConvert("\x81\x41", "euc-kr").utf8, "\xEA\xB0\x82");
  // GBK pages write € as the single byte 80.
  EXPECT_EQ(MustConvert("\x80", "gb2312").utf8, "\xE2\x82\xAC");
  EXPECT_EQ(MustConvert("\xA4\xA2", "euc-jp").utf8, "\xE3\x81\x82");  // あ
  EXPECT_EQ(MustConvert("\x1B$B$\"\x1B(B", "iso-2022-jp").utf8, "\xE3\x81\x82");
  EXPECT_EQ(MustConvert("\xF0\xD2\xC9\xD7\xC5\xD4", "koi8-r").utf8,
            "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82");   // Привет
  EXPECT_EQ(MustConvert("\xA1", "tis-620").utf8, "\xE0\xB8\x81");  // ก U+0E01
}

// Well-formed UTF-8, NUL allowed (GLib's validator stops at NUL).
bool IsWellFormedUtf8(std::string text) {
  std::replace(text.begin(), text.end(), '\0', ' ');
  return g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr);
}

std::size_t CountReplacements(std::string_view text) {
  std::size_t count = 0;
  for (std::size_t pos = 0; (pos = text.find("\xEF\xBF\xBD", pos)) != std::string_view::npos;
       pos += 3) {
    ++count;
  }
  return count;
}

TEST(CharsetConversion, AnyBytesGiveWellFormedUtf8) {
  // Arbitrary bytes through every kind of decoder: the result is always well-formed UTF-8, and
  // each counted replacement is a U+FFFD in the text.
  std::mt19937 random(20240611);
  std::uniform_int_distribution<int> byte(0, 255);
  for (const char* label : {"utf-8", "utf-16le", "utf-16be", "gb2312", "big5", "shift_jis",
                            "euc-jp", "euc-kr", "iso-2022-jp", "koi8-r", "windows-1255"}) {
    for (int round = 0; round < 50; ++round) {
      std::vector<std::uint8_t> bytes(static_cast<std::size_t>(round * 7));
      for (std::uint8_t& b : bytes) b = static_cast<std::uint8_t>(byte(random));
      const platform::Result<DecodedText> text = ConvertToUtf8(bytes, label);
      ASSERT_TRUE(text.ok()) << label;
      EXPECT_TRUE(IsWellFormedUtf8(text->utf8)) << label << " round " << round;
      EXPECT_GE(CountReplacements(text->utf8), text->replaced) << label << " round " << round;
    }
  }
}

TEST(CharsetConversion, UnknownLabelFails) {
  const std::vector<std::uint8_t> bytes = Bytes("x");
  const platform::Result<DecodedText> result = ConvertToUtf8(bytes, "x-martian");
  ASSERT_FALSE(result.ok());
  EXPECT_NE(result.error().find("x-martian"), std::string::npos);
}

TEST(CharsetConversion, TooLargeBodyFails) {
  // Each E9 becomes two bytes of UTF-8: half the limit plus one byte is too much.
  const std::vector<std::uint8_t> latin(kMaxBodyBytes / 2 + 1, 0xE9);
  EXPECT_FALSE(DecodeToUtf8(latin, "text/html; charset=latin1").ok());
  const std::vector<std::uint8_t> exact(kMaxBodyBytes / 2, 0xE9);
  const platform::Result<DecodedText> fits = DecodeToUtf8(exact, "text/html; charset=latin1");
  ASSERT_TRUE(fits.ok());
  EXPECT_EQ(fits->utf8.size(), kMaxBodyBytes);
  // Plain ASCII past the limit fails on every path.
  const std::vector<std::uint8_t> ascii(kMaxBodyBytes + 1, 'a');
  EXPECT_FALSE(DecodeToUtf8(ascii, "").ok());
  EXPECT_FALSE(DecodeToUtf8(ascii, "text/html; charset=utf-8").ok());
  const platform::Result<DecodedText> too_big = ConvertToUtf8(ascii, "koi8-r");
  ASSERT_FALSE(too_big.ok());
  EXPECT_NE(too_big.error().find("exceeds"), std::string::npos);
}

// ---- Encoding for forms ------------------------------------------------------------------

TEST(CharsetEncoding, FormsGoInTheCharsetBrowsersSubmitThePageIn) {
  EXPECT_EQ(FormCharsetFor("UTF-8"), "");
  EXPECT_EQ(FormCharsetFor("UTF-16LE"), "");
  EXPECT_EQ(FormCharsetFor("UTF-16BE"), "");
  EXPECT_EQ(FormCharsetFor("GB18030"), "GBK");  // what GB2312 and GBK pages are read with
  EXPECT_EQ(FormCharsetFor("BIG5-HKSCS"), "Big5");
  EXPECT_EQ(FormCharsetFor("CP932"), "Shift_JIS");
  EXPECT_EQ(FormCharsetFor("CP949"), "EUC-KR");
  EXPECT_EQ(FormCharsetFor("WINDOWS-1251"), "WINDOWS-1251");
  EXPECT_EQ(FormCharsetFor("KOI8-R"), "KOI8-R");
  EXPECT_EQ(FormCharsetFor("gb2312"), "");  // a label, not a decoder name
  EXPECT_EQ(FormCharsetFor(""), "");
  // Every decoder DecodeToUtf8 reports for a page has its form charset.
  const std::vector<std::uint8_t> gbk = {0xC4, 0xE3, 0xBA, 0xC3};  // 你好
  auto decoded = DecodeToUtf8(gbk, "text/html; charset=gb2312");
  ASSERT_TRUE(decoded.ok());
  EXPECT_EQ(FormCharsetFor(decoded->charset), "GBK");
}

TEST(CharsetEncoding, Gb2312AndGb18030) {
  EXPECT_EQ(MustEncode("\xE4\xB8\xAD\xE6\x96\x87", "gb2312"), "\xD6\xD0\xCE\xC4");  // 中文
  EXPECT_EQ(MustEncode("\xE9\x95\x95", "gb2312"), "\xE9\x46");                      // 镕
  // 😀 U+1F600 has only a four-byte GB18030 form, 94 39 FC 36: GBK sites get a reference.
  EXPECT_EQ(MustEncode("a\xF0\x9F\x98\x80"
                       "b",
                       "gb18030"),
            "a\x94\x39\xFC\x36"
            "b");
  EXPECT_EQ(MustEncode("a\xF0\x9F\x98\x80"
                       "b",
                       "gb2312"),
            "a&#128512;b");
  // U+0080 is four bytes in GB18030 (81 30 81 30), outside GBK.
  EXPECT_EQ(MustEncode("\xC2\x80", "gbk"), "&#128;");
  // € is 80 for GBK sites, A2 E3 in GB18030.
  EXPECT_EQ(MustEncode("\xE2\x82\xAC\xE4\xB8\xAD", "gbk"), "\x80\xD6\xD0");
  EXPECT_EQ(MustEncode("\xE2\x82\xAC", "gb18030"), "\xA2\xE3");
}

TEST(CharsetEncoding, UnrepresentableBecomesCharacterReference) {
  // é is E9; 中 (U+4E2D = 20013) has no Latin-1 byte; € is 80 in windows-1252.
  EXPECT_EQ(MustEncode("caf\xC3\xA9 \xE4\xB8\xAD", "iso-8859-1"), "caf\xE9 &#20013;");
  EXPECT_EQ(MustEncode("\xE2\x82\xAC", "iso-8859-1"), "\x80");
  EXPECT_EQ(MustEncode("\xD0\x9F\xE4\xB8\xAD", "windows-1251"), "\xCF&#20013;");
}

TEST(CharsetEncoding, StatefulCharsetReturnsToAsciiBeforeReference) {
  // あ in ISO-2022-JP is ESC $ B 24 22; € has no JIS X 0208 form, so ESC ( B comes first.
  EXPECT_EQ(MustEncode("\xE3\x81\x82\xE2\x82\xAC", "iso-2022-jp"), "\x1B$B$\"\x1B(B&#8364;");
}

TEST(CharsetEncoding, InvalidUtf8AndUnicodeTargets) {
  EXPECT_EQ(MustEncode("A\xFF"
                       "B",
                       "windows-1252"),
            "A&#65533;B");
  EXPECT_EQ(MustEncode("A\xFF", "utf-8"), "A\xEF\xBF\xBD");
  EXPECT_EQ(MustEncode("A\xE4\xB8\xAD", "utf-16be"), std::string("\x00\x41\x4E\x2D", 4));
  EXPECT_FALSE(ConvertFromUtf8("x", "x-martian").ok());
}

}  // namespace
}  // namespace tovarin::gateway
