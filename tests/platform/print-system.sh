#!/usr/bin/env bash
# A private print system for the printer tests: a print server of its own, reached through a
# socket in DIR, with queues described by the tests' printer descriptions: "OfficeA4" (A4 by
# default), "Trays" (Letter by default, three paper sources; it refuses jobs, so nothing is ever
# printed) and "Kept" (as OfficeA4, but the server refuses to cancel its jobs). Without the print
# server installed it does nothing, and the tests that need the queues skip.
#   print-system.sh start DIR DATA   |   print-system.sh stop DIR
set -u
command=$1 dir=$2
case "$command" in
start)
  data=$3
  server=/usr/sbin/cupsd
  [ -x "$server" ] || exit 0
  rm -rf "$dir"
  mkdir -p "$dir"/{spool/tmp,cache,state,log,run}
  socket="$dir/run/print.sock"
  cat >"$dir/cupsd.conf" <<CONF
Listen $socket
LogLevel warn
Browsing No
WebInterface No
DefaultAuthType None
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order allow,deny
    Allow all
  </Limit>
</Policy>
<Policy kept>
  <Limit Cancel-Job Cancel-Jobs Cancel-My-Jobs Purge-Jobs>
    AuthType Basic
    Require user lorvane-nobody
  </Limit>
  <Limit All>
    Order allow,deny
    Allow all
  </Limit>
</Policy>
CONF
  cat >"$dir/cups-files.conf" <<CONF
ServerRoot $dir
RequestRoot $dir/spool
TempDir $dir/spool/tmp
CacheDir $dir/cache
StateDir $dir/state
ErrorLog $dir/log/error_log
AccessLog $dir/log/access_log
PageLog $dir/log/page_log
FileDevice Yes
ServerBin /usr/lib/cups
DataDir /usr/share/cups
CONF
  # The server refuses to run as root; it then runs as nobody, who must reach its folders.
  if [ "$(id -u)" -eq 0 ]; then
    printf 'User nobody\nGroup nogroup\n' >>"$dir/cups-files.conf"
    chmod -R a+rwX "$dir"
  fi
  setsid "$server" -f -c "$dir/cupsd.conf" -s "$dir/cups-files.conf" \
    >"$dir/log/server" 2>&1 </dev/null &
  echo $! >"$dir/pid"
  for _ in $(seq 100); do [ -S "$socket" ] && break; sleep 0.1; done
  [ -S "$socket" ] || { echo "the print server did not start:"; cat "$dir/log/server"; exit 1; }
  lpadmin -h "$socket" -p OfficeA4 -P "$data/OfficeA4.ppd" -v file:///dev/null -E 2>/dev/null &&
    lpadmin -h "$socket" -p Trays -P "$data/ThreeTrays.ppd" -v file:///dev/null -E 2>/dev/null &&
    cupsreject -h "$socket" Trays &&
    lpadmin -h "$socket" -p Kept -P "$data/OfficeA4.ppd" -v file:///dev/null -E \
      -o printer-op-policy=kept 2>/dev/null
  ;;
stop)
  if [ -f "$dir/pid" ]; then
    pid=$(cat "$dir/pid")
    kill "$pid" 2>/dev/null
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  fi
  rm -rf "$dir"
  exit 0
  ;;
esac
