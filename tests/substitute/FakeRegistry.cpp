// The in-memory registry: key tree, handles, and the answers of advapi32's A functions.
#include "substitute/FakeRegistry.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "common/Text.h"
#include "common/Windows1252.h"

namespace pw {
namespace {

constexpr std::uint32_t kGenericRead = 0x80000000u;
constexpr std::uint32_t kGenericWrite = 0x40000000u;
constexpr std::uint32_t kGenericAll = 0x10000000u;
constexpr std::uint32_t kMaximumAllowed = 0x02000000u;
constexpr std::uint32_t kWriteDac = 0x40000u;
constexpr std::uint32_t kWriteOwner = 0x80000u;
constexpr std::uint32_t kWriteRights =
    kKeySetValue | kKeyCreateSubKey | kKeyCreateLink | kDelete | kWriteDac | kWriteOwner;

// One key name component holds at most 256 characters (the documented 255 plus one, as both
// Windows and Wine accept); longer ones answer ERROR_INVALID_PARAMETER.
constexpr std::size_t kMaxKeyName = 256;
// The A functions convert a sub-path into a MAX_PATH buffer first: 261 characters and more
// answer ERROR_MORE_DATA before the name is looked at.
constexpr std::size_t kMaxAnsiPath = 260;
constexpr std::size_t kMaxValueName = 16383;

std::uint32_t MapGeneric(std::uint32_t access) {
  std::uint32_t out = access & 0x00FFFFFFu;
  if (access & kGenericRead) out |= kKeyRead;
  if (access & kGenericWrite) out |= kKeyWrite;
  if (access & (kGenericAll | kMaximumAllowed)) out |= kKeyAllAccess;
  return out;
}

// The A functions see a std::string as the C string it passes on: up to the first NUL.
std::string CString(const std::string& s) { return std::string(s.c_str()); }

bool IsStringType(std::uint32_t type) {
  return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
}

// Windows keeps subkeys sorted by their names in upper case, compared as UTF-16 code units
// (the hive's index order, which RegEnumKeyEx walks). Wine lower-cases instead, so the two
// differ for [ \ ] ^ _ ` and a few letters of the upper half; this follows Windows.
char16_t UpperUnit(char32_t c) {
  if ((c >= U'a' && c <= U'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7) ||
      (c >= 0x430 && c <= 0x44F)) {
    c -= 0x20;
  } else if (c >= 0x450 && c <= 0x45F) {
    c -= 0x50;
  }
  // Upper-case partners outside those patterns: µ ÿ œ š ž ƒ.
  constexpr std::pair<char32_t, char32_t> kOthers[] = {
      {0xB5, 0x39C}, {0xFF, 0x178}, {0x153, 0x152}, {0x161, 0x160}, {0x17E, 0x17D}, {0x192, 0x191}};
  for (auto [lower, upper] : kOthers) {
    if (c == lower) c = upper;
  }
  return static_cast<char16_t>(c);
}

// Splits a sub-path as Windows does: separators in a row or at the end count once.
long SplitPath(const std::string& subKey, std::vector<std::string>* parts) {
  std::string path = CString(subKey);
  if (path.size() > kMaxAnsiPath) return kErrorMoreData;
  if (!path.empty() && path[0] == '\\') return kErrorBadPathname;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('\\', start);
    if (end == std::string::npos) end = path.size();
    if (end > start) {
      if (end - start > kMaxKeyName) return kErrorInvalidParameter;
      parts->push_back(path.substr(start, end - start));
    }
    start = end + 1;
  }
  return kErrorSuccess;
}

std::vector<std::string> SplitHelperPath(const std::string& path) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find('\\', start);
    if (end == std::string::npos) end = path.size();
    if (end > start) parts.push_back(path.substr(start, end - start));
    start = end + 1;
  }
  return parts;
}

bool IsRoot(HKey key) { return key >= kHkeyClassesRoot && key <= kHkeyDynData; }

}  // namespace

FakeRegistry::FakeRegistry() {
  for (std::size_t i = 0; i < upperHalf_.size(); ++i) {
    upperHalf_[i] = Cp1252Char(static_cast<unsigned char>(0x80 + i));
  }
  for (HKey root : {kHkeyClassesRoot, kHkeyCurrentUser, kHkeyLocalMachine, kHkeyUsers,
                    kHkeyCurrentConfig, kHkeyDynData}) {
    auto node = std::make_shared<Node>();
    node->root = root;
    roots_[root] = node;
  }
  SeedKey(kHkeyCurrentUser, "Software");
  SeedKey(kHkeyLocalMachine, "Software");
  DenyWrites(kHkeyLocalMachine, "");
}

FakeRegistry::~FakeRegistry() = default;

char32_t FakeRegistry::CharOf(unsigned char code) const {
  return code < 0x80 ? code : upperHalf_[code - 0x80];
}

std::string FakeRegistry::ToCodePage(std::string_view utf8) {
  std::string out;
  for (char32_t c : DecodeUtf8(utf8)) {
    if (c < 0x80) {
      out.push_back(static_cast<char>(c));
      continue;
    }
    auto it = std::find(upperHalf_.begin(), upperHalf_.end(), c);
    out.push_back(it == upperHalf_.end() ? '?'
                                         : static_cast<char>(0x80 + (it - upperHalf_.begin())));
  }
  return out;
}

std::string FakeRegistry::FromCodePage(std::string_view bytes) {
  std::u32string text;
  for (char c : bytes) text.push_back(CharOf(static_cast<unsigned char>(c)));
  return EncodeUtf8(text);
}

std::u16string FakeRegistry::SortKey(const std::string& name) const {
  std::u16string key;
  key.reserve(name.size());
  for (char c : name) key.push_back(UpperUnit(CharOf(static_cast<unsigned char>(c))));
  return key;
}

long FakeRegistry::Resolve(HKey key, std::shared_ptr<Node>* node, std::uint32_t* access) const {
  if (auto it = roots_.find(key); it != roots_.end()) {
    *node = it->second;
    *access = kKeyAllAccess;
    return kErrorSuccess;
  }
  auto it = handles_.find(key);
  if (it == handles_.end()) return kErrorInvalidHandle;
  *node = it->second.node;
  *access = it->second.access;
  return (*node)->deleted ? kErrorKeyDeleted : kErrorSuccess;
}

std::shared_ptr<FakeRegistry::Node> FakeRegistry::Child(const Node& parent,
                                                        const std::u16string& sortKey) const {
  auto it = std::lower_bound(
      parent.subkeys.begin(), parent.subkeys.end(), sortKey,
      [](const std::shared_ptr<Node>& n, const std::u16string& k) { return n->sortKey < k; });
  if (it != parent.subkeys.end() && (*it)->sortKey == sortKey) return *it;
  return nullptr;
}

std::shared_ptr<FakeRegistry::Node> FakeRegistry::AddChild(Node& parent, const std::string& name) {
  auto node = std::make_shared<Node>();
  node->name = name;
  node->sortKey = SortKey(name);
  node->root = parent.root;
  node->parent = &parent;
  auto it = std::lower_bound(
      parent.subkeys.begin(), parent.subkeys.end(), node->sortKey,
      [](const std::shared_ptr<Node>& n, const std::u16string& k) { return n->sortKey < k; });
  parent.subkeys.insert(it, node);
  return node;
}

bool FakeRegistry::WriteDenied(const Node& node) const {
  if (denied_.empty()) return false;
  std::vector<std::u16string> path;
  for (const Node* n = &node; n->parent != nullptr; n = n->parent) path.push_back(n->sortKey);
  std::reverse(path.begin(), path.end());
  for (const auto& [root, prefix] : denied_) {
    if (root == node.root && prefix.size() <= path.size() &&
        std::equal(prefix.begin(), prefix.end(), path.begin())) {
      return true;
    }
  }
  return false;
}

HKey FakeRegistry::NewHandle(std::shared_ptr<Node> node, std::uint32_t access) {
  HKey handle = nextHandle_;
  nextHandle_ += 4;
  handles_[handle] = Handle{std::move(node), access};
  return handle;
}

FakeRegistry::Value* FakeRegistry::FindValue(Node& node, const std::string& name) const {
  std::u16string key = SortKey(name);
  for (Value& v : node.values) {
    if (v.sortKey == key) return &v;
  }
  return nullptr;
}

long FakeRegistry::AnsiOpenKey(HKey root, const std::string& subKey, std::uint32_t /*options*/,
                               std::uint32_t access, HKey* result) {
  if (result == nullptr) return kErrorInvalidParameter;
  *result = 0;
  std::shared_ptr<Node> node;
  std::uint32_t baseAccess = 0;
  if (long status = Resolve(root, &node, &baseAccess); status != kErrorSuccess) return status;
  std::vector<std::string> parts;
  if (long status = SplitPath(subKey, &parts); status != kErrorSuccess) return status;
  // An empty sub-path of a predefined root gives the root itself back, not a new handle.
  if (parts.empty() && IsRoot(root)) {
    *result = root;
    return kErrorSuccess;
  }
  // The 32-bit programs' view of the machine's software keys, as 64-bit Windows keeps it (the
  // few keys Windows shares between the views are not told apart here).
  if ((access & kKeyWow64_32Key) && root == kHkeyLocalMachine &&
      SortKey(parts.front()) == SortKey("Software")) {
    parts.insert(parts.begin() + 1, "Wow6432Node");
  }
  for (const std::string& part : parts) {
    node = Child(*node, SortKey(part));
    if (!node) return kErrorFileNotFound;
  }
  access = MapGeneric(access & ~kKeyWow64_32Key);
  if ((access & kWriteRights) && WriteDenied(*node)) return kErrorAccessDenied;
  *result = NewHandle(node, access);
  return kErrorSuccess;
}

long FakeRegistry::AnsiCreateKey(HKey root, const std::string& subKey, std::uint32_t /*options*/,
                                 std::uint32_t access, HKey* result, std::uint32_t* disposition) {
  if (result == nullptr) return kErrorInvalidParameter;
  *result = 0;
  std::shared_ptr<Node> node;
  std::uint32_t baseAccess = 0;
  if (long status = Resolve(root, &node, &baseAccess); status != kErrorSuccess) return status;
  std::vector<std::string> parts;
  if (long status = SplitPath(subKey, &parts); status != kErrorSuccess) return status;
  // The rights of the parent handle do not matter for creating below it; the key's own do.
  std::size_t found = 0;
  for (; found < parts.size(); ++found) {
    auto child = Child(*node, SortKey(parts[found]));
    if (!child) break;
    node = child;
  }
  bool created = found < parts.size();
  if (created && WriteDenied(*node)) return kErrorAccessDenied;
  for (std::size_t i = found; i < parts.size(); ++i) node = AddChild(*node, parts[i]);
  access = MapGeneric(access);
  if (!created && (access & kWriteRights) && WriteDenied(*node)) return kErrorAccessDenied;
  if (disposition != nullptr) *disposition = created ? kRegCreatedNewKey : kRegOpenedExistingKey;
  *result = NewHandle(node, access);
  return kErrorSuccess;
}

long FakeRegistry::AnsiQueryValue(HKey key, const std::string& valueName, std::uint32_t* type,
                                  std::uint8_t* data, std::uint32_t* size) {
  std::shared_ptr<Node> node;
  std::uint32_t access = 0;
  if (long status = Resolve(key, &node, &access); status != kErrorSuccess) return status;
  if (!(access & kKeyQueryValue)) return kErrorAccessDenied;
  if (data != nullptr && size == nullptr) return kErrorInvalidParameter;
  const Value* value = FindValue(*node, CString(valueName));
  if (value == nullptr) {
    if (data == nullptr && size != nullptr) *size = 0;
    return kErrorFileNotFound;
  }
  if (type != nullptr) *type = value->type;
  auto needed = static_cast<std::uint32_t>(value->data.size());
  if (data == nullptr) {
    if (size != nullptr) *size = needed;
    return kErrorSuccess;
  }
  if (*size < needed) {
    *size = needed;
    return kErrorMoreData;
  }
  std::memcpy(data, value->data.data(), needed);
  // A string that leaves room in the buffer gets a NUL after it that the size does not count.
  if (IsStringType(value->type) && *size > needed) data[needed] = 0;
  *size = needed;
  return kErrorSuccess;
}

long FakeRegistry::AnsiSetValue(HKey key, const std::string& valueName, std::uint32_t type,
                                const std::uint8_t* data, std::uint32_t size) {
  std::shared_ptr<Node> node;
  std::uint32_t access = 0;
  if (long status = Resolve(key, &node, &access); status != kErrorSuccess) return status;
  if (!(access & kKeySetValue) || WriteDenied(*node)) return kErrorAccessDenied;
  std::string name = CString(valueName);
  if (name.size() > kMaxValueName) return kErrorInvalidParameter;
  if (data == nullptr && size > 0) return kErrorNoAccess;
  // A string whose count leaves out a NUL that follows it gets the NUL counted, as NT does;
  // when the byte after the count is not NUL the value is stored without one.
  if (IsStringType(type) && size > 0 && data[size - 1] != 0 && data[size] == 0) ++size;
  std::string bytes = size > 0 ? std::string(reinterpret_cast<const char*>(data), size) : "";
  if (Value* existing = FindValue(*node, name)) {
    existing->type = type;
    existing->data = std::move(bytes);
  } else {
    node->values.push_back(Value{name, SortKey(name), type, std::move(bytes)});
  }
  return kErrorSuccess;
}

long FakeRegistry::AnsiEnumKey(HKey key, std::uint32_t index, char* name,
                               std::uint32_t* nameLength) {
  std::shared_ptr<Node> node;
  std::uint32_t access = 0;
  if (long status = Resolve(key, &node, &access); status != kErrorSuccess) return status;
  if (!(access & kKeyEnumerateSubKeys)) return kErrorAccessDenied;
  if (name == nullptr || nameLength == nullptr) return kErrorInvalidParameter;
  if (index >= node->subkeys.size()) return kErrorNoMoreItems;
  const std::string& subName = node->subkeys[index]->name;
  if (subName.size() + 1 > *nameLength) return kErrorMoreData;
  std::memcpy(name, subName.c_str(), subName.size() + 1);
  *nameLength = static_cast<std::uint32_t>(subName.size());
  return kErrorSuccess;
}

long FakeRegistry::AnsiEnumValue(HKey key, std::uint32_t index, char* name,
                                 std::uint32_t* nameLength) {
  std::shared_ptr<Node> node;
  std::uint32_t access = 0;
  if (long status = Resolve(key, &node, &access); status != kErrorSuccess) return status;
  if (!(access & kKeyQueryValue)) return kErrorAccessDenied;
  if (name == nullptr || nameLength == nullptr) return kErrorInvalidParameter;
  if (index >= node->values.size()) return kErrorNoMoreItems;
  const std::string& valueName = node->values[index].name;
  if (valueName.size() + 1 > *nameLength) {
    // Unlike RegEnumKeyExA, the value name comes back cut to the buffer, with a NUL.
    if (*nameLength > 0) {
      std::memcpy(name, valueName.data(), *nameLength - 1);
      name[*nameLength - 1] = '\0';
    }
    return kErrorMoreData;
  }
  std::memcpy(name, valueName.c_str(), valueName.size() + 1);
  *nameLength = static_cast<std::uint32_t>(valueName.size());
  return kErrorSuccess;
}

long FakeRegistry::AnsiDeleteKey(HKey key, const std::string& subKey) {
  std::shared_ptr<Node> node;
  std::uint32_t access = 0;
  if (long status = Resolve(key, &node, &access); status != kErrorSuccess) return status;
  std::vector<std::string> parts;
  if (long status = SplitPath(subKey, &parts); status != kErrorSuccess) return status;
  for (const std::string& part : parts) {
    node = Child(*node, SortKey(part));
    if (!node) return kErrorFileNotFound;
  }
  // An empty sub-path deletes the key of the handle itself; a root cannot go.
  if (node->parent == nullptr || !node->subkeys.empty() || WriteDenied(*node)) {
    return kErrorAccessDenied;
  }
  auto& siblings = node->parent->subkeys;
  siblings.erase(std::find(siblings.begin(), siblings.end(), node));
  node->deleted = true;
  node->parent = nullptr;
  node->values.clear();
  return kErrorSuccess;
}

long FakeRegistry::AnsiDeleteValue(HKey key, const std::string& valueName) {
  std::shared_ptr<Node> node;
  std::uint32_t access = 0;
  if (long status = Resolve(key, &node, &access); status != kErrorSuccess) return status;
  if (!(access & kKeySetValue) || WriteDenied(*node)) return kErrorAccessDenied;
  Value* value = FindValue(*node, CString(valueName));
  if (value == nullptr) return kErrorFileNotFound;
  node->values.erase(node->values.begin() + (value - node->values.data()));
  return kErrorSuccess;
}

long FakeRegistry::RegCloseKey(HKey key) {
  if (roots_.count(key)) return kErrorSuccess;
  return handles_.erase(key) ? kErrorSuccess : kErrorInvalidHandle;
}

void FakeRegistry::DenyWrites(HKey root, const std::string& path) {
  std::vector<std::u16string> prefix;
  for (const std::string& part : SplitHelperPath(path)) prefix.push_back(SortKey(part));
  denied_.emplace_back(root, std::move(prefix));
}

std::shared_ptr<FakeRegistry::Node> FakeRegistry::Find(HKey root, const std::string& path) const {
  auto it = roots_.find(root);
  if (it == roots_.end()) return nullptr;
  std::shared_ptr<Node> node = it->second;
  for (const std::string& part : SplitHelperPath(path)) {
    node = Child(*node, SortKey(part));
    if (!node) return nullptr;
  }
  return node;
}

std::shared_ptr<FakeRegistry::Node> FakeRegistry::FindOrCreate(HKey root, const std::string& path) {
  std::shared_ptr<Node> node = roots_.at(root);
  for (const std::string& part : SplitHelperPath(path)) {
    auto child = Child(*node, SortKey(part));
    node = child ? child : AddChild(*node, part);
  }
  return node;
}

void FakeRegistry::SeedKey(HKey root, const std::string& path) { FindOrCreate(root, path); }

void FakeRegistry::SeedValue(HKey root, const std::string& path, const std::string& valueName,
                             std::uint32_t type, const std::string& data) {
  auto node = FindOrCreate(root, path);
  if (Value* existing = FindValue(*node, valueName)) {
    existing->type = type;
    existing->data = data;
  } else {
    node->values.push_back(Value{valueName, SortKey(valueName), type, data});
  }
}

bool FakeRegistry::HasKey(HKey root, const std::string& path) const {
  return Find(root, path) != nullptr;
}

std::optional<std::string> FakeRegistry::ValueData(HKey root, const std::string& path,
                                                   const std::string& valueName) const {
  auto node = Find(root, path);
  if (!node) return std::nullopt;
  const Value* value = FindValue(*node, valueName);
  if (value == nullptr) return std::nullopt;
  return value->data;
}

void FakeRegistry::DumpNode(const Node& node, const std::string& path, std::string* out) {
  *out += path + "\n";
  for (const Value& v : node.values) {
    *out += path + " [" + v.name + "] " + std::to_string(v.type) + ":";
    for (char c : v.data) AppendHexByte(*out, static_cast<unsigned char>(c));
    *out += "\n";
  }
  for (const auto& child : node.subkeys) DumpNode(*child, path + "\\" + child->name, out);
}

std::string FakeRegistry::Dump(HKey root) const {
  std::string out;
  DumpNode(*roots_.at(root), "", &out);
  return out;
}

}  // namespace pw
