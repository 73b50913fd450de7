#!/usr/bin/env bash
# A 50 MB body over loopback, plain and over TLS: ombrix-tool fetch against
# curl, both from the same stock server in the same run (Python's http.server;
# for https with its ssl module and a throw-away certificate both clients
# trust). Prints the throughput ratio (ombrix-tool / curl, best of several
# runs each) and the peak memory of each; a 5 MB fetch shows whether
# ombrix-tool's memory stays flat.
set -euo pipefail
native="$(cd "$1" && pwd)"
tool="$native/ombrix-tool"
runs="${RUNS:-5}"
work="$(mktemp -d)"
server_pid=""
cleanup() {
  [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

mkdir -p "$work/www"
head -c $((50 * 1024 * 1024)) /dev/urandom > "$work/www/big.bin"
head -c $((5 * 1024 * 1024)) /dev/urandom > "$work/www/small.bin"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=localhost -addext subjectAltName=DNS:localhost \
  -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
# ombrix-tool trusts the certificate through OpenSSL's usual override.
export SSL_CERT_FILE="$work/cert.pem"

# Serves www/ on a free port, over TLS when asked; stops by itself after ten
# minutes at the latest. Sets port and server_pid.
start_server() {
  port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
  timeout 600 python3 - "$port" "$work" "$1" <<'PY' >/dev/null 2>&1 &
import functools, http.server, ssl, sys
port, work, scheme = int(sys.argv[1]), sys.argv[2], sys.argv[3]
handler = functools.partial(http.server.SimpleHTTPRequestHandler, directory=work + "/www")
server = http.server.ThreadingHTTPServer(("127.0.0.1", port), handler)
if scheme == "https":
    ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    ctx.load_cert_chain(work + "/cert.pem", work + "/key.pem")
    server.socket = ctx.wrap_socket(server.socket, server_side=True)
server.serve_forever()
PY
  server_pid=$!
  for _ in $(seq 50); do
    curl -s --cacert "$work/cert.pem" -o /dev/null "$1://localhost:$port/small.bin" && break
    sleep 0.1
  done
}

# Seconds (wall, to the microsecond) and peak KB of one command, as "secs kb".
measure() {
  PEAK_FILE="$work/peak" python3 - "$@" <<'PY'
import os, subprocess, sys, time
start = time.perf_counter()
# /usr/bin/time measures the command's own peak memory (not this script's).
rc = subprocess.call(["/usr/bin/time", "-f", "%M", "-o", os.environ["PEAK_FILE"]] + sys.argv[1:],
                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
elapsed = time.perf_counter() - start
if rc != 0:
    sys.exit("run failed: " + " ".join(sys.argv[1:]))
print(f"{elapsed:.6f} {open(os.environ['PEAK_FILE']).read().split()[-1]}")
PY
}

for scheme in http https; do
  start_server "$scheme"
  base="$scheme://localhost:$port"
  best_tool=999999; best_curl=999999; mem_tool=0; mem_curl=0
  for _ in $(seq "$runs"); do
    read -r t m < <(measure "$tool" fetch "$base/big.bin" "$work/tool.bin" --timeout 30)
    cmp -s "$work/tool.bin" "$work/www/big.bin" || { echo "ombrix-tool fetched a different body" >&2; exit 1; }
    best_tool=$(python3 -c "print(min($best_tool, $t))"); mem_tool=$((m > mem_tool ? m : mem_tool))
    read -r t m < <(measure curl -s --cacert "$work/cert.pem" -o "$work/curl.bin" "$base/big.bin")
    best_curl=$(python3 -c "print(min($best_curl, $t))"); mem_curl=$((m > mem_curl ? m : mem_curl))
  done
  read -r _ mem_small < <(measure "$tool" fetch "$base/small.bin" "$work/small.out" --timeout 30)
  kill "$server_pid" 2>/dev/null; wait "$server_pid" 2>/dev/null || true; server_pid=""

  python3 - "$scheme" "$best_tool" "$best_curl" "$mem_tool" "$mem_curl" "$mem_small" <<'PY'
import sys
name = sys.argv[1] + "_fetch"
t_tool, t_curl, m_tool, m_curl, m_small = map(float, sys.argv[2:])
mb = 50.0
print(f"{name} 50 MB loopback: ombrix-tool {mb / t_tool:.0f} MB/s ({t_tool:.3f} s), "
      f"curl {mb / t_curl:.0f} MB/s ({t_curl:.3f} s)")
print(f"{name} throughput ratio ombrix-tool/curl: {t_curl / t_tool:.2f} (target >= 0.80)")
print(f"{name} peak memory: ombrix-tool {m_tool / 1024:.1f} MB, curl {m_curl / 1024:.1f} MB; "
      f"ombrix-tool on 5 MB {m_small / 1024:.1f} MB (flat when these two agree)")
PY
done
