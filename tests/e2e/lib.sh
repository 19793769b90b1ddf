# Shared by the end-to-end scenarios: the Wine prefix and display, the wizard started in a run
# folder of its own, uidriver as the user, and small assertions. Source it from a *.test.sh.
set -euo pipefail

E2E_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)"
# E2E_ARCH=win32: the shipped i686 build under the private 32-bit Wine (scripts/wine32-env.sh).
E2E_ARCH="${E2E_ARCH:-win64}"
E2E_BUILD="${E2E_BUILD:-$E2E_ROOT/build/$E2E_ARCH}"
E2E_ARTEFACTS="${E2E_ARTEFACTS:-$E2E_ROOT/artefacts/e2e${E2E_ARCH/win64/}}"
mkdir -p "$E2E_ARTEFACTS"
ROMWIZARD_DISPLAY="${ROMWIZARD_DISPLAY:-virtual}"
source "$E2E_ROOT/scripts/$([ "$E2E_ARCH" = win32 ] && echo wine32 || echo wine)-env.sh"

# Ends the programs of this prefix whose command line matches the pattern; programs of other
# prefixes (other people's) are left alone. Status 0 when one was ended.
source "$E2E_ROOT/tests/lib/prefix_programs.sh"
end_programs() { kill $(prefix_programs "$1") 2>/dev/null; }
# A wizard left over from an earlier run would answer in place of the one under test.
end_leftover_wizards() { end_programs 'romwizard\.exe' && sleep 1; }
end_leftover_wizards || true

source "$E2E_ROOT/tests/lib/checks.sh"

# The wizard's companion files live in its start folder, the current directory when it starts.
E2E_RUN_DIR="$(mktemp -d "${TMPDIR:-/tmp}/romwizard-e2e.XXXXXX")"

e2e_cleanup() {
    end_leftover_wizards || true
    if [ -n "${ROMWIZARD_RIG_DIR:-}" ]; then bash "$E2E_ROOT/scripts/rig-down.sh"; fi
    rm -rf "$E2E_RUN_DIR"
}
trap e2e_cleanup EXIT

ui() { wine "$E2E_BUILD/uidriver.exe" "$@" 2>/dev/null; }

# Starts the wizard in the run folder; its exit code is written to WIZARD_EXIT_FILE when it ends.
E2E_STARTS=0
start_wizard() {
    E2E_STARTS=$((E2E_STARTS + 1))
    WIZARD_EXIT_FILE="$E2E_RUN_DIR/exit.$E2E_STARTS"
    (
        set +e
        cd "${ROAD_RUN:-$E2E_RUN_DIR}" || exit
        wine "$E2E_BUILD/romwizard.exe" 2>>"${WIZARD_LOG:-/dev/null}"
        echo $? >"$WIZARD_EXIT_FILE"
    ) &
}

# Waits up to $2 seconds for the wizard whose exit file is $1: its exit code, or "running".
exit_code_within() { within "$2" test -s "$1"; if [ -s "$1" ]; then cat "$1"; else echo running; fi; }

# Runs the command every 0.1 s until it succeeds, for at most $1 seconds.
within() {
    local end=$((SECONDS + $1))
    shift
    until "$@"; do
        [ "$SECONDS" -lt "$end" ] || return 1
        sleep 0.1
    done
}

screenshot() { import -display "$DISPLAY" -window root "$E2E_ARTEFACTS/$1.png"; }


# Roads: a road is the list of steps in tests/e2e/roads.txt (its header says how to write one);
# run_road NAME brings up a rig of its own, runs the steps as the user and the world, and checks
# the outcome on the simulated handheld. Each page it meets is printed, screenshot and dumped
# into artefacts/e2e/ROAD/.
E2E_ROADS_FILE="${E2E_ROADS_FILE:-$E2E_ROOT/tests/e2e/roads.txt}"
E2E_FILES="$E2E_ROOT/tests/e2e/rig_files.py"
E2E_ROMFLASH="$E2E_ROOT/build/native/tools/romflash/romflash"
E2E_IMAGES="$E2E_ROOT/build/e2e-images"

# The steps of a road or part, with `use PART` expanded.
road_steps() {
    local line
    awk -v name="$1" '
        ($1 == "road" || $1 == "part") { inside = ($2 == name); next }
        inside && NF && $1 !~ /^#/ { sub(/^[ \t]+/, ""); print }' "$E2E_ROADS_FILE" |
        while IFS= read -r line; do
            if [ "${line%% *}" = use ]; then road_steps "${line#use }"; else printf '%s\n' "$line"; fi
        done
}

# Road names; with a tag, only the roads that carry it.
road_names() {
    awk -v tag="${1:-}" '$1 == "road" && (tag == "" || index(" " $0 " ", " " tag " ")) { print $2 }' \
        "$E2E_ROADS_FILE"
}

# A failure of the road (expected $2, actual $3), noted; status 1.
road_fail() { ! check "$ROAD: $1" "${2:-ok}" "${3:-failed}"; }
# WHAT COMMAND...: the road's check that the command succeeds (its output goes to stderr).
holds() { check "$ROAD: $1" yes "$("${@:2}" >&2 && echo yes || echo no)"; }

# Evaluates a Python expression over the handheld state report on stdin, called s.
state_of() { python3 "$E2E_FILES" state "$1"; }
sim_state() { sim_cmd state | state_of "$1"; }

win_path() { winepath -w "$1" 2>/dev/null; }

# --- settings of the rig, before it starts: the step and the variable it sets
declare -A RIG_SETTINGS=([link]=ROMWIZARD_RIG_LINK [activesync]=ROMWIZARD_ACTIVESYNC_VERSION
    [simargs]=ROMWIZARD_SIM_ARGS)

rig_start() {
    [ -n "${ROMWIZARD_RIG_DIR:-}" ] && return 0
    export ROMWIZARD_RIG_BUILD="$E2E_BUILD"
    source "$E2E_ROOT/scripts/rig-up.sh" || return 1
    echo 'MZ stand-in' |
        tee "$ROAD_RUN"/{GetDeviceData.dll,ZIB_WriteReserveArea.dll,SetSystemTime.dll,backup.exe} >/dev/null
    printf 'readme' >"$ROAD_RUN/readme.doc"
}

rig_stop() {
    [ -n "${ROMWIZARD_RIG_DIR:-}" ] || return 0
    end_leftover_wizards || true
    source "$E2E_ROOT/scripts/rig-down.sh"
}

# --- the files next to the program, and the world around the handheld
step_image() {  # NAME KB [key=value]...: a ROM image next to the program (rig_files.py image)
    local made="$E2E_IMAGES/$(printf '%s_' "${@:2}" | tr -c 'A-Za-z0-9=._\n' '_').nbf"
    mkdir -p "$E2E_IMAGES"
    [ -f "$made" ] || python3 "$E2E_FILES" image "$made" "${@:2}" || return 1
    cp "$made" "$ROAD_RUN/$1"
}
step_remove() { rm -f "$ROAD_RUN/$1"; }
step_put() { printf '%s' "$2" >"$ROAD_RUN/$1"; }
step_marker() { : >"$WINEPREFIX/drive_c/windows/VARNEL.QDX"; }
# A folder on a small file system (1 MB unless given), for a backup that finds no room.
step_small_folder() {
    mkdir -p "$ROAD_RUN/$1"
    mount -t tmpfs -o "size=${2:-1m}" tmpfs "$ROAD_RUN/$1" 2>/dev/null ||
        road_fail "a 1 MB file system can be mounted here (needs root)" || return 1
    ROAD_MOUNTS+=("$ROAD_RUN/$1")
}
step_sim() {
    local reply
    reply=$(sim_cmd "$@") || road_fail "sim $*" ok "$reply"
}
sim_is() { [ "$(sim_state "$1")" == "$2" ]; }
step_wait_sim() {  # EXPR VALUE [SECONDS]
    within "${3:-30}" sim_is "$1" "$2" || road_fail "handheld: $1" "$2" "$(sim_state "$1")"
}

# --- the user
step_start() {
    start_wizard
    ROAD_PAGE=0 ROAD_TEMPLATE=0 ROAD_SEEN=" "  # `never` looks at this run of the wizard
}

# The page shown now other than the current one, within $1 ms: its template and handle.
look() {
    local template
    read -r _ template _ <<<"$(ui find --not "$ROAD_PAGE" --timeout "$1")"
    [ -n "$template" ] && echo "$template $(ui handle --template "$template" --timeout 0)"
}

# The user has met a page (handle $2): printed, screenshot and dumped into the road's artefacts.
met_page() {
    ROAD_PAGE=$2 ROAD_TEMPLATE=$1 ROAD_SHOT=$((ROAD_SHOT + 1)) ROAD_SEEN+="$1 "
    echo "  page $1 (at $((SECONDS - ROAD_STARTED)) s)"
    sleep 0.3  # painted
    local shot="$ROAD/$(printf '%02d' "$ROAD_SHOT")-$1"
    screenshot "$shot"
    ui dump --window "$ROAD_PAGE" >"$E2E_ARTEFACTS/$shot.txt"
}

# Waits for a page of template T other than the current one. The Checking notice and dialogs
# of no known template pass by; any other page that stays is a wrong turn and ends the road.
step_page() {
    local want=$1 deadline=$((SECONDS + ${2:-60})) template handle seen="" instead=""
    until handle=$(ui handle --template "$want" --not "$ROAD_PAGE" --timeout 1000); do
        read -r template _ <<<"$(look 0)"
        case $template in "" | 0 | 122) ;; "$seen") instead="page $template" ;; *) seen=$template ;; esac
        [ "$SECONDS" -lt "$deadline" ] || instead="no page within ${2:-60} s"
        [ -s "$WIZARD_EXIT_FILE" ] && instead="the wizard's end, exit code $(cat "$WIZARD_EXIT_FILE")"
        if [ -n "$instead" ]; then
            screenshot "$ROAD/$(printf '%02d' "$ROAD_SHOT")-instead-of-$want"
            road_fail "page $want" "page $want" "$instead"
            return
        fi
    done
    met_page "$want" "$handle"
}

on_page() { ui "$1" "${@:2}" --window "$ROAD_PAGE"; }
# A user clicks a button once it is enabled, waiting for it up to 10 s: Weiter of a page that
# checks the power first comes a moment after the page.
press() {
    on_page wait-enabled "$1" 1 --timeout 10000 >/dev/null
    on_page click "$1"
}
step_click() { press "$1" || road_fail "click $1 on page $ROAD_TEMPLATE"; }
step_next() { for t; do step_page "$t" && step_click 1 || return 1; done; }
step_back() { for t; do step_page "$t" && step_click 1221 || return 1; done; }
step_tick() { on_page check "$1" "${2:-on}" || road_fail "tick $1 ${2:-on} on page $ROAD_TEMPLATE"; }
step_checked() { check "$ROAD: box $1 ticked" "$2" "$(on_page checked "$1")"; }
step_key() { on_page key "$1" || road_fail "key $1 on page $ROAD_TEMPLATE"; }
step_close() { on_page close || road_fail "the close box of page $ROAD_TEMPLATE"; }
step_title() { check "$ROAD: title" "$1" "$(on_page find --timeout 0 | cut -d' ' -f3-)"; }
step_stays() { sleep 0.5 && holds "page $ROAD_TEMPLATE stays" on_page find --timeout 0; }
step_enabled() { check "$ROAD: control $1 enabled" "$2" "$(on_page enabled "$1")"; }
step_becomes() {  # ID 0|1 [SECONDS]: the control's state changes to this within the time
    on_page wait-enabled "$1" "$2" --timeout $((${3:-10} * 1000)) >/dev/null ||
        road_fail "control $1 becomes enabled=$2 within ${3:-10} s"
}
step_text() { check "$ROAD: text $1" "$2" "$(on_page text "$1")"; }
# A second start of the program ends at once and leaves the first as it was.
step_second_instance() {
    local first=$WIZARD_EXIT_FILE
    start_wizard
    check "$ROAD: a second instance ends at once" 0 "$(exit_code_within "$WIZARD_EXIT_FILE" 20)"
    WIZARD_EXIT_FILE=$first
}
wordpad_window() { ui windows | grep '^WORDPADTOP' | grep -F "$1"; }
step_wordpad() {  # FILE: WordPad shows it maximised; it is ended then
    within 10 wordpad_window "$1" >/dev/null
    check "$ROAD: WordPad shows $1" maximised "$(wordpad_window "$1" | cut -f3)"
    end_programs '[Ww]ordpad\.exe' || true
}
step_kill() { on_page kill || road_fail "the wizard could be ended"; }
step_exit() {  # CODE|any [SECONDS]
    local code
    code=$(exit_code_within "$WIZARD_EXIT_FILE" "${2:-30}")
    [ "$1" != any ] || [ "$code" = running ] || code=any
    check "$ROAD: the wizard's exit code" "$1" "$code"
    ROAD_PAGE=0
}

# Rows of the Incompatible-image page red as the screen shows them, those after `not` not red.
step_red() {  # ID... [not ID...]
    local want=yes id x y w h share
    for id; do
        [ "$id" = not ] && want=no && continue
        read -r x y w h <<<"$(on_page rect "$id")"
        screenshot "$ROAD/red-$id"
        share=$(/usr/bin/convert "$E2E_ARTEFACTS/$ROAD/red-$id.png" -crop "${w}x${h}+${x}+${y}" +repage \
            -fill white -opaque '#FF0000' -fill black +opaque white -format '%[fx:mean>0.02]' info:)
        check "$ROAD: row $id red" "$want" "$([ "$share" = 1 ] && echo yes || echo no)"
    done
}

# The common file dialogs: who owns the dialog and what name it proposes.
step_save_dialog() { check "$ROAD: save dialog" "page 109	$1" "$(ui file-dialog --timeout 15000 | cut -f1,2)"; }
step_open_dialog() { check "$ROAD: open dialog" "SETUP	" "$(ui file-dialog --timeout 15000 | cut -f1,2)"; }
step_choose() {
    ui choose-file "$(win_path "$ROAD_RUN/$1")" --timeout 15000 || road_fail "the dialog takes $1"
}
step_cancel_dialog() { ui cancel-file --timeout 15000 || road_fail "the dialog cancels"; }

# Weiter of the Power warning page follows the mains adapter within about 100 ms.
step_power_follows() {  # BOUND-MS
    local took plugged_at waiter="$ROAD_RUN/enabled-at"
    step_sim mains off && step_becomes 1 0 5 || return 1
    (ui wait-enabled 1 1 --window "$ROAD_PAGE" --timeout 10000 >"$waiter") &
    sleep 1.5  # the waiter watches
    sim_cmd mains on >/dev/null
    plugged_at=$(date +%s%3N)
    wait $!
    [ -s "$waiter" ] || { road_fail "Weiter enabled once the mains adapter is in"; return 1; }
    took=$(($(tr -d '\r' <"$waiter") - plugged_at))
    echo "  Weiter enabled $took ms after the mains adapter was plugged in"
    check "$ROAD: Weiter enabled within $1 ms of mains power" yes \
        "$([ "$took" -le "$1" ] && echo yes || echo "after $took ms")"
}

# --- the outcome
step_never() {
    check "$ROAD: page $1 never shown" never \
        "$(case "$ROAD_SEEN" in *" $1 "*) echo shown ;; *) echo never ;; esac)"
}
# The simulated flash holds the image $1 (the report goes to the standard error).
flash_holds() { python3 "$E2E_FILES" flash-holds "$ROMWIZARD_RIG_DIR/flash.bin" "$ROAD_RUN/$1" >&2; }
settings_kept() { wine reg query 'HKCU\Software\FlashUtility' /v Flash >/dev/null 2>&1; }
step_expect_flash() { holds "flash" flash_holds "$1"; }
step_expect_backup() {
    holds "backup $1" python3 "$E2E_FILES" backup-of "$ROMWIZARD_RIG_DIR/flash.bin" "$ROAD_RUN/$1"
    holds "romflash check $1" "$E2E_ROMFLASH" check "$ROAD_RUN/$1"
}
step_expect_settings() { check "$ROAD: the settings record" "$1" "$(settings_kept && echo kept || echo gone)"; }
marker_gone() { ! ls "$WINEPREFIX/drive_c/windows" | grep -qix 'varnel.qdx'; }
step_expect_marker_gone() { holds "the marker file gone" marker_gone; }
step_expect_version_box() {  # VERSION: the box of asterisks with the version in its middle row
    check "$ROAD: version box, top and middle row" "************|*   $1   *" \
        "$(sim_state 's["screen"][11][1:13] + "|" + s["screen"][14][1:13]')"
}
step_expect_clock() {
    check "$ROAD: the handheld's clock set to the PC's" "True True" "$(sim_state \
        's["clock_set"], abs(__import__("calendar").timegm(__import__("time").strptime(s["clock"], "%Y-%m-%dT%H:%M:%SZ")) - __import__("time").time()) < 120' | tr -d ',()')"
}
manager_runs() { [ -n "$(prefix_programs 'wcescomm\.exe')" ]; }
step_expect_connection_manager() { holds "the connection manager runs again" within 10 manager_runs; }
step_identifications() {  # N: GetDeviceData calls on the handheld
    check "$ROAD: identifications over the remote API" "$1" \
        "$(sim_state 'sum(i["entry"] == "GetDeviceData" for i in s["rapi"]["invokes"])')"
}

# The cable plugged in again and the handheld restarted (boot: into its boot loader; reset:
# normally), which ends a silence too.
mend_handheld() { sim_cmd cable plug && sim_cmd silent off && sim_cmd "$1"; } >/dev/null

# The usual user and the handheld's owner go on through whatever page the wizard shows, until
# it ends or $1 seconds pass (then it is ended: a hang): Aktualisieren on the Options page, or a
# backup to DRIVE_BACKUP; Beenden on error pages. DRIVE_PAGES: the pages met and the exit code;
# DRIVE_SUCCESS: the Completion page came. drive_hook, when there is one, runs before each look
# and ends the drive on failure.
drive() {
    local deadline=$((SECONDS + $1)) due=0 booted=0 mended=0 asked=0 template handle
    DRIVE_PAGES="" DRIVE_SUCCESS=0 ROAD_PAGE=0 ROAD_TEMPLATE=0
    while [ ! -s "$WIZARD_EXIT_FILE" ] && [ "$SECONDS" -lt "$deadline" ]; do
        declare -F drive_hook >/dev/null && ! drive_hook && break
        if read -r template handle <<<"$(look 300)" && [ -n "$handle" ]; then
            [ "$template" = "$ROAD_TEMPLATE" ] || DRIVE_PAGES+=" $template"
            met_page "$template" "$handle"
            due=1
        fi
        # A page's answer that did not take (Weiter still disabled) is tried again.
        [ "$due" = 1 ] && goes_on "$ROAD_TEMPLATE" && due=0
    done
    [ -s "$WIZARD_EXIT_FILE" ] || { DRIVE_PAGES+=" HANG" && end_leftover_wizards; }
    DRIVE_PAGES+=" exit $(exit_code_within "$WIZARD_EXIT_FILE" 30)"
}

# The usual answer on page $1 (with the counters of drive).
goes_on() {
    case $1 in
        102 | 122 | 132) ;;  # progress and the Checking notice: wait
        103) on_page check 1203 on && press 1 ;;
        121 | 161 | 124 | 130 | 152) press 1 ;;
        109) if [ -z "${DRIVE_BACKUP:-}" ]; then
            on_page click 1035
        elif [ "$((asked++))" = 0 ]; then
            on_page click 1030 && ui choose-file "$(win_path "$DRIVE_BACKUP")" --timeout 15000
        else
            on_page click 2
        fi ;;
        169) if [ "$booted" = 0 ]; then sim_cmd boot >/dev/null; booted=$SECONDS; fi
            # Weiter comes once the boot loader answered. The page searches on for as long
            # as it is shown; a user who waits in vain sets the handheld right.
            if [ $((SECONDS - booted)) -gt 45 ] && [ "$mended" = 0 ]; then
                mend_handheld boot
                DRIVE_PAGES+=" mended" mended=1
            fi
            press 1 ;;
        167) sim_cmd reset >/dev/null && press 1181 ;;
        133) DRIVE_SUCCESS=1 && press 1 ;;
        165 | 268 | 269) on_page click 1175 ;;
        *) on_page click 2 ;;  # error pages and the Power warning: Beenden
    esac >/dev/null
}

# PAGES...: the usual user meets exactly these pages, and the wizard ends with 0. A page T?
# may pass too quickly to be seen (the wizard leaves it at once).
step_drive() {
    local want="" page
    start_wizard
    drive 300
    for page; do
        [[ $page != *\? || "$DRIVE_PAGES " == *" ${page%\?} "* ]] && want+="${page%\?} "
    done
    check "$ROAD: the pages met" "${want}exit 0" "${DRIVE_PAGES# }"
}
step_backup_to() { DRIVE_BACKUP="$ROAD_RUN/$1"; }

# A road's own run folder, artefacts and wizard log; road_close takes down what it brought up
# and keeps what the handheld saw.
road_open() {
    ROAD=$1 ROAD_STARTED=$SECONDS ROAD_SHOT=0 ROAD_PAGE=0 ROAD_TEMPLATE=0 ROAD_SEEN=" " ROAD_MOUNTS=()
    ROAD_RUN="$E2E_RUN_DIR/$ROAD"
    rm -rf "${E2E_ARTEFACTS:?}/$ROAD"
    mkdir -p "$E2E_ARTEFACTS/$ROAD" "$ROAD_RUN"
    WIZARD_LOG="$E2E_ARTEFACTS/$ROAD/wizard.log"  # what the wizard writes to its standard error
    unset "${RIG_SETTINGS[@]}" ROMWIZARD_RIG_STANDINS DRIVE_BACKUP
}
road_close() {
    [ -z "${ROMWIZARD_SIM_CONTROL:-}" ] || sim_cmd state >"$E2E_ARTEFACTS/$ROAD/handheld-state.json"
    rig_stop
    [ "${#ROAD_MOUNTS[@]}" = 0 ] || umount "${ROAD_MOUNTS[@]}" 2>/dev/null
    rm -rf "$ROAD_RUN"
    unset ROAD_RUN
}

run_road() {
    local line verb before=$CHECK_FAILURES outcome=passed steps
    mapfile -t steps < <(road_steps "$1")
    echo "== road $1"
    road_open "$1"
    ((${#steps[@]})) || road_fail "the road is written down" yes no
    for line in "${steps[@]}"; do
        eval "set -- $line"
        verb=${1//-/_}
        shift
        [ -z "${RIG_SETTINGS[$verb]:-}" ] || { export "${RIG_SETTINGS[$verb]}=$*" && continue; }
        rig_start || { road_fail "the rig starts"; break; }
        declare -F "step_$verb" >/dev/null || { road_fail "step '$line' is known"; break; }
        "step_$verb" "$@" || break
    done
    road_close
    # The handheld notes every mistake of the PC it sees; a road may only break off downloads.
    local seen="$E2E_ARTEFACTS/$ROAD/handheld-state.json"
    [ ! -e "$seen" ] || check "$ROAD: the handheld noted no mistake" "[]" \
        "$(state_of '[e for e in s["errors"] if not e.startswith("download aborted: ")]' <"$seen")"
    [ "$CHECK_FAILURES" -eq "$before" ] || outcome=FAILED
    echo "-- road $ROAD $outcome in $((SECONDS - ROAD_STARTED)) s"
    [ "$outcome" = passed ]
}
