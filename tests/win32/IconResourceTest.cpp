// The icons of postwacht.exe: each in every size the desktop asks for between 100 and 200 %,
// as a 16-colour image and as a 32-bit one with soft edges, which the system picks.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "tests/win32/Win32TestSupport.h"
#include "win32/Win32Gui.h"
#include "win32/resources/NewMailResources.h"
#include "win32/resources/resource.h"

namespace pw::win32 {
namespace {

#pragma pack(push, 2)
struct IconDirEntry {
  BYTE width, height, colours, reserved;
  WORD planes, bitCount;
  DWORD bytes;
  WORD id;
};
struct IconDir {
  WORD reserved, type, count;
  IconDirEntry entries[1];
};
#pragma pack(pop)

constexpr int kSizes[] = {16, 20, 24, 32, 48};
constexpr int kIcons[] = {IDI_MAIN,         IDI_IVIS,           IDI_STOP,
                          IDI_TREE_ACCOUNT, IDI_TREE_UNREAD,    IDI_TREE_ACCOUNT_SELECTED,
                          IDI_TREE_TOTAL,   IDI_NEWMAIL_MAILBOX};

// postwacht.exe beside the test program, loaded for its resources only.
HMODULE Program() {
  const std::wstring path = test::BuiltProgram();
  if (path.empty()) return nullptr;
  return LoadLibraryExW(path.c_str(), nullptr,
                        LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
}

TEST(IconResources, EveryIconHasA16ColourAndA32BitImageInEachSize) {
  HMODULE exe = Program();
  if (!exe) GTEST_SKIP() << "postwacht.exe not built";
  for (int id : kIcons) {
    HRSRC found =
        FindResourceW(exe, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(14) /* RT_GROUP_ICON */);
    ASSERT_NE(found, nullptr) << "icon " << id;
    const auto* dir = static_cast<const IconDir*>(LockResource(LoadResource(exe, found)));
    ASSERT_NE(dir, nullptr);
    std::set<std::pair<int, int>> images;
    for (int i = 0; i < dir->count; ++i) {
      images.insert({dir->entries[i].width, dir->entries[i].bitCount});
    }
    for (int size : kSizes) {
      EXPECT_TRUE(images.count({size, 4})) << "icon " << id << ": no 16-colour " << size;
      EXPECT_TRUE(images.count({size, 32})) << "icon " << id << ": no 32-bit " << size;
    }
  }
  FreeLibrary(exe);
}

TEST(IconResources, TheSystemPicksTheImageOfTheAskedSizeWithSoftEdges) {
  HMODULE exe = Program();
  if (!exe) GTEST_SKIP() << "postwacht.exe not built";
  for (int id : kIcons) {
    for (int size : kSizes) {
      auto icon = static_cast<HICON>(
          LoadImageW(exe, MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
      ASSERT_NE(icon, nullptr) << "icon " << id << " at " << size;
      ICONINFO info{};
      ASSERT_TRUE(GetIconInfo(icon, &info));
      BITMAP bitmap{};
      GetObjectW(info.hbmColor, sizeof bitmap, &bitmap);
      EXPECT_EQ(bitmap.bmWidth, size) << "icon " << id;
      // The pixels with their alpha: some of the edge is neither clear nor solid.
      BITMAPINFO format{};
      format.bmiHeader.biSize = sizeof format.bmiHeader;
      format.bmiHeader.biWidth = size;
      format.bmiHeader.biHeight = -size;
      format.bmiHeader.biPlanes = 1;
      format.bmiHeader.biBitCount = 32;
      format.bmiHeader.biCompression = BI_RGB;
      std::vector<DWORD> pixels(static_cast<std::size_t>(size * size));
      HDC dc = GetDC(nullptr);
      GetDIBits(dc, info.hbmColor, 0, static_cast<UINT>(size), pixels.data(), &format,
                DIB_RGB_COLORS);
      ReleaseDC(nullptr, dc);
      int soft = 0;
      for (DWORD p : pixels) {
        const DWORD alpha = p >> 24;
        if (alpha > 0 && alpha < 255) ++soft;
      }
      EXPECT_GT(soft, 0) << "icon " << id << " at " << size << " has no soft edge";
      DeleteObject(info.hbmColor);
      DeleteObject(info.hbmMask);
      DestroyIcon(icon);
    }
  }
  FreeLibrary(exe);
}

}  // namespace
}  // namespace pw::win32
