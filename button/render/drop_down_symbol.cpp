// The drop-down symbol: one glyph of the Marlett symbol font.

#include <string>

#include "button/render/button_renderer.h"
#include "platform/text/text.h"

namespace tovarin::button {

// Symbol character set of the classic font request.
constexpr int kSymbolCharset = 2;

std::shared_ptr<platform::Font> ButtonRenderer::CreateSymbolFont(int cell_height) {
  // A positive height asks for a cell of that many pixels; the text layer draws Marlett glyphs
  // in cells as high as the font's pixel size, which is points * 96 / 72.
  auto font = std::make_shared<platform::Font>("Marlett", cell_height * 72.0 / 96.0);
  font->SetCharset(kSymbolCharset);
  return font;
}

void ButtonRenderer::DrawDropDownSymbol(std::int32_t symbol) {
  constexpr int kSymbolCellHeight = 14;
  const std::shared_ptr<platform::Font> font = CreateSymbolFont(kSymbolCellHeight);
  // Only the first character of the decimal text is drawn: 12 draws the glyph of "1".
  const std::string text = std::to_string(symbol).substr(0, 1);
  platform::DrawText(surface_, *font, text_color_, text, model_.mDropDownRect,
                     platform::kDtWordBreak);
}

}  // namespace tovarin::button
