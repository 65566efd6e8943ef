#!/bin/bash
echo "Hello, ${*:-World}!"
