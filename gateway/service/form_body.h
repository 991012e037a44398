#pragma once
// The fields of a form the view submitted with POST, whichever encoding the form asked for.

#include <string_view>

#include "gateway/service/query_fields.h"
#include "platform/result.h"

namespace tovarin::gateway {

// Reads `body` by its `content_type`: application/x-www-form-urlencoded (also when no type is
// given) or multipart/form-data, whose text fields are read and whose file parts are left out
// (the service forwards form fields, not uploads). Fields keep their order. Fails for another
// type, a multipart body that cannot be read, or more than kMaxQueryFields fields.
[[nodiscard]] platform::Result<QueryFields> ReadFormBody(std::string_view content_type,
                                                         std::string_view body);

}  // namespace tovarin::gateway
