#include "shell/form2.h"

#include <iterator>

#include "shell/address_rules.h"
#include "shell/application.h"
#include "shell/form1.h"

namespace tovarin::shell {

namespace {
// Shortcut codes: 1..26 Ctrl+A..Ctrl+Z, 27..38 F1..F12.
constexpr int kCtrlA = 1, kCtrlE = 5, kCtrlM = 13, kCtrlO = 15, kCtrlS = 19;
constexpr int kF1 = 27;
}  // namespace

Form2::Form2(platform::FormToolkit& toolkit, Application& application,
             const ShellSettings& settings)
    : toolkit_(toolkit), application_(application), settings_(settings) {
  BuildChoose();
  BuildError();
}

std::shared_ptr<platform::MenuItem> Form2::Item(const char* name, const char* caption, int shortcut,
                                                void (Form2::*handler)()) {
  auto item = std::make_shared<platform::MenuItem>();
  item->name = name;
  item->caption = caption;
  item->shortcut = shortcut;
  if (handler != nullptr) item->on_click = [this, handler] { (this->*handler)(); };
  return item;
}

void Form2::BuildChoose() {
  choose_ = Item("choose", "choose", 0, nullptr);
  auto web = Item("web", "网址", 0, nullptr);
  // The handlers in the order of kBookmarkPortals; F1 to F6.
  constexpr void (Form2::*kPortalHandlers[])() = {&Form2::OnTengxun, &Form2::OnLexin,
                                                  &Form2::OnFeiku,   &Form2::OnBaoruan,
                                                  &Form2::OnDangle,  &Form2::OnBaidu};
  static_assert(std::size(kPortalHandlers) == std::size(kBookmarkPortals));
  for (std::size_t i = 0; i < std::size(kBookmarkPortals); ++i) {
    const BookmarkPortal& portal = kBookmarkPortals[i];
    web->children.push_back(
        Item(portal.item_name, portal.caption, kF1 + static_cast<int>(i), kPortalHandlers[i]));
  }
  choose_->children = {
      Item("open", "打开", kCtrlO, &Form2::OnOpen),
      Item("shu", "输入网址", kCtrlS, &Form2::OnShu),
      web,
      Item("q", "-", 0, nullptr),
      Item("page", "主页", kCtrlM, &Form2::OnPage),
      Item("about", "关于", kCtrlA, &Form2::OnAbout),
      Item("y", "-", 0, nullptr),
      Item("exit", "退出", kCtrlE, &Form2::OnExit),
  };
}

void Form2::BuildError() {
  error_ = Item("error", "error", 0, nullptr);
  error_->children = {Item("error1", "您输入的网址不合法！", 0, &Form2::OnError1)};
}

void Form2::SetOpenVisible(bool visible) { choose_->Find("open")->visible = visible; }

std::string Form2::BookmarkAddress(const std::string& item_name) const {
  for (const BookmarkPortal& portal : kBookmarkPortals) {
    if (item_name != portal.item_name) continue;
    // The first bookmark reaches its portal through the mobile-site simulator.
    if (&portal == &kBookmarkPortals[0])
      return SimulatorAddress(settings_.simulator_base, "http", portal.host);
    return ServiceAddress(settings_.ServicePrefix, std::string("http://") + portal.host);
  }
  return {};
}

void Form2::NavigateTo(const std::string& item_name) {
  Form1* form1 = application_.form1();
  if (form1 == nullptr) return;
  (void)form1->controls().W1->Navigate(BookmarkAddress(item_name));
}

void Form2::OnOpen() {
  if (Form1* form1 = application_.form1()) form1->Show();
}

void Form2::OnShu() {
  Form1* form1 = application_.form1();
  if (form1 == nullptr) return;
  form1->controls().Text1->SetVisible(true);
  form1->controls().Label1->SetVisible(true);
}

void Form2::OnTengxun() { NavigateTo("tengxun"); }
void Form2::OnLexin() { NavigateTo("lexin"); }
void Form2::OnFeiku() { NavigateTo("feiku"); }
void Form2::OnBaoruan() { NavigateTo("baoruan"); }
void Form2::OnDangle() { NavigateTo("dangle"); }
void Form2::OnBaidu() { NavigateTo("baidu"); }

void Form2::OnPage() { toolkit_.OpenAddress(settings_.HomePageUrl); }

void Form2::OnAbout() { application_.ShowForm3(); }

void Form2::OnExit() { application_.Exit(); }

void Form2::OnError1() {
  if (Form1* form1 = application_.form1()) form1->controls().Text1->SetText("");
}

}  // namespace tovarin::shell
