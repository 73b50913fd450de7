#include "SimRegistration.h"

#include <windows.h>
#include <oleauto.h>
#include <shlwapi.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "../uiview32-double/UiView32Server.h"

namespace uiview32_sim {

using namespace uiview32_double;

namespace {

// The standard marshallers: by type library, and IDispatch's own.
const char* const kTypeLibMarshaller = "{00020424-0000-0000-C000-000000000046}";
const char* const kDispatchMarshaller = "{00020420-0000-0000-C000-000000000046}";

std::string GuidText(const GUID& g) {
  wchar_t wide[64];
  StringFromGUID2(g, wide, 64);
  char text[64];
  WideCharToMultiByte(CP_ACP, 0, wide, -1, text, sizeof text, nullptr, nullptr);
  return text;
}

void Check(HRESULT hr, const char* step) {
  if (FAILED(hr)) {
    char text[160];
    std::snprintf(text, sizeof text, "%s failed (0x%08lX)", step, static_cast<unsigned long>(hr));
    throw std::runtime_error(text);
  }
}

void SetString(const std::string& key, const char* name, const std::string& value) {
  HKEY h;
  if (RegCreateKeyExA(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr) !=
      ERROR_SUCCESS)
    throw std::runtime_error("cannot create registry key " + key);
  LONG rc = RegSetValueExA(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                           static_cast<DWORD>(value.size() + 1));
  RegCloseKey(h);
  if (rc != ERROR_SUCCESS) throw std::runtime_error("cannot write registry value in " + key);
}

template <class T>
struct Released {
  T* p = nullptr;
  ~Released() {
    if (p) p->Release();
  }
  T** operator&() { return &p; }
  T* operator->() { return p; }
};

// One method of the interface: HRESULT, stdcall, arguments by reference.
void AddMethod(ICreateTypeInfo* info, UINT index, MEMBERID id, const wchar_t* name, std::vector<VARTYPE> refs,
               FUNCKIND kind) {
  std::vector<TYPEDESC> pointee(refs.size());
  std::vector<ELEMDESC> params(refs.size());
  for (size_t i = 0; i < refs.size(); ++i) {
    pointee[i].vt = refs[i];
    params[i].tdesc.vt = VT_PTR;
    params[i].tdesc.lptdesc = &pointee[i];
    params[i].paramdesc.wParamFlags = PARAMFLAG_FIN | PARAMFLAG_FOUT;
  }
  FUNCDESC f{};
  f.memid = id;
  f.funckind = kind;
  f.invkind = INVOKE_FUNC;
  f.callconv = CC_STDCALL;
  f.cParams = static_cast<SHORT>(refs.size());
  f.lprgelemdescParam = params.empty() ? nullptr : params.data();
  f.elemdescFunc.tdesc.vt = kind == FUNC_DISPATCH ? VT_VOID : VT_HRESULT;
  Check(info->AddFuncDesc(index, &f), "AddFuncDesc");
  std::vector<const wchar_t*> names{name};
  static const wchar_t* const kArgs[] = {L"a1", L"a2", L"a3", L"a4", L"a5", L"a6"};
  for (size_t i = 0; i < refs.size(); ++i) names.push_back(kArgs[i]);
  Check(info->SetFuncAndParamNames(index, const_cast<LPOLESTR*>(names.data()), static_cast<UINT>(names.size())),
        "SetFuncAndParamNames");
}

// _clsUIV as COM needs it to build a proxy: IDispatch, then placeholders
// for slots 7 to 34, then ZoomToArea (35) and RedrawMap (36).
void DescribeDefaultInterface(ICreateTypeLib2* lib, ITypeInfo* dispatch) {
  Released<ICreateTypeInfo> info;
  Check(lib->CreateTypeInfo(const_cast<LPOLESTR>(L"_clsUIV"), TKIND_INTERFACE, &info), "CreateTypeInfo _clsUIV");
  Check(info->SetGuid(kIid), "SetGuid _clsUIV");
  Check(info->SetTypeFlags(TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FHIDDEN), "SetTypeFlags _clsUIV");
  HREFTYPE base;
  Check(info->AddRefTypeInfo(dispatch, &base), "AddRefTypeInfo IDispatch");
  Check(info->AddImplType(0, base), "AddImplType IDispatch");
  UINT index = 0;
  for (int slot = 7; slot <= 34; ++slot, ++index) {
    wchar_t name[32];
    swprintf(name, 32, L"Unused%d", slot);
    AddMethod(info.p, index, 0x60030000 + slot, name, {}, FUNC_PUREVIRTUAL);
  }
  AddMethod(info.p, index++, 0x60030000 + 35, L"ZoomToArea", {VT_R8, VT_R8, VT_R8, VT_R8, VT_BOOL, VT_I2},
            FUNC_PUREVIRTUAL);
  AddMethod(info.p, index++, 0x60030000 + 36, L"RedrawMap", {}, FUNC_PUREVIRTUAL);
  Check(info->LayOut(), "LayOut _clsUIV");
}

// The event dispinterface, by the dispatch identifiers UI-View32 sends.
void DescribeEvents(ICreateTypeLib2* lib, ITypeInfo* dispatch) {
  static const wchar_t* const kEvents[] = {
      L"OnDataAvailable", L"OnNotifyBeacon", L"OnUIView32IsClosing", L"OnNotifyDXSpot", L"OnNotifyRemoteCommand",
      L"OnNotifyTelemetry", L"OnNotifyBeaconData", L"OnNotifyDelete", L"OnNotifyDeleteAllStations", L"OnNotifyAck",
      L"OnNotifyMessage"};
  Released<ICreateTypeInfo> info;
  Check(lib->CreateTypeInfo(const_cast<LPOLESTR>(L"__clsUIV"), TKIND_DISPATCH, &info), "CreateTypeInfo __clsUIV");
  Check(info->SetGuid(kEventIid), "SetGuid __clsUIV");
  HREFTYPE base;
  Check(info->AddRefTypeInfo(dispatch, &base), "AddRefTypeInfo IDispatch");
  Check(info->AddImplType(0, base), "AddImplType IDispatch");
  for (UINT i = 0; i < 11; ++i) AddMethod(info.p, i, static_cast<MEMBERID>(i + 1), kEvents[i], {}, FUNC_DISPATCH);
  Check(info->LayOut(), "LayOut __clsUIV");
}

std::wstring Wide(const std::string& text) {
  std::wstring wide(text.size() + 1, L'\0');
  int n = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide.data(), static_cast<int>(wide.size()));
  wide.resize(n > 0 ? static_cast<size_t>(n - 1) : 0);
  return wide;
}

void BuildAndRegisterTypeLib(const std::string& path) {
  std::wstring widePath = Wide(path);
  Released<ICreateTypeLib2> lib;
  Check(CreateTypeLib2(SYS_WIN32, widePath.c_str(), &lib), "CreateTypeLib2");
  Check(lib->SetGuid(kTypeLibId), "SetGuid library");
  Check(lib->SetVersion(1, 0), "SetVersion");
  Check(lib->SetName(const_cast<LPOLESTR>(L"UIView32")), "SetName");
  Check(lib->SetLcid(LOCALE_NEUTRAL), "SetLcid");
  Released<ITypeLib> stdole;
  Check(LoadTypeLib(L"stdole2.tlb", &stdole), "LoadTypeLib stdole2");
  Released<ITypeInfo> dispatch;
  Check(stdole->GetTypeInfoOfGuid(IID_IDispatch, &dispatch), "IDispatch type info");
  DescribeDefaultInterface(lib.p, dispatch.p);
  DescribeEvents(lib.p, dispatch.p);
  Check(lib->SaveAllChanges(), "SaveAllChanges");
  Released<ITypeLib> saved;
  Check(LoadTypeLibEx(widePath.c_str(), REGKIND_NONE, &saved), "LoadTypeLibEx");
  Check(RegisterTypeLib(saved.p, const_cast<LPOLESTR>(widePath.c_str()), nullptr), "RegisterTypeLib");
}

void RegisterInterface(const GUID& iid, const char* name, const char* marshaller) {
  std::string key = "Interface\\" + GuidText(iid);
  SetString(key, nullptr, name);
  SetString(key + "\\ProxyStubClsid32", nullptr, marshaller);
  SetString(key + "\\ProxyStubClsid", nullptr, marshaller);
  SetString(key + "\\TypeLib", nullptr, GuidText(kTypeLibId));
  SetString(key + "\\TypeLib", "Version", "1.0");
}

}  // namespace

void RegisterServer(const std::string& exePath) {
  UnregisterServer();
  std::string tlb = exePath.substr(0, exePath.find_last_of('.')) + ".tlb";
  BuildAndRegisterTypeLib(tlb);
  std::string clsid = "CLSID\\" + GuidText(kClsid);
  SetString(clsid, nullptr, "clsUIV");
  SetString(clsid + "\\LocalServer32", nullptr, "\"" + exePath + "\"");
  SetString(clsid + "\\ProgID", nullptr, "UIView32.clsUIV");
  SetString(clsid + "\\TypeLib", nullptr, GuidText(kTypeLibId));
  SetString("UIView32.clsUIV\\Clsid", nullptr, GuidText(kClsid));
  // After RegisterTypeLib, so these choices stand whatever it wrote.
  RegisterInterface(kIid, "_clsUIV", kTypeLibMarshaller);
  RegisterInterface(kEventIid, "__clsUIV", kDispatchMarshaller);
}

void UnregisterServer() {
  SHDeleteKeyA(HKEY_CLASSES_ROOT, ("CLSID\\" + GuidText(kClsid)).c_str());
  SHDeleteKeyA(HKEY_CLASSES_ROOT, "UIView32.clsUIV");
  SHDeleteKeyA(HKEY_CLASSES_ROOT, ("Interface\\" + GuidText(kIid)).c_str());
  SHDeleteKeyA(HKEY_CLASSES_ROOT, ("Interface\\" + GuidText(kEventIid)).c_str());
  SHDeleteKeyA(HKEY_CLASSES_ROOT, ("TypeLib\\" + GuidText(kTypeLibId)).c_str());
}

}  // namespace uiview32_sim
