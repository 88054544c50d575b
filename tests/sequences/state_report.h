#pragma once
// Machine-readable lines for the host-side scenarios: one record a line,
// fields separated by tabs, the record's kind first.

#include <cstdio>
#include <vector>

#include "engine/install_engine.h"
#include "tests/support/recording_owner.h"
#include "tests/support/system_call_faults.h"

// "created", "started", "backup" and "capture" records of the journal.
void PrintJournal(const CInstallEngine& engine, std::FILE* out);
// "progress" records: "report P T" or "position P", in call order.
void PrintProgress(const std::vector<ProgressEvent>& events, std::FILE* out);
// "mutating" records, with the phase ("install" or "rollback") each call
// belongs to: calls up to installCalls were made by the installation.
void PrintMutatingCalls(const FaultyCalls& calls, int installCalls, std::FILE* out);
// "service NAME TYPE STATE" for every service the manager knows; false when
// the manager cannot be asked.
bool PrintServices(std::FILE* out);
// "entry NAME SIZE MD5" for every file of the package store.
void PrintPackage(const CPackageFileStore& store, const std::vector<std::string>& names, std::FILE* out);
