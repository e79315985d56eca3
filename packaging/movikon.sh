#!/bin/sh
# Starts Movikon PRO from its program folder.
exec /opt/movikon/movikon "$@"
