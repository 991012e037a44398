#include "gateway/service/loopback_resolver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/glib/glib_holders.h"
#include "tests/gateway_service/origin_server.h"

// A stand-in for the system resolver: answers every name with 192.0.2.7 (a documentation
// address, never connected to) and records the names it was asked, so the tests see what the
// loopback resolver passes on without any DNS traffic.
struct TovarinRecordingResolver {
  GResolver parent_instance;
  std::vector<std::string>* asked;
};
struct TovarinRecordingResolverClass {
  GResolverClass parent_class;
};

G_DEFINE_FINAL_TYPE(TovarinRecordingResolver, tovarin_recording_resolver, G_TYPE_RESOLVER)

namespace {

GList* RecordedAnswer(GResolver* resolver, const gchar* hostname) {
  reinterpret_cast<TovarinRecordingResolver*>(resolver)->asked->push_back(hostname);
  return g_list_append(nullptr, g_inet_address_new_from_string("192.0.2.7"));
}

GList* RecordingLookup(GResolver* resolver, const gchar* hostname, GResolverNameLookupFlags,
                       GCancellable*, GError**) {
  return RecordedAnswer(resolver, hostname);
}

void RecordingLookupAsync(GResolver* resolver, const gchar* hostname, GResolverNameLookupFlags,
                          GCancellable* cancellable, GAsyncReadyCallback callback, gpointer data) {
  GTask* task = g_task_new(resolver, cancellable, callback, data);
  g_task_return_pointer(task, RecordedAnswer(resolver, hostname), [](gpointer list) {
    g_resolver_free_addresses(static_cast<GList*>(list));
  });
  g_object_unref(task);
}

// GLib asks the flag-less methods when no flag is given.
GList* RecordingPlainLookup(GResolver* resolver, const gchar* hostname, GCancellable*, GError**) {
  return RecordedAnswer(resolver, hostname);
}

void RecordingPlainLookupAsync(GResolver* resolver, const gchar* hostname,
                               GCancellable* cancellable, GAsyncReadyCallback callback,
                               gpointer data) {
  RecordingLookupAsync(resolver, hostname, G_RESOLVER_NAME_LOOKUP_FLAGS_DEFAULT, cancellable,
                       callback, data);
}

GList* RecordingLookupFinish(GResolver*, GAsyncResult* result, GError** error) {
  return static_cast<GList*>(g_task_propagate_pointer(G_TASK(result), error));
}

}  // namespace

static void tovarin_recording_resolver_init(TovarinRecordingResolver* self) {
  self->asked = nullptr;
}

static void tovarin_recording_resolver_class_init(TovarinRecordingResolverClass* klass) {
  GResolverClass* resolver_class = G_RESOLVER_CLASS(klass);
  resolver_class->lookup_by_name = RecordingPlainLookup;
  resolver_class->lookup_by_name_async = RecordingPlainLookupAsync;
  resolver_class->lookup_by_name_finish = RecordingLookupFinish;
  resolver_class->lookup_by_name_with_flags = RecordingLookup;
  resolver_class->lookup_by_name_with_flags_async = RecordingLookupAsync;
  resolver_class->lookup_by_name_with_flags_finish = RecordingLookupFinish;
}

namespace tovarin::gateway {

using platform::glib::GCharPtr;
using platform::glib::GErrorHolder;
using platform::glib::GObjectPtr;

namespace {

std::vector<std::string> Addresses(GList* list) {
  std::vector<std::string> text;
  for (GList* item = list; item != nullptr; item = item->next) {
    GCharPtr address(g_inet_address_to_string(G_INET_ADDRESS(item->data)));
    text.emplace_back(address.get());
  }
  g_resolver_free_addresses(list);
  return text;
}

class LoopbackResolverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fallback_.reset(G_RESOLVER(g_object_new(tovarin_recording_resolver_get_type(), nullptr)));
    reinterpret_cast<TovarinRecordingResolver*>(fallback_.get())->asked = &asked_;
    resolver_.reset(NewLoopbackResolver(fallback_.get()));
  }

  // Through GLib's public call (which, in recent GLib versions, answers localhost names itself
  // before asking any resolver).
  std::vector<std::string> Lookup(
      const char* name, GResolverNameLookupFlags flags = G_RESOLVER_NAME_LOOKUP_FLAGS_DEFAULT) {
    GErrorHolder error;
    GList* list =
        g_resolver_lookup_by_name_with_flags(resolver_.get(), name, flags, nullptr, error.out());
    EXPECT_EQ(error.get(), nullptr) << name << ": " << error.message();
    return Addresses(list);
  }

  // Straight to the loopback resolver's own lookup, whatever GLib answers by itself.
  std::vector<std::string> OwnLookup(
      const char* name, GResolverNameLookupFlags flags = G_RESOLVER_NAME_LOOKUP_FLAGS_DEFAULT) {
    GErrorHolder error;
    GList* list =
        G_RESOLVER_GET_CLASS(resolver_.get())
            ->lookup_by_name_with_flags(resolver_.get(), name, flags, nullptr, error.out());
    EXPECT_EQ(error.get(), nullptr) << name << ": " << error.message();
    return Addresses(list);
  }

  std::vector<std::string> LookupAsync(const char* name, GErrorHolder& error) {
    struct Result {
      GList* list = nullptr;
      GError** error;
      bool done = false;
    } result{nullptr, error.out()};
    g_resolver_lookup_by_name_async(
        resolver_.get(), name, nullptr,
        [](GObject* source, GAsyncResult* async, gpointer data) {
          auto* r = static_cast<Result*>(data);
          r->list = g_resolver_lookup_by_name_finish(G_RESOLVER(source), async, r->error);
          r->done = true;
        },
        &result);
    EXPECT_TRUE(test::RunUntil([&] { return result.done; }));
    return Addresses(result.list);
  }

  std::vector<std::string> asked_;
  GObjectPtr<GResolver> fallback_;
  GObjectPtr<GResolver> resolver_;
};

using LoopbackResolver = LoopbackResolverTest;

const std::vector<std::string> kLoopback = {"127.0.0.1", "::1"};

std::vector<std::string> Sorted(std::vector<std::string> addresses) {
  std::sort(addresses.begin(), addresses.end());
  return addresses;
}

TEST_F(LoopbackResolver, LocalhostNamesResolveToLoopbackWithoutAsking) {
  for (const char* name : {"wap.localhost", "a.b.localhost", "WAP.LocalHost", "wap.localhost.",
                           "localhost", "LOCALHOST."}) {
    EXPECT_EQ(OwnLookup(name), kLoopback) << name;
    EXPECT_EQ(Sorted(Lookup(name)), Sorted(kLoopback)) << name;
  }
  EXPECT_EQ(OwnLookup("wap.localhost", G_RESOLVER_NAME_LOOKUP_FLAGS_IPV4_ONLY),
            std::vector<std::string>{"127.0.0.1"});
  EXPECT_EQ(OwnLookup("wap.localhost", G_RESOLVER_NAME_LOOKUP_FLAGS_IPV6_ONLY),
            std::vector<std::string>{"::1"});
  GErrorHolder error;
  EXPECT_EQ(Sorted(LookupAsync("site.localhost", error)), Sorted(kLoopback));
  EXPECT_EQ(error.get(), nullptr);
  EXPECT_TRUE(asked_.empty());
}

TEST_F(LoopbackResolver, InvalidNamesFailAtOnce) {
  for (const char* name : {"no-such-host.invalid", "invalid", "x.INVALID."}) {
    GErrorHolder error;
    GList* list = g_resolver_lookup_by_name(resolver_.get(), name, nullptr, error.out());
    EXPECT_EQ(list, nullptr) << name;
    EXPECT_TRUE(error.Matches(G_RESOLVER_ERROR, G_RESOLVER_ERROR_NOT_FOUND)) << name;
  }
  GErrorHolder error;
  EXPECT_TRUE(LookupAsync("no-such-host.invalid", error).empty());
  EXPECT_TRUE(error.Matches(G_RESOLVER_ERROR, G_RESOLVER_ERROR_NOT_FOUND));
  EXPECT_TRUE(asked_.empty());
}

TEST_F(LoopbackResolver, OtherNamesAreAskedOfTheWrappedResolver) {
  const std::vector<std::string> answer = {"192.0.2.7"};
  for (const char* name :
       {"wap.example.com", "localhost.example", "mylocalhost", "invalid.example"}) {
    EXPECT_EQ(Lookup(name), answer) << name;
  }
  GErrorHolder error;
  EXPECT_EQ(LookupAsync("async.example", error), answer);
  EXPECT_EQ(asked_, (std::vector<std::string>{"wap.example.com", "localhost.example", "mylocalhost",
                                              "invalid.example", "async.example"}));
}

TEST_F(LoopbackResolver, InstallingTwiceKeepsOneLoopbackResolver) {
  InstallLoopbackResolver();
  GObjectPtr<GResolver> first(g_resolver_get_default());
  InstallLoopbackResolver();
  GObjectPtr<GResolver> second(g_resolver_get_default());
  EXPECT_EQ(first.get(), second.get());
  EXPECT_STREQ(G_OBJECT_TYPE_NAME(second.get()), "TovarinLoopbackResolver");
  GErrorHolder error;
  GList* list =
      G_RESOLVER_GET_CLASS(second.get())
          ->lookup_by_name_with_flags(second.get(), "wap.localhost",
                                      G_RESOLVER_NAME_LOOKUP_FLAGS_DEFAULT, nullptr, error.out());
  EXPECT_EQ(Addresses(list), kLoopback) << error.message();
}

}  // namespace
}  // namespace tovarin::gateway
