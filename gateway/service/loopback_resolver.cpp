#include "gateway/service/loopback_resolver.h"

#include <string_view>

#include "platform/glib/glib_holders.h"

// The GObject type, in GLib's C naming (the type system derives the class and function names
// from it).
struct TovarinLoopbackResolver {
  GResolver parent_instance;
  GResolver* fallback;  // owned reference
};
struct TovarinLoopbackResolverClass {
  GResolverClass parent_class;
};

G_DEFINE_FINAL_TYPE(TovarinLoopbackResolver, tovarin_loopback_resolver, G_TYPE_RESOLVER)

namespace tovarin::gateway {

using platform::glib::GObjectPtr;

namespace {

TovarinLoopbackResolver* Self(GResolver* resolver) {
  return G_TYPE_CHECK_INSTANCE_CAST(resolver, tovarin_loopback_resolver_get_type(),
                                    TovarinLoopbackResolver);
}

bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
  return text.size() >= suffix.size() &&
         g_ascii_strncasecmp(text.data() + text.size() - suffix.size(), suffix.data(),
                             suffix.size()) == 0;
}

// The name without one final dot ("wap.localhost." is "wap.localhost").
std::string_view Bare(const char* hostname) {
  std::string_view name(hostname != nullptr ? hostname : "");
  if (name.size() > 1 && name.back() == '.') name.remove_suffix(1);
  return name;
}

bool IsInvalidName(const char* hostname) {
  const std::string_view name = Bare(hostname);
  return name.size() == 7 ? g_ascii_strcasecmp(std::string(name).c_str(), "invalid") == 0
                          : EndsWithNoCase(name, ".invalid");
}

GList* LoopbackAddresses(GResolverNameLookupFlags flags) {
  GList* addresses = nullptr;
  if ((flags & G_RESOLVER_NAME_LOOKUP_FLAGS_IPV6_ONLY) == 0) {
    addresses = g_list_append(addresses, g_inet_address_new_loopback(G_SOCKET_FAMILY_IPV4));
  }
  if ((flags & G_RESOLVER_NAME_LOOKUP_FLAGS_IPV4_ONLY) == 0) {
    addresses = g_list_append(addresses, g_inet_address_new_loopback(G_SOCKET_FAMILY_IPV6));
  }
  return addresses;
}

void FreeAddressList(gpointer list) { g_resolver_free_addresses(static_cast<GList*>(list)); }

// The answer for a reserved name: true (with the addresses or the error set) when `hostname`
// is one; false when the fallback must answer.
bool AnswerReserved(const char* hostname, GResolverNameLookupFlags flags, GList** addresses,
                    GError** error) {
  if (IsLoopbackName(hostname)) {
    *addresses = LoopbackAddresses(flags);
    return true;
  }
  if (IsInvalidName(hostname)) {
    g_set_error(error, G_RESOLVER_ERROR, G_RESOLVER_ERROR_NOT_FOUND,
                "Error resolving \"%s\": names under .invalid never exist", hostname);
    return true;
  }
  return false;
}

GList* LookupByNameWithFlags(GResolver* resolver, const gchar* hostname,
                             GResolverNameLookupFlags flags, GCancellable* cancellable,
                             GError** error) {
  GList* addresses = nullptr;
  if (AnswerReserved(hostname, flags, &addresses, error)) return addresses;
  return g_resolver_lookup_by_name_with_flags(Self(resolver)->fallback, hostname, flags,
                                              cancellable, error);
}

GList* LookupByName(GResolver* resolver, const gchar* hostname, GCancellable* cancellable,
                    GError** error) {
  return LookupByNameWithFlags(resolver, hostname, G_RESOLVER_NAME_LOOKUP_FLAGS_DEFAULT,
                               cancellable, error);
}

void OnFallbackNameLookup(GObject* source, GAsyncResult* result, gpointer data) {
  GTask* task = static_cast<GTask*>(data);  // the reference taken when the lookup started
  GError* error = nullptr;
  GList* addresses =
      g_resolver_lookup_by_name_with_flags_finish(G_RESOLVER(source), result, &error);
  if (error != nullptr) {
    g_task_return_error(task, error);
  } else {
    g_task_return_pointer(task, addresses, FreeAddressList);
  }
  g_object_unref(task);
}

void LookupByNameWithFlagsAsync(GResolver* resolver, const gchar* hostname,
                                GResolverNameLookupFlags flags, GCancellable* cancellable,
                                GAsyncReadyCallback callback, gpointer user_data) {
  GTask* task = g_task_new(resolver, cancellable, callback, user_data);
  GList* addresses = nullptr;
  GError* error = nullptr;
  if (AnswerReserved(hostname, flags, &addresses, &error)) {
    if (error != nullptr) {
      g_task_return_error(task, error);
    } else {
      g_task_return_pointer(task, addresses, FreeAddressList);
    }
    g_object_unref(task);
    return;
  }
  g_resolver_lookup_by_name_with_flags_async(Self(resolver)->fallback, hostname, flags, cancellable,
                                             OnFallbackNameLookup, task);
}

void LookupByNameAsync(GResolver* resolver, const gchar* hostname, GCancellable* cancellable,
                       GAsyncReadyCallback callback, gpointer user_data) {
  LookupByNameWithFlagsAsync(resolver, hostname, G_RESOLVER_NAME_LOOKUP_FLAGS_DEFAULT, cancellable,
                             callback, user_data);
}

GList* LookupByNameFinish(GResolver*, GAsyncResult* result, GError** error) {
  return static_cast<GList*>(g_task_propagate_pointer(G_TASK(result), error));
}

// Reverse lookups, services and records: the fallback answers. Its results come back through
// the caller's callback with the fallback as source, so the finish functions ask it too.
gchar* LookupByAddress(GResolver* resolver, GInetAddress* address, GCancellable* cancellable,
                       GError** error) {
  return g_resolver_lookup_by_address(Self(resolver)->fallback, address, cancellable, error);
}
void LookupByAddressAsync(GResolver* resolver, GInetAddress* address, GCancellable* cancellable,
                          GAsyncReadyCallback callback, gpointer user_data) {
  g_resolver_lookup_by_address_async(Self(resolver)->fallback, address, cancellable, callback,
                                     user_data);
}
gchar* LookupByAddressFinish(GResolver* resolver, GAsyncResult* result, GError** error) {
  return g_resolver_lookup_by_address_finish(Self(resolver)->fallback, result, error);
}

GList* LookupRecords(GResolver* resolver, const gchar* rrname, GResolverRecordType type,
                     GCancellable* cancellable, GError** error) {
  return g_resolver_lookup_records(Self(resolver)->fallback, rrname, type, cancellable, error);
}
void LookupRecordsAsync(GResolver* resolver, const gchar* rrname, GResolverRecordType type,
                        GCancellable* cancellable, GAsyncReadyCallback callback,
                        gpointer user_data) {
  g_resolver_lookup_records_async(Self(resolver)->fallback, rrname, type, cancellable, callback,
                                  user_data);
}
GList* LookupRecordsFinish(GResolver* resolver, GAsyncResult* result, GError** error) {
  return g_resolver_lookup_records_finish(Self(resolver)->fallback, result, error);
}

}  // namespace

bool IsLoopbackName(const char* hostname) {
  const std::string_view name = Bare(hostname);
  return (name.size() == 9 && EndsWithNoCase(name, "localhost")) ||
         EndsWithNoCase(name, ".localhost");
}

GResolver* NewLoopbackResolver(GResolver* fallback) {
  auto* resolver = static_cast<TovarinLoopbackResolver*>(
      g_object_new(tovarin_loopback_resolver_get_type(), nullptr));
  resolver->fallback = static_cast<GResolver*>(g_object_ref(fallback));
  return G_RESOLVER(resolver);
}

void InstallLoopbackResolver() {
  GObjectPtr<GResolver> current(g_resolver_get_default());
  if (G_TYPE_CHECK_INSTANCE_TYPE(current.get(), tovarin_loopback_resolver_get_type())) return;
  GObjectPtr<GResolver> loopback(NewLoopbackResolver(current.get()));
  g_resolver_set_default(loopback.get());
}

}  // namespace tovarin::gateway

static void tovarin_loopback_resolver_init(TovarinLoopbackResolver* self) {
  self->fallback = nullptr;
}

static void tovarin_loopback_resolver_dispose(GObject* object) {
  auto* self = reinterpret_cast<TovarinLoopbackResolver*>(object);
  g_clear_object(&self->fallback);
  G_OBJECT_CLASS(tovarin_loopback_resolver_parent_class)->dispose(object);
}

static void tovarin_loopback_resolver_class_init(TovarinLoopbackResolverClass* klass) {
  using namespace tovarin::gateway;
  G_OBJECT_CLASS(klass)->dispose = tovarin_loopback_resolver_dispose;
  GResolverClass* resolver_class = G_RESOLVER_CLASS(klass);
  resolver_class->lookup_by_name = LookupByName;
  resolver_class->lookup_by_name_async = LookupByNameAsync;
  resolver_class->lookup_by_name_finish = LookupByNameFinish;
  resolver_class->lookup_by_name_with_flags = LookupByNameWithFlags;
  resolver_class->lookup_by_name_with_flags_async = LookupByNameWithFlagsAsync;
  resolver_class->lookup_by_name_with_flags_finish = LookupByNameFinish;
  resolver_class->lookup_by_address = LookupByAddress;
  resolver_class->lookup_by_address_async = LookupByAddressAsync;
  resolver_class->lookup_by_address_finish = LookupByAddressFinish;
  resolver_class->lookup_records = LookupRecords;
  resolver_class->lookup_records_async = LookupRecordsAsync;
  resolver_class->lookup_records_finish = LookupRecordsFinish;
}
