#!/usr/bin/env bash
# Runs a command against a throwaway PostgreSQL 15 cluster: initdb into a temporary folder, the
# server on a Unix socket in that folder (no TCP), then the command with
#   QTX_TEST_PG      a libpq connection string for the cluster
#   QTX_TEST_PG_CTL  a script that takes "stop" or "start" (a test stops the server mid-work)
# and the cluster is stopped and removed however the command ends. PostgreSQL refuses to run as
# root, so as root the cluster belongs to the user "nobody". Exits 77 (a skipped test for CTest)
# with a message when no server can be started.
set -uo pipefail

bindir=${QTX_PG_BINDIR:-/usr/lib/postgresql/15/bin}
if [ ! -x "$bindir/initdb" ] || [ ! -x "$bindir/pg_ctl" ]; then
  echo "SKIP: PostgreSQL 15 is not installed ($bindir/initdb missing)" >&2
  exit 77
fi

dir=$(mktemp -d /tmp/qtx-pg.XXXXXX)
as_owner=()
if [ "$(id -u)" -eq 0 ]; then
  chown nobody "$dir"
  as_owner=(runuser -u nobody --)
fi
cleanup() {
  "${as_owner[@]}" "$bindir/pg_ctl" -D "$dir/data" -m immediate stop >/dev/null 2>&1
  rm -rf "$dir"
}
trap cleanup EXIT INT TERM

if ! "${as_owner[@]}" "$bindir/initdb" -D "$dir/data" -U site --auth=trust --no-sync -E UTF8 >"$dir/initdb.log" 2>&1; then
  echo "SKIP: initdb failed:" >&2
  cat "$dir/initdb.log" >&2
  exit 77
fi
cat >"$dir/ctl" <<CTL
#!/usr/bin/env bash
# stop | start the throwaway cluster
case "\$1" in
  stop) ${as_owner[*]} "$bindir/pg_ctl" -D "$dir/data" -m immediate -w stop ;;
  start) ${as_owner[*]} "$bindir/pg_ctl" -D "$dir/data" -w -l "$dir/server.log" \
           -o "-k $dir -c listen_addresses= -F" start ;;
esac
CTL
chmod 755 "$dir/ctl"
if ! bash "$dir/ctl" start >/dev/null 2>&1; then
  echo "SKIP: the PostgreSQL server did not start:" >&2
  cat "$dir/server.log" >&2 2>/dev/null
  exit 77
fi

export QTX_TEST_PG="host=$dir dbname=postgres user=site"
export QTX_TEST_PG_CTL="$dir/ctl"
"$@"
