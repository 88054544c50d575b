// Snapshot and restore of a service's registry values, on a key of its own
// below the prefix's Services key.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/engine/driver_services.h"
#include "tests/support/engine_harness.h"
#include "tests/support/system_call_faults.h"
#include "tests/support/test_registry.h"

namespace {

constexpr const char* kService = "velmora_capture_probe";

std::string Bytes(std::initializer_list<int> bytes) {
  std::string data;
  for (int byte : bytes) data.push_back(static_cast<char>(byte));
  return data;
}

void SetValue(const std::string& keyPath, const char* name, DWORD type, const std::string& data) {
  unique_hkey key;
  ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.put(),
                              nullptr),
            ERROR_SUCCESS);
  ASSERT_EQ(::RegSetValueExA(key.get(), name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                             static_cast<DWORD>(data.size())),
            ERROR_SUCCESS);
}

void DeleteValue(const std::string& keyPath, const char* name) {
  unique_hkey key;
  ASSERT_EQ(::RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_ALL_ACCESS, key.put()), ERROR_SUCCESS);
  ASSERT_EQ(::RegDeleteValueA(key.get(), name), ERROR_SUCCESS);
}

std::vector<std::string> NamesOf(const std::list<CapturedValue>& values) {
  std::vector<std::string> names;
  for (const CapturedValue& value : values) names.push_back(value.name);
  return names;
}

class ServiceRegistry : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_FALSE(m_harness.m_constructionFailure) << "engine not constructed"; }

  // A service key holding every kind of value the restore must reproduce.
  void FillServiceKey() {
    SetValue(m_keyPath, "Type", REG_DWORD, Bytes({1, 0, 0, 0}));
    SetValue(m_keyPath, "ImagePath", REG_EXPAND_SZ, std::string("%SystemRoot%\\System32\\drivers\\old.sys", 38));
    SetValue(m_keyPath, "DependOnService", REG_MULTI_SZ, std::string("FltMgr\0Tcpip\0\0", 14));
    SetValue(m_keyPath, "Blob", REG_BINARY, Bytes({0, 1, 2, 0xff, 0, 0x80}));
    SetValue(m_keyPath, "Embedded", REG_SZ, std::string("left\0right\0", 11));
    SetValue(m_keyPath, "", REG_SZ, std::string("default\0", 8));
    SetValue(m_keyPath, "Empty", REG_BINARY, std::string());
  }
  CProductInstallEngine& Engine() { return m_harness.Engine(); }

  const std::string m_keyPath = ServiceKeyPath(kService);
  ScopedRegistryCleanup m_cleanup{HKEY_LOCAL_MACHINE, ServiceKeyPath(kService)};
  EngineHarness m_harness;
};

TEST_F(ServiceRegistry, CaptureTakesEveryValueInReverseEnumerationOrder) {
  FillServiceKey();
  const std::vector<std::string> enumerated = RegistryValueNames(HKEY_LOCAL_MACHINE, m_keyPath);
  ASSERT_EQ(enumerated.size(), 7u);

  Engine().CaptureServiceRegistry(kService);

  ASSERT_EQ(Engine().m_serviceCapture.count(kService), 1u);
  const std::list<CapturedValue>& captured = Engine().m_serviceCapture[kService];
  EXPECT_EQ(captured, ReversedKeyValues(m_keyPath));
  EXPECT_EQ(NamesOf(captured), std::vector<std::string>(enumerated.rbegin(), enumerated.rend()));
}

TEST_F(ServiceRegistry, RestoreWritesBackEveryValueByteForByteInCaptureOrder) {
  FillServiceKey();
  Engine().CaptureServiceRegistry(kService);
  const std::list<CapturedValue> before = Engine().m_serviceCapture[kService];
  // What a reconfiguration and other programs might do meanwhile.
  SetValue(m_keyPath, "Type", REG_SZ, std::string("changed\0", 8));
  SetValue(m_keyPath, "ImagePath", REG_EXPAND_SZ, std::string("C:\\new\\velctl.sys\0", 18));
  SetValue(m_keyPath, "Blob", REG_BINARY, Bytes({9}));
  DeleteValue(m_keyPath, "Embedded");
  DeleteValue(m_keyPath, "DependOnService");
  SetValue(m_keyPath, "Added", REG_DWORD, Bytes({7, 0, 0, 0}));
  FaultyCalls calls;
  ScopedSystemCalls seam(calls);

  Engine().RestoreServiceRegistry();

  std::list<CapturedValue> after = ReversedKeyValues(m_keyPath);
  after.remove_if([](const CapturedValue& value) { return value.name == "Added"; });
  after.sort([](const CapturedValue& a, const CapturedValue& b) { return a.name < b.name; });
  std::list<CapturedValue> expected = before;
  expected.sort([](const CapturedValue& a, const CapturedValue& b) { return a.name < b.name; });
  EXPECT_EQ(after, expected);
  EXPECT_TRUE(ReadRegistryValue(HKEY_LOCAL_MACHINE, m_keyPath, "Added").present);  // not in the snapshot: stays

  std::vector<std::string> written;
  for (const FaultyCalls::MutatingCall& call : calls.MutatingCalls()) {
    ASSERT_EQ(call.name, "RegSetValueExA");
    written.push_back(call.argument.substr(call.argument.rfind('\\') + 1));
  }
  EXPECT_EQ(written, NamesOf(before));
  EXPECT_EQ(calls.Count("RegCloseKey"), calls.Count("RegOpenKeyExA"));
  EXPECT_TRUE(Engine().m_serviceCapture.empty());
}

TEST_F(ServiceRegistry, RealServiceKeyIsRestoredAfterAReconfiguration) {
  ScopedDriverCleanup drivers{{kService}};
  ASSERT_TRUE(CreateDriverService(kService, "Earlier probe", SERVICE_DISABLED, SystemDriverPath("old_probe.sys")));
  const std::list<CapturedValue> before = ReversedKeyValues(m_keyPath);

  ASSERT_EQ(Engine().InstallDriverService(SystemDriverPath("velctl.sys"), kService, "Velmora Probe Driver",
                                          SERVICE_DEMAND_START),
            1);
  ASSERT_NE(ReversedKeyValues(m_keyPath), before);
  Engine().RestoreServiceRegistry();

  EXPECT_EQ(ReversedKeyValues(m_keyPath), before);
}

TEST_F(ServiceRegistry, KeyWithoutValuesLeavesNoCapture) {
  SetValue(m_keyPath + "\\Enum", "Count", REG_DWORD, Bytes({0, 0, 0, 0}));  // a subkey, no value of its own

  Engine().CaptureServiceRegistry(kService);

  EXPECT_EQ(Engine().m_serviceCapture.count(kService), 0u);
}

TEST_F(ServiceRegistry, MissingKeyLeavesAnEarlierCaptureAlone) {
  Engine().m_serviceCapture[kService] = {CapturedValue{"Start", REG_DWORD, Bytes({3, 0, 0, 0})}};

  Engine().CaptureServiceRegistry(kService);

  ASSERT_EQ(Engine().m_serviceCapture[kService].size(), 1u);
  EXPECT_EQ(Engine().m_serviceCapture[kService].front().name, "Start");
}

TEST_F(ServiceRegistry, SecondCaptureReplacesTheFirst) {
  SetValue(m_keyPath, "Start", REG_DWORD, Bytes({3, 0, 0, 0}));
  Engine().CaptureServiceRegistry(kService);
  SetValue(m_keyPath, "Start", REG_DWORD, Bytes({2, 0, 0, 0}));
  SetValue(m_keyPath, "Group", REG_SZ, std::string("Base\0", 5));

  Engine().CaptureServiceRegistry(kService);

  EXPECT_EQ(Engine().m_serviceCapture[kService], ReversedKeyValues(m_keyPath));
  EXPECT_EQ(Engine().m_serviceCapture[kService].size(), 2u);
}

TEST_F(ServiceRegistry, RestoreSkipsAServiceWhoseKeyIsGone) {
  SetValue(m_keyPath, "Start", REG_DWORD, Bytes({3, 0, 0, 0}));
  Engine().CaptureServiceRegistry(kService);
  DeleteRegistryTree(HKEY_LOCAL_MACHINE, m_keyPath);

  Engine().RestoreServiceRegistry();

  EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, m_keyPath));
  EXPECT_TRUE(Engine().m_serviceCapture.empty());
}

TEST_F(ServiceRegistry, RestoreGoesOnAfterAValueItCannotWrite) {
  FillServiceKey();
  Engine().CaptureServiceRegistry(kService);
  const std::list<CapturedValue> before = Engine().m_serviceCapture[kService];
  DeleteValue(m_keyPath, "Blob");
  DeleteValue(m_keyPath, "Embedded");
  FaultyCalls calls;
  calls.FailCall("RegSetValueExA", ERROR_ACCESS_DENIED, 1);
  ScopedSystemCalls seam(calls);

  Engine().RestoreServiceRegistry();

  EXPECT_EQ(calls.Count("RegSetValueExA"), 7);
  // The first captured value was refused; every other one is back.
  const std::string refused = before.front().name;
  for (const CapturedValue& value : before) {
    RegistryValue now = ReadRegistryValue(HKEY_LOCAL_MACHINE, m_keyPath, value.name.c_str());
    if (value.name == "Blob" || value.name == "Embedded") {
      EXPECT_EQ(now.present, value.name != refused) << value.name;
    }
    if (value.name != refused) {
      EXPECT_EQ(now.data, value.data) << value.name;
    }
  }
  EXPECT_TRUE(Engine().m_serviceCapture.empty());
}

TEST_F(ServiceRegistry, ValueThatCannotBeReadIsLeftOutOfTheCapture) {
  FillServiceKey();
  std::list<CapturedValue> expected = ReversedKeyValues(m_keyPath);
  expected.pop_front();  // the highest index is read first
  FaultyCalls calls;
  calls.FailCall("RegQueryValueExA", ERROR_MORE_DATA, 1);
  ScopedSystemCalls seam(calls);

  Engine().CaptureServiceRegistry(kService);

  EXPECT_EQ(Engine().m_serviceCapture[kService], expected);
  EXPECT_EQ(calls.Count("RegCloseKey"), 1);
}

TEST_F(ServiceRegistry, ValuesThatCannotBeEnumeratedLeaveAnEmptyCapture) {
  FillServiceKey();
  FaultyCalls calls;
  calls.FailCallsFrom("RegEnumValueA", ERROR_ACCESS_DENIED);
  ScopedSystemCalls seam(calls);

  Engine().CaptureServiceRegistry(kService);

  ASSERT_EQ(Engine().m_serviceCapture.count(kService), 1u);
  EXPECT_TRUE(Engine().m_serviceCapture[kService].empty());
  EXPECT_EQ(calls.Count("RegEnumValueA"), 7);
  EXPECT_EQ(calls.Count("RegQueryValueExA"), 0);
}

TEST_F(ServiceRegistry, KeyThatCannotBeQueriedLeavesNoCapture) {
  FillServiceKey();
  FaultyCalls calls;
  calls.FailCall("RegQueryInfoKeyA", ERROR_ACCESS_DENIED);
  ScopedSystemCalls seam(calls);

  Engine().CaptureServiceRegistry(kService);

  EXPECT_EQ(Engine().m_serviceCapture.count(kService), 0u);
  EXPECT_EQ(calls.Count("RegCloseKey"), 1);
}

}  // namespace
