#include "tests/sequences/state_report.h"

#include <memory>

#include "base/handles.h"
#include "package/md5.h"

void PrintJournal(const CInstallEngine& engine, std::FILE* out) {
  for (const auto& entry : engine.m_created) {
    std::fprintf(out, "created\t%u\t%s\n", static_cast<unsigned>(entry.second), entry.first.c_str());
  }
  for (const auto& entry : engine.m_startedServices) std::fprintf(out, "started\t%s\n", entry.first.c_str());
  for (const auto& entry : engine.m_backups) {
    std::fprintf(out, "backup\t%s\t%s\n", entry.first.c_str(), entry.second.c_str());
  }
  for (const auto& entry : engine.m_serviceCapture) {
    std::fprintf(out, "capture\t%s\t%u\n", entry.first.c_str(), static_cast<unsigned>(entry.second.size()));
  }
}

void PrintProgress(const std::vector<ProgressEvent>& events, std::FILE* out) {
  for (const ProgressEvent& event : events) {
    if (event.kind == ProgressEvent::Report) {
      std::fprintf(out, "progress\treport\t%d\t%d\n", event.percent, event.task);
    } else {
      std::fprintf(out, "progress\tposition\t%d\n", event.percent);
    }
  }
}

void PrintMutatingCalls(const FaultyCalls& calls, int installCalls, std::FILE* out) {
  int index = 0;
  for (const FaultyCalls::MutatingCall& call : calls.MutatingCalls()) {
    ++index;
    std::fprintf(out, "mutating\t%d\t%s\t%s\t%s\t%s\n", index, index <= installCalls ? "install" : "rollback",
                 call.name.c_str(), call.argument.c_str(), call.failed ? "failed" : "ok");
  }
}

bool PrintServices(std::FILE* out) {
  unique_schandle scm(::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ENUMERATE_SERVICE));
  if (!scm) return false;
  DWORD needed = 0;
  DWORD count = 0;
  DWORD resume = 0;
  const DWORD types = SERVICE_DRIVER | SERVICE_WIN32;
  ::EnumServicesStatusExA(scm.get(), SC_ENUM_PROCESS_INFO, types, SERVICE_STATE_ALL, nullptr, 0, &needed, &count,
                          &resume, nullptr);
  if (::GetLastError() != ERROR_MORE_DATA) return false;
  std::unique_ptr<BYTE[]> buffer(new BYTE[needed]);
  resume = 0;
  if (!::EnumServicesStatusExA(scm.get(), SC_ENUM_PROCESS_INFO, types, SERVICE_STATE_ALL, buffer.get(), needed,
                               &needed, &count, &resume, nullptr)) {
    return false;
  }
  const auto* services = reinterpret_cast<const ENUM_SERVICE_STATUS_PROCESSA*>(buffer.get());
  for (DWORD i = 0; i < count; ++i) {
    std::fprintf(out, "service\t%s\t%lu\t%lu\n", services[i].lpServiceName,
                 services[i].ServiceStatusProcess.dwServiceType, services[i].ServiceStatusProcess.dwCurrentState);
  }
  return true;
}

void PrintPackage(const CPackageFileStore& store, const std::vector<std::string>& names, std::FILE* out) {
  for (const std::string& name : names) {
    const uint8_t* content = nullptr;
    uint32_t size = 0;
    if (!store.Lookup(name, &content, &size)) continue;
    uint8_t digest[kMd5DigestSize];
    Md5Digest(content, size, digest);
    std::fprintf(out, "entry\t%s\t%u\t", name.c_str(), size);
    for (uint8_t byte : digest) std::fprintf(out, "%02x", byte);
    std::fprintf(out, "\n");
  }
}
