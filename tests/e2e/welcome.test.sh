#!/usr/bin/env bash
# The Welcome page: its caption and every text, the acknowledgement that unlocks Weiter, the
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
check "heading 1038" 'Willkommen beim Veltro für den Orvo Pocket PC.' "$(ui text 1038)"
check "introduction (-1)" 'Dieses Utility aktualisiert das ROM-Image auf Ihrem Orvo Pocket PC. \n\nWährend der Aktualisierung wird das Veltro Folgendes ausführen:' "$(ui text -1)"
check "bullets 1073" 'Das Erstellen einer Sicherheitskopie des aktuellen ROM-Image ermöglichen.  Diese Sicherungskopie enthält keine Anwendungsprogramme und Daten.\n\nDas ROM-Image auf Ihrem Orvo Pocket PC aktualisieren oder wiederherstellen.' "$(ui text 1073)"
check "warning 1177" "${blanks}Wenn Sie dieses Update installieren, werden alle Daten auf Ihrem Orvo Pocket PC gelöscht, einschließlich der Daten im Orvo File Store.  Lesen Sie die wichtigen Hinweise in der Readme-Datei, bevor Sie fortfahren." "$(ui text 1177)"
check "label 1182" 'Achtung :' "$(ui text 1182)"
check "acknowledgement 1179" 'Ich habe den oben angegebenen Warnhinweis verstanden und die Readme-Datei gelesen.' "$(ui text 1179)"
check "read-me button 1209" 'Readme-Datei lesen' "$(ui text 1209)"
check "hint 1074" 'Klicken Sie auf "Weiter", um fortzufahren. Klicken Sie auf "Abbrechen", um den Vorgang abzubrechen.' "$(ui text 1074)"
check "Weiter" 'Weiter' "$(ui text 1)"
check "Abbrechen" 'Abbrechen' "$(ui text 2)"
screenshot welcome

echo "-- the acknowledgement unlocks Weiter"
check "Weiter disabled at first" 0 "$(ui enabled 1)"
ui key enter
sleep 0.5
check "Enter while Weiter is disabled keeps the page" "page 103 $caption" "$(ui find --template 103 --timeout 1000)"
ui check 1203 on
check "box ticked" 1 "$(ui checked 1203)"
check "Weiter enabled once ticked" 1 "$(ui enabled 1)"
ui check 1203 off
check "Weiter disabled again once cleared" 0 "$(ui enabled 1)"
ui check 1203 on
screenshot welcome-ticked

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

echo "-- Weiter after the acknowledgement"
start_wizard
ui find --template 103 --timeout 30000 >/dev/null
ui check 1203 on
ui click 1
check "Weiter leads to the Preparation page" "page 121 $caption" "$(ui find --template 121 --timeout 10000)"
ui click 2 --template 121
check "exit code after Abbrechen there" 0 "$(exit_code_within "$WIZARD_EXIT_FILE" 20)"
check "no page left" "" "$(ui windows | grep -F -e "$caption" -e 'SETUP' || true)"

finish
