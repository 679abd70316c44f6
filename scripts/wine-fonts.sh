#!/usr/bin/env bash
# Installs the fonts Tarnwick draws with into a Wine prefix: Wine's DirectWrite sees only fonts
# registered in the prefix, and without them every text layout fails and no text is drawn. The
# files come from the Debian font packages (fonts-inter, fonts-jetbrains-mono, fonts-noto-core,
# fonts-noto-cjk, fonts-material-design-icons-iconfont), found through fontconfig.
# Usage: scripts/wine-fonts.sh <wineprefix>   (after wineboot)
set -euo pipefail
prefix=$1
fonts=$prefix/drive_c/windows/Fonts
mkdir -p "$fonts"

# family | the file name's style part (the weights the text formats use)
wanted=(
  "Inter|Regular|SemiBold|Bold|ExtraBold"
  "JetBrains Mono|Regular"
  "Noto Sans|Regular"
  "Noto Sans Arabic|Regular|Bold"
  "Noto Sans Devanagari|Regular|Bold"
  "Noto Sans CJK SC|Regular|Bold"
  "Material Icons|Regular"
)

reg=$prefix/drive_c/tarnwick-fonts.reg
trap "rm -f \"$reg\"" EXIT
{
  printf 'REGEDIT4\r\n\r\n'
  printf '[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion\\Fonts]\r\n'
} >"$reg"
for entry in "${wanted[@]}"; do
  IFS='|' read -r family styles <<<"$entry"
  for style in ${styles//|/ }; do
    file=$(fc-list -f '%{file}\n' "$family" | grep -E "/[^/]*-${style}\.(ttf|otf|ttc)$" | sort | head -n 1 || true)
    if [ -z "$file" ]; then
      echo "wine-fonts: no $family $style installed" >&2
      exit 1
    fi
    name=$(basename "$file")
    cp -f "$file" "$fonts/$name"
    # A collection registers under one name; DirectWrite reads every face of the file.
    printf '"%s %s (TrueType)"="%s"\r\n' "$family" "$style" "$name" >>"$reg"
  done
done
WINEPREFIX=$prefix WINEDEBUG=-all wine regedit /S 'C:\tarnwick-fonts.reg'
WINEPREFIX=$prefix wineserver -w
