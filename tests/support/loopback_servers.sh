# Sourced by the test scripts that run pages against the loopback servers, after they set root
# (the checkout's folder).
#   start_loopback_servers DIR
# starts the servers of testdoubles/loopback_servers for DIR, stops them when the script exits,
# and sets python (the system's Python, which has Debian's pyftpdlib and Pillow), http_port and
# ftp_port.
start_loopback_servers() {
  loopback_dir=$1
  loopback_script=$root/testdoubles/loopback_servers/upload_servers.py
  python=python3
  [ -x /usr/bin/python3 ] && python=/usr/bin/python3
  "$python" "$loopback_script" start "$loopback_dir"
  trap '"$python" "$loopback_script" stop "$loopback_dir"' EXIT
  http_port=$(sed -n 's/.*http=\([0-9]*\).*/\1/p' "$loopback_dir/ports")
  ftp_port=$(sed -n 's/.*ftp=\([0-9]*\).*/\1/p' "$loopback_dir/ports")
}
