#!/usr/bin/env bash
# Shared by ./test and ./run: make sure the build's Debian packages are present, then configure
# and build in build/. Extra arguments go to cmake's configure step.
set -euo pipefail

# libclang-rt-dev holds libFuzzer and the sanitizer runtimes for tools/fuzz; clang only
# recommends it, and recommendations are not installed here.
packages=(cmake ninja-build g++ pkg-config libpugixml-dev libgtest-dev libgmock-dev libbenchmark-dev
          clang libclang-rt-dev qt6-base-dev fonts-dejavu-core help2man dpkg-dev file
          desktop-file-utils locales)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
if ((${#missing[@]})); then
  if [[ $(id -u) -ne 0 ]]; then
    echo "Missing packages. Install them with:" >&2
    echo "  sudo apt-get install -y ${missing[*]}" >&2
    exit 1
  fi
  echo "Installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# Tests of numbers and texts run a second time under a comma-decimal locale.
comma_locale=de_DE.UTF-8
if ! locale -a 2>/dev/null | grep -qix 'de_DE\.utf-\?8'; then
  if [[ $(id -u) -ne 0 ]]; then
    echo "The locale $comma_locale is missing: the tests that run under it will fail." >&2
    echo "Generate it with:" >&2
    echo "  sudo localedef -i de_DE -f UTF-8 $comma_locale" >&2
  else
    echo "Generating the locale $comma_locale"
    localedef -i de_DE -f UTF-8 "$comma_locale"
  fi
fi

cmake -S . -B build -G Ninja "$@"
cmake --build build
