#include "shell/control_settings.h"

#include <fstream>
#include <iterator>

#include "platform/pictures/picture.h"

namespace tovarin::shell {

namespace {

using platform::PropertyStore;

void SetPicture(PropertyStore& store, const char* key, const std::string& path) {
  auto picture = platform::LoadPictureFromFile(path);
  if (picture) store.Set(key, platform::PictureRef(picture.value()));
}

platform::FontRecord Tahoma() {
  platform::FontRecord font;
  font.name = "Tahoma";
  font.size_points = 8.25;
  font.weight = 400;
  font.charset = 0;
  return font;
}

}  // namespace

PropertyStore ButtonSettings(const std::string& name, const std::string& picture_folder) {
  PropertyStore store;
  const bool menu = name == "a1";
  if (!menu && name != "a2" && name != "a3") return store;
  store.Set("_extentx", std::int32_t{menu ? 2566 : 609});
  store.Set("_extenty", std::int32_t{menu ? 635 : 609});
  store.Set("buttonstyle", std::int32_t{menu ? 13 : 5});  // Themed; Orange
  store.Set("font", Tahoma());
  store.Set("backcolor", std::int32_t{menu ? 16765357 : 16572874});
  store.Set("caption", std::string());
  if (name == "a2") {
    store.Set("forecolor", std::int32_t{16711680});
    store.Set("forecolorhover", std::int32_t{16711680});
  }
  const std::string prefix = picture_folder + "/" + name;
  SetPicture(store, "picturenormal", prefix + "_normal.bmp");
  SetPicture(store, "picturehot", prefix + "_hot.bmp");
  SetPicture(store, "picturedown", prefix + "_down.bmp");
  store.Set("pictureeffectonover", std::int32_t{0});
  store.Set("pictureeffectondown", std::int32_t{0});
  if (name == "a3") {
    store.Set("picturepushonhover", true);
    store.Set("disabledpicturemode", std::int32_t{1});  // Grayscale
  }
  store.Set("captioneffects", std::int32_t{0});
  store.Set("tooltip", std::string(menu ? "主菜单" : name == "a2" ? "最小化" : "关闭"));
  store.Set("tooltipbackcolor", std::int32_t{0});
  return store;
}

PropertyStore LoadingAnimationSettings(const std::string& picture_folder) {
  PropertyStore store;
  store.Set("_extentx", std::int32_t{6271});
  store.Set("_extenty", std::int32_t{7858});
  std::ifstream file(picture_folder + "/loading.gif", std::ios::binary);
  if (file) {
    platform::Bytes bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (!bytes.empty()) store.Set("gif", std::move(bytes));
  }
  return store;
}

}  // namespace tovarin::shell
