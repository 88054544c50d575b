#include "app/text_ids.h"

#include "app/app_calls.h"
#include "app/exit_codes.h"
#include "engine/progress_tasks.h"
#include "framework/resource_language.h"
#include "package/package_status.h"
#include "res/resource.h"

UINT ConstructionFailureTextId(uint32_t arg0) {
  switch (arg0) {
    case ERROR_OLD_WIN_VERSION:
      return IDS_OLD_WINDOWS;
    case ERROR_NO_SUCH_PRIVILEGE:
      return IDS_NOT_ADMINISTRATOR;
    case kWrongPlatformFailure:
      return IDS_WIN32_ONLY;
    default:
      return IDS_INIT_ERROR;
  }
}

UINT PackageStatusTextId(int32_t status) {
  switch (status) {
    case kPackageReadFailed:
      return IDS_UNPACK_ERROR;
    case kPackageDamaged:
      return IDS_PACKAGE_DAMAGED;
    case kPackageNoMemory:
      return IDS_NO_RESOURCES;
    default:
      return IDS_MODULES_ERROR;
  }
}

UINT TaskTextId(int task) {
  switch (task) {
    case TaskCopyingFiles:
      return IDS_TASK_COPY_FILES;
    case TaskInstallingDrivers:
      return IDS_TASK_INSTALL_DRIVERS;
    case TaskInstallingProgram:
      return IDS_TASK_INSTALL_PROGRAM;
    case TaskStartingDrivers:
      return IDS_TASK_START_DRIVERS;
    case TaskStartMenuItems:
      return IDS_TASK_START_MENU;
    case TaskFinish:
      return IDS_TASK_FINISH;
    case TaskStopServices:
      return IDS_TASK_STOP_SERVICES;
    case TaskRemoveServices:
      return IDS_TASK_REMOVE_SERVICES;
    case TaskClearRegistry:
      return IDS_TASK_CLEAR_REGISTRY;
    case TaskDeleteFiles:
      return IDS_TASK_DELETE_FILES;
    case TaskRestoreFiles:
      return IDS_TASK_RESTORE_FILES;
    case TaskDeleteDirectories:
      return IDS_TASK_DELETE_DIRECTORY;
    default:
      return 0;
  }
}

CString LoadText(UINT id) {
  CString text;
  text.LoadString(id);
  return text;
}

CString LogText(UINT id) {
  CString text;
  text.LoadString(id, kEnglishLanguage);
  return text;
}

CString MessageText(UINT id) {
  CString text;
  text.LoadString(id, AppCalls().MessageLanguage());
  return text;
}
