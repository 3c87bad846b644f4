#!/usr/bin/env bash
# Installs the npm packages the browser checks of the web album need (tests/browser/
# package.json, pinned by its lock file: puppeteer-core, axe-core, html-validate) into
# build/browser-tools, when missing or out of date. Chromium and node themselves are Debian
# packages: scripts/deps.sh installs them. Nothing installed here is committed.
set -euo pipefail
cd "$(dirname "$0")/.."
tools="$PWD/build/browser-tools"
mkdir -p "$tools"
if ! cmp -s tests/browser/package-lock.json "$tools/package-lock.json" ||
  [ ! -d "$tools/node_modules/puppeteer-core" ]; then
  cp tests/browser/package.json tests/browser/package-lock.json "$tools/"
  # puppeteer-core never downloads a browser: the checks drive Debian's chromium.
  (cd "$tools" && npm ci --no-audit --no-fund --loglevel=error)
fi
