#include "gateway/wml_renderer.h"

#include <cstdio>
#include <functional>
#include <optional>

#include "gateway/html_writer.h"
#include "gateway/limits.h"
#include "gateway/url.h"
#include "gateway/wml_deck.h"
#include "gateway/wml_form_fields.h"

namespace tovarin::gateway {
namespace {

// Elements written as the same HTML element, with no attributes.
bool IsPlainInline(std::string_view name) {
  return name == "b" || name == "i" || name == "u" || name == "big" || name == "small" ||
         name == "em" || name == "strong";
}

// Elements whose content is never shown where they stand.
bool IsHidden(std::string_view name) {
  return name == "head" || name == "template" || name == "access" || name == "meta" ||
         name == "do" || name == "onevent" || name == "timer" || name == "go" || name == "prev" ||
         name == "refresh" || name == "noop" || name == "setvar" || name == "postfield" ||
         name == "script" || name == "style";
}

std::string_view TextAlign(std::string_view align) {
  if (align == "center" || align == "C" || align == "c") return "center";
  if (align == "right" || align == "R" || align == "r") return "right";
  if (align == "left" || align == "L" || align == "l") return "left";
  return {};
}

class CardWriter {
 public:
  CardWriter(const WmlDeck& deck, const MarkupNode& card, const WmlRenderRequest& request,
             WmlContext& context)
      : deck_(deck),
        card_(card),
        request_(request),
        context_(context),
        deck_url_(UrlWithoutFragment(request.deck_url)),
        form_mode_(HasFields(card)) {
    std::string id = card.AttributeOr("id", "");
    card_url_ = id.empty() ? deck_url_ : deck_url_ + "#" + id;
  }

  const std::string& card_url() const { return card_url_; }

  std::string Write(std::string_view head_extra) {
    std::string title = Text(card_.AttributeOr("title", ""));
    BeginDocument(out_, title.empty() ? deck_url_ : title, head_extra);
    if (form_mode_) BeginForm();
    if (!title.empty()) {
      out_ += "<h1 class=\"wml-title\">";
      AppendEscapedText(out_, title);
      out_ += "</h1>";
    }
    out_ += "<div class=\"wml-card\">";
    WriteChildren(card_, 0);
    out_ += "</div>";
    WriteSoftKeys();
    if (truncated_) out_ += "<p class=\"wml-note\">（页面过长，其余部分未显示）</p>";
    if (form_mode_) out_ += "</form>";
    EndDocument(out_);
    return std::move(out_);
  }

  // The address a timer or a link-mode task leads to.
  std::string LinkFor(const WmlTask& task) {
    if (task.kind == WmlTask::Kind::kGo && task.postfields.empty() && task.setvars.empty() &&
        !task.post) {
      std::optional<std::string> target = StaticTarget(task);
      if (target && IsFetchableScheme(UrlScheme(*target))) return request_.links->Page(*target);
    }
    return request_.links->TaskLink(card_url_, EncodeTask(task));
  }

 private:
  std::string Text(std::string_view raw) {
    return SubstituteVariables(raw, context_.variables, VariableContext::kText, request_.charset);
  }
  // An address attribute with its variables substituted and its query in the deck's charset.
  std::string Address(std::string_view raw) {
    return EncodeQueryInCharset(
        SubstituteVariables(raw, context_.variables, VariableContext::kAddress, request_.charset),
        request_.charset);
  }
  bool Full() {
    if (out_.size() > kMaxOutputBytes) truncated_ = true;
    return truncated_;
  }

  // The resolved address of a go task, when it can be known now.
  std::optional<std::string> StaticTarget(const WmlTask& task) {
    return ResolveUrl(deck_url_, Address(task.href));
  }

  void BeginForm() {
    FormTarget target = request_.links->Task(card_url_);
    out_ += "<form method=\"post\"";
    AppendAttribute(out_, "action", target.action);
    out_ += ">";
    for (const auto& [name, value] : target.hidden) {
      out_ += "<input type=\"hidden\"";
      AppendAttribute(out_, "name", name);
      AppendAttribute(out_, "value", value);
      out_ += ">";
    }
    // Enter in a field submits the form's first button: make that the card's accept key (or a
    // plain refresh that keeps what was typed), not whichever link happens to come first.
    WmlTask default_task;
    default_task.kind = WmlTask::Kind::kRefresh;
    for (const SoftKey& key : SoftKeysOf(card_, deck_.deck_template, request_.charset)) {
      if (key.type == "accept") {
        if (!UnfollowableTarget(key.task)) default_task = key.task;
        break;
      }
    }
    out_ += "<button type=\"submit\" hidden tabindex=\"-1\"";
    AppendAttribute(out_, "name", kTaskField);
    AppendAttribute(out_, "value", EncodeTask(default_task));
    out_ += "></button>";
  }

  // For a go to an address the service does not fetch (mailto:, tel:, wtai:, javascript:):
  // that address, to show instead of a control; nullopt for any other task. The scheme is known
  // now when the href holds no reference, and when it names its scheme before any reference
  // ("wtai://wp/mc;$(number)", which real decks write for their call buttons).
  std::optional<std::string> UnfollowableTarget(const WmlTask& task) {
    if (task.kind != WmlTask::Kind::kGo) return std::nullopt;
    if (HasVariableReference(task.href) && UrlScheme(task.href).empty()) return std::nullopt;
    std::optional<std::string> target = StaticTarget(task);
    if (target && IsFetchableScheme(UrlScheme(*target))) return std::nullopt;
    return target ? *target : Address(task.href);
  }

  // A control that starts `task`: a link, or in a card with fields a submit button. A go to an
  // address of another scheme is shown as text with its target.
  void WriteTask(const WmlTask& task, std::string_view css_class, std::string_view title,
                 const std::function<void()>& content) {
    if (std::optional<std::string> shown = UnfollowableTarget(task)) {
      out_ += "<span class=\"wml-unlinked\">";
      content();
      out_ += "</span> (";
      AppendEscapedText(out_, *shown);
      out_ += ")";
      return;
    }
    if (form_mode_) {
      out_ += "<button type=\"submit\"";
      AppendAttribute(out_, "class", css_class == "wml-softkey" ? css_class : "wml-link");
      AppendAttribute(out_, "name", kTaskField);
      AppendAttribute(out_, "value", EncodeTask(task));
      if (!title.empty()) AppendAttribute(out_, "title", title);
      out_ += ">";
      content();
      out_ += "</button>";
      return;
    }
    out_ += "<a";
    if (!css_class.empty()) AppendAttribute(out_, "class", css_class);
    AppendAttribute(out_, "href", LinkFor(task));
    if (!title.empty()) AppendAttribute(out_, "title", title);
    out_ += ">";
    content();
    out_ += "</a>";
  }

  void WriteChildren(const MarkupNode& node, int depth) {
    for (const MarkupNode& child : node.children) {
      if (Full()) return;
      WriteNode(child, depth + 1);
    }
  }

  void WriteNode(const MarkupNode& node, int depth) {
    if (node.IsText()) {
      AppendEscapedText(out_, Text(node.text));
      return;
    }
    const std::string& name = node.name;
    if (IsHidden(name)) return;
    if (IsPlainInline(name) || name == "pre") {
      WrapIn(name, node, depth);
    } else if (name == "br") {
      out_ += "<br>";
    } else if (name == "p") {
      WriteParagraph(node, depth);
    } else if (name == "a") {
      WmlTask task = GoTo(node.AttributeOr("href", ""), request_.charset);
      WriteTask(task, {}, Text(node.AttributeOr("title", "")), [&] { WriteChildren(node, depth); });
    } else if (name == "anchor") {
      WriteAnchor(node, depth);
    } else if (name == "img") {
      WriteImage(node);
    } else if (name == "input") {
      WriteInput(node);
    } else if (name == "select") {
      WriteSelect(node);
    } else if (name == "table") {
      WriteTable(node, depth);
    } else if (name == "fieldset") {
      out_ += "<fieldset>";
      if (std::string legend = Text(node.AttributeOr("title", "")); !legend.empty()) {
        out_ += "<legend>";
        AppendEscapedText(out_, legend);
        out_ += "</legend>";
      }
      WriteChildren(node, depth);
      out_ += "</fieldset>";
    } else {
      WriteChildren(node, depth);  // unknown elements keep their content
    }
  }

  void WrapIn(std::string_view tag, const MarkupNode& node, int depth) {
    out_ += '<';
    out_ += tag;
    out_ += '>';
    WriteChildren(node, depth);
    out_ += "</";
    out_ += tag;
    out_ += '>';
  }

  void WriteParagraph(const MarkupNode& node, int depth) {
    out_ += "<p";
    if (node.Attribute("mode") == "nowrap") AppendAttribute(out_, "class", "wml-nowrap");
    if (std::string_view align = TextAlign(node.AttributeOr("align", "")); !align.empty()) {
      AppendAttribute(out_, "style", "text-align:" + std::string(align));
    }
    out_ += '>';
    WriteChildren(node, depth);
    out_ += "</p>";
  }

  void WriteAnchor(const MarkupNode& node, int depth) {
    std::optional<WmlTask> task = TaskOf(node, request_.charset);
    auto content = [&] { WriteChildren(node, depth); };
    if (!task || task->kind == WmlTask::Kind::kNoop) {
      content();
      return;
    }
    WriteTask(*task, {}, Text(node.AttributeOr("title", "")), content);
  }

  void WriteImage(const MarkupNode& node) {
    std::string alt = Text(node.AttributeOr("alt", ""));
    std::optional<std::string> source;
    if (auto src = node.Attribute("src"); src && !src->empty()) {
      source = ResolveUrl(deck_url_, Address(*src));
    }
    if (!source || !IsFetchableScheme(UrlScheme(*source))) {
      AppendEscapedText(out_, alt);  // a phone's built-in icon (localsrc) we cannot draw
      return;
    }
    out_ += "<img";
    AppendAttribute(out_, "src", request_.links->Image(*source));
    AppendAttribute(out_, "alt", alt);
    for (std::string_view size : {"width", "height"}) {
      std::string value = node.AttributeOr(size, "");
      if (!value.empty() && value.find_first_not_of("0123456789%") == std::string::npos) {
        AppendAttribute(out_, size, value);
      }
    }
    std::string style;
    std::string vspace = node.AttributeOr("vspace", "0");
    std::string hspace = node.AttributeOr("hspace", "0");
    if (vspace.find_first_not_of("0123456789") == std::string::npos &&
        hspace.find_first_not_of("0123456789") == std::string::npos &&
        (vspace != "0" || hspace != "0") && vspace.size() < 5 && hspace.size() < 5) {
      style = "margin:" + vspace + "px " + hspace + "px";
    }
    std::string align = node.AttributeOr("align", "");
    if (align == "top" || align == "middle" || align == "bottom") {
      if (!style.empty()) style += ';';
      style += "vertical-align:" + std::string(align == "bottom" ? "baseline" : align);
    }
    if (!style.empty()) AppendAttribute(out_, "style", style);
    out_ += '>';
  }

  void WriteInput(const MarkupNode& node) {
    std::string name = node.AttributeOr("name", "");
    if (!IsVariableName(name)) return;
    InputField field = DescribeInput(node, context_.variables);
    out_ += "<label class=\"wml-field\">";
    if (std::string title = Text(node.AttributeOr("title", "")); !title.empty()) {
      AppendEscapedText(out_, title);
    }
    out_ += "<input";
    AppendAttribute(out_, "type", field.password ? "password" : "text");
    AppendAttribute(out_, "name", std::string(kInputFieldPrefix) + name);
    AppendAttribute(out_, "value", context_.variables.Get(name));
    if (!field.max_length.empty()) AppendAttribute(out_, "maxlength", field.max_length);
    if (!field.size.empty()) AppendAttribute(out_, "size", field.size);
    if (!field.pattern.empty()) AppendAttribute(out_, "pattern", field.pattern);
    if (field.numeric) AppendAttribute(out_, "inputmode", "numeric");
    if (field.required) out_ += " required";
    out_ += "></label>";
  }

  void WriteSelect(const MarkupNode& node) {
    SelectField field = DescribeSelect(node, context_.variables);
    if (std::string title = Text(node.AttributeOr("title", ""));
        !title.empty() && !field.options.empty()) {
      out_ += "<span class=\"wml-field\">";
      AppendEscapedText(out_, title);
      out_ += "</span>";
    }
    bool any_plain = false;
    for (const SelectOption& option : field.options) any_plain |= !option.onpick.has_value();
    if (any_plain) WriteSelectElement(node, field);
    // Options that navigate when picked are a menu: each one a link.
    for (const SelectOption& option : field.options) {
      if (!option.onpick) continue;
      // DescribeSelect knows no charset: a go without accept-charset takes the deck's here, as
      // every other go does, or a GB2312 site would get its form data in UTF-8.
      WmlTask task = *option.onpick;
      if (task.kind == WmlTask::Kind::kGo && task.charset.empty()) {
        task.charset = std::string(request_.charset);
      }
      out_ += "<span class=\"wml-pick\">";
      WriteTask(task, {}, {}, [&] { AppendEscapedText(out_, Text(option.label)); });
      out_ += "</span>";
    }
  }

  void WriteSelectElement(const MarkupNode& node, const SelectField& field) {
    out_ += "<select";
    AppendAttribute(out_, "name",
                    std::string(kSelectFieldPrefix) + node.AttributeOr("name", "") + "." +
                        node.AttributeOr("iname", ""));
    if (field.multiple) out_ += " multiple";
    out_ += '>';
    std::string open_group;
    for (const SelectOption& option : field.options) {
      if (option.onpick) continue;
      if (option.group != open_group) {
        if (!open_group.empty()) out_ += "</optgroup>";
        open_group = option.group;
        if (!open_group.empty()) {
          out_ += "<optgroup";
          AppendAttribute(out_, "label", Text(open_group));
          out_ += '>';
        }
      }
      out_ += "<option";
      AppendAttribute(out_, "value", std::to_string(option.index) + ":" + option.value);
      if (option.selected) out_ += " selected";
      out_ += '>';
      AppendEscapedText(out_, Text(option.label));
      out_ += "</option>";
    }
    if (!open_group.empty()) out_ += "</optgroup>";
    out_ += "</select>";
  }

  void WriteTable(const MarkupNode& node, int depth) {
    std::string align = node.AttributeOr("align", "");
    out_ += "<table>";
    for (const MarkupNode& row : node.children) {
      if (!row.IsElement("tr") || Full()) continue;
      out_ += "<tr>";
      std::size_t column = 0;
      for (const MarkupNode& cell : row.children) {
        if (!cell.IsElement("td")) continue;
        out_ += "<td";
        if (column < align.size()) {
          if (std::string_view a = TextAlign(align.substr(column, 1)); !a.empty()) {
            AppendAttribute(out_, "style", "text-align:" + std::string(a));
          }
        }
        out_ += '>';
        WriteChildren(cell, depth + 1);
        out_ += "</td>";
        ++column;
      }
      out_ += "</tr>";
    }
    out_ += "</table>";
  }

  void WriteSoftKeys() {
    std::vector<SoftKey> keys = SoftKeysOf(card_, deck_.deck_template, request_.charset);
    if (keys.empty()) return;
    out_ += "<div class=\"wml-softkeys\">";
    for (const SoftKey& key : keys) {
      std::string label = Text(key.label);
      if (label.empty()) label = DefaultSoftKeyLabel(key.type);
      WriteTask(key.task, "wml-softkey", {}, [&] { AppendEscapedText(out_, label); });
    }
    out_ += "</div>";
  }

  const WmlDeck& deck_;
  const MarkupNode& card_;
  const WmlRenderRequest& request_;
  WmlContext& context_;
  std::string deck_url_;
  std::string card_url_;
  bool form_mode_;
  bool truncated_ = false;
  std::string out_;
};

// Sets what a card sets on entry: its fields' variables (from their defaults when unset) and
// its timer. Returns the <meta> refresh the timer needs, or empty.
std::string EnterCard(const MarkupNode& card, const WmlDeck& deck, const WmlRenderRequest& request,
                      WmlContext& context, CardWriter& writer) {
  InitializeFields(card, context.variables);
  const MarkupNode* timer = FindTimer(card);
  if (!timer) return {};
  std::optional<WmlTask> task = EventTask(card, deck.deck_template, "ontimer", request.charset);
  std::string name = timer->AttributeOr("name", "");
  std::string value = SubstituteVariables(timer->AttributeOr("value", ""), context.variables,
                                          VariableContext::kText);
  if (IsVariableName(name) && !context.variables.Get(name).empty()) {
    value = context.variables.Get(name);
  }
  char* end = nullptr;
  long tenths = std::strtol(value.c_str(), &end, 10);
  if (value.empty() || *end != '\0' || tenths <= 0 || !task) return {};
  tenths = std::min(tenths, 36000L);  // an hour at most
  if (IsVariableName(name)) {
    (void)context.variables.Set(name, std::to_string(tenths));
    task->setvars.emplace_back(name, "0");  // an expired timer reads as 0
  }
  char seconds[32];
  std::snprintf(seconds, sizeof seconds, "%ld.%ld", tenths / 10, tenths % 10);
  std::string meta = "<meta http-equiv=\"refresh\"";
  AppendAttribute(meta, "content", std::string(seconds) + ";url=" + writer.LinkFor(*task));
  meta += '>';
  return meta;
}

}  // namespace

WmlRenderResult RenderWmlDeck(const MarkupNode& deck_root, const WmlRenderRequest& request,
                              WmlContext& context) {
  WmlRenderResult result;
  WmlDeck deck = IndexDeck(deck_root);
  const MarkupNode* card = FindCard(deck, UrlFragment(request.deck_url));
  if (!card) {
    result.kind = WmlRenderResult::Kind::kError;
    result.error = "the deck has no card";
    return result;
  }
  CardWriter writer(deck, *card, request, context);
  if (request.direction == EntryDirection::kForward) {
    if (card->Attribute("newcontext") == "true") context.Reset();
    context.PushHistory(writer.card_url());
  }
  if (request.direction != EntryDirection::kRefresh) {
    std::string_view event =
        request.direction == EntryDirection::kForward ? "onenterforward" : "onenterbackward";
    if (auto task = EventTask(*card, deck.deck_template, event, request.charset)) {
      auto navigation = StartTask(*task, writer.card_url(), context);
      if (navigation.ok() && (navigation->kind == Navigation::Kind::kGo ||
                              navigation->kind == Navigation::Kind::kPrev)) {
        result.kind = WmlRenderResult::Kind::kNavigate;
        result.navigation = std::move(navigation.value());
        return result;
      }
    }
  }
  std::string head = EnterCard(*card, deck, request, context, writer);
  result.html = writer.Write(head);
  return result;
}

}  // namespace tovarin::gateway
