#!/usr/bin/env bash
# Installs what building, running and testing the tool needs on Debian 12. Run it as
# root, or as a user who may use sudo: it asks for root itself.
set -euo pipefail
if ((EUID != 0)); then
  exec sudo "$0" "$@"
fi
packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev libgl-dev            # the window and its network access
  fonts-noto-cjk                    # the serif face that stands in for 宋体
  qt6-translations-l10n             # Qt's own texts (OK, Cancel, Undo...) in Chinese
  xdg-utils                         # opens the home page in the user's browser
  libcpp-httplib-dev libcurl4-openssl-dev zlib1g-dev libgumbo-dev libicu-dev libopencc-dev nlohmann-json3-dev  # the analysis service
  libsqlitecpp-dev libsqlite3-dev libxml2-dev   # its site crawls: the store, sitemaps
  postgresql-15 libpq-dev nginx-light           # crawls shared by several instances, behind nginx
  python3-jieba                     # its word-frequency lexicon (dict.txt), read as data
  libgtest-dev libgmock-dev libbenchmark-dev wrk valgrind python3 clang libclang-rt-14-dev   # tests, load, fuzzing
  chromium chromium-driver python3-selenium   # the service's pages tested in a real browser
  maint-guide-zh-cn                 # real Chinese pages for a site crawl test
  iproute2                          # a network namespace with a public address, for the crawl's guard test
  faketime                          # a worker whose clock is wrong, for the shared crawl's test
  clang-format clang-tidy           # the house style, checked by CI
)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if ((${#missing[@]})); then
  export DEBIAN_FRONTEND=noninteractive
  [[ "${SEO_APT_UPDATED:-}" == 1 ]] || apt-get update
  apt-get install -y --no-install-recommends "${missing[@]}"
fi
