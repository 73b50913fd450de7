#include "support/win32/HostFixture.h"

#include <windows.h>
#include <shlwapi.h>

#include <set>
#include <stdexcept>

#include "util/FileUtil.h"
#include "util/StrUtil.h"

namespace ombrix::test {

namespace {

const char* const kUiViewKey = "Software\\VB and VBA Program Settings\\Peak Systems\\UI-View32";
const char* const kDoubleClsid = "{33CFA0BD-2826-11D4-82E8-00C0DF464FC9}";
// What the simulated UI-View32 registers for marshalling: its interfaces
// and its type library.
const char* const kSimKeys[] = {"Interface\\{84C49058-9EE9-48B0-BE81-516BC86F6389}",
                                "Interface\\{209E1020-55A8-48D5-82E3-A6F487D2B3E7}",
                                "TypeLib\\{5E7A0032-0000-4000-8000-554956333201}"};

std::set<std::string>& KnownServers() {
  static std::set<std::string> names{"PMAPSERVER6", "PMAPSERVER7"};
  return names;
}

std::string DefaultClsid(const std::string& name) {
  // Stable per name, so a later Clear finds the CLSID key again.
  unsigned hash = 2166136261u;
  for (char c : UpperCase(name)) hash = (hash ^ static_cast<unsigned char>(c)) * 16777619u;
  char buf[64];
  std::snprintf(buf, sizeof buf, "{5E7A%04X-0000-4000-8000-%012X}", hash & 0xFFFF, hash);
  return buf;
}

void SetString(HKEY root, const std::string& key, const char* name, const std::string& value) {
  HKEY h;
  if (RegCreateKeyExA(root, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr) != ERROR_SUCCESS)
    throw std::runtime_error("cannot create registry key " + key);
  LONG rc = RegSetValueExA(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                           static_cast<DWORD>(value.size() + 1));
  RegCloseKey(h);
  if (rc != ERROR_SUCCESS) throw std::runtime_error("cannot write registry value in " + key);
}

void Folder(const std::string& path) {
  std::string partial;
  for (size_t i = 0; i < path.size(); ++i) {
    partial += path[i];
    if ((path[i] == '\\' || i + 1 == path.size()) && partial.size() > 3) CreateDirectoryA(partial.c_str(), nullptr);
  }
  if (!DirectoryExists(path)) throw std::runtime_error("cannot create folder " + path);
}

void File(const std::string& path, const std::string& content) {
  if (!WriteFileAtomic(path, content)) throw std::runtime_error("cannot write " + path);
}

// A 1 x 1 8-bit bitmap: enough to be an existing underlay file.
std::string TinyBitmap() {
  std::string bmp(14 + 40 + 4 * 256 + 4, '\0');
  auto put32 = [&](size_t at, unsigned v) {
    for (int i = 0; i < 4; ++i) bmp[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  bmp[0] = 'B', bmp[1] = 'M';
  put32(2, static_cast<unsigned>(bmp.size()));
  put32(10, 14 + 40 + 1024);
  put32(14, 40), put32(18, 1), put32(22, 1);
  bmp[26] = 1, bmp[28] = 8;
  put32(46, 256);
  return bmp;
}

}  // namespace

void ClearSimulatedHost() {
  SHDeleteKeyA(HKEY_CURRENT_USER, kUiViewKey);
  for (const std::string& name : KnownServers()) {
    std::string classKey = name + ".clsMapServ";
    char clsid[128] = "";
    DWORD size = sizeof clsid;
    if (SHGetValueA(HKEY_CLASSES_ROOT, (classKey + "\\Clsid").c_str(), nullptr, nullptr, clsid, &size) ==
            ERROR_SUCCESS &&
        clsid[0] == '{')
      SHDeleteKeyA(HKEY_CLASSES_ROOT, (std::string("CLSID\\") + clsid).c_str());
    SHDeleteKeyA(HKEY_CLASSES_ROOT, ("CLSID\\" + DefaultClsid(name)).c_str());
    SHDeleteKeyA(HKEY_CLASSES_ROOT, classKey.c_str());
  }
  UnregisterUiViewDouble();
}

void RegisterUiViewDouble(const std::string& dllPath) {
  std::string key = std::string("CLSID\\") + kDoubleClsid;
  SetString(HKEY_CLASSES_ROOT, key, nullptr, "clsUIV");
  SetString(HKEY_CLASSES_ROOT, key + "\\InprocServer32", nullptr, dllPath);
  SetString(HKEY_CLASSES_ROOT, key + "\\InprocServer32", "ThreadingModel", "Apartment");
  SetString(HKEY_CLASSES_ROOT, "UIView32.clsUIV\\Clsid", nullptr, kDoubleClsid);
}

void RegisterUiViewSim(const std::string& exePath) {
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  std::string command = "\"" + exePath + "\" /RegServer";
  if (!CreateProcessA(exePath.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    throw std::runtime_error("cannot start " + exePath);
  CloseHandle(pi.hThread);
  DWORD code = 1;
  if (WaitForSingleObject(pi.hProcess, 60000) != WAIT_OBJECT_0) TerminateProcess(pi.hProcess, 1);
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hProcess);
  if (code != 0) throw std::runtime_error(exePath + " /RegServer failed with exit code " + std::to_string(code));
}

void UnregisterUiViewDouble() {
  SHDeleteKeyA(HKEY_CLASSES_ROOT, (std::string("CLSID\\") + kDoubleClsid).c_str());
  SHDeleteKeyA(HKEY_CLASSES_ROOT, "UIView32.clsUIV");
  for (const char* key : kSimKeys) SHDeleteKeyA(HKEY_CLASSES_ROOT, key);
}

void SetUpSimulatedHost(const SimulatedHost& host) {
  ClearSimulatedHost();
  if (host.uiViewFolder) {
    Folder(*host.uiViewFolder);
    SetString(HKEY_CURRENT_USER, kUiViewKey, "Program Folder", *host.uiViewFolder);
    if (host.lastMap) File(*host.uiViewFolder + "UiView32.ini", "[MAPS]\r\nLAST_MAP=" + *host.lastMap + "\r\n");
  }
  if (!host.doubleDll.empty()) RegisterUiViewDouble(host.doubleDll);
  if (!host.simExe.empty()) RegisterUiViewSim(host.simExe);
  for (const SimulatedPMap& pmap : host.pmaps) {
    KnownServers().insert(UpperCase(pmap.name));
    std::string clsid = pmap.clsid.empty() ? DefaultClsid(pmap.name) : pmap.clsid;
    if (pmap.classKey) SetString(HKEY_CLASSES_ROOT, pmap.name + ".clsMapServ\\Clsid", nullptr, clsid);
    if (pmap.inprocServer) {
      SetString(HKEY_CLASSES_ROOT, "CLSID\\" + clsid + "\\InprocServer32", nullptr, pmap.folder + pmap.name + ".dll");
      SetString(HKEY_CLASSES_ROOT, "CLSID\\" + clsid + "\\InprocServer32", "ThreadingModel", "Apartment");
    }
    if (!pmap.createFolder) continue;
    Folder(pmap.folder);
    if (pmap.underlays) Folder(pmap.folder + "PMap Underlays\\");
    if (pmap.underlay) {
      File(pmap.folder + pmap.name + ".ini", "[SETUP]\r\nUNDERLAY=" + *pmap.underlay + "\r\n");
      if (pmap.createUnderlayFile) {
        Folder(ExtractFilePath(*pmap.underlay));
        File(*pmap.underlay, TinyBitmap());
      }
    }
  }
}

}  // namespace ombrix::test
