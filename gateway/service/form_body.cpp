#include "gateway/service/form_body.h"

#include <libsoup/soup.h>

#include <memory>
#include <string>

#include "platform/glib/glib_holders.h"

namespace tovarin::gateway {

using platform::glib::GBytesPtr;
using platform::glib::GCharPtr;

namespace {

struct HeadersUnref {
  void operator()(SoupMessageHeaders* headers) const { soup_message_headers_unref(headers); }
};
struct MultipartFree {
  void operator()(SoupMultipart* multipart) const { soup_multipart_free(multipart); }
};
struct HashTableUnref {
  void operator()(GHashTable* table) const { g_hash_table_unref(table); }
};

// The media type of a Content-Type value in lower case, without parameters or spaces.
std::string MediaType(std::string_view content_type) {
  std::string type;
  for (char c : content_type.substr(0, content_type.find(';'))) {
    if (c == ' ' || c == '\t') continue;
    type += static_cast<char>(g_ascii_tolower(c));
  }
  return type;
}

// The form field name of a part, or nullopt for a file or a part without a name.
std::optional<std::string> FieldName(SoupMessageHeaders* part_headers) {
  char* disposition_text = nullptr;
  GHashTable* params_table = nullptr;
  if (!soup_message_headers_get_content_disposition(part_headers, &disposition_text,
                                                    &params_table)) {
    return std::nullopt;
  }
  GCharPtr disposition(disposition_text);
  std::unique_ptr<GHashTable, HashTableUnref> params(params_table);
  auto* name = static_cast<const char*>(g_hash_table_lookup(params.get(), "name"));
  if (name == nullptr || g_hash_table_contains(params.get(), "filename")) return std::nullopt;
  return std::string(name);
}

platform::Result<QueryFields> ReadMultipart(std::string_view content_type, std::string_view body) {
  std::unique_ptr<SoupMessageHeaders, HeadersUnref> headers(
      soup_message_headers_new(SOUP_MESSAGE_HEADERS_MULTIPART));
  soup_message_headers_replace(headers.get(), "Content-Type", std::string(content_type).c_str());
  GBytesPtr bytes(g_bytes_new(body.data(), body.size()));
  std::unique_ptr<SoupMultipart, MultipartFree> multipart(
      soup_multipart_new_from_message(headers.get(), bytes.get()));
  if (!multipart) return platform::Error{"无法读取表单内容（multipart/form-data）"};
  QueryFields fields;
  int parts = soup_multipart_get_length(multipart.get());
  for (int i = 0; i < parts; ++i) {
    SoupMessageHeaders* part_headers = nullptr;  // owned by the multipart
    GBytes* part_body = nullptr;
    if (!soup_multipart_get_part(multipart.get(), i, &part_headers, &part_body)) break;
    std::optional<std::string> name = FieldName(part_headers);
    if (!name) continue;
    if (fields.size() == kMaxQueryFields)
      return platform::Error{"表单字段过多（超过 " + std::to_string(kMaxQueryFields) + " 个）"};
    gsize size = 0;
    const auto* data = static_cast<const char*>(g_bytes_get_data(part_body, &size));
    fields.emplace_back(std::move(*name), std::string(data != nullptr ? data : "", size));
  }
  return fields;
}

}  // namespace

platform::Result<QueryFields> ReadFormBody(std::string_view content_type, std::string_view body) {
  std::string type = MediaType(content_type);
  if (type.empty() || type == "application/x-www-form-urlencoded") return ParseQueryFields(body);
  if (type == "multipart/form-data") return ReadMultipart(content_type, body);
  return platform::Error{"不支持的表单编码：" + type};
}

}  // namespace tovarin::gateway
