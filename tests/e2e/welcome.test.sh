#!/usr/bin/env bash
# The Welcome page: its caption and texts as shown, the acknowledgement that unlocks Weiter, the
# read-me button, the ways to leave it, and the single-instance rule.
source "$(dirname "$0")/lib.sh"
# The wizard starts only where ActiveSync is installed: the rig's registry.
ROAD_RUN="$E2E_RUN_DIR/welcome"
mkdir -p "$ROAD_RUN"
rig_start || exit 1

caption=' Varnel Orvo Pocket PC Veltro V2.50.09'
blanks='                  '

echo "-- texts"
start_wizard
check "Welcome page shown" "page 103 $caption" "$(ui find --template 103 --timeout 30000)"
# The string table's umlauts and blanks, as the page shows them (each text is checked against the
# page's own table by tests/win32/pages_test.cpp).
check "heading 1038" 'Willkommen beim Veltro für den Orvo Pocket PC.' "$(ui text 1038)"
check "warning 1177" "${blanks}Wenn Sie dieses Update installieren, werden alle Daten auf Ihrem Orvo Pocket PC gelöscht, einschließlich der Daten im Orvo File Store.  Lesen Sie die wichtigen Hinweise in der Readme-Datei, bevor Sie fortfahren." "$(ui text 1177)"
screenshot welcome

echo "-- the acknowledgement unlocks Weiter"
check "Weiter disabled at first" 0 "$(ui enabled 1)"
ui key enter
sleep 0.5
check "Enter while Weiter is disabled keeps the page" "page 103 $caption" "$(ui find --template 103 --timeout 1000)"
ui check 1203 on
check "Weiter enabled once ticked" 1 "$(ui enabled 1)"
ui check 1203 off
check "Weiter disabled again once cleared" 0 "$(ui enabled 1)"
ui check 1203 on

echo "-- a second instance ends at once"
first_exit=$WIZARD_EXIT_FILE
start_wizard
check "second instance exit code" 0 "$(exit_code_within "$WIZARD_EXIT_FILE" 20)"
check "first instance still running" running "$(exit_code_within "$first_exit" 0)"
check "first instance's box still ticked" 1 "$(ui checked 1203 --template 103)"
check "first instance's Weiter still enabled" 1 "$(ui enabled 1 --template 103)"

echo "-- the read-me opens in WordPad"
ui click 1209
wordpad=""
for _ in $(seq 50); do
    wordpad=$(ui windows | grep '^WORDPADTOP' | grep -F 'readme.doc' || true)
    [ -n "$wordpad" ] && break
    sleep 0.2
done
check "WordPad shows readme.doc maximised" maximised "$(echo "$wordpad" | cut -f3)"
check "the Welcome page stays" "page 103 $caption" "$(ui find --template 103 --timeout 2000)"
end_programs '[Ww]ordpad\.exe' || true

echo "-- Abbrechen ends the program"
ui click 2
check "exit code after Abbrechen" 0 "$(exit_code_within "$first_exit" 20)"
check "no page left" "" "$(ui windows | grep -F -e "$caption" -e 'SETUP' || true)"

echo "-- the close box and Esc act as Abbrechen"
start_wizard
ui find --template 103 --timeout 30000 >/dev/null
ui close
check "exit code after the close box" 0 "$(exit_code_within "$WIZARD_EXIT_FILE" 20)"
start_wizard
ui find --template 103 --timeout 30000 >/dev/null
ui key esc
check "exit code after Esc" 0 "$(exit_code_within "$WIZARD_EXIT_FILE" 20)"

finish
