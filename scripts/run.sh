#!/usr/bin/env bash
# The main job: set-up, build, then the whole program with the stand-in
# service and the stand-in desktop client. It starts the service (unless
# KVUP_SERVICE_URL names one), starts kvup (its windows when a display
# exists, headless otherwise), plays the client (hello, cookies, start),
# drops the given folders or a sample folder it makes, shows the progress and
# prints where the service holds the files when the batch ends.
#
# Headless it then quits kvup and exits 0 only when every file is held
# byte-identical; with windows kvup keeps running until the user quits it
# or Ctrl-C.
#
#   scripts/run.sh [--headless] [FOLDER...]
#
#   KVUP_USER_DATA   user-data folder (default ~/.config/Quorel/User Data)
#   KVUP_PORT        link port (default 23175)
#   KVUP_ACCOUNT     the account handed to kvup (default "kvup-user")
#   KVUP_SERVICE_URL a service to use instead of the stand-in (no check then)
#   KVUP_ARGS        further options for kvup
#   KVUP_SCREENSHOT  with windows: a PNG of the screen when the batch ended
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
KVUP_TARGETS="kvup kvup-client kvup-service" "$here/scripts/setup.sh" "$here/build" >/dev/null
bin="$here/build"
data="${KVUP_USER_DATA:-$HOME/.config/Quorel/User Data}"
port="${KVUP_PORT:-23175}"
account="${KVUP_ACCOUNT:-kvup-user}"
session="run-session"
headless=0
[ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && headless=1
folders=()
for arg in "$@"; do
  case "$arg" in
    --headless) headless=1 ;;
    *) [ -e "$arg" ] || { echo "no such file or folder: $arg" >&2; exit 2; }
       folders+=("$(cd "$(dirname "$arg")" && pwd)/$(basename "$arg")") ;;
  esac
done
mkdir -p "$data"

run_dir="$(mktemp -d)"
service_pid=""
kvup_pid=""
client_pid=""
watch_pid=""
stop_all() {
  trap - INT TERM
  [ -n "$watch_pid" ] && kill "$watch_pid" 2>/dev/null || true
  [ -n "$kvup_pid" ] && kill -TERM "$kvup_pid" 2>/dev/null || true
  [ -n "$kvup_pid" ] && wait "$kvup_pid" 2>/dev/null || true
  [ -n "$client_pid" ] && kill -TERM "$client_pid" 2>/dev/null || true
  [ -n "$service_pid" ] && kill -TERM "$service_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$run_dir"
}
trap stop_all EXIT
trap 'exit 130' INT TERM

# A sample of what users drop: nested folders, an empty folder, CJK names,
# spaces, a file of 0 bytes and a few MB in all. Its content is the same in
# every run, so a second run finds it all held already.
make_sample() {
  local s="$1"
  mkdir -p "$s/照片/2024 夏天" "$s/文档" "$s/空文件夹" "$s/data/deep/deeper"
  printf 'kvup sample\n' >"$s/readme.txt"
  seq 1 40000 >"$s/文档/报告 一.txt"
  : >"$s/data/empty.bin"
  head -c 3000000 /dev/zero | tr '\0' 'k' >"$s/data/deep/deeper/three-mb.bin"
  seq 1 200000 | sha256sum >"$s/照片/2024 夏天/海边.txt"
  seq 7 9 300000 >"$s/照片/相册 #1 'best'.txt"
}

service_url="${KVUP_SERVICE_URL:-}"
service_root=""
if [ -z "$service_url" ]; then
  service_root="$data/kvup-service"
  mkdir -p "$service_root"
  "$bin/kvup-service" --root "$service_root" --port 0 --session "$session=$account" --control \
    >"$run_dir/service.out" 2>>"$data/kvup-service.log" &
  service_pid=$!
  for _ in $(seq 100); do
    [ -s "$run_dir/service.out" ] && break
    kill -0 "$service_pid" 2>/dev/null || { cat "$data/kvup-service.log" >&2; exit 1; }
    sleep 0.05
  done
  service_url="http://127.0.0.1:$(head -n1 "$run_dir/service.out")"
  echo "stand-in service: $service_url (state in $service_root)"
fi

if [ ${#folders[@]} -eq 0 ]; then
  make_sample "$run_dir/kvup-sample"
  folders=("$run_dir/kvup-sample")
fi

# alice's tree as "PATH<TAB>TYPE<TAB>SIZE<TAB>HASH<TAB>CONTENT" lines, the path
# below the backup root.
tree() {
  [ -n "$service_root" ] || return 0
  curl -sf "$service_url/kvup-control/tree?account=$account" | jq -r '
    (.data.entries | map({key: (.id|tostring), value: .}) | from_entries) as $m
    | def up($e): if $e.type == 0 or $e == null then "" else
        (up($m[$e.pid|tostring]) as $p | if $p == "" then $e.name else $p + "/" + $e.name end) end;
    .data.entries[] | select(.type != 0 and .status == 1)
    | [up(.), (.type|tostring), (.size|tostring), .hash, .content] | @tsv'
}

# Every local file as "REMOTE-PATH<TAB>LOCAL-PATH"; every empty folder with
# an empty local path.
local_files() {
  local f base
  for f in "${folders[@]}"; do
    base="$(basename "$f")"
    if [ -d "$f" ]; then
      (cd "$f" && find . -type f -printf '%P\n') | while IFS= read -r p; do
        printf '%s\t%s\n' "$base/$p" "$f/$p"; done
      (cd "$f" && find . -type d -empty -printf '%P\n') | while IFS= read -r p; do
        printf '%s\t\n' "$base${p:+/$p}"; done
    else
      printf '%s\t%s\n' "$base" "$f"
    fi
  done
}

before="$run_dir/before.tsv"
tree >"$before"

kvup_args=(--user-data "$data" --port "$port" --service "$service_url")
[ "$headless" = 1 ] && kvup_args+=(--headless)
# shellcheck disable=SC2206
kvup_args+=(${KVUP_ARGS:-})
(cd "$bin" && exec "$bin/kvup" "${kvup_args[@]}") &
kvup_pid=$!
echo "kvup: $([ "$headless" = 1 ] && echo headless || echo with windows), user data in $data"

drops=()
for f in "${folders[@]}"; do drops+=("drop=$f"); echo "dropping $f"; done
ending=quit
# With windows the manager window shows the progress.
[ "$headless" = 1 ] || { ending=hold; drops+=(show); }
started=$(date +%s%N)
"$bin/kvup-client" --port "$port" --session "$session" --account "$account" \
  hello wait=1 cookies start wait=7 "${drops[@]}" end=3600000 "$ending" >"$run_dir/client.out" &
client_pid=$!

# One line per file the service holds complete, as it comes.
if [ -n "$service_root" ]; then
  (
    seen="$run_dir/seen"
    cp "$before" "$seen"
    while sleep 0.5; do
      tree | while IFS=$'\t' read -r path type size hash content; do
        [ "$type" = 1 ] || continue
        grep -qxF "$path	$type	$size	$hash	$content" "$seen" && continue
        printf '%s\t%s\t%s\t%s\t%s\n' "$path" "$type" "$size" "$hash" "$content" >>"$seen"
        printf '  uploaded  %-60s %12s B\n' "$path" "$size"
      done
    done
  ) &
  watch_pid=$!
fi

# The batch ends with status 3, 5, 6 or 8 from kvup.
end_code=""
while [ -z "$end_code" ]; do
  end_code="$(grep -oE 'status (3|5|6|8)$' "$run_dir/client.out" | head -n1 | cut -d' ' -f2 || true)"
  if [ -z "$end_code" ] && ! kill -0 "$client_pid" 2>/dev/null; then
    cat "$run_dir/client.out" >&2
    echo "kvup ended before the batch did" >&2
    exit 1
  fi
  sleep 0.2
done
sleep 0.7  # the watcher's last round
kill "$watch_pid" 2>/dev/null || true
watch_pid=""
elapsed_ms=$((($(date +%s%N) - started) / 1000000))
elapsed="$((elapsed_ms / 1000)).$((elapsed_ms % 1000 / 100))"
echo "batch ended with status $end_code after $elapsed s"
if [ "$headless" = 0 ] && [ -n "${KVUP_SCREENSHOT:-}" ]; then
  import -window root "$KVUP_SCREENSHOT" && echo "screenshot: $KVUP_SCREENSHOT"
fi

# Byte-identical check against what the service holds.
status=0
if [ -n "$service_root" ]; then
  after="$run_dir/after.tsv"
  tree >"$after"
  files=0 bytes=0 instant=0 failed=0
  while IFS=$'\t' read -r remote localpath; do
    row="$(awk -F'\t' -v p="$remote" '$1 == p' "$after" | head -n1)"
    if [ -z "$localpath" ]; then
      [ -n "$row" ] || { echo "  missing folder  $remote"; failed=$((failed + 1)); }
      continue
    fi
    files=$((files + 1))
    bytes=$((bytes + $(stat -c %s "$localpath")))
    content="$(printf '%s' "$row" | cut -f5)"
    if [ -z "$row" ] || ! cmp -s "$localpath" "$content"; then
      echo "  NOT HELD  $remote"
      failed=$((failed + 1))
      continue
    fi
    # The content was held before this batch: the upload finished at once.
    hash="$(printf '%s' "$row" | cut -f4)"
    if cut -f4 "$before" | grep -qxF "$hash"; then instant=$((instant + 1)); fi
  done < <(local_files)
  echo "files: $files, bytes: $bytes, instant uploads: $instant, failures: $failed, time: $elapsed s"
  echo "the service holds them under kvsfodra of account $account:"
  for f in "${folders[@]}"; do echo "  kvsfodra/$(basename "$f")"; done
  echo "  content files in $service_root/content (see $service_url/kvup-control/tree?account=$account)"
  [ "$failed" = 0 ] || status=1
else
  echo "the service at $service_url holds them under kvsfodra"
fi

if [ "$headless" = 1 ]; then
  # kvup-client sent quit after the end: kvup shuts down in order.
  wait "$client_pid" || true
  client_pid=""
  wait "$kvup_pid" || status=1
  kvup_pid=""
  exit "$status"
fi
echo "kvup keeps running with its windows; quit it from its menu or press Ctrl-C"
wait "$kvup_pid" || true
kvup_pid=""
exit "$status"
