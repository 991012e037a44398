#!/usr/bin/env bash
# The layering check must catch what it is there for: builds a small tree with one include of
# each wrong kind beside allowed ones, and expects exactly those to be reported.
set -uo pipefail
checker="$(cd "$(dirname "$0")" && pwd)/check_layering.sh"
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT

put() {  # put FILE LINE...
  mkdir -p "$tree/$(dirname "$1")"
  local file=$1
  shift
  printf '%s\n' "$@" >"$tree/$file"
}

# Allowed: down, sideways, the toolkit in its rooms, anything in tests; GLib's own headers in
# platform/glib/, which platform/gtk/ and gateway/ may include.
put platform/raster/bitmap.h '#pragma once' '#include <cstdint>'
put gif/gif_parser.h '#include "gif/gif_stream.h"' '#include "platform/raster/bitmap.h"'
put anigif/uc_ani_gif.h '#include "gif/gif_parser.h"'
put shell/form1.cpp '#include "anigif/uc_ani_gif.h"' '#include "button/teskbutton.h"'
put shell/main.cpp '#include <gtk/gtk.h>' '#include "platform/gtk/form_window_toolkit.h"'
put platform/gtk/form_window_gtk.cpp '#include <gtk/gtk.h>' '#include <glib-object.h>'
put tests/gif/parser_test.cpp '#include "shell/form1.h"' '#include <gtk/gtk.h>'
put platform/glib/glib_holders.h '#include <gio/gio.h>' '#include <glib-object.h>' \
  '#include <gobject/gobject.h>' '#include "platform/result.h"'
put platform/gtk/gtk_desktop.h '#include "platform/glib/glib_holders.h"'
put gateway/service/fetcher.cpp '#include "platform/glib/glib_holders.h"' '#include <libsoup/soup.h>'
# Wrong: up a layer, across the two hosts, the toolkit outside its rooms, GTK or libsoup in
# platform/glib/, platform/gtk/ from gateway/, platform/glib/ from the headless desktop.
put gif/frame_builder.cpp '#include "anigif/uc_ani_gif.h"'
put button/render/redraw.cpp '#include "button/teskbutton.h"'
put platform/headless/controls/headless_host.cpp '#include "platform/gtk/key_codes.h"'
put shell/form1.h '#include "platform/gtk/form_window_gtk.h"'
put platform/text/text.cpp '#include <pango/pangocairo.h>' '#include <gio/gio.h>'
put anigif/anigif_loading.cpp '#include <libsoup/soup.h>'
put platform/glib/callback_guard.h '#include <glib.h>' '#include <gtk/gtk.h>' \
  '#include "platform/gtk/gtk_desktop.h"' '#include <libsoup/soup.h>'
put gateway/service/gateway_server.cpp '#include "platform/gtk/gtk_desktop.h"'
put platform/headless/controls/headless_windows.cpp '#include "platform/glib/glib_holders.h"'

output=$("$checker" "$tree")
status=$?
expected='anigif/anigif_loading.cpp:1: includes toolkit header <libsoup/soup.h> outside the toolkit'"'"'s rooms
button/render/redraw.cpp:1: includes "button/teskbutton.h", which is not below it
gateway/service/gateway_server.cpp:1: includes "platform/gtk/gtk_desktop.h", which is not below it
gif/frame_builder.cpp:1: includes "anigif/uc_ani_gif.h", which is not below it
platform/glib/callback_guard.h:2: includes toolkit header <gtk/gtk.h> outside the toolkit'"'"'s rooms
platform/glib/callback_guard.h:3: includes "platform/gtk/gtk_desktop.h", which is not below it
platform/glib/callback_guard.h:4: includes toolkit header <libsoup/soup.h> outside the toolkit'"'"'s rooms
platform/headless/controls/headless_host.cpp:1: includes "platform/gtk/key_codes.h", which is not below it
platform/headless/controls/headless_windows.cpp:1: includes "platform/glib/glib_holders.h", which is not below it
platform/text/text.cpp:2: includes toolkit header <gio/gio.h> outside the toolkit'"'"'s rooms
shell/form1.h:1: includes "platform/gtk/form_window_gtk.h", which is not below it
layering: 11 include(s) point the wrong way'
if [ "$status" -ne 1 ] || [ "$output" != "$expected" ]; then
  echo "layering check on the sample tree: exit $status, output:"
  echo "$output"
  echo "expected exit 1 and:"
  echo "$expected"
  exit 1
fi
echo "layering check reports each wrong include of the sample tree and nothing else"
