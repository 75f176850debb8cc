// What the core relies on from the registry calls; runs against the substitute and, under Wine,
// against advapi32, so the two cannot drift apart.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "common/Windows1252.h"
#include "contract/ContractRegistry.h"
#include "registry/RegistryTree.h"
#include "registry/clsRegistry.h"

namespace pw {
namespace {

const std::string kScratch = "Software\\PostwachtContractTest";

class RegistryContract : public ::testing::Test {
 protected:
  void SetUp() override {
    DeleteKeyTree(*api_, kHkeyCurrentUser, kScratch);  // what an aborted run left behind
    ASSERT_EQ(api_->RegCreateKeyExA(kHkeyCurrentUser, kScratch, 0, kKeyAllAccess, &base_, nullptr),
              kErrorSuccess);
  }
  void TearDown() override {
    for (HKey h : opened_) api_->RegCloseKey(h);
    api_->RegCloseKey(base_);
    EXPECT_EQ(DeleteKeyTree(*api_, kHkeyCurrentUser, kScratch), kErrorSuccess);
  }

  // Creates base\path and answers the status, or with disposition the disposition.
  long Make(const std::string& path, bool disposition = false) {
    HKey h = 0;
    std::uint32_t disp = 0;
    long status = api_->RegCreateKeyExA(base_, path, 0, kKeyAllAccess, &h, &disp);
    if (status == kErrorSuccess) api_->RegCloseKey(h);
    return disposition && status == kErrorSuccess ? static_cast<long>(disp) : status;
  }
  long OpenStatus(const std::string& path) {
    HKey h = 1;
    long status = api_->RegOpenKeyExA(base_, path, 0, kKeyAllAccess, &h);
    if (status == kErrorSuccess)
      api_->RegCloseKey(h);
    else
      EXPECT_EQ(h, 0u) << "a failed open leaves no handle";
    return status;
  }
  HKey Open(const std::string& path, std::uint32_t access = kKeyAllAccess) {
    HKey h = 0;
    EXPECT_EQ(api_->RegOpenKeyExA(base_, path, 0, access, &h), kErrorSuccess) << path;
    opened_.push_back(h);
    return h;
  }
  std::vector<std::string> SubKeys(HKey key) {
    std::vector<std::string> names;
    for (std::uint32_t i = 0;; ++i) {
      char name[300];
      std::uint32_t length = sizeof(name);
      long status = api_->RegEnumKeyExA(key, i, name, &length);
      if (status != kErrorSuccess) {
        EXPECT_EQ(status, kErrorNoMoreItems);
        return names;
      }
      names.emplace_back(name, length);
    }
  }
  long Set(HKey key, const std::string& name, std::uint32_t type, const std::string& bytes) {
    return api_->RegSetValueExA(key, name, type,
                                reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                static_cast<std::uint32_t>(bytes.size()));
  }
  // The value's bytes through a buffer of its exact size; "?" with the status on failure.
  std::string Get(HKey key, const std::string& name, std::uint32_t* type = nullptr) {
    auto failed = [](long status) {
      std::string text = std::to_string(status);
      text.insert(text.begin(), '?');
      return text;
    };
    std::uint32_t size = 0;
    long status = api_->RegQueryValueExA(key, name, type, nullptr, &size);
    if (status != kErrorSuccess) return failed(status);
    std::string data(size, '\0');
    status = api_->RegQueryValueExA(key, name, type, reinterpret_cast<std::uint8_t*>(data.data()),
                                    &size);
    if (status != kErrorSuccess) return failed(status);
    return data.substr(0, size);
  }

  std::unique_ptr<RegistryApi> api_ = MakeContractRegistry();
  HKey base_ = 0;
  std::vector<HKey> opened_;
};

TEST_F(RegistryContract, KeyNamesIgnoreCaseAndKeepTheCaseFirstWritten) {
  EXPECT_EQ(Make("Müller", true), static_cast<long>(kRegCreatedNewKey));
  EXPECT_EQ(Make("MÜLLER", true), static_cast<long>(kRegOpenedExistingKey));
  EXPECT_EQ(Make("œuvre ÿ šž"), kErrorSuccess);
  EXPECT_EQ(OpenStatus("ŒUVRE Ÿ ŠŽ"), kErrorSuccess);
  EXPECT_EQ(OpenStatus("müller\\"), kErrorSuccess);
  EXPECT_EQ(SubKeys(base_), (std::vector<std::string>{"Müller", "œuvre ÿ šž"}));
}

TEST_F(RegistryContract, PathsSkipDoubledSeparatorsButNotALeadingOne) {
  EXPECT_EQ(Make("a\\\\b\\"), kErrorSuccess);
  EXPECT_EQ(OpenStatus("A\\B"), kErrorSuccess);
  EXPECT_EQ(OpenStatus("a\\missing"), kErrorFileNotFound);
  EXPECT_EQ(OpenStatus("\\a"), kErrorBadPathname);
  EXPECT_EQ(Make("\\c"), kErrorBadPathname);
  // "." and ".." are names like any other.
  EXPECT_EQ(OpenStatus("a\\.."), kErrorFileNotFound);
  EXPECT_EQ(Make(".."), kErrorSuccess);
  EXPECT_EQ(SubKeys(base_), (std::vector<std::string>{"..", "a"}));
  // The A functions pass a C string: the name ends at its first NUL.
  EXPECT_EQ(OpenStatus(std::string("a\0zzz", 5)), kErrorSuccess);
}

TEST_F(RegistryContract, EmptySubPathOpensTheRootItselfButANewHandleOtherwise) {
  HKey h = 0;
  ASSERT_EQ(api_->RegOpenKeyExA(kHkeyCurrentUser, "", 0, kKeyAllAccess, &h), kErrorSuccess);
  EXPECT_EQ(h, kHkeyCurrentUser);
  EXPECT_EQ(api_->RegCloseKey(kHkeyCurrentUser), kErrorSuccess);
  ASSERT_EQ(api_->RegOpenKeyExA(base_, "", 0, kKeyAllAccess, &h), kErrorSuccess);
  EXPECT_NE(h, base_);
  EXPECT_EQ(api_->RegCloseKey(h), kErrorSuccess);
  EXPECT_EQ(api_->RegCloseKey(h), kErrorInvalidHandle);
  ASSERT_EQ(api_->RegOpenKeyExA(kHkeyLocalMachine, "Software", 0, kKeyRead, &h), kErrorSuccess);
  EXPECT_EQ(api_->RegCloseKey(h), kErrorSuccess);
}

TEST_F(RegistryContract, SubkeysComeInAlphabeticalOrderWithoutRegardToCase) {
  for (const char* name :
       {"zz", "b", "Zeta", "äpfel", "Ab", "~", "1", "@home", "€uro", "A", " x", "Ärger", "Öl"}) {
    ASSERT_EQ(Make(name), kErrorSuccess) << name;
  }
  std::vector<std::string> expected = {" x", "1", "@home", "A",     "Ab", "b",   "Zeta",
                                       "zz", "~", "äpfel", "Ärger", "Öl", "€uro"};
  EXPECT_EQ(SubKeys(base_), expected);
  EXPECT_EQ(SubKeys(base_), expected) << "an unchanged key enumerates the same way again";
}

TEST_F(RegistryContract, DeleteKeyRefusesAKeyWithSubkeys) {
  ASSERT_EQ(Make("p\\c"), kErrorSuccess);
  EXPECT_EQ(api_->RegDeleteKeyA(base_, "p"), kErrorAccessDenied);
  EXPECT_EQ(api_->RegDeleteKeyA(base_, "P\\C"), kErrorSuccess);
  EXPECT_EQ(api_->RegDeleteKeyA(base_, "p"), kErrorSuccess);
  EXPECT_EQ(api_->RegDeleteKeyA(base_, "p"), kErrorFileNotFound);
  EXPECT_EQ(api_->RegDeleteKeyA(kHkeyCurrentUser, ""), kErrorAccessDenied);
}

TEST_F(RegistryContract, AHandleToADeletedKeyAnswersKeyDeleted) {
  ASSERT_EQ(Make("gone"), kErrorSuccess);
  HKey gone = Open("gone");
  HKey other = Open("gone");
  EXPECT_EQ(api_->RegDeleteKeyA(gone, ""), kErrorSuccess);
  EXPECT_EQ(OpenStatus("gone"), kErrorFileNotFound);
  HKey h = 0;
  EXPECT_EQ(Set(other, "v", kRegSz, "x"), kErrorKeyDeleted);
  EXPECT_EQ(Get(other, "v"), "?1018");
  EXPECT_EQ(api_->RegOpenKeyExA(other, "", 0, kKeyRead, &h), kErrorKeyDeleted);
  EXPECT_EQ(api_->RegCreateKeyExA(other, "c", 0, kKeyAllAccess, &h, nullptr), kErrorKeyDeleted);
  char name[8];
  std::uint32_t length = sizeof(name);
  EXPECT_EQ(api_->RegEnumKeyExA(other, 0, name, &length), kErrorKeyDeleted);
}

TEST_F(RegistryContract, KeyNamesHoldAtMost256Characters) {
  const std::string longest(256, 'n');
  EXPECT_EQ(Make(longest), kErrorSuccess);
  EXPECT_EQ(SubKeys(base_), std::vector<std::string>{longest});
  EXPECT_EQ(api_->RegDeleteKeyA(base_, longest), kErrorSuccess);
  const std::string tooLong(257, 'n');
  EXPECT_EQ(Make(tooLong), kErrorInvalidParameter);
  EXPECT_EQ(OpenStatus(tooLong), kErrorInvalidParameter);
  EXPECT_EQ(api_->RegDeleteKeyA(base_, tooLong), kErrorInvalidParameter);
  // A sub-path of more than MAX_PATH characters fails in the A layer already.
  const std::string name300(300, 'n');
  EXPECT_EQ(Make(name300), kErrorMoreData);
  EXPECT_EQ(OpenStatus(name300), kErrorMoreData);
  EXPECT_EQ(api_->RegDeleteKeyA(base_, name300), kErrorMoreData);
  EXPECT_EQ(Make("ab\\" + std::string(255, 'n')), kErrorSuccess);
  EXPECT_EQ(SubKeys(base_), std::vector<std::string>{"ab"});
}

TEST_F(RegistryContract, StringValuesKeepEveryByte) {
  std::string all;
  for (int code = 1; code < 256; ++code) all.push_back(static_cast<char>(code));
  all.push_back('\0');
  // Past the code page, through the byte calls: every byte as it was.
  ASSERT_EQ(api_->RegSetValueBytesA(base_, "bytes", kRegSz,
                                    reinterpret_cast<const std::uint8_t*>(all.data()),
                                    static_cast<std::uint32_t>(all.size())),
            kErrorSuccess);
  std::string back(all.size(), '#');
  std::uint32_t size = static_cast<std::uint32_t>(back.size());
  std::uint32_t type = 0;
  EXPECT_EQ(api_->RegQueryValueBytesA(base_, "bytes", &type,
                                      reinterpret_cast<std::uint8_t*>(back.data()), &size),
            kErrorSuccess);
  EXPECT_EQ(back.substr(0, size), all);
  EXPECT_EQ(type, kRegSz);

  // As text, on a system with code page 1252: every character it holds, in UTF-8 both ways.
  const std::string text = From1252(all);
  ASSERT_EQ(Set(base_, "all", kRegSz, text), kErrorSuccess);
  type = 0;
  EXPECT_EQ(Get(base_, "all", &type), text);
  EXPECT_EQ(type, kRegSz);
  EXPECT_EQ(Get(base_, "bytes"), text);

  // The queries getValue makes: a zero-size buffer, then one that is too small. Sizes count
  // the UTF-8 bytes.
  const auto textSize = static_cast<std::uint32_t>(text.size());
  std::uint8_t buffer[4] = {'#', '#', '#', '#'};
  size = 0;
  type = 0;
  EXPECT_EQ(api_->RegQueryValueExA(base_, "all", &type, buffer, &size), kErrorMoreData);
  EXPECT_EQ(size, textSize);
  EXPECT_EQ(type, kRegSz);
  size = 3;
  EXPECT_EQ(api_->RegQueryValueExA(base_, "all", &type, buffer, &size), kErrorMoreData);
  EXPECT_EQ(size, textSize);
  EXPECT_EQ(buffer[0], '#') << "a buffer that is too small stays untouched";

  ASSERT_EQ(Set(base_, "empty", kRegSz, ""), kErrorSuccess);
  size = 0;
  EXPECT_EQ(api_->RegQueryValueExA(base_, "empty", &type, buffer, &size), kErrorSuccess);
  EXPECT_EQ(size, 0u);
  size = 4;
  EXPECT_EQ(api_->RegQueryValueExA(base_, "missing", &type, buffer, &size), kErrorFileNotFound);
  EXPECT_EQ(size, 4u);
  size = 4;
  EXPECT_EQ(api_->RegQueryValueExA(base_, "missing", &type, nullptr, &size), kErrorFileNotFound);
  EXPECT_EQ(size, 0u);
}

TEST_F(RegistryContract, AStringCanLackItsTerminatingNul) {
  // The count leaves the NUL out and a NUL follows in memory: it is counted all the same.
  EXPECT_EQ(Set(base_, "counted", kRegSz, std::string("abc")), kErrorSuccess);
  EXPECT_EQ(Get(base_, "counted"), std::string("abc", 4));
  // Without a NUL after the counted bytes the value is stored without one.
  const char text[] = "abcd";
  ASSERT_EQ(
      api_->RegSetValueExA(base_, "raw", kRegSz, reinterpret_cast<const std::uint8_t*>(text), 3),
      kErrorSuccess);
  EXPECT_EQ(Get(base_, "raw"), "abc");
  std::uint8_t buffer[6] = {'#', '#', '#', '#', '#', '#'};
  std::uint32_t size = sizeof(buffer);
  EXPECT_EQ(api_->RegQueryValueExA(base_, "raw", nullptr, buffer, &size), kErrorSuccess);
  EXPECT_EQ(size, 3u);
  EXPECT_EQ(buffer[3], 0) << "a NUL follows in the buffer, not in the size";
}

TEST_F(RegistryContract, OtherTypesKeepTheirBytesAsWritten) {
  std::uint32_t type = 0;
  ASSERT_EQ(Set(base_, "dw", kRegDword, "\xFF\xFF\xFF\xFF"), kErrorSuccess);
  EXPECT_EQ(Get(base_, "dw", &type), "\xFF\xFF\xFF\xFF");
  EXPECT_EQ(type, kRegDword);
  ASSERT_EQ(Set(base_, "bin", kRegBinary, std::string("\x00\x0A", 2)), kErrorSuccess);
  EXPECT_EQ(Get(base_, "bin", &type), std::string("\x00\x0A", 2));
  EXPECT_EQ(type, kRegBinary);
  ASSERT_EQ(Set(base_, "multi", kRegMultiSz, std::string("a\0b\0\0", 5)), kErrorSuccess);
  EXPECT_EQ(Get(base_, "multi"), std::string("a\0b\0\0", 5));
  ASSERT_EQ(Set(base_, "bin", kRegSz, std::string("t\0", 2)), kErrorSuccess);
  EXPECT_EQ(Get(base_, "bin", &type), std::string("t\0", 2));
  EXPECT_EQ(type, kRegSz) << "overwriting changes the type";
  ASSERT_EQ(Set(base_, "nothing", kRegBinary, ""), kErrorSuccess);
  EXPECT_EQ(Get(base_, "nothing"), "");
  // clsRegistry's DWORD in the system's byte order, with a value that differs swapped.
  clsRegistry dword(*api_);
  dword.Key("HKCU\\" + kScratch + "\\order");
  EXPECT_TRUE(dword.setValue("305419896", 4));
  EXPECT_EQ(Get(base_, "order", &type), "\x78\x56\x34\x12");
  EXPECT_EQ(type, kRegDword);
  ASSERT_EQ(Set(base_, "order", kRegDword, std::string("\x01\x00\x00\x80", 4)), kErrorSuccess);
  EXPECT_EQ(dword.getValue(), "-2147483647");
}

TEST_F(RegistryContract, ValueNamesIgnoreCaseAndTheDefaultValueHasTheEmptyName) {
  ASSERT_EQ(Set(base_, "MiXed", kRegSz, std::string("1", 2)), kErrorSuccess);
  ASSERT_EQ(Set(base_, "mixed", kRegSz, std::string("2", 2)), kErrorSuccess);
  ASSERT_EQ(Set(base_, "", kRegSz, std::string("d", 2)), kErrorSuccess);
  EXPECT_EQ(Get(base_, "MIXED"), std::string("2", 2));
  std::vector<std::string> names;
  for (std::uint32_t i = 0;; ++i) {
    char name[16];
    std::uint32_t length = sizeof(name);
    if (api_->RegEnumValueA(base_, i, name, &length) != kErrorSuccess) break;
    names.emplace_back(name, length);
  }
  // Windows lists values in the order they were made, Wine sorts them: compare as a set.
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"", "MiXed"}));
  EXPECT_EQ(api_->RegDeleteValueA(base_, ""), kErrorSuccess);
  EXPECT_EQ(api_->RegDeleteValueA(base_, ""), kErrorFileNotFound);
  EXPECT_EQ(Set(base_, std::string(16383, 'v'), kRegSz, "x"), kErrorSuccess);
  EXPECT_EQ(Set(base_, std::string(16384, 'v'), kRegSz, "x"), kErrorInvalidParameter);
}

TEST_F(RegistryContract, NamesThatDoNotFitTheEnumerationBuffer) {
  ASSERT_EQ(Make("abcdef"), kErrorSuccess);
  char name[2048];
  std::memset(name, ' ', sizeof(name));
  std::uint32_t length = 6;
  EXPECT_EQ(api_->RegEnumKeyExA(base_, 0, name, &length), kErrorMoreData);
  EXPECT_EQ(length, 6u);
  EXPECT_EQ(name[0], ' ') << "a key name that does not fit is not copied";
  length = 7;
  EXPECT_EQ(api_->RegEnumKeyExA(base_, 0, name, &length), kErrorSuccess);
  EXPECT_EQ(length, 6u);
  EXPECT_EQ(api_->RegEnumKeyExA(base_, 1, name, &length), kErrorNoMoreItems);

  // A value name longer than the 2048 characters regEnum offers comes back cut, with a NUL.
  HKey key = Open("abcdef");
  ASSERT_EQ(Set(key, std::string(3000, 'v'), kRegSz, "x"), kErrorSuccess);
  ASSERT_EQ(Set(key, "w", kRegSz, "x"), kErrorSuccess);
  int cut = 0;
  for (std::uint32_t i = 0; i < 2; ++i) {
    std::memset(name, ' ', sizeof(name));
    length = sizeof(name);
    long status = api_->RegEnumValueA(key, i, name, &length);
    if (status == kErrorMoreData) {
      ++cut;
      EXPECT_EQ(length, 2048u);
      EXPECT_EQ(std::string(name, 2048), std::string(2047, 'v') + '\0');
    } else {
      EXPECT_EQ(status, kErrorSuccess);
      EXPECT_EQ(std::string(name, length), "w");
    }
  }
  EXPECT_EQ(cut, 1);
  length = sizeof(name);
  EXPECT_EQ(api_->RegEnumValueA(key, 2, name, &length), kErrorNoMoreItems);
}

TEST_F(RegistryContract, HandlesCarryTheRightsTheyWereOpenedWith) {
  ASSERT_EQ(Set(base_, "v", kRegSz, "x"), kErrorSuccess);
  HKey readOnly = Open("", kKeyRead);
  EXPECT_EQ(Set(readOnly, "v", kRegSz, "y"), kErrorAccessDenied);
  EXPECT_EQ(api_->RegDeleteValueA(readOnly, "v"), kErrorAccessDenied);
  // What setValue asks for: KEY_CREATE_SUB_KEY | KEY_SET_VALUE.
  HKey writeOnly = 0;
  ASSERT_EQ(
      api_->RegCreateKeyExA(base_, "", 0, kKeyCreateSubKey | kKeySetValue, &writeOnly, nullptr),
      kErrorSuccess);
  opened_.push_back(writeOnly);
  EXPECT_EQ(Get(writeOnly, "v"), "?5");
  char name[8];
  std::uint32_t length = sizeof(name);
  EXPECT_EQ(api_->RegEnumKeyExA(writeOnly, 0, name, &length), kErrorAccessDenied);
  EXPECT_EQ(api_->RegEnumValueA(writeOnly, 0, name, &length), kErrorAccessDenied);
  // The parent's rights do not matter for creating or deleting below it.
  HKey child = 0;
  EXPECT_EQ(api_->RegCreateKeyExA(readOnly, "child", 0, kKeyAllAccess, &child, nullptr),
            kErrorSuccess);
  api_->RegCloseKey(child);
  EXPECT_EQ(api_->RegDeleteKeyA(readOnly, "child"), kErrorSuccess);
}

}  // namespace
}  // namespace pw
