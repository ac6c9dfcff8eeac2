#!/usr/bin/env bash
# The run command starts the instrument stand-in and presses F1 only when the
# settings keep all traffic on loopback. Each case is a Settings.ini and
# whether it passes; a file that the console would read differently from the
# check must never pass.
set -uo pipefail
cd "$(dirname "$0")/../.." || exit 1
. scripts/loopback-settings.sh

file=$(mktemp)
trap 'rm -f "$file"' EXIT
checks=0
failures=0
check() {  # description, expected (pass|refuse), file content (printf format), [mode]
  checks=$((checks + 1))
  chmod 600 "$file"
  # shellcheck disable=SC2059 # the case's content is the format
  printf "$3" >"$file"
  chmod "${4:-600}" "$file"
  local got=refuse
  loopback_settings "$file" >/dev/null && got=pass
  if [ "$got" != "$2" ]; then echo "FAIL: $1: expected $2, got $got"; failures=$((failures + 1)); fi
}

check "the demo template"              pass   '[SETTINGS]\r\nUdpAddress=127.0.0.1\r\nLocaleIpAddress=127.0.0.1\r\n'
check "any case, blanks, quotes, LF"   pass   ' [ settings ] \nudpaddress = "127.0.0.2" \nLOCALEIPADDRESS=\047127.9.9.9\047\n'
check "instrument elsewhere"           refuse '[SETTINGS]\r\nUdpAddress=10.1.2.3\r\nLocaleIpAddress=127.0.0.1\r\n'
check "local address missing (host)"   refuse '[SETTINGS]\r\nUdpAddress=127.0.0.1\r\n'
check "host names are not trusted"     refuse '[SETTINGS]\r\nUdpAddress=localhost\r\nLocaleIpAddress=127.0.0.1\r\n'
check "short and octal forms"          refuse '[SETTINGS]\r\nUdpAddress=127.1\r\nLocaleIpAddress=0177.0.0.1\r\n'
check "only the first section counts"  refuse '[SETTINGS]\r\nUdpAddress=10.1.2.3\r\n[Other]\r\n[SETTINGS]\r\nUdpAddress=127.0.0.1\r\nLocaleIpAddress=127.0.0.1\r\n'
check "keys of another section"        refuse '[SET TINGS]\r\nUdpAddress=127.0.0.1\r\nLocaleIpAddress=127.0.0.1\r\n'
check "a lone CR ends no line"         refuse '[SETTINGS]\rUdpAddress=127.0.0.1\rLocaleIpAddress=127.0.0.1\r'
check "no key behind a lone CR"        refuse '[SETTINGS]\r\nNote=x\rUdpAddress=127.0.0.1\r\nLocaleIpAddress=127.0.0.1\r\n'
check "a lone CR stays in the value"   refuse '[SETTINGS]\r\nUdpAddress=127.0.0.1\r10.1.2.3\r\nLocaleIpAddress=127.0.0.1\r\n'
check "CRs that end a line"            pass   '[SETTINGS]\r\r\nUdpAddress=127.0.0.1\r\r\nLocaleIpAddress=127.0.0.1\r'
check "first key wins"                 refuse '[SETTINGS]\r\nUdpAddress=10.1.2.3\r\nUdpAddress=127.0.0.1\r\nLocaleIpAddress=127.0.0.1\r\n'
check "mismatched quotes are kept"     refuse '[SETTINGS]\r\nUdpAddress="127.0.0.1\047\r\nLocaleIpAddress=127.0.0.1\r\n'
# Root reads every file, so this case needs an ordinary user.
[ "$(id -u)" -ne 0 ] && check "unreadable file" refuse '[SETTINGS]\r\nUdpAddress=127.0.0.1\r\nLocaleIpAddress=127.0.0.1\r\n' 000

# Where the stand-in listens: only a loopback address and a decimal port from
# 1 to 65535 are handed on, as one argument; anything else keeps it off.
listen_check() {  # description, expected ADDRESS:PORT or "refuse", UdpPort line (printf format)
  checks=$((checks + 1))
  chmod 600 "$file"
  # shellcheck disable=SC2059 # the case's content is the format
  printf "[SETTINGS]\r\nUdpAddress=127.0.0.1\r\nLocaleIpAddress=127.0.0.1\r\n$3" >"$file"
  local got
  got=$(standin_listen "$file" 2>/dev/null) || got=refuse
  if [ "$got" != "$2" ]; then echo "FAIL: $1: expected $2, got '$got'"; failures=$((failures + 1)); fi
}
listen_check "the template's port"        127.0.0.1:8364 'UdpPort=8364\r\n'
listen_check "no port: the default"       127.0.0.1:8364 ''
listen_check "blanks around it"           127.0.0.1:7    'UdpPort = 7 \r\n'
listen_check "leading zeros"              127.0.0.1:8364 'UdpPort=08364\r\n'
listen_check "the highest port"           127.0.0.1:65535 'UdpPort=65535\r\n'
listen_check "options after the port"     refuse 'UdpPort=8364 --allow-remote --listen 0.0.0.0:8364 --rules /var/lib/Kelvor/Telvane/r.ini\r\n'
listen_check "an option for a port"       refuse 'UdpPort=--allow-remote\r\n'
listen_check "a command for a port"       refuse 'UdpPort=$(touch /tmp/x)\r\n'
listen_check "port 0"                     refuse 'UdpPort=0\r\n'
listen_check "above 65535"                refuse 'UdpPort=65536\r\n'
listen_check "six digits"                 refuse 'UdpPort=100000\r\n'
listen_check "a sign"                     refuse 'UdpPort=+80\r\n'
listen_check "hexadecimal"                refuse 'UdpPort=0x1f90\r\n'
listen_check "an empty value"             refuse 'UdpPort=\r\n'
listen_check "a tab inside"               refuse 'UdpPort=83\t64\r\n'
# A refusal names the value without handing the terminal its control characters.
printf '[SETTINGS]\r\nUdpAddress=127.0.0.1\r\nUdpPort=1\033]0;owned\a\r\n' >"$file"
checks=$((checks + 1))
message=$(standin_listen "$file" 2>&1 >/dev/null)
case "$message" in
  *$'\033'* | *$'\a'*) echo "FAIL: a control character reached the message"; failures=$((failures + 1)) ;;
  *"UdpPort='1?]0;owned?'"*) ;;
  *) echo "FAIL: the message does not name the value: $message"; failures=$((failures + 1)) ;;
esac

echo "$((checks - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
