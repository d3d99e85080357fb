#!/usr/bin/env bash
# Makes the sample voice memos in samples/: short Russian phrases spoken by espeak-ng, resampled
# to 8 kHz mono 16-bit by ffmpeg, and encoded to AMR-NB by amr_encode.c over libopencore-amrnb
# (Debian's ffmpeg has no AMR encoder). The results are committed; neither the build nor the
# tests run this script. Installs its packages when they are missing.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
out="$(dirname "$here")"

packages=(espeak-ng ffmpeg libopencore-amrnb-dev gcc)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
gcc -O2 -Wall -Wextra -o "$work/amr_encode" "$here/amr_encode.c" -lopencore-amrnb

# memo NAME MODE TEXT: speaks TEXT into NAME.amr at AMR mode MODE (0 = 4.75 ... 7 = 12.2 kbit/s).
memo() {
  local name="$1" mode="$2" text="$3"
  espeak-ng -v ru -s 150 -w "$work/speech.wav" -- "$text"
  ffmpeg -hide_banner -loglevel error -y -i "$work/speech.wav" -ar 8000 -ac 1 -f s16le -acodec pcm_s16le "$work/speech.raw"
  "$work/amr_encode" "$mode" <"$work/speech.raw" >"$out/$name.amr"
  echo "$name.amr: $(stat -c %s "$out/$name.amr") bytes"
}

memo "memo01" 7 "Проверка связи. Раз, два, три."
memo "Ёлка_2006" 7 "С Новым годом! Ёлка уже стоит в большой комнате."
memo "Звонок_от_Алёны" 4 "Перезвонить Алёне вечером, после семи часов."
memo "Список покупок" 2 "Хлеб, молоко, сыр и яблоки."
# Longer than 30 bytes, and its 30th byte ends in the middle of a letter.
memo "Заметка_1_встреча_с_клиентом" 7 "Встреча с клиентом в пятницу, в десять утра, в офисе на Тверской."

# About 200 KB at the highest mode (12.2 kbit/s, 32 bytes per 20 ms): a lecture of two minutes.
lecture="Сегодня мы поговорим о передаче данных по последовательному порту. \
Каждый байт передаётся как стартовый бит, восемь бит данных и стоповый бит, \
поэтому на скорости пятьдесят семь тысяч шестьсот бит в секунду линия переносит \
пять тысяч семьсот шестьдесят байт в секунду. Протокол зимодем делит файл на блоки, \
защищает каждый блок контрольной суммой и продолжает передачу с того места, \
где произошла ошибка. "
memo "Лекция" 7 "$lecture$lecture$lecture$lecture$lecture"
