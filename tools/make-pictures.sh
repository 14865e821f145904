#!/usr/bin/env bash
# Renders the README's pictures: the window (after a query of the bundled service's own
# home page), the desktop icons and the audit page in a browser, from the real code:
# tools/make-pictures.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
cmake --build "$build" --target render-window seo-site
QT_QPA_PLATFORM=offscreen "$build/bin/render-window" docs/window.png data/icons
# The tools site's audit page, as headless Chromium shows it after the browser test's query.
tests/browser/audit_in_browser.py "$build/bin/seo-site" --screenshot docs/audit.png >/dev/null
