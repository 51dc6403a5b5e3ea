#!/usr/bin/env bash
# The nightly job of a site with several doors: bring each door's card folder up to its recorder,
# then import it into the site archive. Run it from cron or a systemd timer, for example
#   45 2 * * * bash /usr/share/doc/qtx-manager/examples/site-nightly.sh >>"$HOME/qtx/site.log" 2>&1
# The archive is ~/.local/share/qtx-manager/site.sqlite unless QTX_SITE_DB names another, such as
# a shared PostgreSQL server: QTX_SITE_DB=service=site with the password in ~/.pgpass, never here.
set -u

# door name, its port, its card folder
doors=(
  "Front COM33 $HOME/qtx/front"
  "Yard  COM34 $HOME/qtx/yard"
)

status=0
for entry in "${doors[@]}"; do
  read -r door port folder <<<"$entry"
  # A sync that could not store everything (exit 2) still leaves complete files: import those.
  qtxctl sync --port "$port" --to "$folder" --timeout 30
  [ $? -eq 1 ] && { echo "$door: no answer from $port" >&2; status=1; continue; }
  qtxctl site import --door "$door" "$folder" || status=1
done
exit $status
