#pragma once
// The loopback resolver: a GResolver that answers for the names RFC 6761 reserves, and passes
// every other question to the resolver it wraps.
//   - "localhost" and names ending in ".localhost" (any case, an optional final dot) resolve to
//     127.0.0.1 and ::1, in that order, without /etc/hosts or DNS: "http://wap.localhost:8081/"
//     reaches a test site on this machine;
//   - names ending in ".invalid" fail at once with G_RESOLVER_ERROR_NOT_FOUND, without a query.
//
// Recent GLib versions answer localhost names themselves before asking any resolver (with ::1
// first); the loopback resolver makes the rule hold whatever the GLib version, and adds the
// .invalid rule (so a mistyped test name never becomes a DNS query).
//
// libsoup 3 connects through GSocketClient, which resolves with g_resolver_get_default(); a
// SoupSession has no resolver of its own. So the resolver is installed process-wide. This is
// the one piece of process-wide state of the fetcher, forced by GLib: it changes only the
// reserved names above, for every GLib user in the process, and delegates everything else to
// the default resolver it replaced.

#include <gio/gio.h>

namespace tovarin::gateway {

// A new loopback resolver (transfer full) that passes other names to `fallback` (it keeps a
// reference).
GResolver* NewLoopbackResolver(GResolver* fallback);

// Makes a loopback resolver wrapping the current default the default resolver of the process.
// Does nothing when the default already is one, so calling it again is harmless. Call it on
// the thread that owns GLib's default resolver choice (the main thread) before fetching.
void InstallLoopbackResolver();

// True for "localhost", "localhost." and names ending in ".localhost" or ".localhost.".
bool IsLoopbackName(const char* hostname);

}  // namespace tovarin::gateway
