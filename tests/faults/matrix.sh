#!/usr/bin/env bash
# The fault matrix: the real wizard under Wine against the rig, one fault of
# tests/faults/faults.txt at a time. An update meets its fault, the wizard is started again the
# way a user would (the resume road when the handheld waits in its boot loader with the update
# recorded, a new update otherwise) and the flash is compared with the image byte for byte. A
# backup meets its fault with an earlier backup at the chosen name, which must stay as it was,
# and no file with an image header may hold less than a whole ROM. Usage: matrix.sh [all |
# NAME...]; without arguments the `ci` slice. Prints a table and the counts; fails on a false
# success (the Completion page while the flash differs), an update the restart could not
# finish, or lost backup data.
source "$(dirname "$0")/../e2e/lib.sh"
set +e

IMAGE_KB=4096
ROM_BYTES=$((124 * 0x40000))

mapfile -t FAULTS < <(awk -v want="$*" '
    function add(fault) { faults[++n] = fault }
    $1 == "point" { point[++points] = $2 " " $3 }
    $1 == "every" { for (i = 1; i <= points; i++) { split(point[i], p); add($2 "-" p[1] " " $2 " " p[2] " " $3) } }
    $1 == "fault" { add($2 " " $3 " " $4 " " $5) }
    $1 == "ci" { for (i = 2; i <= NF; i++) ci[$i] = 1 }
    END { for (i = 1; i <= n; i++) { split(faults[i], f)
        if (want == "all" || (want == "" && f[1] in ci) || index(" " want " ", " " f[1] " ")) print faults[i] } }' "$E2E_ROOT/tests/faults/faults.txt")

flash_equal() { flash_holds update.nbf 2>/dev/null && echo yes || echo no; }

# The wizard ends once the placed fault has struck (DRIVE_KILL=1); the backup's disk fills up.
drive_hook() {
    [ -n "${DRIVE_FILL_AFTER:-}" ] && fill_when_due
    if [ "${DRIVE_KILL:-0}" = 1 ] && [ -n "$(sim_state 's["boot"]["fault_struck"]')" ]; then
        end_programs 'romwizard\.exe'
        DRIVE_PAGES+=" killed" DRIVE_KILL=0
        exit_code_within "$WIZARD_EXIT_FILE" 30 >/dev/null
        return 1
    fi
}

# The backup's disk fills up once the PC has taken DRIVE_FILL_AFTER chunks: 1 MB stays free.
fill_when_due() {
    [ "$(sim_state 's["backup"]["chunks_taken"]')" -ge "$DRIVE_FILL_AFTER" ] || return 0
    fallocate -l $(($(df --output=avail -B1 "$BACKUP_DIR" | tail -1) - (1 << 20))) "$BACKUP_DIR/other-program.dat"
    DRIVE_FILL_AFTER=""
}

FALSE_SUCCESSES=0 UNFINISHED=0 LOST=0
TABLE=()
row() { TABLE+=("$(printf '%-27s | %-44s | %-40s | %-21s | %-5s | %4s' "$@")"); }

# One try at the update by the wizard or by romflash (TOOL SECONDS): ATTEMPT what it showed,
# ATTEMPT_SUCCESS 1 when it said the update is done; said while the flash differs, the caller's
# `false` becomes yes.
attempt() {
    "attempt_$1" "$2"
    [ "$ATTEMPT_SUCCESS" = 1 ] && [ "$(flash_equal)" = no ] && false=yes
}
attempt_wizard() {
    start_wizard
    drive "$1"
    ATTEMPT=$DRIVE_PAGES ATTEMPT_SUCCESS=$DRIVE_SUCCESS
}
attempt_romflash() {
    sim_cmd boot >/dev/null
    timeout "$1" "$E2E_ROMFLASH" flash --port com1="$(sim_state \
        '[p["pty"] for p in s["ports"] if p["name"] == "com1"][0]')" "$ROAD_RUN/update.nbf" \
        >/dev/null 2>&1
    local code=$?
    ATTEMPT="romflash exit $code$([ "$code" = 124 ] && echo ' HANG')" ATTEMPT_SUCCESS=$((code == 0))
}

run_update_fault() {  # NAME KIND POINT
    local name=$1 kind=$2 point=$3 tool=wizard first recovery="none needed" equal false=no placed
    case $kind in romflash-*) tool=romflash kind=${kind#romflash-} ;; esac
    sim_cmd fault "$([ "$kind" = cable ] && echo cable || echo silent)" "$point" >/dev/null
    DRIVE_KILL=$([ "$kind" = kill ] && echo 1 || echo 0)
    attempt "$tool" 420
    placed=$(sim_state 's["boot"]["fault_struck"]')
    first=$([ -n "$placed" ] || echo "FAULT NOT PLACED:")$ATTEMPT
    if [ "$ATTEMPT_SUCCESS" = 0 ] || [ "$(flash_equal)" = no ]; then
        # The handheld's owner restarts it into its boot loader for a recorded update, or
        # normally for a new one.
        if [ "$tool" = romflash ]; then
            recovery="again:" && mend_handheld boot
        elif settings_kept; then
            recovery="resume:" && mend_handheld boot
        else
            recovery="new update:" && mend_handheld reset
        fi
        attempt "$tool" 300
        recovery+=$ATTEMPT
    fi
    equal=$(flash_equal)
    [ "$false" = yes ] && FALSE_SUCCESSES=$((FALSE_SUCCESSES + 1))
    [ "$equal" = no ] || [ "$ATTEMPT_SUCCESS" = 0 ] || [ -z "$placed" ] && UNFINISHED=$((UNFINISHED + 1))
    row "$name" "$first" "$recovery" "flash equal: $equal" "$false" "$((SECONDS - ROAD_STARTED))"
}

# A header of the image format in the first 32 bytes.
has_image_header() { head -c 32 "$1" | grep -aqE '^.{9}-.{3}-.{3}-.{4}-[0-9A-F]+-+$'; }

run_backup_fault() {  # NAME KIND CHUNKS
    local name=$1 kind=$2 chunks=$3 before file result="earlier kept, no part" DRIVE_FILL_AFTER=""
    BACKUP_DIR="$ROAD_RUN/backups"
    local DRIVE_BACKUP="$BACKUP_DIR/backup.nbf"
    mkdir -p "$BACKUP_DIR"
    if [ "$kind" != backup-stops ] && ! step_small_folder backups 96m; then
        row "$name" "no small file system" "" "" "" 0
        return
    fi
    python3 "$E2E_FILES" image "$DRIVE_BACKUP" $((ROM_BYTES / 1024))
    before=$(sha256sum <"$DRIVE_BACKUP")
    [ "$kind" = backup-stops ] && sim_cmd backup stop-after "$chunks" >/dev/null
    [ "$kind" = backup-readonly ] && mount -o remount,ro "$BACKUP_DIR"
    [ "$kind" = backup-full ] && DRIVE_FILL_AFTER=$chunks
    start_wizard
    drive 300
    [ "$(sha256sum <"$DRIVE_BACKUP")" = "$before" ] || result="EARLIER FILE CHANGED"
    for file in "$BACKUP_DIR"/*; do
        has_image_header "$file" && [ "$(stat -c %s "$file")" -lt $((32 + ROM_BYTES)) ] &&
            result+=", PART FILE $(basename "$file")"
    done
    [ "$result" = "earlier kept, no part" ] || LOST=$((LOST + 1))
    case $DRIVE_PAGES in *HANG*) UNFINISHED=$((UNFINISHED + 1)) ;; esac
    row "$name" "$DRIVE_PAGES" "-" "$result" no "$((SECONDS - ROAD_STARTED))"
}

for fault in "${FAULTS[@]}"; do
    read -r name kind point link _ <<<"$fault"
    echo "== fault $name"
    road_open "$name"
    # romflash finds the port free: no ActiveSync stand-in holds it
    export ROMWIZARD_RIG_LINK=$link ROMWIZARD_RIG_STANDINS=$([[ $kind == romflash-* ]] && echo 0 || echo 1)
    if rig_start && step_image update.nbf "$IMAGE_KB" && step_marker; then
        case $kind in
            backup-*) run_backup_fault "$name" "$kind" "$point" ;;
            *) run_update_fault "$name" "$kind" "$point" ;;
        esac
    else
        UNFINISHED=$((UNFINISHED + 1))
        row "$name" "the rig did not start" "" "" "" 0
    fi
    echo "${TABLE[-1]}"
    road_close
done

echo
row fault "first run: pages, exit" "restart: pages, exit" result "false" s
printf '%s\n' "${TABLE[-1]}" "${TABLE[@]:0:${#TABLE[@]}-1}"
echo "faults: ${#FAULTS[@]}; false successes: $FALSE_SUCCESSES; updates not finished:" \
    "$UNFINISHED; backups with lost data: $LOST"
check "no false success" 0 "$FALSE_SUCCESSES"
check "every update finished after the restart" 0 "$UNFINISHED"
check "no backup data lost" 0 "$LOST"
finish
