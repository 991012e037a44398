#!/usr/bin/env bash
# Checks that every #include in the tree points down the layers or sideways within a layer:
#
#   shell/                      the program
#     anigif/  button/          the controls
#     gif/     button/render/   the engine and the button's drawing
#   gateway/                    the rendering service (beside the controls; only the shell uses it);
#                               it may use platform/glib/
#   platform/                   raster/, text/, pictures/, store/, host/ and result.h (the core);
#                               glib/ builds on the core alone; headless/ builds on the core, gtk/
#                               on the core and glib/; headless/ and gtk/ never on each other
#
# and that toolkit headers (GTK, GDK, WebKit, libsoup, GObject, GIO) appear only where the
# toolkit is meant to be seen: platform/gtk/, shell/main.cpp, gateway/, tools/ and tests/ - and,
# of those, GObject and GIO alone in platform/glib/.
# tools/, tests/, bench/ and fuzz/ may include any layer.
#
# Usage: check_layering.sh [SOURCE_ROOT]   Prints one line per violation; exits 1 when any.
set -uo pipefail
root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
cd "$root" || exit 2

core='platform/(raster|text|pictures|store|host)/|platform/result\.h'

# The project headers a file in FOLDER may include, as an extended regular expression.
allowed_project_includes() {
  case "$1" in
    platform/glib/*) echo "^($core|platform/glib/)" ;;
    platform/gtk/*) echo "^($core|platform/glib/|platform/gtk/)" ;;
    platform/headless/*) echo "^($core|platform/headless/)" ;;
    platform/*) echo "^($core)" ;;
    gif/*) echo "^($core|gif/)" ;;
    button/render/*) echo "^($core|button/render/)" ;;
    button/*) echo "^($core|button/)" ;;
    anigif/*) echo "^($core|gif/|anigif/)" ;;
    gateway/*) echo "^($core|platform/glib/|gateway/)" ;;
    shell/main.cpp) echo "^($core|platform/gtk/|gif/|anigif/|button/|gateway/|shell/)" ;;
    shell/*) echo "^($core|gif/|anigif/|button/|gateway/|shell/)" ;;
    *) echo "" ;;  # tools, tests, bench, fuzz: anything
  esac
}

toolkit_headers='^(gtk|gdk|webkit2|webkit|libsoup|gobject|gio)/|^glib-object\.h$'
# The part of the toolkit that is GLib itself: all platform/glib/ may see.
glib_headers='^(gobject|gio)/|^glib-object\.h$'

# Whether FILE may include toolkit header HEADER.
toolkit_allowed() {
  case "$1" in
    platform/gtk/* | shell/main.cpp | gateway/* | tools/* | tests/*) return 0 ;;
    platform/glib/*) [[ $2 =~ $glib_headers ]] ;;
    *) return 1 ;;
  esac
}

sources() {
  find platform gif anigif button shell gateway tools tests bench fuzz \
    \( -name '*.cpp' -o -name '*.h' \) -type f 2>/dev/null | LC_ALL=C sort
}

violations=0
current=""
allowed=""
# One grep over the whole tree: "file:line:text" for every include line.
while IFS= read -r line; do
  file=${line%%:*}
  rest=${line#*:}
  number=${rest%%:*}
  include=${rest#*:}
  if [ "$file" != "$current" ]; then
    current=$file
    allowed=$(allowed_project_includes "$file")
  fi
  if [[ $include =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\"([^\"]+)\" ]]; then
    target=${BASH_REMATCH[1]}
    # Only paths from the source root name a layer; a bare name is a file beside this one.
    [[ $target == */* ]] || continue
    if [ -n "$allowed" ] && ! [[ $target =~ $allowed ]]; then
      echo "$file:$number: includes \"$target\", which is not below it"
      violations=$((violations + 1))
    fi
  elif [[ $include =~ ^[[:space:]]*#[[:space:]]*include[[:space:]]*\<([^\>]+)\> ]]; then
    target=${BASH_REMATCH[1]}
    if [[ $target =~ $toolkit_headers ]] && ! toolkit_allowed "$file" "$target"; then
      echo "$file:$number: includes toolkit header <$target> outside the toolkit's rooms"
      violations=$((violations + 1))
    fi
  fi
done < <(sources | xargs -d '\n' grep -Hn '^[[:space:]]*#[[:space:]]*include')

if [ "$violations" -gt 0 ]; then
  echo "layering: $violations include(s) point the wrong way"
  exit 1
fi
echo "layering: every include points down or sideways"
