#!/bin/bash
# Listed under "hello vantri"; running it runs hello with the argument "Vantri".
exec "$(dirname "$0")/hello.sh" Vantri
