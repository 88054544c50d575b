#include "app/text_ids.h"

#include "app/exit_codes.h"
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
  static const UINT kTexts[] = {
      IDS_TASK_COPY_FILES,       IDS_TASK_INSTALL_DRIVERS, IDS_TASK_INSTALL_PROGRAM, IDS_TASK_START_DRIVERS,
      IDS_TASK_START_MENU,       IDS_TASK_FINISH,          IDS_TASK_STOP_SERVICES,   IDS_TASK_REMOVE_SERVICES,
      IDS_TASK_CLEAR_REGISTRY,   0,                        IDS_TASK_DELETE_FILES,    IDS_TASK_RESTORE_FILES,
      IDS_TASK_DELETE_DIRECTORY,
  };
  if (task < 0 || task >= static_cast<int>(sizeof(kTexts) / sizeof(kTexts[0]))) return 0;
  return kTexts[task];
}

CString LoadText(UINT id) {
  CString text;
  text.LoadString(id);
  return text;
}
