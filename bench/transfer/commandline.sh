#!/usr/bin/env bash
# One lecture made the common way, from the command line: the office converts the presentation
# to PDF, pdftoppm renders every page as a 1000x700 PNG, pdftotext gives the slide text, printf
# writes the description and curl uploads each file in a process of its own.
#
#   commandline.sh PRESENTATION WORKDIR PROFILEDIR URL USER:PASSWORD [TITLE] [USERID]
#
# URL is the lecture directory, ending with "/" (ftp://127.0.0.1:2121/lumora/classes/x/y/).
# Prints one line "PHASE <name> <seconds>" per phase and "FILES <n>" (files uploaded).
# PROFILEDIR is the office's user profile; its first use (setting the profile up) is timed as a
# phase of its own, "profile-setup", and then the presentation is converted again with the
# profile ready, as on a machine where the office has run before.
set -euo pipefail

if [ $# -lt 5 ]; then
  echo "usage: $0 PRESENTATION WORKDIR PROFILEDIR URL USER:PASSWORD [TITLE] [USERID]" >&2
  exit 2
fi
presentation=$1
work=$2
profile=$3
url=$4
account=$5
title=${6:-Lecture}
userid=${7:-alice}
width=1000
height=700

now() { date +%s.%N; }
phase() { # name start-time
  awk -v n="$1" -v a="$2" -v b="$(now)" 'BEGIN { printf "PHASE %s %.3f\n", n, b - a }'
}

[ -f "$presentation" ] || { echo "no such presentation: $presentation" >&2; exit 1; }
mkdir -p "$work/setup" "$work/pdf" "$work/lecture"
office=(soffice "-env:UserInstallation=file://$profile" --headless --norestore)

t=$(now)
"${office[@]}" --convert-to pdf --outdir "$work/setup" "$presentation" >/dev/null 2>&1
phase profile-setup "$t"

# Office start, open and export as PDF.
t=$(now)
if ! "${office[@]}" --convert-to pdf --outdir "$work/pdf" "$presentation" >"$work/office.log" 2>&1; then
  cat "$work/office.log" >&2
  exit 1
fi
phase office-pdf "$t"
base=$(basename "$presentation")
pdf="$work/pdf/${base%.*}.pdf"
[ -s "$pdf" ] || { echo "the office wrote no PDF: $pdf" >&2; exit 1; }

# One PNG per page at the lecture's pixel size, named like the lecture's slides.
t=$(now)
pdftoppm -scale-to-x "$width" -scale-to-y "$height" -png "$pdf" "$work/pdf/page"
for f in "$work"/pdf/page-*.png; do
  n=${f##*-}
  n=$((10#${n%.png}))
  mv "$f" "$work/lecture/Slide$n.png"
done
phase images "$t"

# Slide text: one <slide> per PDF page, its first line as the title, the other lines as
# sentences; CR LF line ends. (A PDF carries no speaker notes, so there is no notes file.)
t=$(now)
pages=$(find "$work/lecture" -name 'Slide*.png' | wc -l)
pdftotext -enc Latin1 "$pdf" - | awk -v pages="$pages" '
  BEGIN { RS = "\f"; ORS = "\r\n"; print "<stml>" }
  NR > pages { exit }
  {
    print "<slide>"
    n = split($0, line, "\n"); titled = 0
    for (i = 1; i <= n; i++) {
      if (line[i] ~ /^[ \t]*$/) continue
      if (!titled) { print "<title>" line[i] "</title>"; titled = 1 }
      else print "<sentence>" line[i] "</sentence>"
    }
    print "</slide>"
  }
  END { print "</stml>" }' >"$work/lecture/extract.stml"
phase text "$t"

t=$(now)
printf '%s\n%s\n%s\r\n' "$title" "$userid" \
  "$(LC_ALL=C date '+%a %b %-d %H:%M:%S') EDT $(date +%Y)" >"$work/lecture/description"
phase description "$t"

# One curl process (and connection) per file, slides in their number order.
t=$(now)
count=0
mapfile -t slides < <(cd "$work/lecture" && printf '%s\n' Slide*.png | sort -V)
for f in "${slides[@]}" description extract.stml; do
  curl -sS --ftp-create-dirs --user "$account" -T "$work/lecture/$f" "$url"
  count=$((count + 1))
done
phase upload "$t"
echo "FILES $count"
