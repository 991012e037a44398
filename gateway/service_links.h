#pragma once
// ServiceLinks: how the page we write leads back through the rendering service. The transcoder
// never writes a link, form action, image or style sheet address of the origin into its output;
// it asks the service for one of these instead, so every later request passes the service's
// checks again (scheme, size, the user's WML context).
//
// Every address handed in is absolute (resolved against the page's final URL) and has the
// scheme http or https: other schemes never reach a ServiceLinks.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tovarin::gateway {

// A form the browser submits to the service: where, and hidden fields that travel with it.
// (A GET form replaces its action's query with its fields, so nothing the service needs may
// ride in the action's query: it rides in `hidden`.)
struct FormTarget {
  std::string action;
  std::vector<std::pair<std::string, std::string>> hidden;
};

class ServiceLinks {
 public:
  virtual ~ServiceLinks() = default;

  // A page the user navigates to with GET.
  virtual std::string Page(std::string_view absolute_url) const = 0;
  // An image (a WBMP comes back as PNG; other types pass through).
  virtual std::string Image(std::string_view absolute_url) const = 0;
  // A style sheet, which the service fetches and cleans.
  virtual std::string Style(std::string_view absolute_url) const = 0;
  // An HTML form of an XHTML page, submitted with `method` ("get" or "post") to
  // `absolute_action`.
  virtual FormTarget Form(std::string_view absolute_action, std::string_view method) const = 0;
  // The form every WML card is written in: its buttons submit WML tasks (see wml_task.h)
  // together with the card's input fields. `deck_url` is the deck's final URL with the card.
  virtual FormTarget Task(std::string_view deck_url) const = 0;
  // The same as a plain link, for a task that needs no fields from the user (a timer's task):
  // `encoded_task` is what EncodeTask made.
  virtual std::string TaskLink(std::string_view deck_url, std::string_view encoded_task) const = 0;
};

}  // namespace tovarin::gateway
