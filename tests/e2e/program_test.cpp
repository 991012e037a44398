// The real program under its own X display, with pages served on the service's loopback port:
// the tests name their page server as the program's rendering service.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "tests/e2e/e2e_support.h"

namespace tovarin::e2e {
namespace {

constexpr auto kWindowWait = 90s;  // the first start of WebKit on a busy machine is slow
constexpr auto kEventWait = 20s;

// The service the program is told to use instead of its embedded one: the page server.
constexpr const char* kServicePrefix = "http://127.0.0.1:47811/tovarin/Client/Tovarin.aspx?url=";

// The program's environment naming that service.
std::vector<std::string> ServiceEnvironment() {
  return {std::string("TOVARIN_SERVICE_PREFIX=") + kServicePrefix};
}

// The port of the service prefix.
int ServicePort() {
  const std::string prefix = kServicePrefix;
  const std::size_t host = prefix.find("://") + 3;
  const std::size_t colon = prefix.find(':', host);
  const std::size_t slash = prefix.find('/', host);
  if (colon == std::string::npos || colon > slash) return 80;
  return std::atoi(prefix.substr(colon + 1, slash - colon - 1).c_str());
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string ServicePath() {
  const std::string prefix = kServicePrefix;
  return prefix.substr(prefix.find('/', prefix.find("://") + 3));
}

std::string ProgramPath() { return std::string(TOVARIN_BINARY_DIR) + "/shell/tovarin"; }

// A page filling the view with one colour.
std::string ColouredPage(const std::string& colour, const std::string& extra = "") {
  return "<!DOCTYPE html><html><head><title>p</title></head><body style=\"margin:0;background:" +
         colour + ";height:2000px\">" + extra + "</body></html>";
}

PageResponse Html(std::string body) {
  PageResponse response;
  response.body = std::move(body);
  return response;
}

bool IsMagenta(const std::array<int, 3>& c) { return c[0] > 230 && c[1] < 30 && c[2] > 230; }

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    server_ = std::make_unique<PageServer>(ServicePort());
    ASSERT_TRUE(server_->Listening()) << "port " << ServicePort() << " is taken";
  }
  void TearDown() override {
    if (program_ > 0) StopProcess(program_);
    x_.reset();
    server_.reset();
  }

  // Serves `start_page` for every service address, and `other` for anything else.
  void ServePages(std::function<PageResponse(const std::string&)> start_page,
                  std::function<PageResponse(const std::string&)> other = nullptr) {
    const std::string service = ServicePath();
    server_->SetHandler([=](const std::string& target) {
      if (target.rfind(service, 0) == 0) return start_page(target.substr(service.size()));
      if (other) return other(target);
      PageResponse missing;
      missing.status = 404;
      return missing;
    });
  }

  // Starts an X display (with a tray when asked) and the program; waits for its window.
  // A virtual X server that stops answering every client (seen on a crowded machine) is the
  // environment's fault, not the program's: then the whole session is made again, once.
  void StartProgram(bool with_tray, const std::string& program = ProgramPath()) {
    for (int attempt = 0; attempt < 2; ++attempt) {
      x_ = std::make_unique<XSession>(with_tray);
      ASSERT_TRUE(x_->Ready()) << "Xvfb did not start";
      program_ = x_->Start({program}, x_->Folder() + "/tovarin.log", ServiceEnvironment());
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

  // Waits until the view shows the magenta start page.
  void WaitForMagentaPage() {
    ASSERT_TRUE(WaitUntil([&] { return IsMagenta(x_->Shoot().At(main_.x + 120, main_.y + 200)); },
                          kWindowWait))
        << "the page never showed";
  }

  // Waits for a new visible window of the program other than the ones in `known`.
  std::optional<WindowInfo> WaitForNewWindow(const std::vector<WindowInfo>& known,
                                             std::chrono::milliseconds timeout) {
    return x_->WaitForNewWindow(program_, known, timeout);
  }

  std::unique_ptr<PageServer> server_;
  std::unique_ptr<XSession> x_;
  pid_t program_ = -1;
  WindowInfo main_;
};

TEST_F(ProgramTest, WindowIsBorderless244x398CentredAndShowsTheStartPage) {
  ServePages([](const std::string&) { return Html(ColouredPage("#ff00ff")); });
  ASSERT_NO_FATAL_FAILURE(StartProgram(false));
  EXPECT_EQ(main_.width, 244);
  EXPECT_EQ(main_.height, 398);
  EXPECT_EQ(main_.x, (1024 - 244) / 2);
  EXPECT_EQ(main_.y, (768 - 398) / 2);
  ASSERT_NO_FATAL_FAILURE(WaitForMagentaPage());
  EXPECT_TRUE(server_->Requested(ServicePath() + TOVARIN_START_ADDRESS));
  // No frame: the client area is the skin picture, with its black outline at the very edges.
  const Screenshot shot = x_->Shoot();
  EXPECT_EQ(shot.At(main_.x, main_.y + 200), (std::array<int, 3>{0, 0, 0}));
  EXPECT_EQ(shot.At(main_.x + 243, main_.y + 200), (std::array<int, 3>{0, 0, 0}));
  EXPECT_EQ(shot.At(main_.x + 120, main_.y + 397), (std::array<int, 3>{0, 0, 0}));
  // The view's idle size: 3548 x 4568 twips = 237 x 305 pixels from (4, 59).
  EXPECT_TRUE(IsMagenta(shot.At(main_.x + 8, main_.y + 300)));
  EXPECT_FALSE(IsMagenta(shot.At(main_.x + 1, main_.y + 200)));
  // Only the main window is shown.
  EXPECT_EQ(x_->VisibleWindows(program_).size(), 1u);
}

TEST_F(ProgramTest, LoadingAnimationShowsWhileTheViewIsBusyAndThePageCoversItAfterwards) {
  // The start page takes a while: meanwhile the view is one pixel and g1 shows.
  ServePages([](const std::string&) {
    std::this_thread::sleep_for(6s);
    return Html(ColouredPage("#ff00ff"));
  });
  ASSERT_NO_FATAL_FAILURE(StartProgram(false));
  // The top dot of g1's ring of dots: (118, 35) in g1, which sits at (3, 64).
  auto bluish = [](const std::array<int, 3>& c) { return c[2] > c[0] + 40 && c[2] >= c[1]; };
  EXPECT_TRUE(WaitUntil([&] { return bluish(x_->Shoot().At(main_.x + 121, main_.y + 99)); }, 5s))
      << "no loading animation while busy";
  ASSERT_NO_FATAL_FAILURE(WaitForMagentaPage());
  EXPECT_TRUE(IsMagenta(x_->Shoot().At(main_.x + 121, main_.y + 99)));
}

TEST_F(ProgramTest, PagesAndFramesCanRaiseNoDialogOrWindowOrContextMenu) {
  const std::string port = std::to_string(ServicePort());
  const std::string probe =
      "function probe(where){var r=[];"
      "try{alert('a');r.push('alert-ran')}catch(e){r.push('alert-failed')}"
      "try{confirm('c');r.push('confirm-ran')}catch(e){r.push('confirm-failed')}"
      "try{window.open('/opened-by-script');r.push('open-ran')}catch(e){r.push('open-failed')}"
      "try{showModalDialog('/m');r.push('modal-ran')}catch(e){r.push('modal-failed')}"
      "new Image().src='/report/'+where+'?'+r.join(',');}";
  const std::string main_page =
      ColouredPage("#ff00ff",
                   "<a href=\"/opened-by-link\" target=\"_blank\" "
                   "style=\"display:block;height:100px;background:#0000ff\">x</a>"
                   "<iframe src=\"http://localhost:" +
                       port +
                       "/frame\" style=\"width:200px;height:80px;border:0\"></iframe>"
                       "<script>" +
                       probe +
                       "window.addEventListener('load',function(){setTimeout(function(){probe('"
                       "main')},1500)})</script>");
  const std::string frame_page = "<html><body style=\"background:#00ff00\"><script>" + probe +
                                 "window.addEventListener('load',function(){setTimeout(function(){"
                                 "probe('frame')},1500)})</script></body></html>";
  ServePages([&](const std::string&) { return Html(main_page); },
             [&](const std::string& target) {
               if (target == "/frame") return Html(frame_page);
               return Html("<html><body>other</body></html>");
             });
  ASSERT_NO_FATAL_FAILURE(StartProgram(false));
  ASSERT_TRUE(WaitUntil(
      [&] { return server_->Requested("/report/main") && server_->Requested("/report/frame"); },
      kWindowWait));
  // After the five scripts alert, confirm and open fail, and showModalDialog does nothing, in
  // the page and in its frame alike.
  EXPECT_TRUE(server_->Requested("/report/main?alert-failed,confirm-failed,open-failed,modal-ran"));
  EXPECT_TRUE(
      server_->Requested("/report/frame?alert-failed,confirm-failed,open-failed,modal-ran"));

  // A link to a new window opens nothing.
  const auto before = x_->VisibleWindows(program_);
  x_->Click(main_.x + 100, main_.y + 59 + 40, 1);
  // A right click shows no menu.
  x_->Click(main_.x + 100, main_.y + 250, 3);
  EXPECT_FALSE(WaitForNewWindow(before, 3s).has_value());
  EXPECT_FALSE(server_->Requested("/opened-by-link"));
  EXPECT_FALSE(server_->Requested("/opened-by-script"));
  x_->Key("Escape");
}

TEST_F(ProgramTest, MenuButtonOpensCommandMenuAndRefusedAddressOpensErrorMenu) {
  ServePages([](const std::string&) { return Html(ColouredPage("#ff00ff")); });
  ASSERT_NO_FATAL_FAILURE(StartProgram(false));
  ASSERT_NO_FATAL_FAILURE(WaitForMagentaPage());
  const auto before = x_->VisibleWindows(program_);
  x_->Click(main_.x + 60, main_.y + 12, 1);  // a1
  const auto menu = WaitForNewWindow(before, kEventWait);
  ASSERT_TRUE(menu.has_value()) << "no command menu";
  // Just under a1's lower-left corner: a1 is at (18, 0), 24 pixels high.
  EXPECT_EQ(menu->x, main_.x + 18);
  EXPECT_EQ(menu->y, main_.y + 24);

  // "输入网址" is the first item here ("打开" is hidden): it reveals the address box.
  x_->Key("Down");
  x_->Key("Return");
  ASSERT_TRUE(WaitUntil([&] { return x_->VisibleWindows(program_).size() == 1; }, kEventWait));
  x_->Click(main_.x + 40, main_.y + 40, 1);  // into Text1: its text is selected
  x_->Type("WAP.x");
  x_->Key("Return");
  const auto error_menu = WaitForNewWindow(before, kEventWait);
  ASSERT_TRUE(error_menu.has_value()) << "no error menu";
  EXPECT_EQ(error_menu->x, main_.x + 8);   // 120 twips
  EXPECT_EQ(error_menu->y, main_.y + 53);  // 795 twips
  // Its one item empties the box: what is typed next is the whole address.
  x_->Key("Down");
  x_->Key("Return");
  ASSERT_TRUE(WaitUntil([&] { return x_->VisibleWindows(program_).size() == 1; }, kEventWait));
  x_->Type("wap.typed");
  x_->Key("Return");
  EXPECT_TRUE(
      WaitUntil([&] { return server_->Requested(ServicePath() + "wap.typed"); }, kEventWait));
  EXPECT_FALSE(server_->Requested(ServicePath() + "WAP"));
}

TEST_F(ProgramTest, TrayIconBringsHiddenWindowBackAndOffersOpen) {
  ServePages([](const std::string&) { return Html(ColouredPage("#ff00ff")); });
  ASSERT_NO_FATAL_FAILURE(StartProgram(true));
  std::optional<WindowInfo> icon;
  ASSERT_TRUE(WaitUntil(
      [&] { return (icon = x_->WindowNamed(program_, "Tovarin1.2")).has_value(); }, kWindowWait))
      << "no tray icon";
  x_->Click(main_.x + 196, main_.y + 12, 1);  // a2 hides the window
  ASSERT_TRUE(WaitUntil([&] { return !x_->WindowNamed(program_, "Tovarin 1.2"); }, kEventWait));
  x_->Click(icon->x + icon->width / 2, icon->y + icon->height / 2, 1);
  ASSERT_TRUE(
      WaitUntil([&] { return x_->WindowNamed(program_, "Tovarin 1.2").has_value(); }, kEventWait));
  const WindowInfo back = *x_->WindowNamed(program_, "Tovarin 1.2");
  EXPECT_EQ(back.x, main_.x);
  EXPECT_EQ(back.y, main_.y);

  // The tray's menu has one item more ("打开") than the menu button's.
  auto before = x_->VisibleWindows(program_);
  x_->Click(main_.x + 60, main_.y + 12, 1);
  const auto button_menu = WaitForNewWindow(before, kEventWait);
  ASSERT_TRUE(button_menu.has_value());
  x_->Key("Escape");
  ASSERT_TRUE(
      WaitUntil([&] { return x_->VisibleWindows(program_).size() == before.size(); }, kEventWait));
  x_->Click(icon->x + icon->width / 2, icon->y + icon->height / 2, 3);
  const auto tray_menu = WaitForNewWindow(before, kEventWait);
  ASSERT_TRUE(tray_menu.has_value());
  EXPECT_GT(tray_menu->height, button_menu->height);
  x_->Key("Escape");
}

TEST_F(ProgramTest, ExitLeavesNoWindowNoTrayIconAndNoProcess) {
  ServePages([](const std::string&) { return Html(ColouredPage("#ff00ff")); });
  ASSERT_NO_FATAL_FAILURE(StartProgram(true));
  ASSERT_NO_FATAL_FAILURE(WaitForMagentaPage());
  ASSERT_TRUE(
      WaitUntil([&] { return x_->WindowNamed(program_, "Tovarin1.2").has_value(); }, kEventWait));
  const std::vector<pid_t> helpers = Descendants(program_);
  EXPECT_FALSE(helpers.empty());              // the web and network processes
  x_->Click(main_.x + 219, main_.y + 12, 1);  // a3
  const auto status = WaitForExit(program_, kEventWait);
  ASSERT_TRUE(status.has_value()) << "the program did not end";
  EXPECT_EQ(*status, 0);
  program_ = -1;
  EXPECT_TRUE(x_->Run({"xdotool", "search", "--name", "^Tovarin"}).empty());
  EXPECT_TRUE(WaitUntil(
      [&] {
        for (pid_t helper : helpers) {
          if (Alive(helper)) return false;
        }
        return true;
      },
      kEventWait));
}

TEST_F(ProgramTest, SecondInstanceEndsWithoutWindowOrMessage) {
  ServePages([](const std::string&) { return Html(ColouredPage("#ff00ff")); });
  ASSERT_NO_FATAL_FAILURE(StartProgram(false));
  const pid_t second =
      x_->Start({ProgramPath()}, x_->Folder() + "/second.log", ServiceEnvironment());
  const auto status = WaitForExit(second, kWindowWait);
  ASSERT_TRUE(status.has_value()) << "the second instance kept running";
  EXPECT_EQ(*status, 0);
  EXPECT_TRUE(
      x_->Run({"xdotool", "search", "--onlyvisible", "--pid", std::to_string(second)}).empty());
  EXPECT_EQ(x_->Run({"xdotool", "search", "--onlyvisible", "--name", "^Tovarin 1.2$"}),
            main_.id + "\n");
}

TEST_F(ProgramTest, LeftButtonDragsTheWindowOtherButtonsDoNot) {
  ServePages([](const std::string&) { return Html(ColouredPage("#ff00ff")); });
  ASSERT_NO_FATAL_FAILURE(StartProgram(false));
  ASSERT_NO_FATAL_FAILURE(WaitForMagentaPage());
  auto drag = [&](int button, int dx, int dy) {
    const int x = main_.x + 150;  // the bottom band of the surface, under no control
    const int y = main_.y + 392;
    x_->Run({"xdotool", "mousemove", std::to_string(x), std::to_string(y), "mousedown",
             std::to_string(button)});
    x_->Run({"xdotool", "mousemove", std::to_string(x + dx / 2), std::to_string(y + dy / 2)});
    x_->Run({"xdotool", "mousemove", std::to_string(x + dx), std::to_string(y + dy)});
    x_->Run({"xdotool", "mouseup", std::to_string(button)});
  };
  drag(3, 40, -30);
  std::this_thread::sleep_for(1s);
  WindowInfo now = *x_->WindowNamed(program_, "Tovarin 1.2");
  EXPECT_EQ(now.x, main_.x);
  EXPECT_EQ(now.y, main_.y);
  drag(1, 40, -30);
  EXPECT_TRUE(WaitUntil(
      [&] {
        now = *x_->WindowNamed(program_, "Tovarin 1.2");
        return now.x == main_.x + 40 && now.y == main_.y - 30;
      },
      kEventWait))
      << "window at " << now.x << "," << now.y;
}

TEST_F(ProgramTest, MissingSkinShowsTheErrorReportAndEnds) {
  ServePages([](const std::string&) { return Html(ColouredPage("#ff00ff")); });
  x_ = std::make_unique<XSession>(false);
  ASSERT_TRUE(x_->Ready());
  // The program without its skins folder.
  const std::string folder = x_->Folder() + "/program";
  std::filesystem::create_directories(folder);
  std::filesystem::copy_file(ProgramPath(), folder + "/tovarin");
  std::filesystem::copy(std::string(TOVARIN_BINARY_DIR) + "/shell/pictures", folder + "/pictures");
  program_ = x_->Start({folder + "/tovarin"}, x_->Folder() + "/tovarin.log", ServiceEnvironment());
  std::optional<WindowInfo> report;
  WaitUntil(
      [&] {
        return (report = x_->WindowNamed(program_, "错误提示")).has_value() || !Alive(program_);
      },
      kWindowWait);
  ASSERT_TRUE(report.has_value()) << "no error report; the program said:\n"
                                  << ReadFile(x_->Folder() + "/tovarin.log");
  EXPECT_FALSE(x_->WindowNamed(program_, "Tovarin 1.2").has_value());
  x_->Run({"xdotool", "windowactivate", "--sync", report->id});
  x_->Click(report->x + report->width / 2, report->y + report->height / 2, 1);  // focus
  x_->Key("Return");
  const auto status = WaitForExit(program_, kEventWait);
  ASSERT_TRUE(status.has_value());
  EXPECT_EQ(*status, 1);
  program_ = -1;
}

// Pages that misbehave: the shell stays responsive (its menu opens) and shows nothing else.
struct BadPage {
  const char* name;
  std::function<PageResponse(const std::string&)> serve;
};

class MisbehavingPageTest : public ProgramTest, public ::testing::WithParamInterface<int> {};

std::vector<BadPage> BadPages() {
  return {
      {"endless_alert_loop",
       [](const std::string&) {
         return Html(ColouredPage("#ff00ff", "<script>for(;;){try{alert(1)}catch(e){}}</script>"));
       }},
      {"window_open_storm",
       [](const std::string&) {
         return Html(ColouredPage(
             "#ff00ff",
             "<script>setInterval(function(){for(var i=0;i<200;i++){try{window.open('/storm')}"
             "catch(e){}}},10)</script>"));
       }},
      {"huge_page",
       [](const std::string&) {
         PageResponse response = Html("<html><body style=\"background:#ff00ff\"><pre>");
         response.generated_bytes = 40u * 1024 * 1024;
         return response;
       }},
      {"endless_redirects",
       [](const std::string& address) {
         PageResponse response;
         response.status = 302;
         response.headers = {{"Location", ServicePath() + address + "x"}};
         return response;
       }},
      {"download",
       [](const std::string&) {
         PageResponse response;
         response.content_type = "application/octet-stream";
         response.headers = {{"Content-Disposition", "attachment; filename=\"big.bin\""}};
         response.generated_bytes = 4u * 1024 * 1024;
         return response;
       }},
      {"plain_text",
       [](const std::string&) {
         PageResponse response;
         response.content_type = "text/plain";
         response.body = "not a page <script>alert(1)</script>";
         return response;
       }},
  };
}

TEST_P(MisbehavingPageTest, ShellStaysResponsive) {
  const BadPage page = BadPages()[static_cast<std::size_t>(GetParam())];
  SCOPED_TRACE(page.name);
  ServePages(page.serve, [](const std::string&) { return Html(ColouredPage("#00ff00")); });
  ASSERT_NO_FATAL_FAILURE(StartProgram(false));
  std::this_thread::sleep_for(5s);  // let the page do its worst
  ASSERT_TRUE(Alive(program_));
  EXPECT_EQ(x_->VisibleWindows(program_).size(), 1u);
  const auto before = x_->VisibleWindows(program_);
  x_->Click(main_.x + 60, main_.y + 12, 1);
  EXPECT_TRUE(WaitForNewWindow(before, kEventWait).has_value()) << "the command menu did not open";
  x_->Key("Escape");
  EXPECT_FALSE(server_->Requested("/storm"));
  EXPECT_FALSE(std::filesystem::exists(x_->Folder() + "/home/Downloads/big.bin"));
}

INSTANTIATE_TEST_SUITE_P(Pages, MisbehavingPageTest, ::testing::Range(0, 6),
                         [](const ::testing::TestParamInfo<int>& param_info) {
                           return std::string(
                               BadPages()[static_cast<std::size_t>(param_info.param)].name);
                         });

}  // namespace
}  // namespace tovarin::e2e
