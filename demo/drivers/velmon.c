// The product's monitor driver. It only has to load and unload cleanly: the
// setup registers it as a demand-started kernel-driver service.
#include <ntddk.h>

static VOID NTAPI VelmonUnload(PDRIVER_OBJECT driver) {
  UNREFERENCED_PARAMETER(driver);
}

NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING registryPath) {
  UNREFERENCED_PARAMETER(registryPath);
  // Without an unload routine the service could never be stopped.
  driver->DriverUnload = VelmonUnload;
  return STATUS_SUCCESS;
}
