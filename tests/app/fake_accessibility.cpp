#include "tests/app/fake_accessibility.h"

#include <oleacc.h>

namespace {

// Written out here rather than taken from the application: the service's
// class and the name property as the system defines them.
constexpr GUID kServiceClass = {0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
constexpr GUID kServiceInterface = {0x6e26e776, 0x04f0, 0x495d, {0x80, 0xe4, 0x33, 0x30, 0x35, 0x2e, 0x31, 0x69}};
constexpr GUID kNameProperty = {0x608d3df8, 0x8128, 0x4aa7, {0xa4, 0x28, 0xf5, 0x5e, 0x49, 0x26, 0x72, 0x91}};

// The service object and its class factory in one: both live as long as the
// FakeAccessibility that owns them, so reference counts are not kept.
class Service final : public IAccPropServices, public IClassFactory {
 public:
  explicit Service(FakeAccessibility* owner) : m_owner(owner) {}

  HRESULT WINAPI QueryInterface(REFIID iid, void** object) override {
    if (iid == IID_IUnknown || iid == kServiceInterface) {
      *object = static_cast<IAccPropServices*>(this);
    } else if (iid == IID_IClassFactory) {
      *object = static_cast<IClassFactory*>(this);
    } else {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    return S_OK;
  }
  ULONG WINAPI AddRef() override { return 2; }
  ULONG WINAPI Release() override { return 1; }

  HRESULT WINAPI CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    return outer ? CLASS_E_NOAGGREGATION : QueryInterface(iid, object);
  }
  HRESULT WINAPI LockServer(BOOL) override { return S_OK; }

  HRESULT WINAPI SetHwndPropStr(HWND window, DWORD objectId, DWORD childId, MSAAPROPID property,
                                LPCWSTR text) override {
    m_owner->Record(window, objectId, childId, property, text);
    return S_OK;
  }
  // Nothing else is expected of the service.
  HRESULT WINAPI SetPropValue(const BYTE*, DWORD, MSAAPROPID, VARIANT) override { return E_NOTIMPL; }
  HRESULT WINAPI SetPropServer(const BYTE*, DWORD, const MSAAPROPID*, int, IAccPropServer*, AnnoScope) override {
    return E_NOTIMPL;
  }
  HRESULT WINAPI ClearProps(const BYTE*, DWORD, const MSAAPROPID*, int) override { return E_NOTIMPL; }
  HRESULT WINAPI SetHwndProp(HWND, DWORD, DWORD, MSAAPROPID, VARIANT) override { return E_NOTIMPL; }
  HRESULT WINAPI SetHwndPropServer(HWND, DWORD, DWORD, const MSAAPROPID*, int, IAccPropServer*, AnnoScope) override {
    return E_NOTIMPL;
  }
  HRESULT WINAPI ClearHwndProps(HWND, DWORD, DWORD, const MSAAPROPID*, int) override { return E_NOTIMPL; }
  HRESULT WINAPI ComposeHwndIdentityString(HWND, DWORD, DWORD, BYTE**, DWORD*) override { return E_NOTIMPL; }
  HRESULT WINAPI DecomposeHwndIdentityString(const BYTE*, DWORD, HWND*, DWORD*, DWORD*) override { return E_NOTIMPL; }
  HRESULT WINAPI SetHmenuProp(HMENU, DWORD, MSAAPROPID, VARIANT) override { return E_NOTIMPL; }
  HRESULT WINAPI SetHmenuPropStr(HMENU, DWORD, MSAAPROPID, LPCWSTR) override { return E_NOTIMPL; }
  HRESULT WINAPI SetHmenuPropServer(HMENU, DWORD, const MSAAPROPID*, int, IAccPropServer*, AnnoScope) override {
    return E_NOTIMPL;
  }
  HRESULT WINAPI ClearHmenuProps(HMENU, DWORD, const MSAAPROPID*, int) override { return E_NOTIMPL; }
  HRESULT WINAPI ComposeHmenuIdentityString(HMENU, DWORD, BYTE**, DWORD*) override { return E_NOTIMPL; }
  HRESULT WINAPI DecomposeHmenuIdentityString(const BYTE*, DWORD, HMENU*, DWORD*) override { return E_NOTIMPL; }

 private:
  FakeAccessibility* m_owner;
};

Service* g_service = nullptr;

}  // namespace

FakeAccessibility::FakeAccessibility() {
  m_comStarted = SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  g_service = new Service(this);
  ::CoRegisterClassObject(kServiceClass, static_cast<IClassFactory*>(g_service), CLSCTX_INPROC_SERVER,
                          REGCLS_MULTIPLEUSE, &m_cookie);
}

FakeAccessibility::~FakeAccessibility() {
  if (m_cookie) ::CoRevokeClassObject(m_cookie);
  delete g_service;
  g_service = nullptr;
  if (m_comStarted) ::CoUninitialize();
}

void FakeAccessibility::Record(HWND window, DWORD objectId, DWORD childId, const GUID& property, LPCWSTR text) {
  if (objectId != static_cast<DWORD>(OBJID_CLIENT) || childId != CHILDID_SELF || property != kNameProperty) return;
  char narrow[1024] = {};
  ::WideCharToMultiByte(CP_ACP, 0, text ? text : L"", -1, narrow, sizeof(narrow), nullptr, nullptr);
  std::lock_guard<std::mutex> lock(m_lock);
  m_names[window] = narrow;
}

std::string FakeAccessibility::NameOf(HWND window) const {
  std::lock_guard<std::mutex> lock(m_lock);
  auto found = m_names.find(window);
  return found == m_names.end() ? "(none)" : found->second;
}
