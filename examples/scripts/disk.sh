#!/bin/bash
df -h "$HOME" | awk 'NR == 2 { print $4 " free on " $6 }'
