#!/usr/bin/env bash
# Runs the system code page tests under Wine in a Russian locale, where Wine's ANSI code page is
# Windows-1251. The locale is compiled once into the build tree, so the system needs none
# installed beyond glibc's locale sources (Debian's package locales). Wine rewrites the user locale in the prefix for each
# process it starts, so the runs after this one find their own again; meanwhile none may run.
# Usage: codepage.sh <postwacht_tests.exe> <folder for the compiled locale>
set -euo pipefail
tests=$1 locales=$2
wine_run=$(cd "$(dirname "$0")/../../scripts" && pwd)/wine-run.sh
have_locale() { [ "$(LOCPATH=$locales LC_ALL=ru_RU.UTF-8 locale charmap 2>/dev/null)" = UTF-8 ]; }
if ! have_locale; then
  mkdir -p "$locales"
  # localedef answers 1 for mere warnings; whether the locale works is checked below.
  localedef -i ru_RU -f UTF-8 "$locales/ru_RU.UTF-8" >/dev/null 2>&1 || true
  if ! have_locale; then
    echo "codepage.sh: cannot build the ru_RU.UTF-8 locale (is the package locales installed?)" >&2
    exit 1
  fi
fi
LOCPATH=$locales PW_WINE_LOCALE=ru_RU.UTF-8 "$wine_run" "$tests" \
  --gtest_filter='SystemCodePage.*' --gtest_brief=1
