#!/usr/bin/env bash
# Placeholder until the cross-built third-party libraries are needed.
exit 0
