# chrome PAGE ARTIFACTS PROFILE NAME ARGS...: one headless Chromium on the
# page file, with no network of its own to reach: every host name fails to
# resolve. Output in ARTIFACTS/NAME.{out,err}, its network log NAME.netlog.json.
chrome() {
  local page=$1 artifacts=$2 profile=$3 name=$4; shift 4
  timeout 90 chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run \
    --disable-background-networking --disable-component-update --disable-sync --disable-extensions \
    --user-data-dir="$profile/$name" --host-resolver-rules='MAP * ~NOTFOUND' \
    --log-net-log="$artifacts/$name.netlog.json" "$@" "file://$page" \
    > "$artifacts/$name.out" 2> "$artifacts/$name.err"
}
