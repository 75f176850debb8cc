// An in-memory registry that answers the narrow registry calls with the statuses Windows gives.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/AnsiRegistry.h"

namespace pw {

// The calls take UTF-8 and cross it to a single-byte code page as a Windows system would:
// Windows-1252 unless a test sets another. The helpers below take and give the code page's
// bytes, as the A functions store them. Helper paths are separated by "\" and are relative to
// a predefined root.
class FakeRegistry : public AnsiRegistry {
 public:
  // The characters of the codes 0x80-0xFF.
  using UpperHalf = std::array<char32_t, 128>;

  FakeRegistry();
  ~FakeRegistry() override;
  FakeRegistry(const FakeRegistry&) = delete;
  FakeRegistry& operator=(const FakeRegistry&) = delete;

  long RegCloseKey(HKey key) override;

  // Makes the registry behave as under another system code page from here on.
  void SetCodePage(const UpperHalf& upperHalf) { upperHalf_ = upperHalf; }

  // Handles handed out and not closed yet; predefined roots are not counted.
  std::size_t OpenHandleCount() const { return handles_.size(); }

  // The key root\path and everything below it refuse write access with status 5, as
  // HKEY_LOCAL_MACHINE does for an ordinary user; that denial is in place from the start.
  void DenyWrites(HKey root, const std::string& path);
  void AllowAllWrites() { denied_.clear(); }

  // Test data written past every check: the keys on the way are created, the bytes are stored
  // exactly as given (a REG_SZ may lack its NUL).
  void SeedKey(HKey root, const std::string& path);
  void SeedValue(HKey root, const std::string& path, const std::string& valueName,
                 std::uint32_t type, const std::string& data);

  bool HasKey(HKey root, const std::string& path) const;
  // The stored bytes of a value, or nothing when the key or the value is absent.
  std::optional<std::string> ValueData(HKey root, const std::string& path,
                                       const std::string& valueName) const;
  // Every key and value below a root, one line each, in enumeration order: for comparing the
  // whole hive before and after an operation.
  std::string Dump(HKey root) const;

 protected:
  std::string ToCodePage(std::string_view utf8) override;
  std::string FromCodePage(std::string_view bytes) override;
  long AnsiOpenKey(HKey root, const std::string& subKey, std::uint32_t options,
                   std::uint32_t access, HKey* result) override;
  long AnsiCreateKey(HKey root, const std::string& subKey, std::uint32_t options,
                     std::uint32_t access, HKey* result, std::uint32_t* disposition) override;
  long AnsiQueryValue(HKey key, const std::string& valueName, std::uint32_t* type,
                      std::uint8_t* data, std::uint32_t* size) override;
  long AnsiSetValue(HKey key, const std::string& valueName, std::uint32_t type,
                    const std::uint8_t* data, std::uint32_t size) override;
  long AnsiEnumKey(HKey key, std::uint32_t index, char* name, std::uint32_t* nameLength) override;
  long AnsiEnumValue(HKey key, std::uint32_t index, char* name, std::uint32_t* nameLength) override;
  long AnsiDeleteKey(HKey key, const std::string& subKey) override;
  long AnsiDeleteValue(HKey key, const std::string& valueName) override;

 private:
  struct Value {
    std::string name;
    std::u16string sortKey;
    std::uint32_t type = 0;
    std::string data;
  };
  struct Node {
    std::string name;
    std::u16string sortKey;
    HKey root = 0;
    Node* parent = nullptr;
    std::vector<std::shared_ptr<Node>> subkeys;  // in the order Windows enumerates them
    std::vector<Value> values;                   // in the order they were created
    bool deleted = false;
  };
  struct Handle {
    std::shared_ptr<Node> node;
    std::uint32_t access = 0;
  };

  long Resolve(HKey key, std::shared_ptr<Node>* node, std::uint32_t* access) const;
  std::shared_ptr<Node> Child(const Node& parent, const std::u16string& sortKey) const;
  std::shared_ptr<Node> AddChild(Node& parent, const std::string& name);
  std::shared_ptr<Node> Find(HKey root, const std::string& path) const;
  std::shared_ptr<Node> FindOrCreate(HKey root, const std::string& path);
  bool WriteDenied(const Node& node) const;
  HKey NewHandle(std::shared_ptr<Node> node, std::uint32_t access);
  Value* FindValue(Node& node, const std::string& name) const;
  std::u16string SortKey(const std::string& name) const;
  char32_t CharOf(unsigned char code) const;
  static void DumpNode(const Node& node, const std::string& path, std::string* out);

  UpperHalf upperHalf_;
  std::map<HKey, std::shared_ptr<Node>> roots_;
  std::map<HKey, Handle> handles_;
  HKey nextHandle_ = 0x1000;
  std::vector<std::pair<HKey, std::vector<std::u16string>>> denied_;
};

}  // namespace pw
