#!/usr/bin/env bash
# Registers FreeTDS with the ODBC driver manager under the driver name
# "SQL Server", so that the connection string a host builds for SQL Server
# ("Driver={SQL Server}; Provider=SQLOLEDB; Server=…; Uid=…;Pwd=…;Database=…")
# reaches a real server from Linux. Idempotent.
set -euo pipefail

if ! command -v odbcinst >/dev/null 2>&1; then
    echo "odbcinst not found (package unixodbc)" >&2
    exit 1
fi
driver=$(ls /usr/lib/*/odbc/libtdsodbc.so 2>/dev/null | head -n 1 || true)
if [ -z "$driver" ]; then
    echo "FreeTDS ODBC driver not found (package tdsodbc)" >&2
    exit 1
fi
if odbcinst -q -d -n "SQL Server" >/dev/null 2>&1; then
    exit 0
fi
template=$(mktemp)
trap 'rm -f "$template"' EXIT
cat >"$template" <<INI
[SQL Server]
Description = FreeTDS, answering to the name Windows hosts use for SQL Server
Driver = $driver
UsageCount = 1
INI
odbcinst -i -d -f "$template" >/dev/null
