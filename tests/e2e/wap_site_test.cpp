// The real program with its embedded rendering service, and nothing else started but a small
// WAP site on loopback: decks as text/vnd.wap.wml and pictures as image/vnd.wap.wbmp. The user
// types the site's address, follows a link, fills in a field, goes back with a soft key; the
// test watches the screen and the site's request log.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "tests/e2e/e2e_support.h"

namespace tovarin::e2e {
namespace {

constexpr auto kWindowWait = 90s;  // the first start of WebKit on a busy machine is slow
constexpr auto kEventWait = 30s;
constexpr int kSitePort = 47820;

std::string ProgramPath() { return std::string(TOVARIN_BINARY_DIR) + "/shell/tovarin"; }

// An empty value: the program runs its own service even when the test's environment names one.
const std::vector<std::string> kEmbeddedService = {"TOVARIN_SERVICE_PREFIX="};

// A WBMP (type 0) of `width` x `height` black pixels: a 0 bit is black.
std::string BlackWbmp(int width, int height) {
  std::string picture = {'\0', '\0', static_cast<char>(width),
                         static_cast<char>(height)};  // both under 128
  picture.append(static_cast<std::size_t>((width + 7) / 8 * height), '\0');
  return picture;
}

constexpr const char* kWmlHead =
    "<?xml version=\"1.0\"?>\n"
    "<!DOCTYPE wml PUBLIC \"-//WAP//DTD WML 1.1//EN\" "
    "\"http://www.wapforum.org/DTD/wml_1.1.xml\">\n";

// The first card links (through a 40 x 40 picture) to the second, whose field is posted to
// greet.wml; the greeting shows a picture named after what was typed, and a soft key back.
std::string IndexDeck() {
  return std::string(kWmlHead) +
         "<wml>\n"
         "<card id=\"home\" title=\"Site\"><p>Welcome.</p>"
         "<p><a href=\"#form\"><img src=\"/images/next.wbmp\" alt=\"next\"/></a></p></card>\n"
         "<card id=\"form\" title=\"Name\"><p><img src=\"/images/form.wbmp\" alt=\"form\"/></p>"
         "<p>Name: <input name=\"who\" value=\"\"/></p>"
         "<do type=\"accept\" label=\"Send\"><go href=\"/greet.wml\" method=\"post\">"
         "<postfield name=\"who\" value=\"$(who)\"/></go></do></card>\n"
         "</wml>\n";
}

std::string GreetDeck() {
  return std::string(kWmlHead) +
         "<wml><card id=\"greet\" title=\"Hello\"><p>Hello, $(who)!</p>"
         "<p><img src=\"/images/seen-$(who).wbmp\" alt=\"seen\"/></p>"
         "<do type=\"prev\" label=\"Back\"><prev/></do></card></wml>\n";
}

// A search page of a Chinese site: XHTML Mobile in GB2312 (said only in its XML declaration), a
// 40 x 40 picture, and a form whose field holds "手机" (GBK CA D6 BB FA).
std::string GbkSearchPage() {
  return "<?xml version=\"1.0\" encoding=\"gb2312\"?>\n"
         "<!DOCTYPE html PUBLIC \"-//WAPFORUM//DTD XHTML Mobile 1.0//EN\" "
         "\"http://www.wapforum.org/DTD/xhtml-mobile10.dtd\">\n"
         "<html xmlns=\"http://www.w3.org/1999/xhtml\"><head><title>Search</title></head><body>"
         "<p>Search <img src=\"/images/next.wbmp\" alt=\"next\"/></p>"
         "<form action=\"/s.php\" method=\"get\"><p>"
         "<input type=\"text\" name=\"q\" value=\"\xCA\xD6\xBB\xFA\"/></p></form></body></html>\n";
}

PageResponse Typed(std::string content_type, std::string body) {
  PageResponse response;
  response.content_type = std::move(content_type);
  response.body = std::move(body);
  return response;
}

PageResponse SitePage(const std::string& target) {
  if (target == "/index.wml") return Typed("text/vnd.wap.wml", IndexDeck());
  if (target == "/greet.wml") return Typed("text/vnd.wap.wml", GreetDeck());
  if (target == "/search.xhtml") return Typed("application/vnd.wap.xhtml+xml", GbkSearchPage());
  if (target == "/images/next.wbmp") return Typed("image/vnd.wap.wbmp", BlackWbmp(40, 40));
  if (target == "/images/form.wbmp") return Typed("image/vnd.wap.wbmp", BlackWbmp(24, 24));
  if (target.rfind("/images/seen-", 0) == 0) return Typed("image/vnd.wap.wbmp", BlackWbmp(64, 16));
  PageResponse missing;
  missing.status = 404;
  return missing;
}

struct Box {
  int left = 0, top = 0, width = 0, height = 0;
  int CentreX() const { return left + width / 2; }
  int CentreY() const { return top + height / 2; }
};

bool Near(const std::array<int, 3>& c, int r, int g, int b, int tolerance) {
  return std::abs(c[0] - r) <= tolerance && std::abs(c[1] - g) <= tolerance &&
         std::abs(c[2] - b) <= tolerance;
}

bool IsBlack(const std::array<int, 3>& c) {
  return c[0] >= 0 && c[0] <= 8 && c[1] <= 8 && c[2] <= 8;
}

// The solid black rectangles of at least 8 x 8 pixels inside `area`: connected black pixels
// that fill their bounding box. Text (#111 on the cards, black in a field) makes only thin or
// small shapes; the skin's black outline lies outside the view.
std::vector<Box> BlackRectangles(const Screenshot& shot, const Box& area) {
  std::vector<char> seen(static_cast<std::size_t>(area.width * area.height), 0);
  auto index = [&](int x, int y) {
    return static_cast<std::size_t>((y - area.top) * area.width + (x - area.left));
  };
  std::vector<Box> found;
  for (int y0 = area.top; y0 < area.top + area.height; ++y0) {
    for (int x0 = area.left; x0 < area.left + area.width; ++x0) {
      if (seen[index(x0, y0)] || !IsBlack(shot.At(x0, y0))) continue;
      int left = x0, right = x0, top = y0, bottom = y0, count = 0;
      std::vector<std::pair<int, int>> stack = {{x0, y0}};
      seen[index(x0, y0)] = 1;
      while (!stack.empty()) {
        const auto [x, y] = stack.back();
        stack.pop_back();
        ++count;
        left = std::min(left, x), right = std::max(right, x), top = std::min(top, y),
        bottom = std::max(bottom, y);
        const std::pair<int, int> neighbours[] = {{x + 1, y}, {x - 1, y}, {x, y + 1}, {x, y - 1}};
        for (const auto& [nx, ny] : neighbours) {
          if (nx < area.left || ny < area.top || nx >= area.left + area.width ||
              ny >= area.top + area.height)
            continue;
          if (seen[index(nx, ny)] || !IsBlack(shot.At(nx, ny))) continue;
          seen[index(nx, ny)] = 1;
          stack.emplace_back(nx, ny);
        }
      }
      const Box box{left, top, right - left + 1, bottom - top + 1};
      if (box.width >= 8 && box.height >= 8 && count == box.width * box.height)
        found.push_back(box);
    }
  }
  return found;
}

// The loopback TCP ports `pid` itself listens on, from its sockets and its network's table.
std::set<int> ListeningPorts(pid_t pid) {
  std::set<std::string> inodes;
  std::error_code error;
  for (const auto& entry :
       std::filesystem::directory_iterator("/proc/" + std::to_string(pid) + "/fd", error)) {
    const std::string target = std::filesystem::read_symlink(entry.path(), error).string();
    if (target.rfind("socket:[", 0) == 0) inodes.insert(target.substr(8, target.size() - 9));
  }
  std::set<int> ports;
  std::ifstream table("/proc/" + std::to_string(pid) + "/net/tcp");
  std::string line;
  std::getline(table, line);  // the heading
  while (std::getline(table, line)) {
    // sl local_address rem_address st tx:rx tr:when retrnsmt uid timeout inode
    std::istringstream fields(line);
    std::string slot, local, remote, state, queues, timer, retransmits, uid, timeout, inode;
    fields >> slot >> local >> remote >> state >> queues >> timer >> retransmits >> uid >>
        timeout >> inode;
    if (state != "0A" || inodes.count(inode) == 0) continue;  // 0A: listening
    ports.insert(
        static_cast<int>(std::strtol(local.substr(local.find(':') + 1).c_str(), nullptr, 16)));
  }
  return ports;
}

// The status code of a plain GET of `path` from 127.0.0.1:port; 0 when there is no answer.
int StatusOfGet(int port, const std::string& path) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return 0;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  std::string answer;
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
    const std::string request = "GET " + path +
                                " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
                                "\r\nConnection: close\r\n\r\n";
    if (send(fd, request.data(), request.size(), MSG_NOSIGNAL) ==
        static_cast<ssize_t>(request.size())) {
      char buffer[4096];
      pollfd readable{fd, POLLIN, 0};
      while (answer.find("\r\n") == std::string::npos && poll(&readable, 1, 10000) > 0) {
        const ssize_t got = recv(fd, buffer, sizeof buffer, 0);
        if (got <= 0) break;
        answer.append(buffer, static_cast<std::size_t>(got));
      }
    }
  }
  close(fd);
  // "HTTP/1.1 404 Not Found"
  const std::size_t space = answer.find(' ');
  return space == std::string::npos ? 0 : std::atoi(answer.c_str() + space + 1);
}

class WapSiteTest : public ::testing::Test {
 protected:
  void SetUp() override {
    site_ = std::make_unique<PageServer>(kSitePort);
    ASSERT_TRUE(site_->Listening()) << "port " << kSitePort << " is taken";
    site_->SetHandler(SitePage);
  }
  void TearDown() override {
    if (program_ > 0) StopProcess(program_);
    x_.reset();
    site_.reset();
  }

  // Starts an X display and the program with its embedded service; waits for its window.
  // An X server that stops answering every client is the environment's fault: then the
  // session is made again, once.
  void StartProgram() {
    for (int attempt = 0; attempt < 2; ++attempt) {
      x_ = std::make_unique<XSession>(false);
      ASSERT_TRUE(x_->Ready()) << "Xvfb did not start";
      program_ = x_->Start({ProgramPath()}, x_->Folder() + "/tovarin.log", kEmbeddedService);
      ASSERT_GT(program_, 0);
      if (WaitUntil([&] { return x_->WindowNamed(program_, "Tovarin 1.2").has_value(); },
                    kWindowWait)) {
        main_ = *x_->WindowNamed(program_, "Tovarin 1.2");
        return;
      }
      const bool x_answers = x_->Responsive();
      StopProcess(program_);
      program_ = -1;
      ASSERT_FALSE(x_answers) << "no main window";
      std::fprintf(stderr, "e2e: the X server stopped answering; starting again\n");
    }
    FAIL() << "the X server stopped answering twice";
  }

  // The view at its idle place and size: (4, 59), 237 x 305.
  Box View() const { return Box{main_.x + 4, main_.y + 59, 237, 305}; }

  // The start portal cannot be reached in the private network: the service's offline start
  // page says so in a dark red heading at the top of the view.
  void WaitForOfflineStartPage() {
    const Box view = View();
    ASSERT_TRUE(WaitUntil(
        [&] {
          const Screenshot shot = x_->Shoot();
          for (int y = view.top; y < view.top + 40; ++y) {
            for (int x = view.left; x < view.left + view.width; ++x) {
              const auto c = shot.At(x, y);
              if (c[0] >= 120 && c[1] <= 40 && c[2] <= 40) return true;
            }
          }
          return false;
        },
        kWindowWait))
        << "the offline start page never showed";
  }

  // A card of the site: the service's dark blue title bar across the top of the view, and the
  // card's one picture, a black rectangle of the given size.
  bool CardShows(int square_width, int square_height, Box* square = nullptr) {
    const Screenshot shot = x_->Shoot();
    const Box view = View();
    if (!Near(shot.At(view.left + view.width - 12, view.top + 8), 0x1d, 0x4f, 0x91, 8))
      return false;
    const std::vector<Box> found = BlackRectangles(shot, view);
    if (found.size() != 1 || found[0].width != square_width || found[0].height != square_height)
      return false;
    if (square != nullptr) *square = found[0];
    return true;
  }

  // The view shows one black picture of this size and nothing else black of its kind.
  bool PictureShows(int width, int height) {
    const std::vector<Box> found = BlackRectangles(x_->Shoot(), View());
    return found.size() == 1 && found[0].width == width && found[0].height == height;
  }

  // The command menu's "输入网址" reveals the address box; the address typed there is opened
  // with Enter.
  void TypeAddress(const std::string& address) {
    const auto before = x_->VisibleWindows(program_);
    x_->Click(main_.x + 60, main_.y + 12, 1);  // a1
    ASSERT_TRUE(
        WaitUntil([&] { return x_->VisibleWindows(program_).size() > before.size(); }, kEventWait))
        << "no command menu";
    x_->Key("Down");  // "打开" is hidden while the window shows: the first item is "输入网址"
    x_->Key("Return");
    ASSERT_TRUE(WaitUntil([&] { return x_->VisibleWindows(program_).size() == 1; }, kEventWait));
    x_->Click(main_.x + 40, main_.y + 40, 1);  // into Text1
    // Its text is selected when it takes the focus, but the click may place the cursor after
    // that: select it all again, so that the typed address replaces it.
    x_->Key("End");
    x_->Key("shift+Home");
    x_->Type(address);
    x_->Key("Return");
  }

  // For failure messages: what the site was asked for, and where a screenshot of the moment lies.
  std::string Situation() {
    std::string text = "\nthe site received:";
    for (const ReceivedRequest& request : site_->Received())
      text += "\n  " + request.method + " " + request.target;
    const std::string shot = x_->Folder() + "/failure-" + std::to_string(++failure_shots_) + ".png";
    x_->Run({"import", "-silent", "-window", "root", shot});
    return text + "\nscreen: " + shot + " (kept with TOVARIN_E2E_KEEP=1)";
  }

  bool SiteReceived(const std::string& method, const std::string& target,
                    const std::string& body = "") {
    for (const ReceivedRequest& request : site_->Received()) {
      if (request.method == method && request.target == target &&
          request.body.find(body) != std::string::npos) {
        return true;
      }
    }
    return false;
  }

  std::unique_ptr<PageServer> site_;
  std::unique_ptr<XSession> x_;
  pid_t program_ = -1;
  WindowInfo main_;
  int failure_shots_ = 0;
};

TEST_F(WapSiteTest, TypedAddressLinkFormAndPrevThroughTheEmbeddedService) {
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  ASSERT_NO_FATAL_FAILURE(WaitForOfflineStartPage());

  // The first card, with its 40 x 40 WBMP fetched through the service and drawn as a picture.
  ASSERT_NO_FATAL_FAILURE(TypeAddress("wap.localhost:" + std::to_string(kSitePort) + "/index.wml"));
  Box link;
  ASSERT_TRUE(WaitUntil([&] { return CardShows(40, 40, &link); }, kEventWait))
      << "the first card never showed" << Situation();
  EXPECT_TRUE(SiteReceived("GET", "/index.wml"));
  EXPECT_TRUE(SiteReceived("GET", "/images/next.wbmp"));

  // The picture is the link to the second card.
  x_->Click(link.CentreX(), link.CentreY(), 1);
  ASSERT_TRUE(WaitUntil([&] { return CardShows(24, 24); }, kEventWait))
      << "the link did not lead to the second card" << Situation();
  EXPECT_TRUE(SiteReceived("GET", "/images/form.wbmp"));

  // Its field is the first thing Tab reaches; Enter sends the card's accept task.
  x_->Key("Tab");
  x_->Type("zorro");
  x_->Key("Return");
  ASSERT_TRUE(WaitUntil([&] { return CardShows(64, 16); }, kEventWait))
      << "the greeting never showed" << Situation();
  EXPECT_TRUE(SiteReceived("POST", "/greet.wml", "who=zorro"));
  // The greeting carries the typed value: its picture is named after it.
  EXPECT_TRUE(SiteReceived("GET", "/images/seen-zorro.wbmp"));

  // The prev soft key, in the soft-key bar (#eef1f5) under the card, goes back to the second card.
  const Screenshot shot = x_->Shoot();
  const Box view = View();
  int bar_top = -1, bar_bottom = -1;
  for (int y = view.top; y < view.top + view.height; ++y) {
    if (!Near(shot.At(view.left + 2, y), 0xee, 0xf1, 0xf5, 3)) continue;
    if (bar_top < 0) bar_top = y;
    bar_bottom = y;
  }
  ASSERT_GE(bar_top, 0) << "no soft-key bar" << Situation();
  ASSERT_GT(bar_bottom - bar_top, 12);
  x_->Click(view.CentreX(), (bar_top + bar_bottom) / 2, 1);
  EXPECT_TRUE(WaitUntil([&] { return CardShows(24, 24); }, kEventWait))
      << "prev did not go back" << Situation();

  // No dialog and no other window at any point.
  EXPECT_EQ(x_->VisibleWindows(program_).size(), 1u);
}

// A GBK site's form reaches the site in GBK, as a phone sent it, although the page the view shows
// is UTF-8: the view is told to submit the form in the site's charset.
TEST_F(WapSiteTest, FormOfAGbkPageReachesTheSiteInGbk) {
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  ASSERT_NO_FATAL_FAILURE(WaitForOfflineStartPage());
  ASSERT_NO_FATAL_FAILURE(
      TypeAddress("wap.localhost:" + std::to_string(kSitePort) + "/search.xhtml"));
  ASSERT_TRUE(WaitUntil([&] { return PictureShows(40, 40); }, kEventWait))
      << "the search page never showed" << Situation();
  // A click on the page's empty lower part gives the view the keyboard (the address box had
  // it); Tab then reaches the field, and Enter submits its form.
  const Box view = View();
  x_->Click(view.CentreX(), view.top + view.height - 20, 1);
  x_->Key("Tab");
  x_->Key("Return");
  EXPECT_TRUE(WaitUntil([&] { return SiteReceived("GET", "/s.php?q=%CA%D6%BB%FA"); }, kEventWait))
      << "the form did not arrive in GBK" << Situation();
  EXPECT_FALSE(SiteReceived("GET", "/s.php?q=%E6%89%8B%E6%9C%BA"));  // 手机 in UTF-8
}

TEST_F(WapSiteTest, EmbeddedServiceAnswersOnlyUnderItsSecretPathAndEndsWithTheProgram) {
  ASSERT_NO_FATAL_FAILURE(StartProgram());
  ASSERT_NO_FATAL_FAILURE(WaitForOfflineStartPage());
  const std::set<int> ports = ListeningPorts(program_);
  ASSERT_EQ(ports.size(), 1u) << "the program should listen on one port, its service's";
  const int port = *ports.begin();
  // Another program on the machine, not knowing the secret path, gets nothing fetched.
  const std::string typed = "wap.localhost:" + std::to_string(kSitePort) + "/index.wml";
  EXPECT_EQ(StatusOfGet(port, "/tovarin/Client/Tovarin.aspx?url=" + typed), 404);
  EXPECT_EQ(StatusOfGet(port, "/simulator/crawldata_r.jsp?rf=y&url=http%3A%2F%2F" + typed), 404);
  EXPECT_EQ(StatusOfGet(port, "/"), 404);
  EXPECT_TRUE(site_->Requests().empty());

  // a3 ends the program, its service with it, and every process it started.
  const std::vector<pid_t> helpers = Descendants(program_);
  x_->Click(main_.x + 219, main_.y + 12, 1);
  const auto status = WaitForExit(program_, kEventWait);
  ASSERT_TRUE(status.has_value()) << "the program did not end";
  EXPECT_EQ(*status, 0);
  program_ = -1;
  EXPECT_EQ(StatusOfGet(port, "/"), 0);
  EXPECT_TRUE(WaitUntil(
      [&] {
        return std::none_of(helpers.begin(), helpers.end(),
                            [](pid_t helper) { return Alive(helper); });
      },
      kEventWait));
}

}  // namespace
}  // namespace tovarin::e2e
