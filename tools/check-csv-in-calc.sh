#!/usr/bin/env bash
# Imports a CSV report of hostile drive texts into LibreOffice Calc, split at
# ',', at ';' and at TAB, each with and without Calc's "Trim spaces", and
# fails when Calc made a formula of any cell. A line of cells that do run,
# imported the same way, shows that the check sees formulas. LibreOffice is
# not a dependency: where it is not installed the check says so and passes,
# and tools/test.sh does not run it.
# Usage: tools/check-csv-in-calc.sh
set -euo pipefail
cd "$(dirname "$0")/.."

calc=$(command -v soffice || command -v libreoffice || true)
if [ -z "$calc" ]; then
  echo "skipped: LibreOffice is not installed"
  exit 0
fi

cmake --preset native >/dev/null
nice cmake --build --preset native --target csv_report_of_texts >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Each a drive's model, serial, firmware and download page.
texts=(
  'X;=1+2' 'X;@SUM(1;2)' 'X;+1+2' 'X;-1+2' $'X\t=1+2' $'X\t@SUM(1)' $'X\t+1+2'
  $'X;\t=1+2' $'X\t;=1+2' 'X;;=1+2' '=1+2;=3+4'
  'X;"=1+2' 'X;"=1+2";Y' 'X;""=1+2' $'X\t"=1+2"' 'X;"""=1+2"' 'X;"A";=1+2'
  'X; =1+2' 'X;  "=1+2"' $'X\t "=1+2"'
  $'X\r\n=1+2' $'X\n=1+2' $'X\r=1+2' $'X\r\n"=1+2"' $'X;\r\n=1+2'
  'X;' $'X\t' 'X; ' ';' ';;;' $'\t' $';\t;' '"' '";"' '";=1+2'
  '=1+2' '@SUM(1)' '+1+2' '-1+2' $'\t=1+2' '"=1+2"' "'=1+2" 'X;'"'"'=1+2'
  '=HYPERLINK("http://x";"y")' 'X;=HYPERLINK("http://x";"y")'
)
build/native/tests/native/csv_report_of_texts "${texts[@]}" >"$work/report.csv"

# The cells Calc made formulas of, when it read `file` split at the
# separator whose code is `separator`, blanks trimmed or not.
formulas() {
  local file=$1 separator=$2 trim=$3 out="$work/out-$2-$3"
  "$calc" -env:UserInstallation="file://$work/profile" --headless \
    --infilter="Text - txt - csv (StarCalc):$separator,34,76,1,,0,false,false,false,false,$trim" \
    --convert-to fods --outdir "$out" "$file" >/dev/null 2>&1
  local name
  name=$(basename "${file%.*}")
  if [ ! -s "$out/$name.fods" ]; then
    echo "LibreOffice did not import $file" >&2
    return 1
  fi
  grep -o 'table:formula="[^"]*"' "$out/$name.fods" || true
}

failed=0
for separator in 44 59 9; do
  char=$(printf "\\$(printf '%03o' "$separator")")
  printf '=1+2%s=3*4\r\n' "$char" >"$work/control.csv"
  for trim in false true; do
    if [ "$(formulas "$work/control.csv" "$separator" "$trim" | wc -l)" -ne 2 ]; then
      echo "separator $separator, trim $trim: Calc ran no formula of the control line" \
        "(the check cannot see formulas)" >&2
      failed=1
      continue
    fi
    found=$(formulas "$work/report.csv" "$separator" "$trim")
    if [ -n "$found" ]; then
      echo "separator $separator, trim $trim: Calc made formulas of the report:" >&2
      echo "$found" >&2
      failed=1
    else
      echo "separator $separator, trim $trim: no formula in ${#texts[@]} hostile drives"
    fi
  done
done
exit $failed
