#!/usr/bin/env bash
# Gradescope runs this once, as root, when it builds the autograder's image:
# it installs raeval-check from the Debian package uploaded beside it.
set -euo pipefail
apt-get update
apt-get install -y /autograder/source/raeval_1.0.0_amd64.deb
