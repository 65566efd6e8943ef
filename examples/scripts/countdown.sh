#!/bin/bash
for ((i = ${1:-3}; i > 0; i--)); do
    echo "$i..."
    sleep 1
done
echo "Lift-off!"
