#include "gateway/chinese_text_guess.h"

#include <glib.h>

#include <algorithm>
#include <string_view>
#include <vector>

namespace tovarin::gateway {
namespace {

// The most frequent characters of written Chinese, simplified, then the traditional forms of
// those that differ, then words WAP portals were full of (下载 / 下載, 手机 / 手機, ...).
constexpr std::string_view kCommonCharacters =
    "的一是不了在人有我他这个们中来上大为和国地到以说时要就出会可也你对生能而子那得于着下自之年过发"
    "后作里用道行所然家种事成方多经么去法学如都同现当没动面起看定天分还进好小部其些主样理心她本前开"
    "但因只从想实日者意无力它与长把机十民第公此已工使情明性知全三又关点正业外将两高间由问很最重并物"
    "手应向头文体新己制身果加月话合回特代内信表化老给世位次度门任常先海通教儿原东声提立及比员名真"
    "這個們來為國說時會對發後裡過經麼學現當沒動進還開從實無與長機關點業將兩間問題體見義處電數報結"
    "東聲員種論條氣話總頭應產區統則聽權聯師觀導運飛風變臺單愛擊備調質團價華級離況請際線視書讀網頁"
    "歡迎註冊登錄搜尋熱門壇圖片遊戲鈴下載首页欢迎注册登录搜索热门论坛图片游戏铃声下载免费新闻";

// The code points of kCommonCharacters, sorted for binary search.
std::vector<gunichar> CommonCodePoints() {
  std::vector<gunichar> code_points;
  for (const char* p = kCommonCharacters.data();
       p < kCommonCharacters.data() + kCommonCharacters.size(); p = g_utf8_next_char(p)) {
    code_points.push_back(g_utf8_get_char(p));
  }
  std::sort(code_points.begin(), code_points.end());
  return code_points;
}

// How many characters of `utf8` are common Chinese characters.
std::size_t CommonCount(std::string_view utf8) {
  static const std::vector<gunichar> common = CommonCodePoints();
  std::size_t count = 0;
  for (const char* p = utf8.data(); p < utf8.data() + utf8.size(); p = g_utf8_next_char(p)) {
    const auto byte = static_cast<unsigned char>(*p);
    if (byte >= 0x80 && std::binary_search(common.begin(), common.end(), g_utf8_get_char(p))) {
      ++count;
    }
  }
  return count;
}

}  // namespace

bool Big5ReadsLikelier(std::string_view big5_utf8, std::string_view gbk_utf8) {
  return CommonCount(big5_utf8) > CommonCount(gbk_utf8);
}

}  // namespace tovarin::gateway
