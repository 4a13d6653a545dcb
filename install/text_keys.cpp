#include "install/texts.h"

// The names by which tests outside the program ask for a text. Only the
// host build's test tools hold them; install.exe needs none.
namespace {

const char *const kKeyNames[] = {
    "installed",
    "no_work_dir",
    "work_dir_not_exact",
    "not_in_kit",
    "return_failed",
    "search_broken",
    "left_one",
    "left_many",
    "more_left",
    "system_error",
    "reason_path_too_long",
    "reason_target_is_source",
    "reason_name_unreachable",
    "reason_name_holds_path",
    "reason_name_not_exact",
    "reason_device_name",
    "reason_name_taken",
    "reason_no_room_for_name",
    "reason_no_staging_name",
    "reason_short_name_taken",
    "remedy_in_use",
    "remedy_lib",
    "remedy_rename",
    "remedy_staging",
    "remedy_shorter_path",
    "remedy_disk_full",
    "remedy_run_again",
    "remedy_general",
};
static_assert(sizeof kKeyNames / sizeof kKeyNames[0] == kTextCount, "a name for every key");

}  // namespace

const char *KeyNameOf(TextKey key) { return kKeyNames[key]; }
