# shellcheck shell=bash
# Sourced by scripts/run.sh: reads the settings the console will use and
# decides whether they keep all traffic on loopback, so that the script starts
# the instrument stand-in and presses F1 only then.

# A value of the SETTINGS section of an INI file, read exactly as the console
# reads it (core/ProfileFile.cpp): only LF ends a line, the CRs right before it
# (or at the end of the file) belong to the line end, any other CR to the
# line; only the first [SETTINGS] section counts; names match without regard
# to case; blanks and one pair of matching quotes around a value are dropped.
# Prints nothing when
# the file or the key is missing (the console's defaults, the built-in
# instrument address and the host name, never pass as loopback below).
settings_value() {
  [ -r "$2" ] || return 0
  awk -v key="$1" '
    function trim(s) { gsub(/^[ \t]+|[ \t]+$/, "", s); return s }
    BEGIN { RS = "\n" }
    { sub(/\r+$/, ""); line = trim($0) }
    substr(line, 1, 1) == "[" && index(line, "]") > 0 {
      if (in_section) exit
      in_section = tolower(trim(substr(line, 2, index(line, "]") - 2))) == "settings"
      next
    }
    in_section && index($0, "=") > 0 {
      equals = index($0, "=")
      if (tolower(trim(substr($0, 1, equals - 1))) != tolower(key)) next
      value = trim(substr($0, equals + 1))
      quote = substr(value, 1, 1)
      if (length(value) >= 2 && (quote == "\"" || quote == "\047") && substr(value, length(value)) == quote)
        value = substr(value, 2, length(value) - 2)
      print value
      exit
    }' "$2"
}
# Conservative: only the dotted form 127.a.b.c counts, which is loopback
# however the console parses it.
is_loopback() { [[ "$1" =~ ^127\.[0-9]{1,3}\.[0-9]{1,3}\.[0-9]{1,3}$ ]]; }

# A value read from a settings file, fit to be shown in a message: any local
# operator may have written it, so control characters (a terminal's escape
# sequences among them) are shown as "?".
printable() { printf '%s' "$1" | LC_ALL=C tr -c '[:print:]' '?'; }

# Where the instrument stand-in listens for the console of FILE: prints
# ADDRESS:PORT, or says why not (on standard error) and fails. The values come
# from a file every operator may change, and the stand-in may run as root, so
# they are taken only in the one form that is certainly an address and a
# port: a loopback address in dotted form and a decimal port from 1 to 65535.
# The port as the console reads it: a missing key is 8364.
standin_listen() {
  local address port
  address=$(settings_value UdpAddress "$1")
  # A present key prints its value and a line end, a missing one nothing:
  # the "x" after it keeps that line end from being stripped, so an empty
  # value (no port) differs from a missing key (the default).
  port=$(settings_value UdpPort "$1"; echo x)
  if [ "$port" = x ]; then port=8364; else port=${port%$'\nx'}; fi
  if ! is_loopback "$address"; then
    echo "$1 names UdpAddress='$(printable "$address")', not a loopback address; the instrument stand-in is not started." >&2
    return 1
  fi
  if ! [[ "$port" =~ ^[0-9]{1,5}$ ]] || [ $((10#$port)) -lt 1 ] || [ $((10#$port)) -gt 65535 ]; then
    echo "$1 names UdpPort='$(printable "$port")', not a port (a whole number from 1 to 65535); the instrument stand-in is not started." >&2
    return 1
  fi
  echo "$address:$((10#$port))"
}

# The settings the console will use (argument: the settings folder): the
# folder's own file, or on a first run the template it is about to copy.
settings_file() {
  if [ -e "$1/Settings.ini" ]; then echo "$1/Settings.ini"; else echo build/bin/Settings.ini; fi
}
# Succeeds when FILE sends to and binds on loopback only; otherwise says why.
loopback_settings() {
  local address local_address
  if [ ! -r "$1" ]; then
    echo "$1 cannot be read here, so the instrument stand-in is not started and nothing is sent."
    return 1
  fi
  address=$(settings_value UdpAddress "$1")
  local_address=$(settings_value LocaleIpAddress "$1")
  if is_loopback "$address" && is_loopback "$local_address"; then return 0; fi
  echo "$1 names UdpAddress='$(printable "$address")' and LocaleIpAddress='$(printable "$local_address")', not loopback (127.x.x.x):"
  echo "  those are an operator's settings, so the instrument stand-in is not started and nothing is sent."
  return 1
}
