#!/bin/sh
# SPDX-License-Identifier: MIT
# Makes sample-dictionary.txt (code page 932, CR LF line ends) from its UTF-8 source.
set -eu
cd "$(dirname "$0")"
sed 's/$/\r/' sample-dictionary.utf8.txt | iconv -f UTF-8 -t CP932 > sample-dictionary.txt
