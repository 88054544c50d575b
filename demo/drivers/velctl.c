// The product's control driver. It only has to load and unload cleanly: the
// setup registers it as an automatically started kernel-driver service and
// starts it at once.
#include <ntddk.h>

static VOID NTAPI VelctlUnload(PDRIVER_OBJECT driver) {
  UNREFERENCED_PARAMETER(driver);
}

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath) {
  UNREFERENCED_PARAMETER(registryPath);
  // Without an unload routine the service could never be stopped.
  driver->DriverUnload = VelctlUnload;
  return STATUS_SUCCESS;
}
