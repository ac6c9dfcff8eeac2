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

echo "$((checks - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
