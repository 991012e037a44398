#pragma once
// Form2: the never-shown window that hosts the two pop-up menus: the command menu `choose`
// (opened by a1 and by the tray icon) and the error menu `error` (opened when a typed address
// is refused). The Application creates it the first time one of its menus is needed.
//
// The items act on Form1 through the Application; an item whose target form is not loaded
// does nothing.

#include <memory>
#include <string>

#include "platform/host/form_toolkit.h"
#include "platform/host/menu.h"
#include "shell/shell_settings.h"

namespace tovarin::shell {

class Application;

// Portal hosts of the bookmarks (each reached as "http://" + host through the service), and
// the portal of the first bookmark, reached through the mobile-site simulator.
inline constexpr const char* kLexinHost = "wap.lexun.com";
inline constexpr const char* kFeikuHost = "wap.feiku.com";
inline constexpr const char* kBaoruanHost = "wap.baoruan.com";
inline constexpr const char* kDangleHost = "wap.d.cn";
inline constexpr const char* kBaiduHost = "wap.baidu.com";
inline constexpr const char* kTengxunHost = "info.3g.qq.com";

// The items of the "网址" submenu in menu order: item name, caption as the menu shows it, and
// the portal's host. The embedded rendering service lists the same portals on its offline
// start page.
struct BookmarkPortal {
  const char* item_name;
  const char* caption;
  const char* host;
};
inline constexpr BookmarkPortal kBookmarkPortals[6] = {
    {"tengxun", "腾讯网|通道2", kTengxunHost}, {"lexin", "乐讯网", kLexinHost},
    {"feiku", "飞库网", kFeikuHost},           {"baoruan", "宝软网", kBaoruanHost},
    {"dangle", "当乐网", kDangleHost},         {"baidu", "百度网", kBaiduHost},
};

class Form2 {
 public:
  Form2(platform::FormToolkit& toolkit, Application& application, const ShellSettings& settings);
  Form2(const Form2&) = delete;
  Form2& operator=(const Form2&) = delete;

  platform::MenuItem& choose() { return *choose_; }
  platform::MenuItem& error() { return *error_; }
  // The visibility of the `open` item ("打开"), set by whoever opens the command menu.
  void SetOpenVisible(bool visible);
  const std::string& Caption() const { return caption_; }

  // The addresses the navigation items go to.
  std::string BookmarkAddress(const std::string& item_name) const;

 private:
  std::shared_ptr<platform::MenuItem> Item(const char* name, const char* caption, int shortcut,
                                           void (Form2::*handler)());
  void BuildChoose();
  void BuildError();

  void OnOpen();
  void OnShu();
  void OnTengxun();
  void OnLexin();
  void OnFeiku();
  void OnBaoruan();
  void OnDangle();
  void OnBaidu();
  void OnPage();
  void OnAbout();
  void OnExit();
  void OnError1();
  void NavigateTo(const std::string& item_name);

  platform::FormToolkit& toolkit_;
  Application& application_;
  ShellSettings settings_;
  std::string caption_ = "Form2";
  std::shared_ptr<platform::MenuItem> choose_;
  std::shared_ptr<platform::MenuItem> error_;
};

}  // namespace tovarin::shell
