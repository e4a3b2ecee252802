#!/usr/bin/env bash
# raeval INPUT OUTPUT: the command line built on the WebAssembly engine
# (raeval-node.js, the driver's own runRaeval on the real file system) under
# node: the program that the end-to-end runner and the example checks are
# handed for the byte-identity check of the page's engine. RAEVAL_WEB_DIR
# names the page's folder (default: build/web).
here=$(dirname "$0")
exec node "${RAEVAL_WEB_DIR:-$here/../../build/web}/raeval-node.js" "$@"
