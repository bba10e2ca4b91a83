#!/usr/bin/env bash
# Feeds tarvik-fwgen copies of the carried images with one fault each and checks that it fails
# with "<file>:<line>: <reason>"; an untouched copy, and one with LF line ends, must pass.
# Usage: fwgen_rejects.sh <tarvik-fwgen> <firmware folder>
set -euo pipefail
gen=$1
src=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
img=Tarvik_V3_20_PF0_PR0_BL2_0.hex
failures=0

fresh() {
  rm -rf "$work/fw" "$work/out"
  mkdir -p "$work/fw" "$work/out"
  cp "$src"/images.txt "$src"/*.hex "$work/fw/"
}

# replace_line <line> <text>: the line of the image gets the text (CR LF kept).
replace_line() {
  awk -v n="$1" -v t="$2" 'NR == n { print t "\r"; next } { print }' "$work/fw/$img" >"$work/tmp"
  mv "$work/tmp" "$work/fw/$img"
}

run() {
  "$gen" "$work/fw/images.txt" "$work/fw" "$work/out" 2>"$work/err"
}

# expect_fail <name> <expected text in the message>
expect_fail() {
  if run; then
    echo "FAIL $1: the generator accepted the file"
    failures=$((failures + 1))
  elif ! grep -qF -- "$2" "$work/err"; then
    echo "FAIL $1: expected '$2' in:"
    cat "$work/err"
    failures=$((failures + 1))
  else
    echo "ok   $1: $(head -1 "$work/err")"
  fi
}

fresh
if run && [ "$(ls "$work/out" | wc -l)" -eq 13 ]; then echo "ok   untouched images"; else
  echo "FAIL untouched images"; cat "$work/err"; failures=$((failures + 1)); fi

fresh
sed -i 's/\r$//' "$work/fw/$img"
if run; then echo "ok   LF line ends"; else echo "FAIL LF line ends"; cat "$work/err"; failures=$((failures + 1)); fi

line9=$(sed -n 9p "$src/$img" | tr -d '\r')
line10=$(sed -n 10p "$src/$img" | tr -d '\r')
last_digit=${line9: -1}
other_digit=$([ "$last_digit" = 0 ] && echo 1 || echo 0)

fresh; replace_line 9 "${line9:0:138}$other_digit"
expect_fail "checksum" "$img:9: the record checksum is wrong"
fresh; replace_line 10 "$(echo "$line10" | tr 'A-F' 'a-f')"
expect_fail "lower case" "$img:10: character"
fresh; replace_line 10 "$line9"; replace_line 9 "$line10"
expect_fail "falling address" "$img:10: the record address does not rise"
fresh; replace_line 9 ":0100000520DA"
expect_fail "short record" "$img:9: expected a data record of 139 characters"
fresh; replace_line 9 "${line9:0:7}01${line9:9}"
expect_fail "record type" "$img:9: "
fresh; replace_line 9 "$line9 "
expect_fail "trailing blank" "$img:9: expected a data record"
fresh; sed -i '$d' "$work/fw/$img"
expect_fail "end record missing" "$img:531: the last line must be the end record"
fresh; printf ':00000001FF\r\n' >>"$work/fw/$img"
expect_fail "line after the end record" "$img:533: nothing may follow the end record"
fresh; replace_line 20 ""
expect_fail "blank line" "$img:20: expected a data record"
fresh; replace_line 3 "Class=26113"
expect_fail "key case" "$img:3: expected the header line \"class=...\""
fresh; replace_line 4 "versionH=abc"
expect_fail "bad number" "$img:4: the value of \"versionH\" is not a number"
fresh; replace_line 6 "platform=70000"
expect_fail "not a word" "$img:6: the value of \"platform\" is not a 16-bit word"
fresh; replace_line 1 "bootloader=4"
expect_fail "bootloader" "$img:1: the value of \"bootloader\" must be 2 or 3"
fresh; replace_line 8 "date=18.6.2009 16:27"
expect_fail "date form" "$img:8: the value of \"date\" must have the form"
fresh; replace_line 5 "versionL=21"
expect_fail "file name" "$img:1: the file must be named after its header values: Tarvik_V3_21_PF0_PR0_BL2_0.hex"
fresh; head -8 "$src/$img" >"$work/fw/$img"
expect_fail "no records" "$img:8: the image has no records"
fresh; sed -i '$d' "$work/fw/images.txt"
expect_fail "eleven images" "images.txt:"
fresh; echo "$img" >>"$work/fw/images.txt"
expect_fail "listed twice" "the image is listed twice"
fresh; rm "$work/fw/$img"
expect_fail "missing file" "$img: cannot open"

if [ "$failures" -ne 0 ]; then
  echo "$failures case(s) failed"
  exit 1
fi
