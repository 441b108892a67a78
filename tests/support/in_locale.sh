#!/bin/sh
# Runs a command whose Wine programs start in another locale, and so in another ANSI code page
# (ja_JP.UTF-8: 932, whose characters outside ASCII take two bytes). The glibc locale is built
# from the system's locale sources into DIR once (localedef, about a second); tools/wine-run
# takes it from LUMETTA_WINE_LOCALE. Wine sets the code page per process, so the prefix and its
# wineserver stay as they are for every other test.
#   in_locale.sh LOCALE DIR -- COMMAND...
set -e
locale=$1 dir=$2
shift 3
if [ ! -d "$dir/$locale" ]; then
  mkdir -p "$dir"
  # Tests may start side by side: each builds under its own name, and a rename puts it in place.
  localedef -i "${locale%%.*}" -f "${locale#*.}" "$dir/$locale.$$" ||
    { echo "in_locale: could not build the locale $locale (Debian's locales package has its sources)"; exit 1; }
  mv "$dir/$locale.$$" "$dir/$locale" 2>/dev/null || rm -rf "$dir/$locale.$$"
fi
LOCPATH=$dir LUMETTA_WINE_LOCALE=$locale exec "$@"
