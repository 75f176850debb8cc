// Owning wrappers for the Win32 handles the program creates.
#pragma once

#include <utility>

#include "win32/Win32Gui.h"

namespace pw::win32 {

template <typename Handle, typename Traits>
class UniqueHandle {
 public:
  UniqueHandle() = default;
  explicit UniqueHandle(Handle handle) : handle_(handle) {}
  ~UniqueHandle() { Reset(); }
  UniqueHandle(const UniqueHandle&) = delete;
  UniqueHandle& operator=(const UniqueHandle&) = delete;
  UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()) {}
  UniqueHandle& operator=(UniqueHandle&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }

  Handle Get() const { return handle_; }
  explicit operator bool() const { return handle_ != Handle{}; }
  Handle Release() { return std::exchange(handle_, Handle{}); }
  void Reset(Handle handle = Handle{}) {
    Handle old = std::exchange(handle_, handle);
    if (old != Handle{}) Traits::Close(old);
  }

 private:
  Handle handle_{};
};

struct IconTraits {
  static void Close(HICON h) { DestroyIcon(h); }
};
struct MenuTraits {
  static void Close(HMENU h) { DestroyMenu(h); }
};
struct FontTraits {
  static void Close(HFONT h) { DeleteObject(h); }
};
struct AccelTraits {
  static void Close(HACCEL h) { DestroyAcceleratorTable(h); }
};
struct ImageListTraits {
  static void Close(HIMAGELIST h) { ImageList_Destroy(h); }
};
struct WindowTraits {
  static void Close(HWND h) {
    if (IsWindow(h)) DestroyWindow(h);
  }
};
struct KernelTraits {
  static void Close(HANDLE h) { CloseHandle(h); }
};

using UniqueIcon = UniqueHandle<HICON, IconTraits>;
using UniqueMenu = UniqueHandle<HMENU, MenuTraits>;
using UniqueFont = UniqueHandle<HFONT, FontTraits>;
using UniqueAccel = UniqueHandle<HACCEL, AccelTraits>;
using UniqueImageList = UniqueHandle<HIMAGELIST, ImageListTraits>;
using UniqueWindow = UniqueHandle<HWND, WindowTraits>;
using UniqueKernelHandle = UniqueHandle<HANDLE, KernelTraits>;

}  // namespace pw::win32
