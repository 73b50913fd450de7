#!/usr/bin/env bash
# HTTPS fetch of a 50 MB body over TLS on loopback: ombrix-tool fetch against
# curl, both from the same TLS server (Python's http.server with its ssl
# module, a throw-away certificate both clients trust) in the same run.
# Prints the throughput ratio (best of several runs each) and peak memory;
# a 5 MB fetch shows whether ombrix-tool's memory stays flat.
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
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
# Stops by itself after ten minutes at the latest.
timeout 600 python3 - "$port" "$work" <<'PY' >/dev/null 2>&1 &
import functools, http.server, ssl, sys
port, work = int(sys.argv[1]), sys.argv[2]
handler = functools.partial(http.server.SimpleHTTPRequestHandler, directory=work + "/www")
server = http.server.ThreadingHTTPServer(("127.0.0.1", port), handler)
ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
ctx.load_cert_chain(work + "/cert.pem", work + "/key.pem")
server.socket = ctx.wrap_socket(server.socket, server_side=True)
server.serve_forever()
PY
server_pid=$!
for _ in $(seq 50); do
  curl -s --cacert "$work/cert.pem" -o /dev/null "https://localhost:$port/small.bin" && break
  sleep 0.1
done

# Seconds (wall, to the microsecond) and peak KB of one command, as "secs kb".
measure() {
  PEAK_FILE="$work/peak" python3 - "$@" <<'PY'
import os, subprocess, sys, time
start = time.perf_counter()
rc = subprocess.call(["/usr/bin/time", "-f", "%M", "-o", os.environ["PEAK_FILE"]] + sys.argv[1:],
                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
elapsed = time.perf_counter() - start
if rc != 0:
    sys.exit("run failed: " + " ".join(sys.argv[1:]))
print(f"{elapsed:.6f} {open(os.environ['PEAK_FILE']).read().split()[-1]}")
PY
}

# ombrix-tool trusts the certificate through OpenSSL's usual override.
export SSL_CERT_FILE="$work/cert.pem"
url="https://localhost:$port/big.bin"
best_tool=999999; best_curl=999999; mem_tool=0; mem_curl=0
for _ in $(seq "$runs"); do
  read -r t m < <(measure "$tool" fetch "$url" "$work/tool.bin" --timeout 30)
  cmp -s "$work/tool.bin" "$work/www/big.bin" || { echo "ombrix-tool fetched a different body" >&2; exit 1; }
  best_tool=$(python3 -c "print(min($best_tool, $t))"); mem_tool=$((m > mem_tool ? m : mem_tool))
  read -r t m < <(measure curl -s --cacert "$work/cert.pem" -o "$work/curl.bin" "$url")
  best_curl=$(python3 -c "print(min($best_curl, $t))"); mem_curl=$((m > mem_curl ? m : mem_curl))
done
read -r _ mem_small < <(measure "$tool" fetch "https://localhost:$port/small.bin" "$work/small.out" --timeout 30)

python3 - "$best_tool" "$best_curl" "$mem_tool" "$mem_curl" "$mem_small" <<'PY'
import sys
t_tool, t_curl, m_tool, m_curl, m_small = map(float, sys.argv[1:])
mb = 50.0
print(f"https_fetch 50 MB over TLS on loopback: ombrix-tool {mb / t_tool:.0f} MB/s ({t_tool:.3f} s), "
      f"curl {mb / t_curl:.0f} MB/s ({t_curl:.3f} s)")
print(f"https_fetch throughput ratio ombrix-tool/curl: {t_curl / t_tool:.2f} (target >= 0.80)")
print(f"https_fetch peak memory: ombrix-tool {m_tool / 1024:.1f} MB, curl {m_curl / 1024:.1f} MB; "
      f"ombrix-tool on 5 MB {m_small / 1024:.1f} MB (flat when these two agree)")
PY
