#!/usr/bin/env bash
# Builds tambourin for a home host on 127.0.0.1 and the bare reference browser,
# installs Debian's surf and chromium when they are missing, and compares the
# four under Xvfb. The table goes to stdout and to bench/RESULTS.md.
#   bench/run.sh [--runs N]
# With `new-windows` it measures instead what pages that ask for new windows
# cost tambourin (bench/new_windows.py); the table goes to bench/NEW-WINDOWS.md.
#   bench/run.sh new-windows
# TAMBOURIN_BENCH_PORT moves the home host off 47311 (for a second build tree).
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="$here/build-bench"
port="${TAMBOURIN_BENCH_PORT:-47311}"
mode="start-up"
if [ "${1:-}" = "new-windows" ]; then
  mode="new-windows"
  shift
fi

missing=()
packages=(cmake g++ make pkg-config libgtk-3-dev libwebkit2gtk-4.1-dev xvfb xauth dbus python3)
if [ "$mode" = "new-windows" ]; then packages+=(xdotool); else packages+=(surf chromium); fi
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
fi

cmake -S "$here" -B "$build" -DTAMBOURIN_BUILD_TESTS=OFF -DTAMBOURIN_BUILD_BENCH=ON \
      -DTAMBOURIN_HOME_HOST=127.0.0.1:$port -DTAMBOURIN_PRODUCT_HOST=127.0.0.1:$((port + 1)) \
      >/dev/null
cmake --build "$build" -j"$(nproc)" --target tambourin bare_webview >/dev/null

if [ "$mode" = "new-windows" ]; then
  exec xvfb-run -a -s "-screen 0 1440x900x24" dbus-run-session -- \
    python3 "$here/bench/new_windows.py" --tambourin "$build/bin/tambourin" --port "$port" \
      --markdown "$here/bench/NEW-WINDOWS.md" "$@"
fi

exec xvfb-run -a -s "-screen 0 1440x900x24" dbus-run-session -- \
  python3 "$here/bench/bench.py" --tambourin "$build/bin/tambourin" \
    --bare "$build/bin/bare_webview" --markdown "$here/bench/RESULTS.md" \
    --port "$port" --logs "$build" "$@"
