// Owning wrappers for Win32 handles: one owner, closed exactly once, movable.
#pragma once
#include <windows.h>

#include <utility>

namespace ombrix {

// Traits give the handle type, its "none" value and how to close it.
template <typename Traits>
class UniqueHandle {
 public:
  using Handle = typename Traits::Handle;

  UniqueHandle() = default;
  explicit UniqueHandle(Handle h) : h_(h) {}
  ~UniqueHandle() { Reset(); }
  UniqueHandle(UniqueHandle&& other) noexcept : h_(other.Release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;

  Handle Get() const { return h_; }
  explicit operator bool() const { return h_ != Traits::None(); }
  Handle Release() { return std::exchange(h_, Traits::None()); }
  void Reset(Handle h = Traits::None()) {
    Handle old = std::exchange(h_, h);
    if (old != Traits::None()) Traits::Close(old);
  }

 private:
  Handle h_ = Traits::None();
};

struct KernelHandleTraits {  // events, mutexes, processes, threads
  using Handle = HANDLE;
  static Handle None() { return nullptr; }
  static void Close(Handle h) { CloseHandle(h); }
};
struct FileHandleTraits {  // CreateFile reports failure as INVALID_HANDLE_VALUE
  using Handle = HANDLE;
  static Handle None() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle h) { CloseHandle(h); }
};
struct WindowTraits {
  using Handle = HWND;
  static Handle None() { return nullptr; }
  static void Close(Handle h) {
    if (IsWindow(h)) DestroyWindow(h);
  }
};
struct MenuTraits {
  using Handle = HMENU;
  static Handle None() { return nullptr; }
  static void Close(Handle h) { DestroyMenu(h); }
};
template <typename T>
struct GdiTraits {
  using Handle = T;
  static Handle None() { return nullptr; }
  static void Close(Handle h) { DeleteObject(h); }
};
struct RegKeyTraits {
  using Handle = HKEY;
  static Handle None() { return nullptr; }
  static void Close(Handle h) { RegCloseKey(h); }
};

using UniqueKernelHandle = UniqueHandle<KernelHandleTraits>;
using UniqueFileHandle = UniqueHandle<FileHandleTraits>;
using UniqueWindow = UniqueHandle<WindowTraits>;
using UniqueMenu = UniqueHandle<MenuTraits>;
using UniqueFont = UniqueHandle<GdiTraits<HFONT>>;
using UniqueBrush = UniqueHandle<GdiTraits<HBRUSH>>;
using UniquePen = UniqueHandle<GdiTraits<HPEN>>;
using UniqueRegKey = UniqueHandle<RegKeyTraits>;

}  // namespace ombrix
