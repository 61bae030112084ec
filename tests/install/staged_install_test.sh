#!/usr/bin/env bash
# Installs the build into a staging folder (DESTDIR) and checks what an installation
# holds and does: the file list, the desktop entry, the AppStream data, the manual
# pages, the command lines of both programs, and the console program started from
# elsewhere with a fresh home folder.
# Usage: staged_install_test.sh BUILD_DIR SOURCE_DIR APP_ID VERSION
set -euo pipefail
build=$1 source=$2 id=$3 version=$4
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAILED: $*" >&2
  exit 1
}

stage=$work/stage
DESTDIR=$stage cmake --install "$build" --prefix /usr >/dev/null
share=$stage/usr/share

# Exactly these files: no tests, benchmarks, fuzz targets or developer notes.
expected=$({
  printf '%s\n' usr/bin/cpu-chat usr/bin/cpu-chat-cli usr/share/man/man1/cpu-chat.1 usr/share/man/man1/cpu-chat-cli.1 \
    "usr/share/applications/$id.desktop" "usr/share/metainfo/$id.metainfo.xml" \
    "usr/share/icons/hicolor/scalable/apps/$id.svg" "usr/share/icons/hicolor/"{48x48,128x128,256x256}"/apps/$id.png"
  (cd "$source/data" && find . -type f ! -name README.md | sed 's|^\./|usr/share/cpu-chat/|')
} | sort)
actual=$(cd "$stage" && find . ! -type d | sed 's|^\./||' | sort)
diff <(echo "$expected") <(echo "$actual") || fail "the installed files (+) differ from the expected ones (-)"

report=$(desktop-file-validate "$share/applications/$id.desktop" 2>&1) && [ -z "$report" ] ||
  fail "desktop entry: $report"
appstreamcli validate --no-net "$share/metainfo/$id.metainfo.xml" >"$work/report" 2>&1 ||
  fail "AppStream data: $(cat "$work/report")"
for page in cpu-chat cpu-chat-cli; do
  report=$(groff -k -ww -man -Tutf8 -z "$share/man/man1/$page.1" 2>&1)
  [ -z "$report" ] || fail "manual page $page: $report"
done

# Help and version need no display; an unknown option ends with status 2.
for program in cpu-chat cpu-chat-cli; do
  for row in "--help 0 Usage:" "--version 0 cpu-chat $version" "--bogus 2 bogus"; do
    read -r option want text <<<"$row"
    status=0
    env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM $([ "$option" = --bogus ] && echo QT_QPA_PLATFORM=offscreen) \
      "$stage/usr/bin/$program" "$option" >"$work/out" 2>"$work/err" || status=$?
    [ "$status" = "$want" ] || fail "$program $option: status $status, not $want: $(cat "$work/err")"
    where=$work/out
    [ "$want" = 0 ] || where=$work/err
    grep -q -- "$text" "$where" || fail "$program $option: '$text' is not in $(cat "$where")"
  done
done

# The console program from another directory and a fresh home folder: it fills the
# per-user folder, answers, learns, and keeps what it learned at the next start.
mkdir "$work/elsewhere"
cli() { (cd "$work/elsewhere" && env -u XDG_DATA_HOME HOME="$1" "$stage/usr/bin/cpu-chat-cli" "${@:2}"); }
known() { cli "$@" --stats | head -1; }
folder=$work/home/.local/share/cpu-chat
mkdir "$work/home"
printf 'привет\nсиний трактор едет\n' | cli "$work/home" --seed 1 >"$work/out"
grep -q '^CPU:     ' "$work/out" || fail "no answer: $(cat "$work/out")"
(cd "$source/data" && find . -type f ! -name README.md) | while read -r f; do
  [ -f "$folder/$f" ] || fail "$f was not copied into the per-user folder"
done
learned=$(known "$work/home")
[ "$learned" != "$(known "$work/home" --dir "$share/cpu-chat")" ] || fail "the unknown phrase was not learned: $learned"
printf 'привет\n' | cli "$work/home" --seed 1 >"$work/out"
grep -q '^CPU:     ' "$work/out" || fail "no answer at the second start"
[ "$(known "$work/home")" = "$learned" ] || fail "the second start lost what was learned"

# A file already in the per-user folder is never overwritten.
mkdir -p "$work/other/.local/share/cpu-chat/Base"
echo mine >"$work/other/.local/share/cpu-chat/Base/Pause.Dat"
printf 'привет\n' | cli "$work/other" >/dev/null
[ "$(cat "$work/other/.local/share/cpu-chat/Base/Pause.Dat")" = mine ] || fail "an existing file was overwritten"
[ -f "$work/other/.local/share/cpu-chat/Base/Words.Dat" ] || fail "the missing files were not copied"
echo "The staged installation holds the expected files and works."
