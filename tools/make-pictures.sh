#!/usr/bin/env bash
# Renders the README's picture of the window (after a query of the bundled service's own
# home page) and the desktop icons from the real code:
# tools/make-pictures.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cmake --build "$build" --target render-window seo-site
QT_QPA_PLATFORM=offscreen "$build/bin/render-window" docs/window.png data/icons
