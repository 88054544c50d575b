// String ids of the uninstaller's texts; "%s" stands for the product's name
// (or, in the failed item, the service's name).
#pragma once

#define IDS_UNINSTALL_CAPTION 1
#define IDS_NOT_INSTALLED 2
#define IDS_CONFIRM_REMOVAL 3
#define IDS_REMOVAL_INCOMPLETE 4
#define IDS_REMOVED_AFTER_RESTART 5
#define IDS_REMOVED 6
#define IDS_FAILED_SERVICE_MANAGER 7
#define IDS_FAILED_START_MENU_FOLDER 8
#define IDS_FAILED_DRIVERS_FOLDER 9
#define IDS_FAILED_SERVICE 10
#define IDS_PROGRAMS_WILL_CLOSE 11
