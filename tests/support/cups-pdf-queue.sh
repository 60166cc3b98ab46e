#!/usr/bin/env bash
# A CUPS print queue that writes each job into a PDF file, for the test that
# prints a label for real. It runs a private cupsd of its own in the test's
# folder, so that it neither needs nor disturbs the machine's print service,
# and stops it again.
#
#   cups-pdf-queue.sh up DIR QUEUE    starts cupsd in DIR (socket DIR/run/cups.sock)
#                                     and adds QUEUE, which writes PDFs into DIR/out
#   cups-pdf-queue.sh down DIR QUEUE  removes what "up" made and stops that cupsd
#
# "up" ends with 77 and says why on standard error where CUPS cannot run here.
# Every wait is bounded.
set -u

readonly kSkip=77
readonly kStartSeconds=15
readonly kStopSeconds=10
readonly kCommandSeconds=20
readonly kPpd=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd

skip() {
  echo "cups-pdf-queue: $*" >&2
  exit "$kSkip"
}

# Runs the command every 0.2 s until it succeeds or the seconds are up.
wait_for() {
  local seconds=$1
  shift
  local tries=$((seconds * 5))
  while ((tries-- > 0)); do
    "$@" >/dev/null 2>&1 && return 0
    sleep 0.2
  done
  return 1
}

scheduler_running() { lpstat -h "$socket" -r 2>/dev/null | grep -q "is running"; }
queue_enabled() { lpstat -h "$socket" -p "$queue" 2>/dev/null | grep -q "enabled"; }
cupsd_alive() { [ -s "$dir/cupsd.pid" ] && kill -0 "$(cat "$dir/cupsd.pid")" 2>/dev/null; }

stop_cupsd() {
  if [ -s "$dir/cupsd.pid" ]; then
    local pid
    pid=$(cat "$dir/cupsd.pid")
    kill "$pid" 2>/dev/null
    wait_for "$kStopSeconds" bash -c "! kill -0 $pid" || kill -KILL "$pid" 2>/dev/null
    rm -f "$dir/cupsd.pid"
  fi
}

up() {
  for tool in cupsd lpadmin lpstat; do
    command -v "$tool" >/dev/null || skip "$tool is not installed (Debian's cups)"
  done
  [ -f /usr/lib/cups/backend/cups-pdf ] && [ -f "$kPpd" ] ||
    skip "the cups-pdf backend is not installed (Debian's printer-driver-cups-pdf)"
  # cups-pdf reads its settings from /etc/cups and runs only under a root cupsd.
  [ "$(id -u)" -eq 0 ] || skip "a private cupsd with the cups-pdf backend needs root"

  mkdir -p "$dir/etc/ppd" "$dir/spool/tmp" "$dir/cache" "$dir/run" "$dir/log" "$dir/out" || skip "cannot make $dir"
  # The filters run as the lp user: they must reach the spool.
  chmod 0755 "$dir" "$dir/out"
  chgrp lp "$dir/spool" "$dir/spool/tmp" "$dir/cache" 2>/dev/null
  chmod 0710 "$dir/spool"
  chmod 0770 "$dir/spool/tmp" "$dir/cache"
  # A folder above DIR that shuts the lp user out (mkdtemp's 0700) would leave
  # every filter without its spool, and cups-pdf would write a blank page.
  if command -v runuser >/dev/null && ! runuser -u lp -- test -x "$dir/spool/tmp" -a -w "$dir/spool/tmp"; then
    echo "cups-pdf-queue: the lp user cannot reach $dir/spool/tmp: let it through the folders above $dir" >&2
    exit 1
  fi

  cat >"$dir/etc/cups-files.conf" <<CONF
ServerRoot $dir/etc
RequestRoot $dir/spool
TempDir $dir/spool/tmp
CacheDir $dir/cache
StateDir $dir/run
ErrorLog $dir/log/error_log
AccessLog $dir/log/access_log
PageLog $dir/log/page_log
SystemGroup root
CONF
  cat >"$dir/etc/cupsd.conf" <<CONF
Listen $socket
LogLevel warn
WebInterface No
Browsing No
DefaultAuthType None
<Location />
  Order allow,deny
  Allow all
</Location>
<Location /admin>
  Order allow,deny
  Allow all
</Location>
CONF
  printf 'Out %s\nAnonDirName %s\n' "$dir/out" "$dir/out" >"$pdfConf"

  setsid cupsd -f -c "$dir/etc/cupsd.conf" -s "$dir/etc/cups-files.conf" </dev/null >"$dir/log/cupsd.out" 2>&1 &
  echo $! >"$dir/cupsd.pid"
  if ! wait_for "$kStartSeconds" scheduler_running; then
    stop_cupsd
    rm -f "$pdfConf"
    skip "cupsd did not start: $(tail -n 3 "$dir/log/cupsd.out" "$dir/log/error_log" 2>/dev/null | tr '\n' ' ')"
  fi
  if ! timeout "$kCommandSeconds" lpadmin -h "$socket" -p "$queue" -E -v "cups-pdf:/$queue" -P "$kPpd" 2>/dev/null ||
    ! wait_for "$kStartSeconds" queue_enabled; then
    stop_cupsd
    rm -f "$pdfConf"
    skip "cannot add the cups-pdf queue $queue"
  fi
}

down() {
  cupsd_alive && timeout "$kCommandSeconds" lpadmin -h "$socket" -x "$queue" 2>/dev/null
  stop_cupsd
  rm -f "$pdfConf"
  return 0
}

[ $# -eq 3 ] || {
  echo "usage: $0 up|down DIR QUEUE" >&2
  exit 2
}
readonly command=$1 dir=$2 queue=$3
readonly socket=$dir/run/cups.sock
readonly pdfConf=/etc/cups/cups-pdf-$queue.conf
case "$command" in
up) up ;;
down) down ;;
*) echo "usage: $0 up|down DIR QUEUE" >&2; exit 2 ;;
esac
