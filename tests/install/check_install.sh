#!/usr/bin/env bash
# The installed tree, as a package would lay it out below /usr.
#   check_install.sh install BUILD DESTDIR           cmake --install into DESTDIR (prefix /usr)
#   check_install.sh tree BUILD DESTDIR VERSION      files in place, programs run, help and man pages found
#   check_install.sh desktop|metainfo BUILD DESTDIR  validators, when installed (exit 77 = skipped)
#   check_install.sh completion BUILD DESTDIR        bash completion of driftline-cli
set -euo pipefail
mode="$1"
build="$2"
dest="$3"
root="$dest/usr"
app=org.driftline.Driftline
fail() { echo "FAIL: $*" >&2; exit 1; }

case "$mode" in
install)
  rm -rf "$dest"
  DESTDIR="$dest" cmake --install "$build" --prefix /usr >/dev/null
  ;;

tree)
  version="$4"
  for f in bin/driftline bin/driftline-cli \
           share/applications/$app.desktop share/metainfo/$app.metainfo.xml \
           share/icons/hicolor/scalable/apps/$app.svg \
           share/man/man1/driftline.1 share/man/man1/driftline-cli.1 \
           share/bash-completion/completions/driftline-cli \
           share/driftline/help/index.html share/driftline/help/settings.html \
           share/driftline/examples/suite/ZVK.ini share/driftline/examples/suite/Logs/ZV-12-05-2010-0001.log; do
    [ -f "$root/$f" ] || fail "missing $f"
  done
  # Nothing of the build (tests, benchmarks, libraries, headers) is installed.
  extra="$(cd "$root" && find . -mindepth 1 -maxdepth 1 ! -name bin ! -name share)"
  [ -z "$extra" ] || fail "unexpected in the prefix: $extra"
  extra="$(cd "$root/bin" && ls | grep -vxE 'driftline|driftline-cli' || true)"
  [ -z "$extra" ] || fail "unexpected programs: $extra"

  [ "$("$root/bin/driftline-cli" --version)" = "driftline-cli $version" ] || fail "driftline-cli --version"
  [ "$("$root/bin/driftline" --version)" = "driftline $version" ] || fail "driftline --version"
  # The installed viewer reads the installed help pages, not its built-in copy.
  "$root/bin/driftline" --help | grep -qxF "Help pages: $root/share/driftline/help" \
    || fail "help pages not found: $("$root/bin/driftline" --help | tail -n 1)"
  # The manual pages are what the installed programs say of themselves.
  cmp -s "$root/share/man/man1/driftline-cli.1" <("$root/bin/driftline-cli" --help-man) || fail "driftline-cli.1 differs"
  cmp -s "$root/share/man/man1/driftline.1" <("$root/bin/driftline" --help-man) || fail "driftline.1 differs"
  for page in driftline driftline-cli; do
    text="$(MANWIDTH=80 man -l "$root/share/man/man1/$page.1" 2>&1)" || fail "man $page"
    grep -q '^NAME' <<<"$text" || fail "man $page has no NAME section"
  done

  # Installed, no suite named: the example log's own suite is used, without a word on stderr;
  # a log outside any suite gets the one line saying how to name one.
  config="$(mktemp -d)"
  trap 'rm -rf "$config"' EXIT
  log="$root/share/driftline/examples/suite/Logs/ZV-12-05-2010-0001.log"
  err="$(env -u ZVK_ROOT XDG_CONFIG_HOME="$config" "$root/bin/driftline-cli" info "$log" 2>&1 >/dev/null)" \
    || fail "info on the example log"
  [ -z "$err" ] || fail "unexpected stderr: $err"
  cp "$log" "$config/loose.log"
  err="$(env -u ZVK_ROOT XDG_CONFIG_HOME="$config" "$root/bin/driftline-cli" info "$config/loose.log" 2>&1 >/dev/null)" \
    || fail "info on a loose log"
  [ "$(wc -l <<<"$err")" -eq 1 ] && grep -q -- '--root DIR' <<<"$err" || fail "no-suite line: $err"
  ;;

desktop)
  command -v desktop-file-validate >/dev/null || { echo "desktop-file-validate not installed"; exit 77; }
  desktop-file-validate "$root/share/applications/$app.desktop"
  ;;

metainfo)
  command -v appstreamcli >/dev/null || { echo "appstreamcli not installed"; exit 77; }
  appstreamcli validate --no-net --explain "$root/share/metainfo/$app.metainfo.xml"
  ;;

completion)
  complete_words() {  # words... -> the completions of the last word
    bash -c 'source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _driftline_cli; printf "%s\n" "${COMPREPLY[@]}"' \
      _ "$root/share/bash-completion/completions/driftline-cli" "$@"
  }
  cli="$root/bin/driftline-cli"
  [ "$(complete_words "$cli" de)" = "derive" ] || fail "command: $(complete_words "$cli" de)"
  complete_words "$cli" "" | grep -qx simulate || fail "command list"
  [ "$(complete_words "$cli" plot --ro)" = "--root" ] || fail "option: $(complete_words "$cli" plot --ro)"
  complete_words "$cli" plot -- | grep -qx -- --volts-only || fail "plot options"
  complete_words "$cli" info -- | grep -qx -- --band && fail "info offers --band, which it refuses"
  [ "$(complete_words "$cli" plot --y Ri)" = "RightAscension" ] || fail "quantity"
  logs="$root/share/driftline/examples/suite/Logs"
  [ "$(complete_words "$cli" info "$logs/ZV-12")" = "$logs/ZV-12-05-2010-0001.log" ] || fail "log file"
  [ "$(complete_words "$cli" info --ini "$root/share/driftline/examples/suite/ZV")" = \
    "$root/share/driftline/examples/suite/ZVK.ini" ] || fail "settings file"
  ;;

*)
  fail "unknown mode $mode"
  ;;
esac
