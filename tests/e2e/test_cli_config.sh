#!/usr/bin/env bash
# qova-cli config: list, get and set with the dialogs' checks, in a throwaway store.
source "$(dirname "$0")/lib.sh"

expect "defaults" 0 "^10000\$" -- "$CLI" config get SMTPWarn
expect "name without case" 0 "^QOVA\$" -- "$CLI" config get smtpname
expect "log path default" 0 "^$XDG_DATA_HOME/Halvorind/QOVA/access.log\$" -- "$CLI" config get AccessLogFile
expect "set threshold" 0 "^SMTPWarn = 2500\$" -- "$CLI" config set SMTPWarn 2500
expect "threshold stored" 0 "^2500\$" -- "$CLI" config get SMTPWarn
expect "threshold range" 3 "Please enter an integer between 0 and 999999\." -- "$CLI" config set SMTPWarn 1000000
expect "threshold not a number" 3 "Please enter an integer\.\$" -- "$CLI" config set SMTPWarn fast
expect "refused keeps old" 0 "^2500\$" -- "$CLI" config get SMTPWarn
expect "blank server" 3 "Please enter the host name or IP of your SMTP server" -- "$CLI" config set SMTP "  "
expect "blank alert" 3 "recipient of QOVA alerts" -- "$CLI" config set SMTPAlert ""
expect "server trimmed" 0 "^SMTP = 127.0.0.1:2525\$" -- "$CLI" config set SMTP " 127.0.0.1:2525 "
expect "header injection" 3 "control characters" -- "$CLI" config set SMTPAlert $'a@b\r\nBcc: c@d'
expect "password set masked" 0 "^SMTPPassword = \*+\$" -- "$CLI" config set SMTPPassword hunter2
expect "password listed masked" 0 "^SMTPPassword += \*{8} " -- "$CLI" config list
expect "password nowhere in list" 1 "^\$" -- bash -c "\"$CLI\" config list | grep hunter2"
expect "unknown name" 3 "Known settings: SMTP SMTPAlert" -- "$CLI" config set SMTPServer x
expect "bad usage" 3 "usage: qova-cli config" -- "$CLI" config set SMTP
expect "help" 0 "usage: qova-cli config" -- "$CLI" config --help
finish
